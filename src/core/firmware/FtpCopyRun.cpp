#include "firmware/FtpCopyRun.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "firmware/ByteSource.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FtpLocalFiles.h"
#include "firmware/FtpNames.h"
#include "model/DataFolders.h"
#include "model/FileStore.h"
#include "model/FileSystem.h"
#include "report/ErrorText.h"
#include "report/FtpTextIds.h"
#include "report/ReportTextIds.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {

constexpr const char* kServerFolder = "VLX/firmware";
constexpr std::uint32_t kFetchesPerFile = 3;
constexpr const char* kDeleteStep = "DeleteFile";

// Trace lines give a completed request's outcome as a result value: 1 on success, 0 on failure.
std::uint32_t ResultValue(ErrorCode code) {
  return code == err::kSuccess ? 1 : 0;
}

}  // namespace

FtpCopyRun::FtpCopyRun(FtpClient& client, FileSystem& fileSystem, FtpLocalFiles& localFiles,
                       FtpCopySink& sink, FtpCopyOptions options)
    : client_(client),
      fileSystem_(fileSystem),
      localFiles_(localFiles),
      sink_(sink),
      options_(std::move(options)) {}

FtpCopyRun::~FtpCopyRun() {
  client_.SetEvents(nullptr);
  if (connectionOpen_) {
    client_.Close();
  }
  if (!temporaryPath_.empty()) {
    localFiles_.Remove(temporaryPath_);
  }
}

bool FtpCopyRun::EnsureFolder(Prompts& prompts) {
  return EnsureFolderExists(fileSystem_, prompts, options_.folder);
}

void FtpCopyRun::Run() {
  if (state_ != kIdle) {
    return;
  }
  result_ = err::kSuccess;
  cancelRequested_ = false;
  candidates_.clear();
  serverFirmware_.reset();
  serverNotes_.reset();
  copyList_.clear();
  copyIndex_ = -1;
  copyFailures_ = 0;
  copyFailure_ = err::kSuccess;
  copied_.clear();
  RemoveLeftovers();
  localScan_ = ScanFirmwareFolder(fileSystem_, options_.folder);

  Line(FtpLineKind::kStatus, FormatText(ids::kOpeningConnection, {FtpServerText(options_.server)}));
  state_ = kOpeningSession;
  connectionOpen_ = true;
  client_.SetEvents(this);
  const ErrorCode code = client_.Connect(options_.server.host, options_.server.port);
  if (code == err::kSuccess) {
    Connected();
  } else {
    CheckAsyncError("InternetConnect", code);
  }
}

bool FtpCopyRun::Cancel() {
  if (state_ == kIdle) {
    return false;
  }
  cancelRequested_ = true;
  IsCancelled();
  Finish(err::kCancelled, "Cancel Button");
  return true;
}

std::optional<FtpFetchProgress> FtpCopyRun::Fetch() const {
  if (state_ != kGettingFile || temporaryPath_.empty() || copyIndex_ < 0 ||
      static_cast<std::size_t>(copyIndex_) >= copyList_.size()) {
    return std::nullopt;
  }
  const ServerFile& file = copyList_[static_cast<std::size_t>(copyIndex_)];
  FtpFetchProgress progress{file.name, file.size, 0};
  if (localFiles_.Size(temporaryPath_, progress.received) != err::kSuccess) {
    progress.received = 0;
  }
  return progress;
}

// A previous run that was stopped hard (the program killed, the power gone) may have left its
// temporary files behind; only names of that one pattern are ever removed.
void FtpCopyRun::RemoveLeftovers() {
  std::vector<DirectoryEntry> entries;
  if (fileSystem_.ListDirectory(options_.folder, entries) != err::kSuccess) {
    return;
  }
  for (const DirectoryEntry& entry : entries) {
    if (entry.kind == EntryKind::kRegularFile && IsFtpLeftover(entry.name) &&
        localFiles_.Remove(JoinPath(options_.folder, entry.name)) == err::kSuccess) {
      Trace(FormatText(ids::kFileDeleted, {PrintableFtpName(entry.name)}));
    }
  }
}

// --- The requests' completions -------------------------------------------------------------

