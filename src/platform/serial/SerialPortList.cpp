#include "serial/SerialPortList.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vlx {
namespace {

namespace fs = std::filesystem;

// The links of `folder` that lead to a device; a link left behind by a pulled adapter leads
// nowhere and is no port. A missing or unreadable folder adds nothing.
void AddLinkedPorts(const std::string& folder, std::vector<std::string>& ports) {
  if (folder.empty()) {
    return;
  }
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    std::error_code existsError;
    if (fs::exists(entry->path(), existsError)) {
      ports.push_back(entry->path().string());
    }
  }
}

}  // namespace

std::vector<std::string> ListSerialPorts(const std::string& simulatorLink,
                                         const std::string& byIdFolder) {
  std::vector<std::string> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    ports.push_back(info.systemLocation().toStdString());
  }
  AddLinkedPorts(byIdFolder, ports);
  std::error_code error;
  if (!simulatorLink.empty() && fs::exists(simulatorLink, error)) {
    ports.push_back(simulatorLink);
  }
  std::sort(ports.begin(), ports.end());
  ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
  return ports;
}

}  // namespace vlx
