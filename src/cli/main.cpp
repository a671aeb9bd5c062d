// vlxctl: the command-line companion of VLX Utility, on the same core as the window program.

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "ConsoleReporting.h"
#include "ErrorTexts.h"
#include "InfoCommand.h"
#include "model/NoSettingsStore.h"
#include "serial/SerialPortList.h"
#include "settings/JsonSettingsStore.h"

namespace {

int ListPorts() {
  for (const std::string& port : vlx::ListSerialPorts()) {
    std::printf("%s\n", port.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication application(argc, argv);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const vlx::cli::ParsedOptions parsed = vlx::cli::ParseOptions(arguments);
  if (!parsed.options) {
    vlx::cli::PrintError("vlxctl: " + parsed.error);
    std::fputs(vlx::cli::kUsage, stderr);
    return 2;
  }
  const vlx::cli::CliOptions& options = *parsed.options;
  switch (options.verb) {
    case vlx::cli::CliOptions::Verb::kHelp:
      std::fputs(vlx::cli::kUsage, stdout);
      return 0;
    case vlx::cli::CliOptions::Verb::kPorts:
      return ListPorts();
    case vlx::cli::CliOptions::Verb::kInfo:
      break;
  }

  vlx::InstallPlatformErrorTexts();
  std::unique_ptr<vlx::SettingsStore> store;
  if (options.port) {
    store = std::make_unique<vlx::NoSettingsStore>();
  } else {
    store = std::make_unique<vlx::JsonSettingsStore>();
  }
  vlx::cli::InfoCommand info(options, *store);
  QTimer::singleShot(0, &info, [&info] { info.Start(); });
  return application.exec();
}