bool FtpCopyRun::AcceptsEvent(ErrorCode result) {
  if (state_ == kIdle || state_ == kClosed) {
    return false;
  }
  if (result != err::kSuccess && result != err::kNoMoreFiles) {
    Trace(FormatText("CFtpDlg::OnInternetStatusRequestComplete dwResult 0x%04X dwError 0x%08X: %s",
                     {ResultValue(result), result, TextOf(result)}));
  }
  return true;
}

void FtpCopyRun::OnConnected(ErrorCode result) {
  if (!AcceptsEvent(result)) {
    return;
  }
  if (state_ != kOpeningSession) {
    Trace(FormatText("CFtpDlg::OnInternetStatusRequestComplete unexpected state %u", {state_}));
    return;
  }
  Trace(FormatText("OnInternetStatusRequestComplete OpeningSession dwResult 0x%08X dwError %u",
                   {ResultValue(result), result}));
  if (result == err::kSuccess) {
    Connected();
  } else {
    Finish(result, "InternetConnect");
  }
}

void FtpCopyRun::OnDirectorySet(ErrorCode result) {
  if (!AcceptsEvent(result)) {
    return;
  }
  if (state_ != kNavigatingDirectory) {
    Trace(FormatText("CFtpDlg::OnInternetStatusRequestComplete unexpected state %u", {state_}));
    return;
  }
  Trace("OnInternetStatusRequestComplete NavigatingDirectory");
  if (result == err::kSuccess) {
    StartListing();
    return;
  }
  Trace(FormatText("OnInternetStatusRequestComplete NavigatingDirectory dwResult %u dwError 0x%08X",
                   {ResultValue(result), result}));
  Finish(result, "FtpSetCurrentDirectory", true);
}

void FtpCopyRun::OnEntryFound(ErrorCode result, std::optional<FtpEntry> entry) {
  if (!AcceptsEvent(result)) {
    return;
  }
  if (state_ == kFindingFirstFile) {
    Trace("OnInternetStatusRequestComplete FindingFirstFile");
    if (result == err::kSuccess) {
      ProcessEntries(entry.value_or(FtpEntry{}));
    } else {
      Finish(result, "FtpFindFile", true);
    }
    return;
  }
  if (state_ != kFindingNextFile) {
    Trace(FormatText("CFtpDlg::OnInternetStatusRequestComplete unexpected state %u", {state_}));
    return;
  }
  if (result == err::kNoMoreFiles) {
    Trace("OnInternetStatusRequestComplete FindingNextFile ERROR_NO_MORE_FILES");
    ListingComplete();
  } else if (result == err::kSuccess) {
    Trace("OnInternetStatusRequestComplete FindingNextFile ERROR_SUCCESS");
    ProcessEntries(entry.value_or(FtpEntry{}));
  } else {
    Trace(FormatText("OnInternetStatusRequestComplete FindingNextFile dwError 0x%08X: %s",
                     {result, TextOf(result)}));
    Finish(result, "InternetFindNextFile", true);
  }
}

void FtpCopyRun::OnFileReceived(ErrorCode result) {
  if (!AcceptsEvent(result)) {
    return;
  }
  if (state_ != kGettingFile) {
    Trace(FormatText("CFtpDlg::OnInternetStatusRequestComplete unexpected state %u", {state_}));
    return;
  }
  Trace(FormatText("OnInternetStatusRequestComplete GettingFile dwResult %u dwError 0x%08X",
                   {ResultValue(result), result}));
  if (result == err::kSuccess) {
    ContinueCopy();
  } else {
    Finish(result, "FtpGetFile", true);
  }
}

// --- The run's steps -----------------------------------------------------------------------

void FtpCopyRun::Connected() {
  Line(FtpLineKind::kLog, std::string(LoadString(ids::kConnectedToServer)));
  Navigate();
}

void FtpCopyRun::Navigate() {
  if (IsCancelled()) {
    Finish(err::kCancelled, "Open Session", true);
    return;
  }
  Trace(FormatText("Navigating to %s", {kServerFolder}));
  state_ = kNavigatingDirectory;
  const ErrorCode code = client_.SetCurrentDirectory(kServerFolder);
  if (code == err::kSuccess) {
    StartListing();
  } else {
    CheckAsyncError("FtpSetCurrentDirectory", code);
  }
}

