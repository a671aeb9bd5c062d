#include "FaultsCommand.h"

#include <QTimer>
#include <algorithm>
#include <array>
#include <filesystem>

#include "BuildInfo.h"
#include "Output.h"
#include "SavedFileTarget.h"
#include "model/AppSettings.h"
#include "report/TextFormat.h"

namespace vlx::cli {
namespace {

// Each header opens its column, as each cell below it does.
constexpr std::array<std::string_view, 5> kHeaders = {"Timestamp", "Fault Code", "Band", "Data",
                                                      "Description"};
constexpr std::size_t kColumnGap = 2;

std::array<std::string_view, 5> Cells(const FaultRow& row) {
  return {row.timeStamp, row.faultCode, row.band, row.data, row.description};
}

std::string JoinColumns(const std::array<std::string_view, 5>& cells,
                        const std::array<std::size_t, 5>& widths) {
  std::string line;
  for (std::size_t column = 0; column < cells.size(); ++column) {
    line += cells[column];
    line.append(widths[column] - cells[column].size() + kColumnGap, ' ');
  }
  line.erase(line.find_last_not_of(' ') + 1);
  return line + "\n";
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

}  // namespace

std::string FaultTableListing(const FaultTable& table) {
  std::array<std::size_t, 5> widths{};
  for (std::size_t column = 0; column < kHeaders.size(); ++column) {
    widths[column] = kHeaders[column].size();
    for (const FaultRow& row : table.rows) {
      widths[column] = std::max(widths[column], Cells(row)[column].size());
    }
  }
  std::string listing = JoinColumns(kHeaders, widths);
  for (const FaultRow& row : table.rows) {
    listing += JoinColumns(Cells(row), widths);
  }
  return listing;
}

FaultsCommand::FaultsCommand(const CliOptions& options, SettingsStore& store, FaultsOptions faults)
    : ContactSession(options, store),
      faults_(std::move(faults)),
      flow_(App(), files_, *this, build::ProgramRevisionText()),
      signals_([this](int) { OnSignal(); }) {}

// The flow gives its machine up as it goes, before the model it runs on.
FaultsCommand::~FaultsCommand() = default;

void FaultsCommand::Start() {
  // A folder gets its file's name only once the serial number is known; a file is checked now.
  if (faults_.save && !IsFolder(*faults_.save) && !SavePath({})) {
    Finish(exit_code::kUsage);
    return;
  }
  ContactSession::Start();
}

std::optional<std::string> FaultsCommand::SavePath(const std::string& name) const {
  std::string path = *faults_.save;
  if (IsFolder(path)) {
    path = (std::filesystem::path(path) / name).string();
  }
  const std::string folder = std::filesystem::path(path).parent_path().string();
  std::optional<std::string> refusal;
  if (!folder.empty() && !IsFolder(folder)) {
    refusal = FormatText("vlxctl: the folder of \"%s\" does not exist", {path});
  } else if (IsFolder(path)) {
    refusal = FormatText("vlxctl: \"%s\" is a folder; name the file to write", {path});
  } else {
    refusal = RefusalToSave(path, faults_.force);
  }
  if (refusal) {
    PrintError(*refusal);
    return std::nullopt;
  }
  return path;
}

void FaultsCommand::OnAmplifierFound() {
  if (Finished()) {
    return;
  }
  if (!flow_.Begin()) {
    PrintError("vlxctl: the fault table could not be read: another conversation is running");
    Finish(exit_code::kFailure);
  }
}

void FaultsCommand::ShowBusy(bool busy) {
  if (!busy) {
    // Not inside the machine's MachineDone notification, and after the box it may have raised.
    QTimer::singleShot(0, this, [this] { Conclude(); });
  }
}

void FaultsCommand::Conclude() {
  flow_.End();
  const ErrorCode result = flow_.Result().value_or(err::kCancelled);
  if (result != err::kSuccess) {
    Finish(interrupted_ ? exit_code::kInterrupted : exit_code::kFailure);
    return;
  }
  WriteOutput(FaultTableListing(flow_.Table()));
  if (!faults_.save) {
    Finish(exit_code::kSuccess);
    return;
  }
  const std::optional<std::string> path = SavePath(flow_.FileName());
  if (!path) {
    Finish(exit_code::kUsage);
    return;
  }
  if (flow_.SaveTo(*path) != err::kSuccess) {
    Finish(exit_code::kFailure);
    return;
  }
  // What the run created goes with its output, for a script to take.
  WriteOutput("saved " + *path + "\n");
  Finish(exit_code::kSuccess);
}

void FaultsCommand::OnSignal() {
  if (Finished()) {
    return;
  }
  interrupted_ = true;
  // A read changes nothing in the amplifier: it may stop at its next block.
  if (FaultTableMachine* machine = flow_.Machine(); machine != nullptr && !machine->IsIdle()) {
    machine->Cancel();
    return;
  }
  PrintError("vlxctl: stopped");
  Finish(exit_code::kInterrupted);
}

}  // namespace vlx::cli
