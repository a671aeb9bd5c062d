#pragma once
// The fault-table dialog's work apart from drawing, shared with `vlxctl faults`.
// Saving waits for a good read: before that the snapshot holds nothing of the amplifier's.

#include <cstdint>
#include <optional>
#include <string>

#include "faults/FaultRing.h"
#include "faults/FaultTableFile.h"
#include "faults/FaultTableMachine.h"
#include "link/Clock.h"
#include "link/MachineHandle.h"

namespace vlx {

class AppSettings;
class FileStore;

// The dialog's side of the flow (or vlxctl's).
class FaultTableView {
 public:
  virtual ~FaultTableView() = default;
  // A read runs (true) or has ended (false): the wait cursor.
  virtual void ShowBusy(bool busy) = 0;
  // The read succeeded: the records newest first, and saving is now possible.
  virtual void ShowTable(const FaultTable& table) = 0;
  // The read was cancelled: the dialog closes.
  virtual void CloseView() = 0;
};

class FaultTableFlow final {
 public:
  // `programRevision` is the revision line's text ("Velqorin VLX Utility Revision 1.0.0.0");
  // the dialog's time is taken now.
  FaultTableFlow(AppSettings& app, FileStore& files, FaultTableView& view,
                 std::string programRevision);
  ~FaultTableFlow();
  FaultTableFlow(const FaultTableFlow&) = delete;
  FaultTableFlow& operator=(const FaultTableFlow&) = delete;

  // The view is shown: install a new machine and start the read. Returns whether the read
  // started.
  bool Begin();
  // The view is hidden or destroyed: give the machine up, so that a read still running ends
  // with it, unheard, and no tick of its timer comes afterwards.
  void End();

  // The result of the read: nothing while it runs or before it started.
  std::optional<ErrorCode> Result() const { return result_; }
  bool CanSave() const { return result_ == err::kSuccess; }
  const FaultTable& Table() const { return table_; }
  // The proposed file name, from the serial number and the dialog's time.
  std::string FileName() const;

  // "Save to File": the Save-As box in the FaultTableFolder (made its default when empty), then
  // the file. Returns the file's code, or 1223 when nothing was written: no file chosen, or no
  // good read yet. The folder setting is not changed by a save.
  ErrorCode Save();
  // Writes the file to `path`, replacing any file there; a failure is reported (under
  // ids::kFaultTableWriteErrorCaption).
  ErrorCode SaveTo(const std::string& path);

  // The machine of this flow, or nullptr once it is gone.
  FaultTableMachine* Machine() const { return machine_.get(); }

 private:
  void OnReadEnded(ErrorCode code, const FaultTableMachine& machine);

  AppSettings& app_;
  FileStore& files_;
  FaultTableView& view_;
  std::string programRevision_;
  LocalTime time_;
  MachineHandle<FaultTableMachine> machine_;
  std::optional<ErrorCode> result_;
  // What the good read gave; saved from here, so a save needs no living machine.
  FaultSnapshot snapshot_{};
  FaultTable table_;
  bool busy_ = false;
};

}  // namespace vlx
