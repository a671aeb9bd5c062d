#include "FtpListCommand.h"

#include <QCoreApplication>
#include <QJsonArray>

#include "ConsoleReporting.h"
#include "JsonOutput.h"
#include "Output.h"
#include "TerminalWords.h"
#include "firmware/FirmwareFolder.h"
#include "firmware/FtpNames.h"
#include "model/MessageIds.h"
#include "model/Setting.h"
#include "report/ErrorText.h"
#include "report/FtpTextIds.h"
#include "report/RevisionText.h"
#include "report/TextFormat.h"

namespace vlx::cli {
namespace {

// The server folder the copy dialog lists.
constexpr const char* kServerFolder = "VLX/firmware";

}  // namespace

FtpServerAddress FtpServerToUse(const CliOptions& options, const SettingsStore& store) {
  if (options.ftpServer) {
    return *options.ftpServer;
  }
  StringSetting setting{kMsgFtpServer, "FtpServer"};
  setting.Load(store);
  ResolvedFtpServer resolved = ResolveFtpServer(setting.Get());
  if (resolved.status) {
    PrintError("vlxctl: " + *resolved.status);
  }
  return resolved.address;
}

FtpListCommand::FtpListCommand(const CliOptions& options, const SettingsStore& store,
                               std::unique_ptr<FtpClient> client)
    : server_(FtpServerToUse(options, store)),
      verbose_(options.verbose),
      json_(options.json),
      client_(std::move(client)) {
  client_->SetEvents(this);
}

FtpListCommand::~FtpListCommand() {
  client_->Close();
  client_->SetEvents(nullptr);
}

void FtpListCommand::Start() {
  if (verbose_) {
    PrintError(FormatText(ids::kOpeningConnection, {FtpServerText(server_)}));
  }
  Answered(client_->Connect(server_.host, server_.port), "InternetConnect");
}

void FtpListCommand::Answered(ErrorCode answer, const char* operation) {
  if (answer == kFtpPending) {
    return;
  }
  // Every call of this binding answers pending; a code at once is a refusal.
  Failed(answer, operation);
}

void FtpListCommand::OnConnected(ErrorCode result) {
  if (result != err::kSuccess) {
    Failed(result, "InternetConnect");
    return;
  }
  Answered(client_->SetCurrentDirectory(kServerFolder), "FtpSetCurrentDirectory");
}

void FtpListCommand::OnDirectorySet(ErrorCode result) {
  if (result != err::kSuccess) {
    Failed(result, "FtpSetCurrentDirectory");
    return;
  }
  NextEntries(true);
}

void FtpListCommand::OnEntryFound(ErrorCode result, std::optional<FtpEntry> entry) {
  if (TakeEntry(result, entry)) {
    NextEntries(false);
  }
}

// Asks for entries for as long as they come at once.
void FtpListCommand::NextEntries(bool first) {
  while (true) {
    FtpEntry entry;
    const ErrorCode answer = first ? client_->FindFirstFile(entry) : client_->FindNextFile(entry);
    first = false;
    if (answer == kFtpPending ||
        !TakeEntry(answer, answer == err::kSuccess ? std::optional(entry) : std::nullopt)) {
      return;
    }
  }
}

bool FtpListCommand::TakeEntry(ErrorCode result, const std::optional<FtpEntry>& entry) {
  if (result == err::kNoMoreFiles) {
    PrintPicks();
    Finish(exit_code::kSuccess);
    return false;
  }
  if (result != err::kSuccess || !entry) {
    // Named by the call that failed, as the copy dialog names it.
    Failed(result, firstEntryAsked_ ? "InternetFindNextFile" : "FtpFindFile");
    return false;
  }
  firstEntryAsked_ = true;
  entries_.push_back(*entry);
  if (json_) {
    return true;  // told as one object once the listing is whole
  }
  const std::string size = entry->size ? std::to_string(*entry->size) : "-";
  if (!PrintOutput("%-6s %12s  %s%s\n", entry->isDirectory ? "folder" : "file", size.c_str(),
                   PrintableFtpName(entry->name).c_str(),
                   IsPlainFtpName(entry->name) ? "" : "  (not a plain name: never fetched)")) {
    // Nobody reads the rest; the output's failure, if it is one, counts at the exit.
    Finish(exit_code::kSuccess);
    return false;
  }
  return true;
}

void FtpListCommand::OnFileReceived(ErrorCode) {}

// The copy's choice: only plain names of files, by the folder scan's rules.
void FtpListCommand::PrintPicks() {
  std::vector<DirectoryEntry> candidates;
  for (const FtpEntry& entry : entries_) {
    if (IsPlainFtpName(entry.name)) {
      candidates.push_back(
          {entry.name, entry.isDirectory ? EntryKind::kDirectory : EntryKind::kRegularFile});
    }
  }
  const FirmwareFolderScan picks = PickFirmwareFiles(std::move(candidates), {});
  if (json_) {
    PrintJson(picks);
    return;
  }
  if (picks.firmware.Found()) {
    PrintOutput("Firmware: %s, revision %s\n", picks.firmware.path.c_str(),
                RevisionText(picks.firmware.revision).c_str());
  } else {
    PrintOutput("Firmware: none offered\n");
  }
  PrintOutput("Release notes: %s\n",
              picks.notes.Found() ? picks.notes.path.c_str() : "none offered");
}

void FtpListCommand::PrintJson(const FirmwareFolderScan& picks) const {
  QJsonArray entries;
  for (const FtpEntry& entry : entries_) {
    entries.append(QJsonObject{
        {"name", JsonText(PrintableFtpName(entry.name))},
        {"folder", entry.isDirectory},
        {"size", entry.size ? QJsonValue(static_cast<qint64>(*entry.size)) : QJsonValue()},
        {"plain", IsPlainFtpName(entry.name)}});
  }
  QJsonValue firmware;
  if (picks.firmware.Found()) {
    firmware = QJsonObject{{"name", JsonText(picks.firmware.path)},
                           {"revision", JsonText(RevisionText(picks.firmware.revision))}};
  }
  WriteJson({{"entries", entries},
             {"firmware", firmware},
             {"releaseNotes", picks.notes.Found() ? JsonText(picks.notes.path) : QJsonValue()}});
}

void FtpListCommand::Failed(ErrorCode code, const char* operation) {
  PrintError(FtpFailureWords(operation, code, FormatErrorText(code, client_->LastResponse())));
  Finish(exit_code::kFailure);
}

void FtpListCommand::Finish(int exitCode) {
  if (finished_) {
    return;
  }
  finished_ = true;
  client_->Close();
  QCoreApplication::exit(exitCode);
}

}  // namespace vlx::cli
