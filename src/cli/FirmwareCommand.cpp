#include "FirmwareCommand.h"

#include <unistd.h>

#include <csignal>
#include <memory>

#include "Confirmation.h"
#include "HexCommand.h"
#include "firmware/LoadVerdict.h"
#include "model/AppSettings.h"
#include "model/DataFolders.h"
#include "model/DeviceFacts.h"
#include "report/PrintableName.h"
#include "report/RevisionText.h"
#include "report/TextFormat.h"

namespace vlx::cli {
namespace {

// Whether the amplifier could be loaded from the file; when not, says why in one line.
bool Loadable(const std::string& path) {
  if (const std::optional<std::string> problem = FirmwareFileProblem(path)) {
    PrintError(*problem);
    return false;
  }
  return true;
}

bool IsRevision(std::uint16_t value) {
  return value != revision::kUnknown && value != revision::kNotAvailable &&
         value != revision::kLoading;
}

}  // namespace

FirmwareCommand::FirmwareCommand(const CliOptions& options, SettingsStore& store,
                                 FirmwareLoadOptions load)
    : ContactSession(options, store),
      load_(std::move(load)),
      progress_(ProgressStyleOfStderr(options.quiet)),
      signals_([this](int number) { OnSignal(number); }) {
  AppSettings& app = App();
  app.firmwareFolder.Load(store);
  app.firmwareLoadRetryLimit.Load(store);
  if (load_.retryLimit) {
    app.firmwareLoadRetryLimit.Set(*load_.retryLimit);
  }
}

FirmwareCommand::~FirmwareCommand() {
  Listen(false);
  machine_.Release();
}

void FirmwareCommand::Start() {
  if (!ChooseFile()) {
    Finish(exit_code::kFailure);
  } else if (!ConfirmationPossible(load_.yes, "a load replaces the VLX750's firmware", "load")) {
    Finish(exit_code::kUsage);
  } else {
    ContactSession::Start();
  }
}

bool FirmwareCommand::ChooseFile() {
  AppSettings& app = App();
  if (load_.file) {
    // What the file holds comes first: a name is easily changed, a missing file is not.
    if (!Loadable(*load_.file)) {
      return false;
    }
    const std::string_view name = FileNameOf(*load_.file);
    // Named as the folder scan would take it, so that the revision check after the load has
    // the file's revision to compare with.
    if (!IsFirmwareFileName(name) || !RevisionOfFileName(name)) {
      PrintError(
          FormatText("vlxctl: \"%s\" is not named as a firmware file: VLX750fp, the "
                     "revision's digits, .hex (VLX750fp0152.hex holds 01.52)",
                     {PrintableName(*load_.file)}));
      return false;
    }
    file_ = FirmwareFileFromPath(*load_.file);
    folder_ = FolderOf(*load_.file);
    if (folder_.empty()) {
      folder_.push_back('.');  // a bare name is in the current folder
    }
    return true;
  }
  folder_ = app.firmwareFolder.Get();
  if (folder_.empty()) {
    folder_ = DefaultDataFolder(app.Files(), kFirmwareLeaf);
  }
  file_ = ScanFirmwareFolder(app.Files(), folder_).firmware;
  if (!file_.Found()) {
    PrintError(
        FormatText("vlxctl: the firmware folder \"%s\" holds no firmware file "
                   "(VLX750fp, the revision's digits, .hex); name one: vlxctl firmware "
                   "load FILE",
                   {PrintableName(folder_)}));
    return false;
  }
  return Loadable(file_.path);
}

std::string FirmwareCommand::Question() {
  const AppSettings& app = App();
  const std::string offered = RevisionText(file_.revision);
  // Joined rather than formatted: a long path must not push the question out of the text.
  std::string text = "File:          " + file_.path + "\nRevision:      " + offered + "\n";
  const std::uint16_t running = app.revision.Get();
  const bool inLoader = app.deviceState.Get() == device_state::kWaitingInLoader;
  text += inLoader ? std::string("VLX750:        in its loader, revision not known\n")
                   : FormatText("VLX750 runs:   %s\n", {RevisionText(running)});
  if (!inLoader && IsRevision(running)) {
    if (file_.revision == running) {
      return text + FormatText("The VLX750 runs revision %s already. Load it again?", {offered});
    }
    if (file_.revision < running) {
      return text + FormatText(
                        "Revision %s is older than the %s the VLX750 runs. Load it all "
                        "the same?",
                        {offered, RevisionText(running)});
    }
  }
  return text + FormatText("Load revision %s into the VLX750?", {offered});
}

void FirmwareCommand::OnAmplifierFound() {
  if (Finished()) {
    return;
  }
  // Asked now that the amplifier's revision is known, and before anything is sent to it.
  if (!Confirmed(load_.yes, Question(), "vlxctl: nothing was loaded")) {
    Finish(exit_code::kUsage);
    return;
  }
  const LoadOutcome outcome = SendFirmwareSequence(App(), *this).Send(folder_, file_);
  if (outcome == LoadOutcome::kSucceeded) {
    FinishAfterRetest(exit_code::kSuccess);
  } else {
    FinishAfterRetest(interrupted_ ? exit_code::kInterrupted : exit_code::kFailure);
  }
}

void FirmwareCommand::AppendLogLine(const std::string& line) {
  PrintError(line);
}

LoadOutcome FirmwareCommand::RunLoad() {
  AppSettings& app = App();
  machine_ = app.InstallTransientMachine(
      std::make_unique<FirmwareLoadMachine>(app),
      [this](ErrorCode code, FirmwareLoadMachine& machine) { OnLoadEnded(code, machine); });
  loadEnded_ = false;
  result_ = err::kCancelled;
  Listen(true);
  progress_.Begin(Time().TickCount());
  // A file that cannot be read or fails its checksum ends the run before this returns.
  machine_->StartLoad(*this);
  if (!loadEnded_) {
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
  }
  Listen(false);
  machine_.Release();
  return result_ == err::kSuccess ? LoadOutcome::kSucceeded : LoadOutcome::kFailed;
}

void FirmwareCommand::FirmwareActivity(const LoadActivity& activity) {
  const FirmwareLoadMachine* machine = machine_.get();
  progress_.SetActivity(LoadActivityText(activity),
                        machine != nullptr ? machine->TotalRetries() : 0, Time().TickCount());
}

void FirmwareCommand::Listen(bool on) {
  AppSettings& app = App();
  if (on) {
    app.progressPosition.Subscribe(*this);
  } else {
    app.progressPosition.Unsubscribe(*this);
  }
}

void FirmwareCommand::OnMessage(MessageId id, MessageParam) {
  const FirmwareLoadMachine* machine = machine_.get();
  if (machine != nullptr && id == kMsgProgressPosition) {
    const AppSettings& app = App();
    progress_.Update(app.progressPosition.Get(), app.progressRange.Get(), machine->TotalRetries(),
                     Time().TickCount());
  }
}

void FirmwareCommand::OnLoadEnded(ErrorCode code, FirmwareLoadMachine& machine) {
  progress_.End();
  const VerdictLine tell = [this](const std::string& line, bool verbose) {
    verbose ? Status().VerboseText(line) : Status().StatusText(line);
  };
  if (stoppedWithImageIn_ && code == err::kCancelled) {
    // Nothing needs loading again: only the check was left out.
    TellRetryCounts(machine, tell);
    PrintError(
        "vlxctl: stopped before the revision check; the VLX750 holds the new firmware "
        "('vlxctl info' reads the revision it runs)");
    result_ = code;
  } else {
    result_ = ConcludeLoad(machine, code, tell);
  }
  loadEnded_ = true;
  if (loop_ != nullptr) {
    loop_->quit();
  }
}

void FirmwareCommand::OnSignal(int number) {
  if (Finished()) {
    return;
  }
  if (ExitAfterRetest()) {
    Finish(*ExitAfterRetest());  // the load is over; only the test of the link is cut short
    return;
  }
  FirmwareLoadMachine* machine = machine_.get();
  if (machine == nullptr) {
    // Still looking for the amplifier: nothing has been sent that needs an ending.
    interrupted_ = true;
    PrintError("vlxctl: stopped before the load began");
    Finish(exit_code::kInterrupted);
    return;
  }
  if (machine->IsIdle()) {
    return;  // the load has ended; the rate is being restored and vlxctl ends by itself
  }
  const FirmwareLoadMachine::Stage stage = machine->CurrentStage();
  if (stage == FirmwareLoadMachine::Stage::kBeforeTransfer) {
    interrupted_ = true;
    PrintError("vlxctl: stopping the load before the transfer begins");
    machine->Cancel();
    return;
  }
  if (stage == FirmwareLoadMachine::Stage::kImageIn) {
    if (!stoppedWithImageIn_) {
      stoppedWithImageIn_ = true;
      interrupted_ = true;
      PrintError(
          "vlxctl: every packet was accepted: the new firmware is in the VLX750 and starts\n"
          "after its reset. Stopping then; only the check of its revision is left out.");
      machine->Cancel();
    }
    return;
  }
  if (number == SIGTERM || warned_) {
    interrupted_ = true;
    PrintError("vlxctl: abandoning the firmware transfer");
    machine->Abandon();
    return;
  }
  warned_ = true;
  PrintError(
      "vlxctl: the firmware transfer goes on: stopped now, it would leave the VLX750 without "
      "working firmware.\nPress Ctrl+C again to abandon it all the same; then remove power from "
      "the amplifier and load the firmware again.");
}

}  // namespace vlx::cli
