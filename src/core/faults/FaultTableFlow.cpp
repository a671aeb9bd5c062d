#include "faults/FaultTableFlow.h"

#include <memory>

#include "model/AppSettings.h"
#include "model/DataFolders.h"
#include "model/FileChoice.h"
#include "report/FailureReport.h"
#include "report/FaultTextIds.h"
#include "report/StatusSink.h"

namespace vlx {

FaultTableFlow::FaultTableFlow(AppSettings& app, FileStore& files, FaultTableView& view,
                               std::string programRevision)
    : app_(app),
      files_(files),
      view_(view),
      programRevision_(std::move(programRevision)),
      time_(app.Time().Now()) {}

FaultTableFlow::~FaultTableFlow() {
  End();
}

bool FaultTableFlow::Begin() {
  machine_ = app_.InstallTransientMachine(
      std::make_unique<FaultTableMachine>(app_),
      [this](ErrorCode code, FaultTableMachine& machine) { OnReadEnded(code, machine); });
  FaultTableMachine* machine = machine_.get();
  if (machine == nullptr || !machine->StartRead()) {
    return false;
  }
  // A read that ended at once (the port is gone) may have told its result already.
  if (!result_.has_value()) {
    busy_ = true;
    view_.ShowBusy(true);
  }
  return true;
}

void FaultTableFlow::End() {
  machine_.Release();
}

void FaultTableFlow::OnReadEnded(ErrorCode code, const FaultTableMachine& machine) {
  result_ = code;
  if (busy_) {
    busy_ = false;
    view_.ShowBusy(false);
  }
  if (code == err::kCancelled) {
    view_.CloseView();
    return;
  }
  if (code != err::kSuccess) {
    ShowErrorBox(app_.Boxes(), code, ids::kFaultTableErrorCaption);
    return;
  }
  snapshot_ = machine.Snapshot();
  table_ = ListFaults(snapshot_);
  if (!table_.notice.empty()) {
    app_.Status().StatusText(table_.notice);
  }
  view_.ShowTable(table_);
}

std::string FaultTableFlow::FileName() const {
  return FaultTableFileName(app_.serialNumber.Get(), time_);
}

ErrorCode FaultTableFlow::Save() {
  if (!CanSave()) {
    return err::kCancelled;
  }
  const std::optional<std::string> path =
      AskFileToSave(app_.Boxes(), app_,
                    FileQuestion{app_.faultTableFolder, kFaultTablesLeaf, FileName(),
                                 FileFilter(ids::kFaultTableFileFilter, kFaultTableExtension),
                                 std::string(kFaultTableExtension)});
  if (!path.has_value()) {
    return err::kCancelled;
  }
  return SaveTo(*path);
}

ErrorCode FaultTableFlow::SaveTo(const std::string& path) {
  if (!CanSave()) {
    return err::kCancelled;
  }
  const FaultTableFileHeader header{time_, programRevision_, app_.revision.Get(),
                                    app_.serialNumber.Get()};
  return WriteFaultTableFile(files_, app_.Status(), app_.Boxes(), path, header, snapshot_);
}

}  // namespace vlx
