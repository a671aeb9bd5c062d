#pragma once
// The banner edit from the sheet's showing to its closing, for the banner sheet and vlxctl.
// The edit is usable only while no run is under way, so Save never compares against a banner still
// being read. A failed write keeps the sheet open with the typed text; a good one is read back.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "config/BannerMachine.h"
#include "link/MachineHandle.h"
#include "model/Listener.h"
#include "report/ErrorCode.h"

namespace vlx {

class AppSettings;

enum class BannerRun { kRead, kWrite };

// What the flow's machine is doing, for the sheet's busy line.
enum class BannerStep { kIdle, kReading, kWriting, kReadingBack };

// What the sheet (or vlxctl) does for the flow.
class BannerFlowHost {
 public:
  virtual ~BannerFlowHost() = default;
  // The text the edit shows: the banner as ShownBanner has it.
  virtual void ShowBanner(const std::string& shown) = 0;
  // The edit and Save are usable only while this is on.
  virtual void SetEditable(bool editable) = 0;
  virtual void SetBusy(bool busy) = 0;
  // The sheet closes now; told once no engine dispatch is on the stack any more.
  virtual void CloseSheet() = 0;
  // A run ended with `code`, after the flow has done what it does about it; told, like
  // CloseSheet, outside any engine dispatch. A write is told once it has been read back (`code`
  // the read-back's when that failed), and ReadBackMatches() then says whether the amplifier
  // holds what was written.
  virtual void RunEnded(BannerRun /*run*/, ErrorCode /*code*/) {}
};

class BannerFlow final : private Listener {
 public:
  BannerFlow(AppSettings& app, BannerFlowHost& host);
  ~BannerFlow() override;
  BannerFlow(const BannerFlow&) = delete;
  BannerFlow& operator=(const BannerFlow&) = delete;

  // The sheet is shown: a new banner machine reads the banner.
  void Show();
  // The sheet is hidden or destroyed: stop listening and give the machine up.
  void Hide();
  // Save pressed with the edit's text. Returns whether the sheet closes now: an unchanged text
  // writes nothing and closes; a changed one is written while the sheet stays open. Refused
  // while the edit is not usable.
  bool Save(const std::string& edited);
  // Writes `text` (the rule's text, at most 8 characters) with a new banner machine.
  void Write(const std::string& text);
  // Cancel pressed (or Escape). Returns whether the sheet closes now; a running machine is
  // cancelled first and the sheet closes when it has ended.
  bool Cancel();

  bool Editable() const { return editable_; }
  BannerStep Step() const;
  // After a write: whether the banner read back is the text written.
  bool ReadBackMatches() const { return readBackMatches_; }
  BannerMachine* Machine() const { return machine_.get(); }

 private:
  void OnMessage(MessageId id, MessageParam wParam) override;
  // Installs a new machine in the transient slot and starts `run` on it.
  void StartRun(BannerRun run, const std::string& text);
  void OnRunEnded(ErrorCode code);
  // The read that follows a good write has ended: the status line, or a box when the amplifier
  // holds another text than the one written.
  void OnReadBackEnded(ErrorCode code);
  // Runs `then` after the current engine dispatch, while the flow lives.
  void AfterDispatch(std::function<void()> then);
  void SetEditable(bool editable);
  void Listen(bool on);

  AppSettings& app_;
  BannerFlowHost& host_;
  MachineHandle<BannerMachine> machine_;
  BannerRun run_ = BannerRun::kRead;
  // The text a good write left in BannerText, while it is read back.
  std::string written_;
  bool readingBack_ = false;
  // From a run's start until the flow has dealt with its end (a read-back included).
  bool busy_ = false;
  bool readBackMatches_ = false;
  // A write or a cancellation is under way: the sheet closes when the machine ends.
  bool closing_ = false;
  bool editable_ = false;
  bool listening_ = false;
  // What the flow left to do after a dispatch runs only while the flow lives.
  std::shared_ptr<bool> alive_;
};

}  // namespace vlx
