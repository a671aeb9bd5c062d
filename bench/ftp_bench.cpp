// The copy from the maker's server on the loopback address, through the libcurl client and the
// copy run as the Copy Files dialog drives them, against our pyftpdlib test server:
//   - a full copy: a test firmware (about 360 KB of HEX) and the release notes into an empty
//     folder, from Run to the run's end (target under 1 s);
//   - a listing of 100,000 entries read to its end by a run that finds nothing to copy (target
//     under 2 s, and under 50 MB more resident memory than before it);
//   - Cancel in a transfer throttled to 20 KB/s: from the press to the client's end, its
//     transfer stopped and its thread gone (target under 1 s).
// Each figure is the slowest of a few rounds. Exit status 0 when every target is met.

#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ErrorTexts.h"
#include "files/PosixFtpLocalFiles.h"
#include "firmware/FtpCopyRun.h"
#include "ftp/CurlFtpClient.h"
#include "report/ErrorText.h"
#include "settings/QtFileSystem.h"
#include "support/process/ChildProcess.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kRounds = 3;
constexpr double kCopyLimitMs = 1000;
constexpr double kListingLimitMs = 2000;
constexpr double kListingMemoryLimitMb = 50;
constexpr double kCancelLimitMs = 1000;
// Made-up entries beside the two real files: the listing holds 100,000, the most a run takes.
constexpr int kListingEntries = 100000 - 2;

// The test server on a folder of its own; stopped with the object.
class Server {
 public:
  Server(const fs::path& root, std::vector<std::string> switches) {
    std::vector<std::string> arguments{VLX_FTP_SERVER_SCRIPT, "--root", root.string()};
    arguments.insert(arguments.end(), switches.begin(), switches.end());
    process_ = std::make_unique<vlx::test::ChildProcess>(VLX_SYSTEM_PYTHON, arguments);
    const std::optional<std::string> line = process_->FirstStdoutLine(20s);
    if (line && line->rfind("PORT ", 0) == 0) {
      port_ = static_cast<std::uint16_t>(std::stoul(line->substr(5)));
    }
  }
  std::uint16_t Port() const { return port_; }

 private:
  std::unique_ptr<vlx::test::ChildProcess> process_;
  std::uint16_t port_ = 0;
};

// Ends an event loop when the run ends.
class EndWatch final : public vlx::FtpCopySink {
 public:
  explicit EndWatch(QEventLoop& loop) : loop_(loop) {}
  void FtpLine(vlx::FtpLineKind, const std::string&) override {}
  void FtpCopyEnded(vlx::FtpCopyEnd) override {
    ended_ = true;
    loop_.quit();
  }
  bool Ended() const { return ended_; }

 private:
  QEventLoop& loop_;
  bool ended_ = false;
};

// The memory the process holds now and the most it has held, in MB.
double StatusMb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) {
      return std::stod(line.substr(std::string(field).size())) / 1024.0;
    }
  }
  return 0;
}

struct RunResult {
  bool ended = false;
  vlx::ErrorCode code = 0;
  double ms = 0;
  std::vector<std::string> copied;
};

// One run into `folder` against the server on `port`. `cancelWhen` is asked every 10 ms while
// the run is in progress; once it answers true the run is cancelled, and `cancelMs` receives the
// time from that press until the run and its client are gone (the client waits for its thread).
template <typename CancelWhen>
RunResult CopyOnce(std::uint16_t port, const fs::path& folder, CancelWhen cancelWhen,
                   std::optional<double>* cancelMs = nullptr) {
  vlx::QtFileSystem files;
  vlx::PosixFtpLocalFiles localFiles;
  auto client = std::make_unique<vlx::CurlFtpClient>();
  QEventLoop loop;
  EndWatch watch(loop);
  auto run = std::make_unique<vlx::FtpCopyRun>(
      *client, files, localFiles, watch,
      vlx::FtpCopyOptions{vlx::FtpServerAddress{"127.0.0.1", port}, folder.string(), false});
  QTimer patience;
  patience.setSingleShot(true);
  QObject::connect(&patience, &QTimer::timeout, &loop, &QEventLoop::quit);
  patience.start(30000);
  QElapsedTimer cancel;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!cancel.isValid() && run->Running() && cancelWhen(*run)) {
      cancel.start();
      run->Cancel();
    }
  });
  poll.start(10);

  QElapsedTimer wall;
  wall.start();
  run->Run();
  if (!watch.Ended()) {
    loop.exec();
  }
  RunResult result;
  result.ms = static_cast<double>(wall.nsecsElapsed()) / 1e6;
  result.ended = watch.Ended();
  result.code = run->Result();
  result.copied = run->CopiedFiles();
  run.reset();
  client.reset();
  if (cancelMs != nullptr && cancel.isValid()) {
    *cancelMs = static_cast<double>(cancel.nsecsElapsed()) / 1e6;
  }
  return result;
}

