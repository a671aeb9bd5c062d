#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <QJsonArray>
#include <QTimer>
#include <cstdio>

#include "BannerCommand.h"
#include "CommandLine.h"
#include "ConfigCommand.h"
#include "ConfigTransferCommand.h"
#include "ConsoleReporting.h"
#include "ErrorTexts.h"
#include "FaultsCommand.h"
#include "FirmwareCommand.h"
#include "FtpFetchCommand.h"
#include "FtpListCommand.h"
#include "HexCommand.h"
#include "InfoCommand.h"
#include "JsonOutput.h"
#include "MonitorCommand.h"
#include "Output.h"
#include "SendCommand.h"
#include "TerminalWords.h"
#include "Verb.h"
#include "config/BannerRules.h"
#include "firmware/UnfinishedLoad.h"
#include "ftp/CurlFtpClient.h"
#include "model/NoSettingsStore.h"
#include "serial/SerialPortList.h"
#include "settings/JsonSettingsStore.h"

namespace vlx::cli {
namespace {

// Ends the verb's help with its own meaning of exit codes 0, 1 and 2.
void AddExitCodes(CLI::App& subcommand, const std::string& success, const std::string& failure,
                  const std::string& usage = "usage error") {
  const std::string before = subcommand.get_footer();
  subcommand.footer((before.empty() ? "" : before + "\n\n") + "Exit codes: 0 " + success + ", 1 " +
                    failure + ", 2 " + usage + ", 130 stopped by Ctrl+C.\n");
}

// Gives `command` the --json switch and puts the fields of its object above the footer.
void AddJson(CLI::App& command, bool& json, const std::string& fields) {
  command.add_flag("--json", json, "Print the report as JSON for scripts (fields below)");
  command.footer("With --json: " + fields + "\n" + command.get_footer());
}

CliOptions WithJson(const CliOptions& options, bool json) {
  CliOptions withJson = options;
  withJson.json = json;
  return withJson;
}

class PortsVerb final : public Verb {
 public:
  std::string Name() const override { return "ports"; }
  std::string Summary() const override { return "List the serial ports of this computer"; }
  void AddArguments(CLI::App& subcommand) override {
    AddExitCodes(subcommand, "the ports were listed", "the list could not be written");
    AddJson(subcommand, json_, "one object with ports (a list of names).\n");
  }
  int Run(const CliOptions&) override {
    const std::vector<std::string> ports = ListSerialPorts();
    if (json_) {
      QJsonArray names;
      for (const std::string& port : ports) {
        names.append(JsonText(port));
      }
      WriteJson({{"ports", names}});
      return exit_code::kSuccess;
    }
    for (const std::string& port : ports) {
      PrintOutput("%s\n", port.c_str());
    }
    return exit_code::kSuccess;
  }

 private:
  bool json_ = false;
};

// The window's settings (port, firmware folder, retry limit), or their defaults when the file
// cannot be read; the window tells that in a box at start-up and keeps the file aside, vlxctl
// tells it in a line and leaves the file alone.
std::unique_ptr<JsonSettingsStore> WindowSettings() {
  auto stored =
      std::make_unique<JsonSettingsStore>(DefaultSettingsPath(), UnusableFile::kLeftAlone);
  if (const std::string reason = stored->UnusableReason(); !reason.empty()) {
    PrintError(SettingsFileWords(stored->Path().toStdString(), reason));
  }
  return stored;
}

// A port named on the command line leaves the window's settings alone; else its port is used.
std::unique_ptr<SettingsStore> ContactSettings(const CliOptions& options) {
  if (options.port) {
    return std::make_unique<NoSettingsStore>();
  }
  return WindowSettings();
}

class InfoVerb final : public Verb {
 public:
  std::string Name() const override { return "info"; }
  std::string Summary() const override {
    return "Find the VLX750 and print what is known about it";
  }
  void AddArguments(CLI::App& subcommand) override {
    AddExitCodes(subcommand, "a VLX750 answered",
                 "the port could not be used or no VLX750 answered (in time)");
    AddJson(subcommand, json_,
            "one object with port, deviceType and deviceTypeName,\n"
            "deviceState and deviceStateName, revision (\"01.23\"), serialNumber (null when\n"
            "unknown) and lineSpeed (bit/s).\n");
  }
  int Run(const CliOptions& options) override {
    InstallPlatformErrorTexts();
    const std::unique_ptr<SettingsStore> store = ContactSettings(options);
    // Whatever gives the port: the record of a load is the window's setting. Read quietly; a
    // settings file at fault has been told of once already when it gives the port.
    const JsonSettingsStore windowSettings;
    InfoCommand info(WithJson(options, json_), *store, UnfinishedLoadPort(windowSettings));
    QTimer::singleShot(0, &info, [&info] { info.Start(); });
    return QCoreApplication::exec();
  }

