#pragma once
// The Firmware page. For now it holds the Activity Log, which opens with the program's identity
// and the operating system, and takes the status lines mirrored to the page while it is showing.

#include <string>

#include "pages/Page.h"

class QVBoxLayout;

namespace vlx {

class ActivityLog;
struct UiServices;

class FirmwarePage : public Page {
 public:
  // `identityLine` names the program and its revision, `osLine` the system it runs on; they are
  // the log's first two lines.
  FirmwarePage(UiServices& services, const std::string& identityLine, const std::string& osLine,
               QWidget* parent = nullptr);

  QString HelpTopic() const override { return QStringLiteral("Firmware.htm"); }
  void OnPageLog(const std::string& line) override;
  QSize sizeHint() const override { return minimumSize(); }

 private:
  UiServices& services_;
  // The page's controls from top to bottom; the log's group box is the last and takes the
  // height the others leave.
  QVBoxLayout* layout_;
  ActivityLog* log_;
};

}  // namespace vlx