bool Report(const char* name, double value, double limit, const char* unit) {
  const bool met = value >= 0 && value < limit;
  std::printf("%-44s %9.1f %s (target < %.0f %s)%s\n", name, value, unit, limit, unit,
              met ? "" : "  NOT MET");
  return met;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  vlx::InstallPlatformErrorTexts();
  const fs::path work = fs::temp_directory_path() / ("vlx-ftp-bench-" + std::to_string(getpid()));
  const fs::path served = work / "server";
  fs::create_directories(served / "VLX" / "firmware");
  vlx::test::ChildProcess maker(
      VLX750_MKFW_PATH, {"--revision", "160", "-o", (served / "VLX" / "firmware").string()});
  if (maker.WaitForExit(20s) != 0) {
    std::fprintf(stderr, "vlx750-mkfw failed: %s\n", maker.Stderr().c_str());
    return 2;
  }
  fs::copy_file(VLX_NOTES_FIXTURE, served / "VLX" / "firmware" / "vlxfwnotes.rtf");
  const std::uintmax_t hexBytes = fs::file_size(served / "VLX" / "firmware" / "VLX750fp0160.hex");
  bool met = true;

  {
    Server server(served, {});
    double slowest = -1;
    for (int round = 0; round < kRounds && server.Port() != 0; ++round) {
      const fs::path folder = work / ("copy" + std::to_string(round));
      fs::create_directories(folder);
      const RunResult result =
          CopyOnce(server.Port(), folder, [](vlx::FtpCopyRun&) { return false; });
      if (!result.ended || result.code != 0 || result.copied.size() != 2) {
        std::fprintf(stderr, "the copy failed: %s\n", vlx::FormatErrorText(result.code).c_str());
        slowest = -1;
        break;
      }
      slowest = std::max(slowest, result.ms);
    }
    std::printf("HEX file of %ju bytes and the notes, %d rounds\n", hexBytes, kRounds);
    met = Report("full copy into an empty folder", slowest, kCopyLimitMs, "ms") && met;
  }

  {
    Server server(served, {"--entries", std::to_string(kListingEntries)});
    double slowest = -1;
    double extraMb = 0;
    for (int round = 0; round < kRounds && server.Port() != 0; ++round) {
      const fs::path folder = work / ("copy" + std::to_string(round));  // holds both already
      const double before = StatusMb("VmRSS:");
      const RunResult result =
          CopyOnce(server.Port(), folder, [](vlx::FtpCopyRun&) { return false; });
      if (!result.ended || result.code != 0 || !result.copied.empty()) {
        std::fprintf(stderr, "the listing failed: %s\n", vlx::FormatErrorText(result.code).c_str());
        slowest = -1;
        break;
      }
      slowest = std::max(slowest, result.ms);
      extraMb = std::max(extraMb, StatusMb("VmHWM:") - before);
    }
    met = Report("listing of 100,000 entries", slowest, kListingLimitMs, "ms") && met;
    met = Report("  memory beyond what was resident before", slowest < 0 ? -1 : extraMb,
                 kListingMemoryLimitMb, "MB") &&
          met;
  }

  {
    Server server(served, {"--rate", "20000"});
    double slowest = -1;
    for (int round = 0; round < kRounds && server.Port() != 0; ++round) {
      const fs::path folder = work / ("cancel" + std::to_string(round));
      fs::create_directories(folder);
      std::optional<double> cancelMs;
      const RunResult result = CopyOnce(
          server.Port(), folder,
          [](vlx::FtpCopyRun& run) {
            const std::optional<vlx::FtpFetchProgress> fetch = run.Fetch();
            return fetch && fetch->received > 0;
          },
          &cancelMs);
      if (!result.ended || result.code != vlx::err::kCancelled || !cancelMs ||
          !fs::is_empty(folder)) {
        std::fprintf(stderr, "the cancelled copy did not end clean: %s\n",
                     vlx::FormatErrorText(result.code).c_str());
        slowest = -1;
        break;
      }
      slowest = std::max(slowest, *cancelMs);
    }
    met = Report("Cancel during a 20 KB/s transfer", slowest, kCancelLimitMs, "ms") && met;
  }

  fs::remove_all(work);
  return met ? 0 : 1;
}