 private:
  bool json_ = false;
};

class HexVerb final : public Verb {
 public:
  std::string Name() const override { return "hex"; }
  std::string Summary() const override { return "Tell whether a firmware file is loadable"; }
  void AddArguments(CLI::App& subcommand) override {
    subcommand.add_option("FILE", path_, "The Intel HEX firmware file")->required();
    AddExitCodes(subcommand, "the file is loadable", "it cannot be read or loaded");
    AddJson(subcommand, json_,
            "one object with file, records (data, endOfFile,\n"
            "extendedSegmentAddress, startSegmentAddress, extendedLinearAddress,\n"
            "startLinearAddress), lowAddress, highAddress (exclusive), bytesInImage,\n"
            "bytesOutside, blocksUnwritten, lines, blankLines, textLines, textAfterRecord,\n"
            "warnings (a list), wordSum, checksumWord, nameRevision, loadable (true or\n"
            "false) and errorCode; null where the file did not give it. The error's line\n"
            "stays on stderr.\n");
  }
  int Run(const CliOptions&) override { return RunHexCommand(path_, json_); }

 private:
  std::string path_;
  bool json_ = false;
};

class FirmwareVerb final : public Verb {
 public:
  std::string Name() const override { return "firmware"; }
  std::string Summary() const override { return "Load firmware into the VLX750 (firmware load)"; }
  void AddArguments(CLI::App& subcommand) override {
    CLI::App* load =
        subcommand.add_subcommand("load", "Load firmware into the VLX750 and check its revision");
    load->fallthrough()->footer(
        "Without FILE the newest firmware file of the firmware folder (as VLX Utility\n"
        "has it) is loaded. The file is read and checked as 'vlxctl hex' checks it\n"
        "before the port is opened. On a terminal vlxctl then shows the file, its\n"
        "revision and the amplifier's, and asks before loading (saying so when the\n"
        "revision is the same or older); elsewhere --yes is needed. Progress goes to\n"
        "stderr: one line redrawn on a terminal, a line per 10 % otherwise.\n"
        "\n"
        "Ctrl+C before the transfer begins stops the load; the amplifier stays as it\n"
        "was, or waits in its loader for the next load. While the transfer runs a first\n"
        "Ctrl+C only says what stopping would cost; a second one (or SIGTERM) abandons\n"
        "the transfer, and the amplifier then needs a power cycle and a new load. Once\n"
        "every packet is in, Ctrl+C stops after the amplifier's reset, leaving out only\n"
        "the check of its revision.\n"
        "\n"
        "Exit codes: 0 the firmware was loaded and the amplifier runs its revision,\n"
        "1 the file cannot be loaded or the load failed, 2 usage error or no\n"
        "confirmation, 130 stopped by Ctrl+C or SIGTERM.\n");
    load->add_option("FILE", file_, "The firmware file, named VLX750fp with the revision's digits");
    load->add_option("--retry-limit", retryLimit_,
                     "Time-outs one packet may have before the load fails (5 to 25;\n"
                     "default: the FirmwareLoadRetryLimit setting, 10)")
        ->type_name("N")
        ->check(WholeNumber(5, 25, "time-outs", "N"));
    load->add_flag("--yes", yes_, "Load without asking first");
    subcommand.require_subcommand(1);
    load_ = load;
  }
  int Run(const CliOptions& options) override {
    InstallPlatformErrorTexts();
    FirmwareLoadOptions load;
    if (!file_.empty()) {
      load.file = file_;
    }
    if (load_->count("--retry-limit") > 0) {
      load.retryLimit = retryLimit_;
    }
    load.yes = yes_;
    const std::unique_ptr<JsonSettingsStore> store = WindowSettings();
    FirmwareCommand command(options, *store, load);
    QTimer::singleShot(0, &command, [&command] { command.Start(); });
    return QCoreApplication::exec();
  }

