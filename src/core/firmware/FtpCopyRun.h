#pragma once
// One copy of the newest firmware and release notes from the maker's FTP server ("VLX/firmware")
// into the firmware folder, at most three tries per file.
// A fetch lands in a temporary file of ours and replaces the real name only once it is complete and
// checked, so the folder never holds a partial file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "firmware/FirmwareFolder.h"
#include "firmware/FtpClient.h"
#include "firmware/FtpServer.h"
#include "report/ErrorCode.h"

namespace vlx {

class FileSystem;
class FtpLocalFiles;
class Prompts;

// The channels of the dialog's lines: every line goes to its log; a status line also to the
// status bar, a verbose one also to the verbose output. Trace lines are only made while the
// run traces.
enum class FtpLineKind { kLog, kStatus, kVerbose, kTrace };

// How a run ended, which decides how its window ends.
enum class FtpCopyEnd {
  kCompleted,  // clean and not traced: the window closes by itself
  kCancelled,  // the user cancelled: the window ends at once
  kStopped,    // failed, or traced: the lines stay until the user is done with them
};

class FtpCopySink {
 public:
  virtual ~FtpCopySink() = default;
  virtual void FtpLine(FtpLineKind kind, const std::string& line) = 0;
  // A step (InternetConnect, FtpGetFile, Cancel Button, ...) ended the run with `code`, and
  // `reason` is the code's text. A sink that tells it in its own terms does so and returns true;
  // the window's status line for it is then left out.
  virtual bool TellStepFailure(const char* /*step*/, ErrorCode /*code*/,
                               const std::string& /*reason*/) {
    return false;
  }
  // The run's last word; it may be asked to run again afterwards but must not be destroyed
  // from inside this call.
  virtual void FtpCopyEnded(FtpCopyEnd end) = 0;
};

struct FtpCopyOptions {
  FtpServerAddress server;
  std::string folder;  // the local firmware folder
  bool trace = false;
};

// The file being fetched, for a progress display.
struct FtpFetchProgress {
  std::string name;
  std::optional<std::uint64_t> size;  // as the listing gave it
  std::uint64_t received = 0;
};

class FtpCopyRun final : private FtpEvents {
 public:
  // The run's states, by the names its trace lines give them.
  enum State : std::uint32_t {
    kIdle = 0,
    kOpeningSession = 1,
    kNavigatingDirectory = 2,
    kFindingFirstFile = 3,
    kFindingNextFile = 4,
    kGettingFile = 5,
    kClosing = 6,
    kClosed = 7,
  };

  FtpCopyRun(FtpClient& client, FileSystem& fileSystem, FtpLocalFiles& localFiles,
             FtpCopySink& sink, FtpCopyOptions options);
  ~FtpCopyRun() override;
  FtpCopyRun(const FtpCopyRun&) = delete;
  FtpCopyRun& operator=(const FtpCopyRun&) = delete;

  // Asks to create the folder when it is missing; false when it is not there afterwards.
  bool EnsureFolder(Prompts& prompts);

  // Starts a run when none is in progress. It ends through the sink, perhaps before this
  // returns.
  void Run();
  // Stops the run in progress at once (the sink hears kCancelled); false when none runs.
  bool Cancel();

  bool Running() const { return state_ != kIdle; }
  State CurrentState() const { return state_; }
  // The run's code: 0, the first failure's, or 1223 after Cancel.
  ErrorCode Result() const { return result_; }
  // The names of the files this run put into the folder.
  const std::vector<std::string>& CopiedFiles() const { return copied_; }
  // The fetch in progress, if any.
  std::optional<FtpFetchProgress> Fetch() const;

 private:
  struct ServerFile {
    std::uint16_t revision = 0;
    std::string name;  // a plain name, in the server folder and in the local one
    std::optional<std::uint64_t> size;
  };

  // FtpEvents: the completion of the request the current state issued.
  void OnConnected(ErrorCode result) override;
  void OnDirectorySet(ErrorCode result) override;
  void OnEntryFound(ErrorCode result, std::optional<FtpEntry> entry) override;
  void OnFileReceived(ErrorCode result) override;
  bool AcceptsEvent(ErrorCode result);

  void Connected();
  void Navigate();
  void StartListing();
  void ProcessEntries(FtpEntry entry);
  void Classify(const FtpEntry& entry);
  void PickServerFiles();
  void ListingComplete();
  void ContinueCopy();
  ErrorCode StartFetch(const ServerFile& file);
  ErrorCode PublishFetched(const ServerFile& file);

  bool CheckAsyncError(const char* name, ErrorCode code);
  ErrorCode VerifyHexFile(const std::string& path, const std::string& name);
  bool VerifyLocalFile(const FirmwareFileInfo& file);
  ErrorCode CheckFetched(const std::string& path, const ServerFile& file);
  void DeleteChecked(const std::string& path, const std::string& name);
  bool IsCancelled();
  void AllCopyComplete();
  void Finish(ErrorCode code, const char* name, bool forced = false);
  void EndSession();
  void End(FtpCopyEnd end);
  void RemoveLeftovers();

  void Line(FtpLineKind kind, const std::string& line);
  void Trace(const std::string& line);
  bool Tracing() const { return options_.trace; }
  std::string TextOf(ErrorCode code) const;

  FtpClient& client_;
  FileSystem& fileSystem_;
  FtpLocalFiles& localFiles_;
  FtpCopySink& sink_;
  const FtpCopyOptions options_;

  State state_ = kIdle;
  bool connectionOpen_ = false;
  bool cancelRequested_ = false;
  ErrorCode result_ = err::kSuccess;
  FirmwareFolderScan localScan_;
  // The listed files named like firmware or notes; the choice among them is made once the
  // listing is complete.
  std::vector<FtpEntry> candidates_;
  std::optional<ServerFile> serverFirmware_;
  std::optional<ServerFile> serverNotes_;
  std::vector<ServerFile> copyList_;
  std::int32_t copyIndex_ = -1;
  std::uint32_t copyFailures_ = 0;
  // The code of the last file that could not be copied; the run then does not end clean.
  ErrorCode copyFailure_ = err::kSuccess;
  std::vector<std::string> copied_;
  std::string temporaryPath_;  // the fetch's own file while it is ours
};

}  // namespace vlx
