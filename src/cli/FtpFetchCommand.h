#pragma once
// `vlxctl ftp fetch [--folder DIR]`: the Copy Files dialog's run from a terminal, its lines on
// stderr and what it copied on stdout. Ctrl+C (or SIGTERM) cancels the run and drops a fetch in
// progress: the folder keeps only what it held and what was copied whole.

#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "CliOptions.h"
#include "SignalWatcher.h"
#include "files/PosixFtpLocalFiles.h"
#include "firmware/FtpCopyRun.h"
#include "settings/QtFileSystem.h"

namespace vlx {
class SettingsStore;
}

namespace vlx::cli {

class FtpFetchCommand final : public QObject, private FtpCopySink {
 public:
  // `folder` replaces the FirmwareFolder setting; `client` is the session to use.
  FtpFetchCommand(const CliOptions& options, const SettingsStore& store,
                  const std::optional<std::string>& folder, std::unique_ptr<FtpClient> client);
  ~FtpFetchCommand() override;

  // Starts the run; the event loop ends with the exit code.
  void Start();

 private:
  void FtpLine(FtpLineKind kind, const std::string& line) override;
  void FtpCopyEnded(FtpCopyEnd end) override;
  bool TellStepFailure(const char* step, ErrorCode code, const std::string& reason) override;
  void OnSignal();
  void PrintSummary() const;
  void Finish(int exitCode);

  bool verbose_;
  QtFileSystem files_;
  PosixFtpLocalFiles localFiles_;
  FtpCopyOptions copy_;
  std::unique_ptr<FtpClient> client_;
  // Declared after the client: it closes its session and drops its fetch while the client lives.
  FtpCopyRun run_;
  SignalWatcher signals_;
  bool interrupted_ = false;
  bool finished_ = false;
};

}  // namespace vlx::cli