 private:
  CLI::App* load_ = nullptr;
  std::string file_;
  std::uint32_t retryLimit_ = 0;
  bool yes_ = false;
};

class ConfigVerb final : public Verb {
 public:
  std::string Name() const override { return "config"; }
  std::string Summary() const override {
    return "Save, restore or show a VLX750 configuration file";
  }
  void AddArguments(CLI::App& subcommand) override {
    show_ = subcommand.add_subcommand("show", "Check a configuration file and show what it holds");
    show_->add_option("FILE", file_, "The configuration file (.VLXConfig)")->required();
    show_->footer(
        "Prints the file's header lines, the seal's verdict, the bytes a restore would write\n"
        "(bank 0, by address) and the power-on banner among them. No port is used.\n"
        "\n"
        "Exit codes: 0 the file is sealed and complete, 2 usage error, or a file a restore\n"
        "would refuse (unreadable, incomplete or altered).\n");
    AddJson(*show_, json_,
            "one object with file, header (its lines), seal (\"good\",\n"
            "\"missing\" or \"bad\"), bytesToRestore, bytes (256 values by address, null\n"
            "where the file has none) and banner; null where the file did not give it.\n");

    save_ = subcommand.add_subcommand("save", "Save the VLX750's configuration to a sealed file");
    save_->fallthrough();
    save_
        ->add_option("FILE", transfer_.file,
                     "The file to write, or a folder to write SN#####.<time>.VLXConfig into")
        ->required();
    save_->add_flag("--force", transfer_.force, "Replace an existing file");
    save_->footer(
        "Progress goes to stderr on a terminal; stdout gets \"saved PATH\" once the file is\n"
        "written. Ctrl+C stops the reading; no file is written.\n"
        "\n"
        "Exit codes: 0 saved, 1 the save failed, 2 usage error or an existing file without\n"
        "--force, 130 stopped by Ctrl+C.\n");

    restore_ =
        subcommand.add_subcommand("restore", "Write a saved configuration back into the VLX750");
    restore_->fallthrough();
    restore_->add_option("FILE", transfer_.file, "The configuration file (.VLXConfig)")->required();
    restore_->add_flag("--yes", transfer_.yes, "Restore without asking first");
    restore_->add_flag("--other-serial", transfer_.otherSerial,
                       "Write a file saved from another VLX750 (--yes does not cover this)");
    restore_->footer(
        "The file is checked before the port is opened. On a terminal vlxctl shows the file,\n"
        "its serial number and save time and asks before writing; elsewhere --yes is needed.\n"
        "A file of another unit is written only with --other-serial, or when the question on\n"
        "a terminal is answered yes. Ctrl+C stops the restore while blocks remain to be\n"
        "written; once all are written the reload and the line speed are seen to the end.\n"
        "The amplifier and the port are left at the line speed vlxctl found.\n"
        "\n"
        "Exit codes: 0 restored, 1 the restore failed with nothing or everything written,\n"
        "2 usage error, a file a restore refuses, or no confirmation, 3 the restore stopped\n"
        "with part of the configuration written: restore again before switching off, 130\n"
        "stopped by Ctrl+C or SIGTERM.\n");
    subcommand.require_subcommand(1);
  }
  int Run(const CliOptions& options) override {
    if (show_->parsed()) {
      return RunConfigShow(file_, json_);
    }
    InstallPlatformErrorTexts();
    const std::unique_ptr<SettingsStore> store = ContactSettings(options);
    std::unique_ptr<ConfigTransferCommand> command;
    if (save_->parsed()) {
      command = std::make_unique<ConfigSaveCommand>(options, *store, transfer_);
    } else {
      command = std::make_unique<ConfigRestoreCommand>(options, *store, transfer_);
    }
    ConfigTransferCommand* running = command.get();
    QTimer::singleShot(0, running, [running] { running->Start(); });
    return QCoreApplication::exec();
  }