void FtpCopyRun::StartListing() {
  if (IsCancelled()) {
    Finish(err::kCancelled, "Directory Navigation Complete");
    return;
  }
  state_ = kFindingFirstFile;
  FtpEntry entry;
  const ErrorCode code = client_.FindFirstFile(entry);
  if (code == err::kSuccess) {
    ProcessEntries(std::move(entry));
  } else {
    CheckAsyncError("FtpFindFile", code);
  }
}

void FtpCopyRun::ProcessEntries(FtpEntry entry) {
  for (;;) {
    if (IsCancelled()) {
      Finish(err::kCancelled, "File Find Complete");
      return;
    }
    if (Tracing()) {
      Trace(FormatText(ids::kFoundFile, {PrintableFtpName(entry.name)}));
    }
    if (!entry.isDirectory) {
      Classify(entry);
    }
    state_ = kFindingNextFile;
    const ErrorCode code = client_.FindNextFile(entry);
    if (code == err::kNoMoreFiles) {
      ListingComplete();
      return;
    }
    if (code != err::kSuccess) {
      CheckAsyncError("InternetFindNextFile", code);
      return;
    }
  }
}

// Only a plain name is taken: one that names a file in the server folder and, unchanged, one in
// the local folder. Whatever else a listing holds cannot choose what is fetched or where to.
void FtpCopyRun::Classify(const FtpEntry& entry) {
  if (!IsPlainFtpName(entry.name)) {
    if (Tracing() && !entry.name.empty()) {
      Trace(FormatText("Skipped \"%s\": not a plain file name", {PrintableFtpName(entry.name)}));
    }
    return;
  }
  if (IsFirmwareFileName(entry.name) || IsReleaseNotesFileName(entry.name)) {
    candidates_.push_back(entry);
  }
}

void FtpCopyRun::PickServerFiles() {
  // The folder scan's choice, so that the server's newest is picked as the local one is.
  std::vector<DirectoryEntry> names;
  names.reserve(candidates_.size());
  for (const FtpEntry& candidate : candidates_) {
    names.push_back(DirectoryEntry{candidate.name, EntryKind::kRegularFile});
  }
  const FirmwareFolderScan picks = PickFirmwareFiles(std::move(names), {});
  const auto serverFile = [this](const FirmwareFileInfo& pick) -> std::optional<ServerFile> {
    if (!pick.Found()) {
      return std::nullopt;
    }
    const auto listed =
        std::find_if(candidates_.begin(), candidates_.end(),
                     [&pick](const FtpEntry& entry) { return entry.name == pick.path; });
    return ServerFile{pick.revision, pick.path, listed->size};
  };
  serverFirmware_ = serverFile(picks.firmware);
  serverNotes_ = serverFile(picks.notes);
}

void FtpCopyRun::ListingComplete() {
  if (IsCancelled()) {
    Finish(err::kCancelled, "Directory Read Complete");
    return;
  }
  PickServerFiles();
  if (serverFirmware_ &&
      (!localScan_.firmware.Found() || localScan_.firmware.revision < serverFirmware_->revision)) {
    copyList_.push_back(*serverFirmware_);
  } else if (!VerifyLocalFile(localScan_.firmware) && serverFirmware_) {
    // The local file was bad and is gone; the server's replaces it, when it offers one.
    copyList_.push_back(*serverFirmware_);
  }
  if (serverNotes_ && (!copyList_.empty() || !localScan_.notes.Found())) {
    copyList_.push_back(*serverNotes_);
  }
  if (copyList_.empty()) {
    AllCopyComplete();
    return;
  }
  copyIndex_ = -1;
  copyFailures_ = 0;
  Line(FtpLineKind::kStatus, FormatText(ids::kCopyingFilesTo, {options_.folder}));
  ContinueCopy();
}

