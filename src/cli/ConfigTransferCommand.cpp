#include "ConfigTransferCommand.h"

#include <unistd.h>

#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "BuildInfo.h"
#include "Confirmation.h"
#include "LoadProgress.h"
#include "Output.h"
#include "SavedFileTarget.h"
#include "TerminalWords.h"
#include "model/AppSettings.h"
#include "model/DataFolders.h"
#include "report/ConfigTextIds.h"
#include "report/ErrorCode.h"
#include "report/PrintableName.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"

namespace vlx::cli {
namespace {

std::string Describe(const std::string& path, const ConfigurationFileFacts& facts) {
  return FormatText("File:          %s\nSerial number: %s\nSaved:         %s",
                    {PrintableName(path), facts.serialNumber, facts.savedOn});
}

}  // namespace

// ConfigTransferCommand

ConfigTransferCommand::ConfigTransferCommand(const CliOptions& options, SettingsStore& store,
                                             ConfigTransferOptions transfer)
    : ContactSession(options, store),
      transfer_(std::move(transfer)),
      terminal_(ProgressStyleOfStderr(options.quiet) == ProgressStyle::kTerminalLine) {}

ConfigTransferCommand::~ConfigTransferCommand() = default;

void ConfigTransferCommand::ShowProgress(std::uint32_t position, std::uint32_t range) {
  if (terminal_ && range != 0) {
    ShowProgressLine(
        FormatText("%s configuration: %u of %u bytes", {progressVerb_, position, range}));
  }
}

void ConfigTransferCommand::WatchSignals() {
  signals_ = std::make_unique<SignalWatcher>([this](int) { OnSignal(); });
}

void ConfigTransferCommand::FinishLater(int exitCode) {
  if (terminal_) {
    ShowProgressLine({});
  }
  QTimer::singleShot(0, this, [this, exitCode] { Finish(exitCode); });
}

// ConfigSaveCommand

ConfigSaveCommand::~ConfigSaveCommand() {
  if (flow_) {
    flow_->Release();
  }
}

std::string ConfigSaveCommand::TargetPath() const {
  if (std::filesystem::is_directory(transfer_.file)) {
    return JoinPath(transfer_.file, flow_->ProposedName());
  }
  return transfer_.file;
}

void ConfigSaveCommand::Start() {
  progressVerb_ = "Saving";
  if (const std::optional<std::string> refusal =
          RefusalToSaveInto(transfer_.file, transfer_.force)) {
    PrintError(*refusal);
    Finish(exit_code::kUsage);
    return;
  }
  WatchSignals();
  ContactSession::Start();
}

void ConfigSaveCommand::OnAmplifierFound() {
  if (Finished()) {
    return;
  }
  flow_ =
      std::make_unique<ConfigurationSaveFlow>(App(), files_, Host(), build::ProgramRevisionText());
  const std::string path = TargetPath();
  if (path != transfer_.file) {
    if (const std::optional<std::string> refusal = RefusalToSave(path, transfer_.force)) {
      PrintError(*refusal);
      Finish(exit_code::kUsage);
      return;
    }
  }
  if (!flow_->OpenWith(path)) {
    Finish(exit_code::kFailure);
  }
}

void ConfigSaveCommand::OnSignal() {
  if (flow_ == nullptr || flow_->Ended()) {
    Finish(exit_code::kInterrupted);
    return;
  }
  flow_->Cancel();
}

void ConfigSaveCommand::OfferClose() {
  FinishLater(exit_code::kFailure);
}

void ConfigSaveCommand::Close(bool done) {
  if (done) {
    // What the run created goes to stdout, for a script to take.
    WriteOutput("saved " + TargetPath() + "\n");
  }
  FinishLater(done ? exit_code::kSuccess : exit_code::kInterrupted);
}

// ConfigRestoreCommand

ConfigRestoreCommand::~ConfigRestoreCommand() {
  if (flow_) {
    flow_->Release();
  }
}

void ConfigRestoreCommand::Start() {
  progressVerb_ = "Restoring";
  // The file is checked before the port is opened: a file a restore would refuse costs nothing.
  RestorableBytes bytes;
  const ConfigurationFileCheck check =
      ReadConfigurationFile(files_, Status(), App().Boxes(), transfer_.file, 0xFFFF, bytes);
  if (check.code != err::kSuccess) {
    Finish(exit_code::kUsage);
    return;
  }
  if (bytes.Count() == 0) {
    PrintError("vlxctl: " + std::string(LoadString(ids::kNoConfigurationBytes)));
    Finish(exit_code::kUsage);
    return;
  }
  if (!ConfirmationPossible(transfer_.yes, "a restore overwrites the VLX750's configuration",
                            "restore") ||
      !Confirmed(
          transfer_.yes,
          Describe(transfer_.file, FactsOf(check)) + "\nWrite this configuration into the VLX750?",
          "vlxctl: nothing was restored")) {
    Finish(exit_code::kUsage);
    return;
  }
  WatchSignals();
  ContactSession::Start();
}

void ConfigRestoreCommand::OnAmplifierFound() {
  if (Finished()) {
    return;
  }
  flow_ = std::make_unique<ConfigurationRestoreFlow>(
      App(), files_, Host(),
      [this](const ConfigurationFileCheck& check) { return AllowOtherUnit(check); });
  flow_->OpenWith(transfer_.file);
}

bool ConfigRestoreCommand::AllowOtherUnit(const ConfigurationFileCheck& check) {
  if (transfer_.otherSerial) {
    return true;
  }
  const std::string thisUnit = FormatText("%05u", {App().serialNumber.Get()});
  if (CanAsk()) {
    const bool yes = Ask(std::string(LoadString(ids::kSerialNumberMismatch)) +
                         "\nFile: " + FactsOf(check).serialNumber + ", this VLX750: " + thisUnit +
                         ". Write it all the same?");
    refusedOtherUnit_ = !yes;
    return yes;
  }
  PrintError(std::string(LoadString(ids::kSerialNumberMismatchStop)) +
             "\n(give --other-serial to write another unit's configuration)");
  refusedOtherUnit_ = true;
  return false;
}

// Without --yes the question has shown the file already; with it, this is the one record of what
// a scripted restore wrote.
void ConfigRestoreCommand::ShowRestoring(const std::string& path,
                                         const ConfigurationFileFacts& facts) {
  if (transfer_.yes) {
    PrintError(Describe(path, facts));
  }
}

// The window's text sends the user to its Test Communications button.
bool ConfigRestoreCommand::TellRestoreFailure(ErrorCode code, const RestoreOutcome& outcome) {
  if (code != err::kNoResponseAfterReset) {
    return false;
  }
  PrintError(SilentAfterReloadWords(outcome.totalBytes));
  return true;
}

void ConfigRestoreCommand::OnSignal() {
  if (flow_ == nullptr || flow_->Ended()) {
    Finish(exit_code::kInterrupted);
    return;
  }
  if (!flow_->Interrupt()) {
    PrintError(
        "vlxctl: the configuration is written; the reload and the return to the line speed "
        "finish first");
  }
}

int ConfigRestoreCommand::ExitCode(bool done) const {
  if (done) {
    return exit_code::kSuccess;
  }
  if (flow_->PartlyWritten()) {
    return kExitPartlyWritten;
  }
  const ErrorCode code = flow_->Result();
  if (refusedOtherUnit_ || code == err::kIncompleteConfigurationFile ||
      code == err::kCorruptConfigurationFile) {
    return exit_code::kUsage;
  }
  return exit_code::kFailure;
}

// Every end of a run offers "Close", a good one too.
void ConfigRestoreCommand::OfferClose() {
  FinishLater(ExitCode(flow_->Result() == err::kSuccess));
}

void ConfigRestoreCommand::Close(bool done) {
  FinishLater(ExitCode(done));
}

}  // namespace vlx::cli