 private:
  CLI::App* show_ = nullptr;
  CLI::App* save_ = nullptr;
  CLI::App* restore_ = nullptr;
  std::string file_;
  bool json_ = false;
  ConfigTransferOptions transfer_;
};

class BannerVerb final : public Verb {
 public:
  std::string Name() const override { return "banner"; }
  std::string Summary() const override {
    return "Print the VLX750's power-on banner, or write a new one";
  }
  void AddArguments(CLI::App& subcommand) override {
    text_ = subcommand.add_option(
        "TEXT", textValue_,
        "The new banner: up to 8 printable ASCII characters; lower case is written as upper\n"
        "case, and \"\" empties the banner");
    subcommand.footer(
        "Without TEXT the banner is printed, bytes outside 0x20 to 0x7E as \\xHH. With TEXT it\n"
        "is written only when the VLX750 holds another banner, then read back and compared;\n"
        "the banner read is printed. A TEXT the banner cannot hold is a usage error, and\n"
        "nothing is sent.");
    AddExitCodes(subcommand, "the banner was read (and written, or held\nalready)",
                 "the port could not be used, no VLX750 answered, or the banner\ncould not be "
                 "read or written");
  }
  int Run(const CliOptions& options) override {
    std::optional<std::string> text;
    if (text_->count() > 0) {
      // Refused before the port is touched: nothing is sent for a text the banner cannot hold.
      if (const std::string problem = BannerTextProblem(textValue_); !problem.empty()) {
        PrintError(problem);
        return exit_code::kUsage;
      }
      text = AcceptBannerText(textValue_);
    }
    InstallPlatformErrorTexts();
    const std::unique_ptr<SettingsStore> store = ContactSettings(options);
    BannerCommand command(options, *store, text);
    QTimer::singleShot(0, &command, [&command] { command.Start(); });
    return QCoreApplication::exec();
  }

 private:
  CLI::Option* text_ = nullptr;
  std::string textValue_;
};

class FaultsVerb final : public Verb {
 public:
  std::string Name() const override { return "faults"; }
  std::string Summary() const override { return "Print the VLX750's fault history, newest first"; }
  void AddArguments(CLI::App& subcommand) override {
    subcommand
        .add_option("--save", save_,
                    "Also write the fault-table file (.VLXFaultTable) there; a folder\n"
                    "gets the name VLX Utility proposes (SN, serial number, date, time)")
        ->type_name("FILE");
    subcommand.add_flag("--force", force_, "Replace an existing file");
    AddExitCodes(subcommand, "the history was read (and saved)",
                 "the amplifier was not found, did not answer, or the file could\nnot be written",
                 "usage error, or a file that exists without --force");
    AddJson(subcommand, json_,
            "one object with faults (newest first, each with index,\n"
            "timeStamp, fault, band, data and description) and saved (the file written,\n"
            "or null). Without --json stdout gets the table, then \"saved PATH\".\n");
  }
  int Run(const CliOptions& options) override {
    InstallPlatformErrorTexts();
    const std::unique_ptr<SettingsStore> store = ContactSettings(options);
    FaultsOptions faults;
    if (!save_.empty()) {
      faults.save = save_;
    }
    faults.force = force_;
    FaultsCommand command(WithJson(options, json_), *store, faults);
    QTimer::singleShot(0, &command, [&command] { command.Start(); });
    return QCoreApplication::exec();
  }

 private:
  std::string save_;
  bool force_ = false;
  bool json_ = false;
};

class SendVerb final : public Verb {
 public:
  std::string Name() const override { return "send"; }
  std::string Summary() const override {
    return "Send a command to the VLX750 and print its reply";
  }
  void AddArguments(CLI::App& subcommand) override {
    subcommand.add_option("TEXT", text_, "What to send, as it is: no \";\" is added")->required();
    subcommand
        .add_option("--wait", waitMs_,
                    "The reply is whole once nothing has come for this long (default 500)")
        ->type_name("MS")
        ->check(WholeNumber(1, 600000, "milliseconds", "MS"));
    subcommand.footer(
        "The reply is printed as it came, carriage returns left out, followed by a line break.\n"
        "\n"
        "Exit codes: 0 a reply came, 1 the port could not be used or no VLX750 answered\n"
        "(in time), 2 usage error, 3 the text was sent but nothing came back, 130 stopped\n"
        "by Ctrl+C or SIGTERM while waiting (what came so far is printed).\n");
  }
  int Run(const CliOptions& options) override {
    if (text_.empty()) {
      PrintError("vlxctl: there is nothing to send");
      return exit_code::kUsage;
    }
    InstallPlatformErrorTexts();
    const std::unique_ptr<SettingsStore> store = ContactSettings(options);
    SendCommand command(options, *store, text_, waitMs_);
    QTimer::singleShot(0, &command, [&command] { command.Start(); });
    return QCoreApplication::exec();
  }

