// A whole firmware load through QSerialPort against vlx750-sim on a pseudo-terminal, twice:
// 1. paced at the real line rate, from StartLoad to MachineDone, beside the time the line and the
//    machine's own waits take (2,007 packets of 68 bytes and their 1-byte acknowledgements at
//    38400 bit/s, the 2-second wait after "^LDM;" and the 5.5-second reset wait); the short
//    exchanges around them ("I;" with its time-out, "D", the probe, "^RVM;", "^sn;") are their
//    own term. Target: within 2 % of that time, plus the short exchanges. Beside it, a bare
//    paced round trip on a pseudo-terminal pair shows how much of the excess this machine's
//    wake-ups cost whatever program is on the line.
// 2. unpaced, the packet phase (first packet sent to the final "B") per packet exchange, beside
//    a bare round trip of 68 bytes and a 1-byte answer on a pseudo-terminal pair measured in the
//    same run. Target: at most 0.3 ms more per exchange.
// A paced load takes some 45 seconds, so each is run once.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
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
#include <optional>
#include <string>
#include <vector>

#include "BenchHost.h"
#include "firmware/FirmwareLoadMachine.h"
#include "firmware/TestFirmware.h"
#include "model/AppSettings.h"
#include "report/ErrorText.h"
#include "support/process/ChildProcess.h"

namespace {

using namespace std::chrono_literals;

constexpr std::uint16_t kRunningRevision = 123;
constexpr std::uint16_t kLoadedRevision = 124;
constexpr std::uint32_t kPackets = 2007;
constexpr std::uint32_t kPacketBytes = vlx::FirmwareLoadMachine::kPacketSize;
constexpr double kLineRate = 38400;
constexpr double kEnterLoaderWaitMs = 2000;
constexpr double kResetWaitMs = 5500;
constexpr double kShortExchangesMs = 210;
constexpr double kPacedLimitRatio = 1.02;
constexpr double kOverheadLimitMs = 0.3;
constexpr std::uint32_t kPacedBareExchanges = 300;
// Under the machine's 5.5-second wait, so the amplifier answers the first probe after it.
constexpr const char* kSimulatorResetMs = "3000";

double PacketLineMs() {
  return kPackets * (kPacketBytes + 1) * 10 * 1000.0 / kLineRate;
}
double PacedIdealMs() {
  return PacketLineMs() + kEnterLoaderWaitMs + kResetWaitMs;
}

// Times the load: its start, the line that opens the packet phase, the line that follows the
// final "B", and MachineDone, which stops the event loop.
class LoadWatch final : public vlx::FirmwareTextSink, public vlx::Listener {
 public:
  LoadWatch(vlx::AppSettings& app, QEventLoop& loop) : app_(app), loop_(loop) {
    app_.machineDone.Subscribe(*this);
    clock_.start();
  }
  ~LoadWatch() override { app_.machineDone.Unsubscribe(*this); }

  void FirmwareText(const std::string& line) override {
    if (line.starts_with("Sending firmware file")) {
      packetsFromNs = clock_.nsecsElapsed();
    } else if (line.starts_with("Waiting")) {
      packetsToNs = clock_.nsecsElapsed();
    }
  }
  void OnMessage(vlx::MessageId, vlx::MessageParam wParam) override {
    doneNs = clock_.nsecsElapsed();
    code = static_cast<vlx::ErrorCode>(wParam);
    loop_.quit();
  }

  std::optional<qint64> packetsFromNs;
  std::optional<qint64> packetsToNs;
  std::optional<qint64> doneNs;
  vlx::ErrorCode code = vlx::err::kSuccess;

