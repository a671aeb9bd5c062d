#pragma once
// What the window and its pages share: the model, the message boxes, the clock for time stamps,
// help, the system's list of serial ports, the folder chooser and where telemetry logs go.

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace vlx {

class AppSettings;
class Clock;
class FtpClient;
class FtpLocalFiles;
class HelpService;
class Prompts;
class TelemetryFileOpener;

struct UiServices {
  AppSettings& app;
  // The program gives the model's boxes (AppSettings::Boxes), so a box asked for inside an
  // engine dispatch waits until that dispatch has returned.
  Prompts& prompts;
  Clock& clock;
  HelpService& help;
  // The serial ports to offer on the Port page, in any order.
  std::function<std::vector<std::string>()> listSerialPorts;
  // Lets the user pick a folder, starting at `start`; nothing when the user cancels.
  std::function<std::optional<std::string>(QWidget* owner, const QString& title,
                                           const std::string& start)>
      chooseFolder;
  // Where telemetry logs are created; none: files on the disk.
  TelemetryFileOpener* telemetryFiles = nullptr;
  // A new session with an FTP server for each copy from the maker's server, and the files the
  // copy writes; without both, "Copy New Files from Velqorin" stays disabled.
  std::function<std::unique_ptr<FtpClient>()> ftpClients = {};
  FtpLocalFiles* ftpLocalFiles = nullptr;
};

}  // namespace vlx
