#include "FaultsCommand.h"

#include <QJsonArray>
#include <QTimer>
#include <algorithm>
#include <array>
#include <filesystem>

#include "BuildInfo.h"
#include "JsonOutput.h"
#include "Output.h"
#include "SavedFileTarget.h"
#include "report/PrintableName.h"
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

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string()
                                    : text.substr(first, text.find_last_not_of(' ') - first + 1);
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

namespace {

// The history for --json, with the file written, if any.
QJsonObject FaultTableJson(const FaultTable& table, const std::optional<std::string>& saved) {
  QJsonArray faults;
  for (const FaultRow& row : table.rows) {
    faults.append(QJsonObject{{"index", row.index},
                              {"timeStamp", static_cast<qint64>(std::stoull(row.timeStamp))},
                              {"fault", JsonText(row.faultCode)},
                              {"band", JsonText(Trimmed(row.band))},
                              {"data", static_cast<qint64>(std::stoul(row.data, nullptr, 16))},
                              {"description", JsonText(Trimmed(row.description))}});
  }
  return {{"faults", faults}, {"saved", saved ? JsonText(*saved) : QJsonValue()}};
}

}  // namespace

FaultsCommand::FaultsCommand(const CliOptions& options, SettingsStore& store, FaultsOptions faults)
    : ContactSession(options, store),
      faults_(std::move(faults)),
      flow_(App(), files_, *this, build::ProgramRevisionText()),
      signals_([this](int) { OnSignal(); }) {}

// The flow gives its machine up as it goes, before the model it runs on.
FaultsCommand::~FaultsCommand() = default;

void FaultsCommand::Start() {
  // A folder gets its file's name only once the serial number is known; until then only the
  // folder is checked.
  if (faults_.save) {
    if (const std::optional<std::string> refusal =
            RefusalToSaveInto(*faults_.save, faults_.force)) {
      PrintError(*refusal);
      Finish(exit_code::kUsage);
      return;
    }
  }
  ContactSession::Start();
}

std::optional<std::string> FaultsCommand::SavePath(const std::string& name) const {
  std::string path = *faults_.save;
  if (IsFolder(path)) {
    path = (std::filesystem::path(path) / name).string();
  }
  if (const std::optional<std::string> refusal = RefusalToSave(path, faults_.force)) {
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
    // After the error box the flow raises once the busy cursor is off.
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
  if (!Options().json) {
    WriteOutput(FaultTableListing(flow_.Table()));
  }
  int exitCode = exit_code::kSuccess;
  std::optional<std::string> saved;
  if (faults_.save) {
    const std::optional<std::string> path = SavePath(flow_.FileName());
    if (!path) {
      exitCode = exit_code::kUsage;
    } else if (flow_.SaveTo(*path) != err::kSuccess) {
      exitCode = exit_code::kFailure;
    } else {
      saved = path;
    }
  }
  // What the run created goes with its output, for a script to take. The history read is
  // printed even when the file could not be written.
  if (Options().json) {
    WriteJson(FaultTableJson(flow_.Table(), saved));
  } else if (saved) {
    WriteOutput("saved " + *saved + "\n");
  }
  Finish(exitCode);
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
