#include "FtpFetchCommand.h"

#include <QCoreApplication>
#include <filesystem>

#include "ConsoleReporting.h"
#include "FtpListCommand.h"
#include "Output.h"
#include "TerminalWords.h"
#include "model/DataFolders.h"
#include "model/MessageIds.h"
#include "model/Setting.h"
#include "report/TextFormat.h"

namespace vlx::cli {
namespace {

// The folder named on the command line, else the window's, else the window's default; made
// absolute so that the lines name it the same wherever vlxctl was started.
std::string FolderToUse(const std::optional<std::string>& folder, const SettingsStore& store,
                        FileSystem& files) {
  std::string path;
  if (folder) {
    path = *folder;
  } else {
    StringSetting setting{kMsgFirmwareFolder, "FirmwareFolder"};
    setting.Load(store);
    path = setting.Get();
    if (path.empty()) {
      path = DefaultDataFolder(files, kFirmwareLeaf);
    }
  }
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error || path.empty() ? path : absolute.lexically_normal().string();
}

}  // namespace

FtpFetchCommand::FtpFetchCommand(const CliOptions& options, const SettingsStore& store,
                                 const std::optional<std::string>& folder,
                                 std::unique_ptr<FtpClient> client)
    : verbose_(options.verbose),
      copy_{FtpServerToUse(options, store), FolderToUse(folder, store, files_), options.trace},
      client_(std::move(client)),
      run_(*client_, files_, localFiles_, *this, copy_),
      signals_([this](int) { OnSignal(); }) {}

FtpFetchCommand::~FtpFetchCommand() = default;

void FtpFetchCommand::Start() {
  if (finished_) {
    return;  // Ctrl+C came first
  }
  // The window offers to create a missing folder; here a mistyped one is not made.
  if (copy_.folder.empty() || !files_.IsDirectory(copy_.folder)) {
    PrintError(FormatText("vlxctl: the firmware folder \"%s\" does not exist", {copy_.folder}));
    Finish(exit_code::kFailure);
    return;
  }
  run_.Run();
}

void FtpFetchCommand::FtpLine(FtpLineKind kind, const std::string& line) {
  if (kind == FtpLineKind::kVerbose && !verbose_) {
    return;
  }
  PrintError(line);
}

bool FtpFetchCommand::TellStepFailure(const char* step, ErrorCode code, const std::string& reason) {
  PrintError(FtpFailureWords(step, code, reason));
  return true;
}

void FtpFetchCommand::FtpCopyEnded(FtpCopyEnd) {
  PrintSummary();
  if (run_.Result() == err::kSuccess) {
    Finish(exit_code::kSuccess);
  } else {
    Finish(interrupted_ ? exit_code::kInterrupted : exit_code::kFailure);
  }
}

// What the folder gained, one line per file, so a script can read it; a run that stopped early
// may still have copied a file.
void FtpFetchCommand::PrintSummary() const {
  for (const std::string& name : run_.CopiedFiles()) {
    PrintOutput("copied %s\n", JoinPath(copy_.folder, name).c_str());
  }
  if (run_.CopiedFiles().empty() && run_.Result() == err::kSuccess) {
    PrintOutput("nothing new: %s is up to date\n", copy_.folder.c_str());
  }
}

void FtpFetchCommand::OnSignal() {
  if (finished_) {
    return;
  }
  interrupted_ = true;
  // The run ends through FtpCopyEnded before Cancel returns.
  if (!run_.Cancel()) {
    Finish(exit_code::kInterrupted);
  }
}

void FtpFetchCommand::Finish(int exitCode) {
  if (finished_) {
    return;
  }
  finished_ = true;
  QCoreApplication::exit(exitCode);
}

}  // namespace vlx::cli
