#include "config/ConfigurationFlows.h"

#include <memory>

#include "link/EstablishContactMachine.h"
#include "model/AppSettings.h"
#include "model/DataFolders.h"
#include "model/FileChoice.h"
#include "report/ConfigTextIds.h"
#include "report/ErrorText.h"
#include "report/FailureReport.h"
#include "report/ReportTextIds.h"
#include "report/StringTable.h"

namespace vlx {
namespace {

constexpr std::string_view kConfigurationExtension = "VLXConfig";

FileQuestion ConfigurationFileQuestion(AppSettings& app, std::string proposedName) {
  return FileQuestion{app.configurationFolder, kConfigurationLeaf, std::move(proposedName),
                      FileFilter(ids::kConfigFileFilter, kConfigurationExtension),
                      std::string(kConfigurationExtension)};
}

// The folder of a file saved or read well is where the next file box opens.
void RememberFolderOf(AppSettings& app, const ConfigurationFlowHost& host,
                      const std::string& path) {
  if (!host.RemembersFolder()) {
    return;
  }
  app.configurationFolder.Set(FolderOf(path));
  app.configurationFolder.Notify(0);
  app.configurationFolder.Save(app.Store());
}

}  // namespace

// ConfigurationFlow

template <typename M>
void ConfigurationFlow<M>::Install() {
  machine_ = app_.InstallTransientMachine(std::make_unique<M>(app_),
                                          [this](ErrorCode code, M&) { TakeEnd(code); });
  listening_ = true;
  app_.progressRange.SubscribeAndSend(*this);
  app_.progressPosition.SubscribeAndSend(*this);
}

template <typename M>
void ConfigurationFlow<M>::Release() {
  if (listening_) {
    listening_ = false;
    app_.progressRange.Unsubscribe(*this);
    app_.progressPosition.Unsubscribe(*this);
  }
  machine_.Release();
}

template <typename M>
void ConfigurationFlow<M>::Started() {
  // A run that failed its first write has ended already.
  if (ended_) {
    return;
  }
  busy_ = true;
  host_.ShowBusy(true);
}

template <typename M>
void ConfigurationFlow<M>::TakeEnd(ErrorCode code) {
  if (busy_) {
    busy_ = false;
    host_.ShowBusy(false);
  }
  result_ = code;
  ended_ = true;
  OnRunEnded(code);
}

template <typename M>
void ConfigurationFlow<M>::OnMessage(MessageId id, MessageParam) {
  if (id == kMsgProgressRange || id == kMsgProgressPosition) {
    host_.ShowProgress(app_.progressPosition.Get(), app_.progressRange.Get());
    OnProgress();
  }
}

template <typename M>
void ConfigurationFlow<M>::End(ErrorCode code, bool done) {
  result_ = code;
  ended_ = true;
  host_.Close(done);
}

template <typename M>
void ConfigurationFlow<M>::Open() {
  Install();
  const std::optional<std::string> path = AskFile();
  if (!path) {
    End(err::kCancelled, false);
    return;
  }
  StartWith(*path);
}

template <typename M>
bool ConfigurationFlow<M>::OpenWith(const std::string& path) {
  Install();
  return StartWith(path);
}

template class ConfigurationFlow<ConfigurationSaveMachine>;
template class ConfigurationFlow<ConfigurationRestoreMachine>;

// ConfigurationSaveFlow

ConfigurationSaveFlow::ConfigurationSaveFlow(AppSettings& app, FileStore& files,
                                             ConfigurationFlowHost& host,
                                             std::string programRevision)
    : ConfigurationFlow(app, files, host) {
  header_.saveTime = app.Time().Now();
  header_.programRevision = std::move(programRevision);
  app.progressPosition.Set(0);
  app.progressPosition.Notify();
}

std::string ConfigurationSaveFlow::ProposedName() const {
  return ConfigurationFileName(app_.serialNumber.Get(), header_.saveTime);
}

std::optional<std::string> ConfigurationSaveFlow::AskFile() {
  return AskFileToSave(app_.Boxes(), app_, ConfigurationFileQuestion(app_, ProposedName()));
}

bool ConfigurationSaveFlow::StartWith(const std::string& path) {
  path_ = path;
  ConfigurationSaveMachine* machine = machine_.get();
  if (machine == nullptr || !machine->StartSave()) {
    return false;
  }
  Started();
  return true;
}

void ConfigurationSaveFlow::Cancel() {
  if (ended_) {
    // "Close" after a failure: the failure's line stays; nothing was cancelled.
    host_.Close(false);
    return;
  }
  app_.Status().StatusText(std::string(LoadString(ids::kSaveCancelled)));
  ConfigurationSaveMachine* machine = machine_.get();
  if (machine == nullptr || !machine->Cancel()) {
    End(err::kCancelled, false);
  }
}

void ConfigurationSaveFlow::OnRunEnded(ErrorCode code) {
  if (code == err::kSuccess) {
    // The revision and serial number are those of the amplifier just read.
    header_.firmwareRevision = app_.revision.Get();
    header_.serialNumber = app_.serialNumber.Get();
    code = WriteConfigurationFile(files_, app_.Status(), app_.Boxes(), path_, header_,
                                  *machine_.get());
    result_ = code;
  }
  StatusSink& status = app_.Status();
  if (code == err::kCancelled) {
    status.StatusText(std::string(LoadString(ids::kSaveCancelled)));
    host_.Close(false);
  } else if (code != err::kSuccess) {
    status.StatusText(std::string(LoadString(ids::kSaveFailed)));
    ShowErrorBox(app_.Boxes(), code, ids::kSaveErrorCaption);
    host_.OfferClose();
  } else {
    RememberFolderOf(app_, host_, path_);
    status.StatusText(std::string(LoadString(ids::kConfigurationSaved)));
    host_.Close(true);
  }
}

// ConfigurationRestoreFlow

ConfigurationRestoreFlow::ConfigurationRestoreFlow(AppSettings& app, FileStore& files,
                                                   ConfigurationFlowHost& host,
                                                   OtherUnitQuestion otherUnit)
    : ConfigurationFlow(app, files, host), otherUnit_(std::move(otherUnit)) {}

std::optional<std::string> ConfigurationRestoreFlow::AskFile() {
  return AskFileToOpen(app_.Boxes(), app_, ConfigurationFileQuestion(app_, {}));
}

bool ConfigurationRestoreFlow::StartWith(const std::string& path) {
  path_ = path;
  ConfigurationRestoreMachine* machine = machine_.get();
  if (machine == nullptr || !machine->IsIdle()) {
    End(err::kCancelled, false);
    return false;
  }
  const ConfigurationFileCheck check = ReadConfigurationFile(
      files_, app_.Status(), app_.Boxes(), path, app_.serialNumber.Get(), *machine);
  if (check.code != err::kSuccess) {
    End(check.code, false);  // the reader has told why
    return false;
  }
  RememberFolderOf(app_, host_, path);
  // A sealed file may hold nothing this unit takes; "restored" would then tell of nothing done.
  if (!machine->HasBytes()) {
    ReportFailure(app_.Status(), app_.Boxes(), ids::kRestoreErrorCaption,
                  ids::kNoConfigurationBytes, {});
    End(err::kIncompleteConfigurationFile, false);
    return false;
  }
  host_.ShowRestoring(path, FactsOf(check));
  // Another unit's settings are never written unasked.
  if (check.serialNumberDiffers && !otherUnit_(check)) {
    app_.Status().StatusText(std::string(LoadString(ids::kRestoreCancelled)));
    End(err::kCancelled, false);
    return false;
  }
  outcome_ = machine->Outcome();
  // Set first: a run whose first write fails has ended before StartRestore returns.
  started_ = true;
  if (!machine->StartRestore()) {
    started_ = false;
    End(err::kCancelled, false);
    return false;
  }
  Started();
  OnProgress();
  return true;
}

void ConfigurationRestoreFlow::OnProgress() {
  const ConfigurationRestoreMachine* machine = machine_.get();
  // The last block's acknowledgement is the last progress the run tells; from it on the run goes
  // to its end.
  const bool allowed = machine != nullptr && machine->CanBeCancelled() &&
                       app_.progressPosition.Get() < app_.progressRange.Get();
  if (allowed != cancelAllowed_) {
    cancelAllowed_ = allowed;
    host_.AllowCancel(allowed);
  }
}

void ConfigurationRestoreFlow::RequestClose() {
  ConfigurationRestoreMachine* machine = machine_.get();
  if (machine == nullptr || machine->IsIdle()) {
    host_.Close(result_ == err::kSuccess);
    return;
  }
  if (!machine->CanBeCancelled()) {
    return;  // the configuration is written: the reload and the rate are seen to the end
  }
  const int answer = ShowMessageBox(app_.Boxes(), ids::kConfirmInterruptRestore,
                                    ids::kCriticalOperationCaption, mb::kYesNo | mb::kIconWarning);
  if (answer == mb::kIdYes) {
    // The run may have gone on while the question was open; the box of
    // ids::kRestoreCancelledRestoreAgain comes when the run has stopped.
    Interrupt();
  }
}

bool ConfigurationRestoreFlow::Interrupt() {
  ConfigurationRestoreMachine* machine = machine_.get();
  return machine != nullptr && machine->Cancel();
}

bool ConfigurationRestoreFlow::PartlyWritten() const {
  return started_ && ended_ && result_ != err::kSuccess && outcome_.bytesWritten != 0 &&
         !outcome_.AllWritten();
}

void ConfigurationRestoreFlow::OnRunEnded(ErrorCode code) {
  ConfigurationRestoreMachine& machine = *machine_.get();
  outcome_ = machine.Outcome();
  if (cancelAllowed_) {
    cancelAllowed_ = false;
    host_.AllowCancel(false);
  }
  host_.OfferClose();
  StatusSink& status = app_.Status();
  const std::optional<std::string> held = RestoreStoppedText(code, outcome_);
  const auto withHeld = [&held](std::string text) {
    return held ? text + "\r\n\r\n" + *held : text;
  };
  if (code == err::kSuccess) {
    status.StatusText(std::string(LoadString(ids::kConfigurationRestored)));
    host_.Close(true);
  } else if (code == err::kCancelled) {
    status.StatusText(std::string(LoadString(ids::kRestoreCancelled)));
    ShowMessageBox(app_.Boxes(),
                   withHeld(std::string(LoadString(ids::kRestoreCancelledRestoreAgain))),
                   ids::kCriticalOperationCaption, mb::kIconWarning);
    host_.Close(false);
  } else {
    status.StatusText(std::string(LoadString(ids::kRestoreFailed)));
    if (!host_.TellRestoreFailure(code, outcome_)) {
      ShowMessageBox(app_.Boxes(), withHeld(FormatErrorText(code)), ids::kRestoreErrorCaption,
                     mb::kIconError);
    }
    if (code == err::kNoResponseAfterReset && host_.TestsCommunicationsAfterSilentReload()) {
      // The machine has put the port back at the saved rate; the amplifier is looked for again
      // once this run's dispatch is over.
      AppSettings& app = app_;
      app.Dispatch().AfterDispatch([&app] { app.EstablishContact().BeginTestCommunications(); });
    }
  }
}

bool AskRestoreOtherUnit(Prompts& prompts) {
  return ShowMessageBox(prompts, ids::kSerialNumberMismatch, ids::kSerialNumberMismatchCaption,
                        mb::kOkCancel | mb::kIconWarning | mb::kDefaultButton2) == mb::kIdOk;
}

}  // namespace vlx