void FtpCopyRun::ContinueCopy() {
  for (;;) {
    if (IsCancelled()) {
      Finish(err::kCancelled, "File Copy Complete");
      return;
    }
    if (copyIndex_ >= 0) {
      const ServerFile& file = copyList_[static_cast<std::size_t>(copyIndex_)];
      if (const ErrorCode code = PublishFetched(file); code == err::kSuccess) {
        Line(FtpLineKind::kStatus, FormatText(ids::kCopiedFile, {file.name}));
        copied_.push_back(file.name);
        copyFailures_ = 0;
      } else if (++copyFailures_ < kFetchesPerFile) {
        --copyIndex_;  // the same file again
      } else {
        Line(FtpLineKind::kStatus, FormatText(ids::kUnableToCopyFile, {file.name}));
        copyFailure_ = code;
        copyFailures_ = 0;
      }
    }
    ++copyIndex_;
    if (static_cast<std::size_t>(copyIndex_) >= copyList_.size()) {
      AllCopyComplete();
      return;
    }
    if (IsCancelled()) {
      Finish(err::kCancelled, "File Copy");
      return;
    }
    state_ = kGettingFile;
    const ErrorCode code = StartFetch(copyList_[static_cast<std::size_t>(copyIndex_)]);
    if (code != err::kSuccess) {
      CheckAsyncError("FtpGetFile", code);
      return;
    }
  }
}

ErrorCode FtpCopyRun::StartFetch(const ServerFile& file) {
  if (!FtpLocalTarget(options_.folder, file.name)) {
    return err::kInvalidParameter;  // never: only plain names are listed for copying
  }
  if (const ErrorCode code =
          localFiles_.CreateExclusive(options_.folder, file.name, temporaryPath_);
      code != err::kSuccess) {
    temporaryPath_.clear();
    return code;
  }
  return client_.GetFile(file.name, temporaryPath_);
}

// The fetched file replaces the real one only when it passes its checks and is on the disk;
// otherwise it is deleted and the real one stays as it was.
ErrorCode FtpCopyRun::PublishFetched(const ServerFile& file) {
  const std::string temporary = std::exchange(temporaryPath_, std::string());
  const std::string target = *FtpLocalTarget(options_.folder, file.name);
  ErrorCode code = CheckFetched(temporary, file);
  if (code == err::kSuccess) {
    const char* step = file_step::kFlush;
    code = localFiles_.Sync(temporary);
    if (code == err::kSuccess) {
      step = file_step::kMove;
      code = localFiles_.Rename(temporary, target);
    }
    if (code != err::kSuccess) {
      Line(FtpLineKind::kStatus,
           FormatText(ids::kOperationFailedOn, {step, file.name, code, TextOf(code)}));
    }
  }
  if (code != err::kSuccess) {
    DeleteChecked(temporary, file.name);
  }
  return code;
}

// A fetched file is complete when it is not empty, has the size the listing gave, and, for a
// ".hex" file, reads as Intel HEX.
ErrorCode FtpCopyRun::CheckFetched(const std::string& path, const ServerFile& file) {
  std::uint64_t size = 0;
  if (const ErrorCode code = localFiles_.Size(path, size); code != err::kSuccess) {
    Line(FtpLineKind::kStatus,
         FormatText(ids::kOperationFailedOn, {file_step::kSize, file.name, code, TextOf(code)}));
    return code;
  }
  if (size == 0) {
    Line(FtpLineKind::kStatus, FormatText(ids::kFetchedFileEmpty, {file.name}));
    return err::kInvalidData;
  }
  if (file.size && *file.size != size) {
    Line(FtpLineKind::kStatus, FormatText(ids::kFetchedFileSize, {file.name, size, *file.size}));
    return err::kInvalidData;
  }
  return HasFirmwareExtension(file.name) ? VerifyHexFile(path, file.name) : err::kSuccess;
}

ErrorCode FtpCopyRun::VerifyHexFile(const std::string& path, const std::string& name) {
  FirmwareImage image;
  std::unique_ptr<ByteSource> source;
  ErrorCode code = localFiles_.OpenForReading(path, source);
  if (code == err::kSuccess) {
    code = image.ScanBounds(*source);
  }
  if (code == err::kSuccess) {
    Trace(FormatText(ids::kVerificationSucceeded, {name}));
    return err::kSuccess;
  }
  Line(FtpLineKind::kStatus, FormatText(ids::kFileVerificationFailed, {name}));
  Line(FtpLineKind::kStatus,
       FormatText(ids::kLineErrorCode, {image.ErrorLine(), code, TextOf(code)}));
  return code;
}

