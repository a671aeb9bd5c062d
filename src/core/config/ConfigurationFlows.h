#pragma once
// The conversations behind "Save VLX Configuration..." and "Restore VLX Configuration...", without
// widgets: the dialogs and vlxctl only show what a flow decides.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "config/ConfigurationFile.h"
#include "config/ConfigurationRestoreMachine.h"
#include "config/ConfigurationSaveMachine.h"
#include "link/MachineHandle.h"
#include "model/Listener.h"
#include "report/ErrorCode.h"

namespace vlx {

class AppSettings;
class FileStore;
class Prompts;

// What a flow asks of the window or the command line that runs it.
class ConfigurationFlowHost {
 public:
  virtual ~ConfigurationFlowHost() = default;
  // The bar's range and position (bytes of the transfer).
  virtual void ShowProgress(std::uint32_t position, std::uint32_t range) = 0;
  // The busy cursor, over everything but the Cancel button.
  virtual void ShowBusy(bool busy) = 0;
  // The run has ended and the user reads its result: the Cancel button says "Close".
  virtual void OfferClose() = 0;
  // Whether Cancel (and Escape, the close box, Ctrl-C) can still stop the run.
  virtual void AllowCancel(bool /*allowed*/) {}
  // The flow is over; `done` is IDOK's meaning (saved, restored), otherwise IDCANCEL's.
  virtual void Close(bool done) = 0;
  // Whether the folder of a file saved or read well becomes ConfigurationFolder, where the next
  // file box opens; vlxctl, which has no file box, leaves the setting alone.
  virtual bool RemembersFolder() const { return true; }
  // A restore's file passed its checks: the file and what it records of itself, told before the
  // first block is written, so the run's record says which configuration went in.
  virtual void ShowRestoring(const std::string& /*path*/, const ConfigurationFileFacts& /*facts*/) {
  }
  // Whether Test Communications runs after a restore whose amplifier fell silent after the
  // reload; vlxctl ends instead, having said so.
  virtual bool TestsCommunicationsAfterSilentReload() const { return true; }
  // A restore failed with `code`, before its box is shown. A host that tells it in its own terms
  // does so and returns true; the window's box is then left out.
  virtual bool TellRestoreFailure(ErrorCode /*code*/, const RestoreOutcome& /*outcome*/) {
    return false;
  }
};

// What both flows share: the installed machine, listening to it and the progress.
template <typename M>
class ConfigurationFlow : protected Listener {
 public:
  ConfigurationFlow(const ConfigurationFlow&) = delete;
  ConfigurationFlow& operator=(const ConfigurationFlow&) = delete;

  // The dialog is shown: asks for the file in its box and starts; without a file it closes.
  void Open();
  // vlxctl: the same with `path` for the file. Returns whether the run started.
  bool OpenWith(const std::string& path);
  // The dialog is hidden or gone: stop listening and give the machine up (a running one stops).
  void Release();
  // The run's result: 0 saved or restored, 1223 cancelled, else why it failed. Meaningful once
  // Ended().
  ErrorCode Result() const { return result_; }
  bool Ended() const { return ended_; }

 protected:
  ConfigurationFlow(AppSettings& app, FileStore& files, ConfigurationFlowHost& host)
      : app_(app), files_(files), host_(host) {}
  ~ConfigurationFlow() override { Release(); }

  // A new machine in the transient slot, and its messages listened to.
  void Install();
  // The run started: busy until it ends.
  void Started();
  // The run ended with `code`: not busy, the result kept, and OnRunEnded told.
  void TakeEnd(ErrorCode code);
  void OnMessage(MessageId id, MessageParam wParam) override;
  // The file the user names in the flow's file box, or nothing.
  virtual std::optional<std::string> AskFile() = 0;
  // Starts the run with the file at `path`; false when it did not start.
  virtual bool StartWith(const std::string& path) = 0;
  virtual void OnRunEnded(ErrorCode code) = 0;
  virtual void OnProgress() {}
  void End(ErrorCode code, bool done);

  AppSettings& app_;
  FileStore& files_;
  ConfigurationFlowHost& host_;
  MachineHandle<M> machine_;
  std::string path_;
  ErrorCode result_ = err::kSuccess;
  bool listening_ = false;
  bool busy_ = false;
  bool ended_ = false;
};

// Save: the file is named first, then the configuration is read, and the file is written only
// from a complete run.
class ConfigurationSaveFlow final : public ConfigurationFlow<ConfigurationSaveMachine> {
 public:
  // `programRevision` is line 4 of the file; the save time is now.
  ConfigurationSaveFlow(AppSettings& app, FileStore& files, ConfigurationFlowHost& host,
                        std::string programRevision);

  // Cancel button or Escape: stops a running save; closes once the run has ended.
  void Cancel();

  const LocalTime& SaveTime() const { return header_.saveTime; }
  // The name the file box proposes: "SN01234.20240102T030405.VLXConfig".
  std::string ProposedName() const;

 private:
  // The Save-As box, in ConfigurationFolder, offering the name made of the serial number and the
  // save time. An existing file chosen (or given to OpenWith) is replaced.
  std::optional<std::string> AskFile() override;
  bool StartWith(const std::string& path) override;
  void OnRunEnded(ErrorCode code) override;

  ConfigurationFileHeader header_;
};

// Restore: the file is chosen and checked before anything is sent; a file of another unit is
// written only when the user agrees; once the last block is acknowledged the run goes to its end.
class ConfigurationRestoreFlow final : public ConfigurationFlow<ConfigurationRestoreMachine> {
 public:
  // Whether a checked file that names another unit's serial number may be written into this one.
  using OtherUnitQuestion = std::function<bool(const ConfigurationFileCheck& check)>;

  ConfigurationRestoreFlow(AppSettings& app, FileStore& files, ConfigurationFlowHost& host,
                           OtherUnitQuestion otherUnit);

  // Cancel button, Escape, close box: closes an idle dialog; asks ids::kConfirmInterruptRestore
  // before stopping a run that can still be stopped; does nothing once the last block is
  // acknowledged.
  void RequestClose();
  // Ctrl-C: stops the run without a question while that can be done. Returns whether it did.
  bool Interrupt();

  // What the amplifier was left with.
  RestoreOutcome Outcome() const { return outcome_; }
  // The run stopped after some but not all bytes were acknowledged: the amplifier holds part of
  // the file. A run that stopped before the first byte leaves the amplifier as it was.
  bool PartlyWritten() const;

 private:
  // The Open box, in ConfigurationFolder.
  std::optional<std::string> AskFile() override;
  // The reader, the questions, the start; the flow closes when there is nothing to restore.
  bool StartWith(const std::string& path) override;
  void OnRunEnded(ErrorCode code) override;
  void OnProgress() override;

  OtherUnitQuestion otherUnit_;
  RestoreOutcome outcome_;
  bool started_ = false;
  bool cancelAllowed_ = false;
};

// The question of a file that names another unit: ids::kSerialNumberMismatch under
// ids::kSerialNumberMismatchCaption, OK/Cancel with Cancel the default. True for OK.
bool AskRestoreOtherUnit(Prompts& prompts);

}  // namespace vlx