 private:
  vlx::AppSettings& app_;
  QEventLoop& loop_;
  QElapsedTimer clock_;
};

struct LoadResult {
  std::string failure;  // empty when the load and the revision check succeeded
  double totalMs = 0;
  double packetPhaseMs = 0;
  std::uint32_t retries = 0;
};

LoadResult RunLoad(bool pace, const std::string& firmwarePath) {
  LoadResult result;
  const std::string link = "/tmp/vlx750-load-bench-" + std::to_string(getpid());
  std::vector<std::string> arguments{
      "--link",        link, "--revision",   std::to_string(kRunningRevision),
      "--packet-time", "0",  "--reset-time", kSimulatorResetMs};
  if (pace) {
    arguments.push_back("--pace");
  }
  vlx::test::ChildProcess simulator(VLX750_SIM_PATH, arguments);
  if (!simulator.FirstStdoutLine(5s)) {
    result.failure = "vlx750-sim did not start";
    return result;
  }

  vlx::bench::BenchHost host(link);
  vlx::AppSettings& app = host.App();
  if (!host.FindAmplifier(20000)) {
    result.failure = "the amplifier was not found";
    return result;
  }

  app.SetAvailableFirmware(kLoadedRevision, firmwarePath);
  auto machine = app.InstallTransientMachine(std::make_unique<vlx::FirmwareLoadMachine>(app));
  QEventLoop loop;
  LoadWatch watch(app, loop);
  QTimer::singleShot(120000, &loop, &QEventLoop::quit);
  if (machine->StartLoad(watch) && !watch.doneNs) {
    loop.exec();
  }

  if (!watch.doneNs) {
    result.failure = "the load did not end within 120 s";
  } else if (watch.code != vlx::err::kSuccess) {
    result.failure = "the load ended with " + vlx::FormatErrorText(watch.code);
  } else if (const vlx::ErrorCode check = machine->VerifyRevision(false);
             check != vlx::err::kSuccess) {
    result.failure = "the revision check ended with " + vlx::FormatErrorText(check);
  } else if (!watch.packetsFromNs || !watch.packetsToNs) {
    result.failure = "the load's lines did not mark its packet phase";
  } else {
    result.totalMs = static_cast<double>(*watch.doneNs) / 1e6;
    result.packetPhaseMs = static_cast<double>(*watch.packetsToNs - *watch.packetsFromNs) / 1e6;
    result.retries = machine->TotalRetries();
  }
  machine.Release();
  simulator.Signal(SIGTERM);
  simulator.WaitForExit(5s);
  return result;
}

// Sleeps until `due` in one ppoll, as the simulator waits for its next byte.
void WaitUntil(std::chrono::steady_clock::time_point due) {
  const auto wait =
      std::chrono::ceil<std::chrono::microseconds>(due - std::chrono::steady_clock::now());
  if (wait.count() > 0) {
    const timespec timeout{static_cast<time_t>(wait.count() / 1'000'000),
                           static_cast<long>(wait.count() % 1'000'000 * 1000)};
    ppoll(nullptr, 0, &timeout, nullptr);
  }
}

// The loader's side of the bare round trip: one "A" for every 68 bytes. `paced`, it takes each
// byte its line time after the first arrived, waking for each as the simulator does, and sends
// the answer its own line time later. Returns when the terminal side is closed.
void EchoPackets(int master, bool paced) {
  const auto byteTime = std::chrono::microseconds(10'000'000 / static_cast<int>(kLineRate));
  char buffer[256];
  std::size_t gathered = 0;
  std::chrono::steady_clock::time_point firstArrived;
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) {
    if (gathered == 0) {
      firstArrived = std::chrono::steady_clock::now();
    }
    for (gathered += static_cast<std::size_t>(n); gathered >= kPacketBytes;
         gathered -= kPacketBytes) {
      if (paced) {
        for (std::uint32_t byte = 1; byte <= kPacketBytes + 1; ++byte) {
          WaitUntil(firstArrived + byte * byteTime);
        }
      }
      if (write(master, "A", 1) != 1) {
        return;
      }
    }
  }
}

// The pseudo-terminal alone: a child process on the master side, as the simulator is, plays the
// loader; the terminal side, raw as QSerialPort sets it, times write-then-answer.
std::optional<double> BarePtyRoundTripMs(std::uint32_t exchanges, bool paced) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    return std::nullopt;
  }
  const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
  if (terminal < 0) {
    close(master);
    return std::nullopt;
  }
  termios raw{};
  tcgetattr(terminal, &raw);
  cfmakeraw(&raw);
  tcsetattr(terminal, TCSANOW, &raw);

  const pid_t loader = fork();
  if (loader == 0) {
    close(terminal);
    EchoPackets(master, paced);
    _exit(0);
  }
  close(master);
  if (loader < 0) {
    close(terminal);
    return std::nullopt;
  }

  const std::string packet(kPacketBytes, '\x55');
  bool ok = true;
  QElapsedTimer clock;
  clock.start();
  for (std::uint32_t i = 0; i < exchanges && ok; ++i) {
    ok = write(terminal, packet.data(), packet.size()) == static_cast<ssize_t>(packet.size());
    pollfd readable{terminal, POLLIN, 0};
    char answer = 0;
    ok = ok && poll(&readable, 1, 1000) == 1 && read(terminal, &answer, 1) == 1 && answer == 'A';
  }
  const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  close(terminal);
  if (!ok) {
    kill(loader, SIGKILL);
  }
  waitpid(loader, nullptr, 0);
  if (!ok) {
    return std::nullopt;
  }
  return ms / exchanges;
}

