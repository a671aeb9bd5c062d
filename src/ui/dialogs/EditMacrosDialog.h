#pragma once
// The "Edit Macros" dialog: the label and the text of each of the sixteen macro buttons, one row
// a button. Save stores all of them, in order and each with its notification, so that the
// Command Tester's buttons are renamed at once; Cancel stores nothing.

#include <QDialog>
#include <array>

#include "model/Setting.h"

class QLineEdit;
class QPushButton;

namespace vlx {

struct UiServices;

class EditMacrosDialog final : public QDialog {
  Q_OBJECT

 public:
  EditMacrosDialog(UiServices& services, QWidget* parent);

  QLineEdit& LabelEdit(std::size_t index) const { return *labels_[index]; }
  QLineEdit& TextEdit(std::size_t index) const { return *texts_[index]; }
  QPushButton& SaveButton() const { return *save_; }
  QPushButton& CancelButton() const { return *cancel_; }

 public slots:
  void accept() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ShowHelp();

  UiServices& services_;
  std::array<QLineEdit*, kStringArraySize> labels_{};
  std::array<QLineEdit*, kStringArraySize> texts_{};
  QPushButton* save_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace vlx
