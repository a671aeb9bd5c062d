#pragma once
// `vlxctl faults [--save FILE]`: the fault history through the dialog's flow, newest first.
// FILE may be a folder, which then gets the dialog's file name; an existing file is replaced only
// with --force.

#include <optional>
#include <string>

#include "ContactSession.h"
#include "SignalWatcher.h"
#include "faults/FaultTableFlow.h"
#include "settings/SystemFileStore.h"

namespace vlx::cli {

struct FaultsOptions {
  std::optional<std::string> save;  // file or folder
  bool force = false;               // replace an existing file
};

class FaultsCommand final : public ContactSession, private FaultTableView {
 public:
  FaultsCommand(const CliOptions& options, SettingsStore& store, FaultsOptions faults);
  ~FaultsCommand() override;

  // Refuses a file it may not replace before the port is touched.
  void Start() override;

 private:
  void OnAmplifierFound() override;
  std::string OperatingFirmwareTask() const override { return "its fault history can be read"; }
  void ShowBusy(bool busy) override;
  void ShowTable(const FaultTable&) override {}
  void CloseView() override {}
  // After the run and its box: prints, saves and ends with the exit code.
  void Conclude();
  // The file --save names, with `name` inside when it names a folder; none (after saying why)
  // when it may not be written.
  std::optional<std::string> SavePath(const std::string& name) const;
  void OnSignal();

  FaultsOptions faults_;
  SystemFileStore files_;
  FaultTableFlow flow_;
  SignalWatcher signals_;
  bool interrupted_ = false;
};

// The rows under the dialog's column headers, each column as wide as its header or its widest
// entry, trailing blanks dropped; one line per record, newest first.
std::string FaultTableListing(const FaultTable& table);

}  // namespace vlx::cli
