#pragma once
// `vlxctl config save FILE` and `vlxctl config restore FILE`, on the dialogs' flows.
// A restore checks its file and asks before anything is sent; Ctrl+C stops a run only while blocks
// remain to be written.

#include <memory>
#include <string>

#include "ContactSession.h"
#include "SignalWatcher.h"
#include "config/ConfigurationFlows.h"
#include "settings/SystemFileStore.h"

namespace vlx::cli {

struct ConfigTransferOptions {
  std::string file;
  bool force = false;        // save: replace an existing file
  bool yes = false;          // restore: no confirmation asked
  bool otherSerial = false;  // restore: a file of another unit may be written
};

// What the exit code says after a restore: 3 when the run stopped with part of the file written.
constexpr int kExitPartlyWritten = 3;

class ConfigTransferCommand : public ContactSession, protected ConfigurationFlowHost {
 public:
  ConfigTransferCommand(const CliOptions& options, SettingsStore& store,
                        ConfigTransferOptions transfer);
  ~ConfigTransferCommand() override;

 protected:
  void ShowProgress(std::uint32_t position, std::uint32_t range) override;
  void ShowBusy(bool) override {}
  ConfigurationFlowHost& Host() { return *this; }
  bool RemembersFolder() const override { return false; }
  bool TestsCommunicationsAfterSilentReload() const override { return false; }
  // Ends vlxctl once the engine dispatch that ended the flow has returned (and its boxes are
  // printed).
  void FinishLater(int exitCode);
  // From here on Ctrl+C and SIGTERM reach OnSignal instead of ending vlxctl; not earlier, so
  // that they still end a question waiting on the terminal.
  void WatchSignals();
  virtual void OnSignal() = 0;

  ConfigTransferOptions transfer_;
  SystemFileStore files_;
  std::unique_ptr<SignalWatcher> signals_;
  bool terminal_;  // progress is drawn: stderr is a terminal and --quiet was not given
  const char* progressVerb_ = "";
};

class ConfigSaveCommand final : public ConfigTransferCommand {
 public:
  using ConfigTransferCommand::ConfigTransferCommand;
  ~ConfigSaveCommand() override;

  // Refuses an existing file without --force before the port is opened.
  void Start() override;

 private:
  void OnAmplifierFound() override;
  std::string OperatingFirmwareTask() const override { return "its configuration can be saved"; }
  void OfferClose() override;
  void Close(bool done) override;
  void OnSignal() override;
  // The file to write: FILE, or the usual name inside FILE when it is a folder.
  std::string TargetPath() const;

  std::unique_ptr<ConfigurationSaveFlow> flow_;
};

class ConfigRestoreCommand final : public ConfigTransferCommand {
 public:
  using ConfigTransferCommand::ConfigTransferCommand;
  ~ConfigRestoreCommand() override;

  // Checks the file and asks for confirmation before the port is opened.
  void Start() override;

 private:
  void OnAmplifierFound() override;
  std::string OperatingFirmwareTask() const override { return "its configuration can be restored"; }
  void OfferClose() override;
  void Close(bool done) override;
  void OnSignal() override;
  void ShowRestoring(const std::string& path, const ConfigurationFileFacts& facts) override;
  bool TellRestoreFailure(ErrorCode code, const RestoreOutcome& outcome) override;
  bool AllowOtherUnit(const ConfigurationFileCheck& check);
  int ExitCode(bool done) const;

  std::unique_ptr<ConfigurationRestoreFlow> flow_;
  bool refusedOtherUnit_ = false;
};

}  // namespace vlx::cli