void FtpCopyRun::DeleteChecked(const std::string& path, const std::string& name) {
  if (const ErrorCode code = localFiles_.Remove(path); code != err::kSuccess) {
    Line(FtpLineKind::kStatus,
         FormatText(ids::kOperationFailedOn, {kDeleteStep, name, code, TextOf(code)}));
  } else {
    Trace(FormatText(ids::kFileDeleted, {name}));
  }
}

bool FtpCopyRun::VerifyLocalFile(const FirmwareFileInfo& file) {
  if (!file.Found()) {
    return false;
  }
  const std::string name(FileNameOf(file.path));
  if (!HasFirmwareExtension(name)) {
    return true;
  }
  if (VerifyHexFile(file.path, name) == err::kSuccess) {
    return true;
  }
  DeleteChecked(file.path, name);
  return false;
}

// --- Requests, cancelling and the end -------------------------------------------------------

bool FtpCopyRun::CheckAsyncError(const char* name, ErrorCode code) {
  if (code == kFtpPending) {
    Trace(FormatText(ids::kRequestStarted, {name}));
    return true;
  }
  // Every failure ends the run, a missing file included: no event follows a request that failed
  // at once, so nothing else would.
  result_ = code;
  Line(FtpLineKind::kVerbose, FormatText(ids::kCompletedWithError, {name, code, TextOf(code)}));
  Finish(code, name);
  return false;
}

bool FtpCopyRun::IsCancelled() {
  if (!cancelRequested_) {
    return false;
  }
  result_ = err::kCancelled;
  return true;
}

void FtpCopyRun::AllCopyComplete() {
  if (!copied_.empty()) {
    Line(FtpLineKind::kStatus,
         FormatText(ids::kCopiedFiles,
                    {static_cast<std::uint32_t>(copied_.size()), options_.folder}));
  }
  // A file that could not be copied leaves the run failed, so its lines stay to be read.
  Finish(copyFailure_, "All Copy Complete");
}

void FtpCopyRun::Finish(ErrorCode code, const char* name, bool forced) {
  Trace(FormatText("CFtpDlg::Finish %s State %u dwErrorCode 0x%08X fForceError %u",
                   {name, state_, code, forced ? 1U : 0U}));
  if (code != err::kSuccess) {
    result_ = code;
  }
  if ((forced || code != err::kSuccess) && !sink_.TellStepFailure(name, code, TextOf(code))) {
    Line(FtpLineKind::kStatus, FormatText(ids::kCompletedWithError, {name, code, TextOf(code)}));
  }
  if (result_ == err::kCancelled) {
    EndSession();
    state_ = kIdle;
    End(FtpCopyEnd::kCancelled);
    return;
  }
  // A failure in the middle of the listing ends the session too (the listing ends with it), so
  // every run that fails comes to its end.
  if (connectionOpen_) {
    state_ = kClosing;
    EndSession();
    state_ = kClosed;
    Finish(err::kSuccess, "Session Closed");
    return;
  }
  state_ = kIdle;
  if (result_ == err::kSuccess && !Tracing()) {
    End(FtpCopyEnd::kCompleted);
    return;
  }
  End(FtpCopyEnd::kStopped);
}

// Closes the session (no event follows) and drops a fetch that did not finish.
void FtpCopyRun::EndSession() {
  if (connectionOpen_) {
    connectionOpen_ = false;
    client_.Close();
  }
  if (!temporaryPath_.empty()) {
    localFiles_.Remove(std::exchange(temporaryPath_, std::string()));
  }
}

void FtpCopyRun::End(FtpCopyEnd end) {
  sink_.FtpCopyEnded(end);
}

void FtpCopyRun::Line(FtpLineKind kind, const std::string& line) {
  sink_.FtpLine(kind, line);
}

void FtpCopyRun::Trace(const std::string& line) {
  if (Tracing()) {
    sink_.FtpLine(FtpLineKind::kTrace, line);
  }
}

std::string FtpCopyRun::TextOf(ErrorCode code) const {
  return FormatErrorText(code, client_.LastResponse());
}

}  // namespace vlx