std::filesystem::path WriteFirmwareFile(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const std::filesystem::path path = folder / vlxsim::TestFirmwareFileName(kLoadedRevision);
  // The reconciliation word left 0, for the load to fill in as with a released file.
  std::ofstream(path, std::ios::binary)
      << vlxsim::MakeTestFirmwareHex({.revision = kLoadedRevision, .reconciliationWord = false});
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vlx-load-bench-" + std::to_string(getpid()));
  const std::string firmware = WriteFirmwareFile(folder).string();
  bool allMet = true;

  std::printf("Paced load, StartLoad to MachineDone (one run: it takes some 45 s)\n");
  std::fflush(stdout);
  const LoadResult paced = RunLoad(true, firmware);
  if (!paced.failure.empty()) {
    std::printf("  FAILED: %s\n", paced.failure.c_str());
    allMet = false;
  } else {
    const double ideal = PacedIdealMs();
    const double limit = ideal * kPacedLimitRatio + kShortExchangesMs;
    allMet = allMet && paced.totalMs <= limit;
    std::printf("  measured        %10.1f ms  (%u retries, load average %s)\n", paced.totalMs,
                paced.retries, vlx::bench::LoadAverage().c_str());
    std::printf(
        "  ideal           %10.1f ms  (packets %.1f + \"^LDM;\" wait %.0f + reset wait %.0f)\n",
        ideal, PacketLineMs(), kEnterLoaderWaitMs, kResetWaitMs);
    std::printf("  short exchanges %10.1f ms\n", kShortExchangesMs);
    std::printf("  ratio           %10.4f     measured / ideal\n", paced.totalMs / ideal);
    std::printf(
        "  ratio           %10.4f     (measured - short exchanges) / ideal, target <= %.2f\n",
        (paced.totalMs - kShortExchangesMs) / ideal, kPacedLimitRatio);
    std::printf("  limit           %10.1f ms  %s\n", limit,
                paced.totalMs <= limit ? "met" : "MISSED");
    std::printf(
        "  packet phase    %10.1f ms  against %.1f on the line: %.4f ms more per exchange\n",
        paced.packetPhaseMs, PacketLineMs(), (paced.packetPhaseMs - PacketLineMs()) / kPackets);
    std::printf("  the rest        %10.1f ms  against %.1f for the waits and short exchanges\n",
                paced.totalMs - paced.packetPhaseMs,
                kEnterLoaderWaitMs + kResetWaitMs + kShortExchangesMs);
    // What this machine's wake-ups alone add to a paced exchange, the program left out.
    if (const auto bare = BarePtyRoundTripMs(kPacedBareExchanges, true)) {
      const double exchangeLineMs = PacketLineMs() / kPackets;
      std::printf(
          "  bare paced trip %10.4f ms  against %.4f on the line: %.4f ms more per exchange "
          "(mean of %u)\n",
          *bare, exchangeLineMs, *bare - exchangeLineMs, kPacedBareExchanges);
      std::printf("  program's share %10.4f ms  more per exchange than the bare paced trip\n",
                  paced.packetPhaseMs / kPackets - *bare);
    }
  }

  std::printf("\nUnpaced load, packet phase (first packet to the final \"B\"), one run\n");
  std::fflush(stdout);
  const std::optional<double> bareBefore = BarePtyRoundTripMs(kPackets, false);
  const LoadResult unpaced = RunLoad(false, firmware);
  const std::optional<double> bareAfter = BarePtyRoundTripMs(kPackets, false);
  // The quicker of the two, so that noise cannot hide overhead.
  const std::optional<double> bare =
      bareBefore && bareAfter ? std::optional(std::min(*bareBefore, *bareAfter)) : std::nullopt;
  if (!unpaced.failure.empty()) {
    std::printf("  FAILED: %s\n", unpaced.failure.c_str());
    allMet = false;
  } else if (!bare) {
    std::printf("  FAILED: the bare pseudo-terminal round trip could not be measured\n");
    allMet = false;
  } else {
    const double perExchange = unpaced.packetPhaseMs / kPackets;
    const double overhead = perExchange - *bare;
    allMet = allMet && overhead <= kOverheadLimitMs;
    std::printf(
        "  packet phase    %10.1f ms  (%u packets, %u retries, whole load %.1f ms, load "
        "average %s)\n",
        unpaced.packetPhaseMs, kPackets, unpaced.retries, unpaced.totalMs,
        vlx::bench::LoadAverage().c_str());
    std::printf("  per exchange    %10.4f ms\n", perExchange);
    std::printf(
        "  bare pty trip   %10.4f ms  (%u bytes out, 1 back, mean of %u; %.4f before the "
        "load, %.4f after)\n",
        *bare, kPacketBytes, kPackets, *bareBefore, *bareAfter);
    std::printf("  overhead        %10.4f ms  per exchange, target <= %.1f  %s\n", overhead,
                kOverheadLimitMs, overhead <= kOverheadLimitMs ? "met" : "MISSED");
  }

  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return allMet ? 0 : 1;
}