 private:
  std::string text_;
  std::uint32_t waitMs_ = 500;
};

class MonitorVerb final : public Verb {
 public:
  std::string Name() const override { return "monitor"; }
  std::string Summary() const override {
    return "Poll the VLX750's readings and print a line for each";
  }
  void AddArguments(CLI::App& subcommand) override {
    interval_ = subcommand
                    .add_option("--interval", intervalMs_,
                                "Poll every MS milliseconds (100 to 30000; default: the\n"
                                "OperatePollInterval setting, 1000)")
                    ->type_name("MS")
                    ->check(WholeNumber(100, 30000, "milliseconds", "MS"));
    subcommand
        .add_option("--csv", csv_,
                    "Also keep the telemetry log there, as VLX Utility writes it\n"
                    "(an existing file is replaced)")
        ->type_name("FILE");
    count_ = subcommand.add_option("--count", countValue_, "End after N lines of readings")
                 ->type_name("N")
                 ->check(WholeNumber(1, UINT32_MAX, "lines", "N"));
    subcommand.add_flag("--no-header", noHeader_, "Leave out the header line");
    subcommand.add_flag("--json", json_, "Print each reading as a JSON object (fields below)");
    subcommand.footer(
        "Once the VLX750 answers, vlxctl prints the header, then one line per poll run that\n"
        "ended without error, fields separated by a blank:\n"
        "  time      local time with milliseconds and UTC offset\n"
        "            (2026-12-10T19:55:47.123+01:00)\n"
        "  band_mhz  the band (1.8 to 50)\n"
        "  mode      OPER, STBY or OFF (switched off, in its loader)\n"
        "  fault     the fault code as the Operate page shows it: two hexadecimal\n"
        "            digits; 00 no fault, FF the amplifier's other \"no fault\"\n"
        "  power_w swr temp_c pa_v pa_a\n"
        "            output power, SWR, temperature, PA voltage and current\n"
        "A field the run did not read is \"-\". Status lines and failed runs go to stderr. A lost\n"
        "amplifier is searched for again and a pulled adapter waited for; polling resumes when\n"
        "it is back.\n"
        "\n"
        "With --json: no header, one object per line with time, bandMhz, mode, fault (the\n"
        "code as above, \"00\" no fault), faultText (its name, null for no fault), powerW,\n"
        "swr, temperatureC, paV and paA: numbers, null where the run did not read them.\n"
        "\n"
        "Exit codes: 0 after N lines, on Ctrl+C or SIGTERM (the log closed whole), or when\n"
        "the reader of the lines went away (vlxctl monitor | head), 1 the port could not be\n"
        "used, no VLX750 answered within --timeout, or the log or the lines could not be\n"
        "written, 2 usage error.\n");
  }
  int Run(const CliOptions& options) override {
    InstallPlatformErrorTexts();
    // The stored poll interval is the window's, whichever port is used.
    const std::unique_ptr<JsonSettingsStore> store = WindowSettings();
    MonitorOptions monitor;
    if (interval_->count() > 0) {
      monitor.intervalMs = intervalMs_;
    }
    if (!csv_.empty()) {
      monitor.csv = csv_;
    }
    if (count_->count() > 0) {
      monitor.count = countValue_;
    }
    monitor.header = !noHeader_;
    MonitorCommand command(WithJson(options, json_), *store, monitor);
    QTimer::singleShot(0, &command, [&command] { command.Start(); });
    return QCoreApplication::exec();
  }

