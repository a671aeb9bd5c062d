#pragma once
// The Command Tester page: typed commands (sent with Enter or their closing ";") and sixteen macro
// buttons, what went out in green and what came back in black. It runs no machine: the window hands
// it the serial notifications only while none runs.

#include <QPointer>
#include <QString>
#include <QTextCharFormat>
#include <array>
#include <string_view>
#include <vector>

#include "model/Listener.h"
#include "model/Setting.h"
#include "pages/Page.h"
#include "tester/CommandTester.h"

class QLineEdit;
class QPushButton;
class QTextEdit;

namespace vlx {

struct UiServices;

class CommandTesterPage : public Page, public Listener {
 public:
  explicit CommandTesterPage(UiServices& services, QWidget* parent = nullptr);
  ~CommandTesterPage() override;

  QString HelpTopic() const override { return QStringLiteral("CommandTester.htm"); }
  QSize sizeHint() const override { return minimumSize(); }

  void OnMessage(MessageId id, MessageParam wParam) override;
  void OnSerialEvent() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls() override;
  QWidget* BuildMacroButtons();
  void StartListening();
  void StopListening();

  // Sends `text` if there is one and an amplifier; the focus then goes back to `focusReturn`.
  void SendText(const QString& text, QWidget* focusReturn);
  void SendMacro(std::size_t index);
  void OnLineEdited(const QString& text);
  void EditMacros();
  void Append(const QString& text, const QTextCharFormat& format);
  void ShowReceived(std::string_view bytes);
  // Up (-1) and Down (+1) step through what was sent in this run; past the newest the line
  // holds again what was being typed.
  void Recall(int step);
  void ShowLatin1Hint();

  UiServices& services_;
  CommandTester tester_;
  QLineEdit* line_ = nullptr;
  QTextEdit* output_ = nullptr;
  QPushButton* editMacros_ = nullptr;
  QPushButton* clear_ = nullptr;
  std::array<QPushButton*, kStringArraySize> macros_{};
  QTextCharFormat sentFormat_;
  QTextCharFormat receivedFormat_;
  std::vector<QString> sent_;
  std::size_t recallAt_ = 0;  // sent_.size(): not recalling
  QString draft_;
  bool listening_ = false;
};

}  // namespace vlx
