#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "ConsoleReporting.h"
#include "ErrorTexts.h"
#include "HexCommand.h"
#include "InfoCommand.h"
#include "Verb.h"
#include "model/NoSettingsStore.h"
#include "serial/SerialPortList.h"
#include "settings/JsonSettingsStore.h"

namespace vlx::cli {
namespace {

class PortsVerb final : public Verb {
 public:
  std::string Name() const override { return "ports"; }
  std::string Summary() const override { return "List the serial ports of this computer"; }
  int Run(const CliOptions&) override {
    for (const std::string& port : ListSerialPorts()) {
      std::printf("%s\n", port.c_str());
    }
    return exit_code::kSuccess;
  }
};

class InfoVerb final : public Verb {
 public:
  std::string Name() const override { return "info"; }
  std::string Summary() const override {
    return "Find the VLX750 on the port and print what is known about it";
  }
  int Run(const CliOptions& options) override {
    InstallPlatformErrorTexts();
    std::unique_ptr<SettingsStore> store;
    if (options.port) {
      store = std::make_unique<NoSettingsStore>();
    } else {
      auto stored = std::make_unique<JsonSettingsStore>();
      // The window tells this in a box at start-up; the defaults are used here as there.
      if (const std::string problem = stored->LoadProblem(); !problem.empty()) {
        PrintError("vlxctl: " + problem);
      }
      store = std::move(stored);
    }
    InfoCommand info(options, *store);
    QTimer::singleShot(0, &info, [&info] { info.Start(); });
    return QCoreApplication::exec();
  }
};

class HexVerb final : public Verb {
 public:
  std::string Name() const override { return "hex"; }
  std::string Summary() const override {
    return "Read a firmware file as a load would and tell whether it is loadable";
  }
  void AddArguments(CLI::App& subcommand) override {
    subcommand.add_option("FILE", path_, "The Intel HEX firmware file")->required();
    subcommand.footer(
        "Exit codes: 0 the file is loadable, 1 it cannot be read or loaded,\n"
        "2 usage error.\n\n" +
        subcommand.get_footer());
  }
  int Run(const CliOptions&) override { return RunHexCommand(path_); }

 private:
  std::string path_;
};

}  // namespace

std::vector<std::unique_ptr<Verb>> MakeVerbs() {
  std::vector<std::unique_ptr<Verb>> verbs;
  verbs.push_back(std::make_unique<PortsVerb>());
  verbs.push_back(std::make_unique<InfoVerb>());
  verbs.push_back(std::make_unique<HexVerb>());
  return verbs;
}

}  // namespace vlx::cli
