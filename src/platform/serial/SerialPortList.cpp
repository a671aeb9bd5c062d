#include "serial/SerialPortList.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vlx {

std::vector<std::string> ListSerialPorts(const std::string& simulatorLink) {
  std::vector<std::string> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    ports.push_back(info.systemLocation().toStdString());
  }
  std::error_code error;
  if (!simulatorLink.empty() && std::filesystem::exists(simulatorLink, error)) {
    ports.push_back(simulatorLink);
  }
  std::sort(ports.begin(), ports.end());
  ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
  return ports;
}

}  // namespace vlx
