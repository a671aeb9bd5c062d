#pragma once
// `vlxctl ftp list`: connects to the FTP server as the copy dialog does, lists "VLX/firmware"
// and prints each entry, then the firmware file and the release notes a copy would pick. No
// port and no amplifier are involved.

#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "firmware/FirmwareFolder.h"
#include "firmware/FtpClient.h"

namespace vlx {
class SettingsStore;
}

namespace vlx::cli {

// The server of an ftp verb: --ftp-server's, else the FtpServer setting's (an unusable setting
// is told on stderr and the maker's server used).
FtpServerAddress FtpServerToUse(const CliOptions& options, const SettingsStore& store);

class FtpListCommand final : public QObject, public FtpEvents {
 public:
  // `client` is the session to use; the server is --ftp-server's, else the FtpServer setting.
  FtpListCommand(const CliOptions& options, const SettingsStore& store,
                 std::unique_ptr<FtpClient> client);
  ~FtpListCommand() override;

  // Starts the listing; the event loop ends with the exit code.
  void Start();

  void OnConnected(ErrorCode result) override;
  void OnDirectorySet(ErrorCode result) override;
  void OnEntryFound(ErrorCode result, std::optional<FtpEntry> entry) override;
  void OnFileReceived(ErrorCode result) override;

 private:
  // A call's answer: pending waits for its event, anything else is handled now.
  void Answered(ErrorCode answer, const char* operation);
  void Failed(ErrorCode code, const char* operation);
  void NextEntries(bool first);
  // Prints an entry (true: ask for the next) or ends with the listing's end or failure.
  bool TakeEntry(ErrorCode result, const std::optional<FtpEntry>& entry);
  void PrintPicks();
  // The listing and the picks as one object, for --json.
  void PrintJson(const FirmwareFolderScan& picks) const;
  void Finish(int exitCode);

  FtpServerAddress server_;
  bool verbose_;
  bool json_;
  std::unique_ptr<FtpClient> client_;
  std::vector<FtpEntry> entries_;
  bool firstEntryAsked_ = false;  // the first entry has come: the next call is FindNextFile
  bool finished_ = false;
};

}  // namespace vlx::cli