 private:
  CLI::Option* interval_ = nullptr;
  CLI::Option* count_ = nullptr;
  std::uint32_t intervalMs_ = 0;
  std::string csv_;
  std::uint64_t countValue_ = 0;
  bool noHeader_ = false;
  bool json_ = false;
};

class FtpVerb final : public Verb {
 public:
  std::string Name() const override { return "ftp"; }
  std::string Summary() const override { return "List or copy the firmware on the FTP server"; }
  void AddArguments(CLI::App& subcommand) override {
    CLI::App* list = subcommand.add_subcommand(
        "list", "List the server's firmware folder and what a copy takes");
    list->fallthrough()->footer(
        "Connects anonymously to the server (--ftp-server, else the one set in VLX Utility),\n"
        "lists VLX/firmware and prints a line per entry: file or folder, size in bytes (\"-\"\n"
        "when the server gave none) and name, control characters shown as \\xHH. Then the\n"
        "firmware file and the release notes a copy would take. A name that is not a plain\n"
        "file name is marked and never taken.\n"
        "\n"
        "Exit codes: 0 listed, 1 the server could not be reached or listed (the error is\n"
        "printed), 2 usage error.\n");
    AddJson(*list, json_,
            "one object with entries (each with name, folder, size and\n"
            "plain), firmware (name and revision, or null) and releaseNotes (a name or null).\n");

    CLI::App* fetch =
        subcommand.add_subcommand("fetch", "Copy newer firmware and release notes into the folder");
    fetch->fallthrough()->footer(
        "Does what VLX Utility's \"Copy New Files from Velqorin\" does: connects anonymously to\n"
        "the server (--ftp-server, else the one set in VLX Utility) and copies a firmware file\n"
        "newer than the folder's, and the release notes. Each file is fetched under a temporary\n"
        "name and takes its real name only once it is complete and checked. The run's lines go\n"
        "to stderr (--trace adds its trace lines); stdout gets \"copied PATH\" for each file\n"
        "copied, or \"nothing new\". Ctrl+C cancels the run: the file being fetched is dropped\n"
        "and the folder keeps what it held.\n"
        "\n"
        "Exit codes: 0 copied (or nothing new), 1 the copy failed (the error is printed),\n"
        "2 usage error, 130 stopped by Ctrl+C or SIGTERM.\n");
    fetch
        ->add_option("--folder", folder_,
                     "Copy into DIR (default: the firmware folder set in VLX Utility)")
        ->type_name("DIR");
    subcommand.require_subcommand(1);
    fetch_ = fetch;
  }
  int Run(const CliOptions& options) override {
    InstallPlatformErrorTexts();
    const std::unique_ptr<JsonSettingsStore> store = WindowSettings();
    if (fetch_->parsed()) {
      std::optional<std::string> folder;
      if (fetch_->count("--folder") > 0) {
        folder = folder_;
      }
      FtpFetchCommand command(options, *store, folder, std::make_unique<CurlFtpClient>());
      QTimer::singleShot(0, &command, [&command] { command.Start(); });
      return QCoreApplication::exec();
    }
    FtpListCommand command(WithJson(options, json_), *store, std::make_unique<CurlFtpClient>());
    QTimer::singleShot(0, &command, [&command] { command.Start(); });
    return QCoreApplication::exec();
  }

 private:
  CLI::App* fetch_ = nullptr;
  std::string folder_;
  bool json_ = false;
};

}  // namespace

std::vector<std::unique_ptr<Verb>> MakeVerbs() {
  std::vector<std::unique_ptr<Verb>> verbs;
  verbs.push_back(std::make_unique<PortsVerb>());
  verbs.push_back(std::make_unique<InfoVerb>());
  verbs.push_back(std::make_unique<HexVerb>());
  verbs.push_back(std::make_unique<FirmwareVerb>());
  verbs.push_back(std::make_unique<ConfigVerb>());
  verbs.push_back(std::make_unique<BannerVerb>());
  verbs.push_back(std::make_unique<FaultsVerb>());
  verbs.push_back(std::make_unique<MonitorVerb>());
  verbs.push_back(std::make_unique<SendVerb>());
  verbs.push_back(std::make_unique<FtpVerb>());
  return verbs;
}

}  // namespace vlx::cli
