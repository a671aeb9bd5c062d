#pragma once
// The fault-table dialog: reads the amplifier's fault history when it is shown and lists it newest
// first, one row per record; "Save to File" writes the table once a read has succeeded. The read,
// its result and the file are the FaultTableFlow's; the dialog draws and forwards the clicks.

#include <QDialog>

#include "faults/FaultTableFlow.h"

class QPushButton;
class QTreeWidget;

namespace vlx {

class FileStore;
struct UiServices;

class FaultTableDialog final : public QDialog, private FaultTableView {
  Q_OBJECT

 public:
  FaultTableDialog(UiServices& services, FileStore& files, QWidget* parent);
  ~FaultTableDialog() override;

  const FaultTableFlow& Flow() const { return flow_; }
  QTreeWidget& List() const { return *list_; }
  QPushButton& SaveButton() const { return *save_; }
  QPushButton& CloseButton() const { return *close_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void ShowBusy(bool busy) override;
  void ShowTable(const FaultTable& table) override;
  void CloseView() override;
  void FitColumns();
  // The width the list needs to show every column whole, scroll bar and frame included; as of the
  // last FitColumns.
  int ListWidthNeeded() const;

  FaultTableFlow flow_;
  QTreeWidget* list_;
  QPushButton* save_;
  QPushButton* close_;
  bool started_ = false;
  // What the columns take when each fits its header and entries.
  int columnsWidth_ = 0;
};

// Runs the dialog modally over `parent`, saving through `files`. Returns what exec returned.
int RunFaultTableDialog(QWidget* parent, UiServices& services, FileStore& files);

}  // namespace vlx
