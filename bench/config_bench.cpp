// A configuration save and a restore of what it read, through QSerialPort against vlx750-sim --pace
// on a pseudo-terminal, at each of the four line rates, each from its start to MachineDone, next
// to the least time it can take: every command and reply on the line at 10 bits a character, the
// simulator's processing delay once per exchange, and the machine's own waits: the save's 700 ms
// after the last block; the restore's 700 ms, 100 ms after "^rpm;" (whose five characters leave
// within it) and one probe ";" answered at once, the amplifier being back at the rate it had.
// Target: the slowest of a few rounds at most 5 % over that time, plus 20 ms.

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BenchHost.h"
#include "config/ConfigurationRanges.h"
#include "config/ConfigurationRestoreMachine.h"
#include "config/ConfigurationSaveMachine.h"
#include "config/EepromBlockStates.h"
#include "config/LoopStates.h"
#include "report/ErrorText.h"
#include "support/process/ChildProcess.h"

namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kRates[] = {4800, 9600, 19200, 38400};
// Given to the simulator, so that the minimum counts what it does.
constexpr std::uint32_t kProcessingDelayMs = 2;
constexpr double kLimitRatio = 1.05;
constexpr double kLimitSlackMs = 20;
// Wake-ups come late now and then on a busy machine: each figure is given as the quickest and the
// slowest of a few rounds.
constexpr int kRounds = 3;
// "^ER" or "^EW", bank, address, count and checksum as two digits each, ";".
constexpr std::uint32_t kBlockFrameChars = 12;

// The minimum of a run: line time in characters, exchanges that each cost the processing delay,
// and the machine's waits.
struct Minimum {
  std::uint32_t lineChars = 0;
  std::uint32_t exchanges = 0;
  std::uint32_t waitMs = 0;
  std::string waits;  // what waitMs is made of

  double LineMs(std::uint32_t rate) const { return lineChars * 10 * 1000.0 / rate; }
  double Ms(std::uint32_t rate) const {
    return LineMs(rate) + exchanges * kProcessingDelayMs + waitMs;
  }
};

// The blocks of at most 64 bytes that carry the configuration ranges, in the order they go.
std::vector<std::uint32_t> ConfigurationBlocks() {
  std::vector<std::uint32_t> blocks;
  for (const vlx::EepromRange& range : vlx::kConfigurationRanges) {
    for (std::uint32_t left = range.last - range.first + 1u; left > 0;) {
      const std::uint32_t block = std::min(left, vlx::EepromBlockState::kMaxBlockBytes);
      blocks.push_back(block);
      left -= block;
    }
  }
  return blocks;
}

// Each block: a 12-character "^ER" command, its reply with two digits a byte.
Minimum SaveMinimum() {
  constexpr std::uint32_t kDelayMs = vlx::DelayFinishProgressState::kDelayMs;
  Minimum minimum{.waitMs = kDelayMs, .waits = "wait " + std::to_string(kDelayMs)};
  for (const std::uint32_t block : ConfigurationBlocks()) {
    minimum.lineChars += kBlockFrameChars + kBlockFrameChars + 2 * block;
    ++minimum.exchanges;
  }
  return minimum;
}

// Each block: its "^EW" command with two digits a byte, a 12-character echo; then the probe.
Minimum RestoreMinimum() {
  constexpr std::uint32_t kDelayMs = vlx::DelayFinishProgressState::kDelayMs;
  constexpr std::uint32_t kReloadMs = vlx::ConfigurationRestoreMachine::kReloadTimeoutMs;
  Minimum minimum{.waitMs = kDelayMs + kReloadMs,
                  .waits = "waits " + std::to_string(kDelayMs) + " and " +
                           std::to_string(kReloadMs) + " after \"^rpm;\""};
  for (const std::uint32_t block : ConfigurationBlocks()) {
    minimum.lineChars += kBlockFrameChars + 2 * block + kBlockFrameChars;
    ++minimum.exchanges;
  }
  minimum.lineChars += 2;
  ++minimum.exchanges;
  return minimum;
}

// Quits `loop` when the machine's run ends, noting when and with which code.
class DoneWatch final : public vlx::Listener {
 public:
  DoneWatch(vlx::AppSettings& app, QEventLoop& loop) : app_(app), loop_(loop) {
    app_.machineDone.Subscribe(*this);
    clock_.start();
  }
  ~DoneWatch() override { app_.machineDone.Unsubscribe(*this); }
  DoneWatch(const DoneWatch&) = delete;
  DoneWatch& operator=(const DoneWatch&) = delete;

  void OnMessage(vlx::MessageId, vlx::MessageParam wParam) override {
    doneMs = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
    code = static_cast<vlx::ErrorCode>(wParam);
    loop_.quit();
  }

  std::optional<double> doneMs;
  vlx::ErrorCode code = vlx::err::kSuccess;

 private:
  vlx::AppSettings& app_;
  QEventLoop& loop_;
  QElapsedTimer clock_;
};

struct Timed {
  std::string failure;  // empty when the run succeeded
  double ms = 0;
};

// Starts a run with `start` and waits for its MachineDone.
template <typename Start>
Timed TimeRun(vlx::AppSettings& app, Start start) {
  QEventLoop loop;
  DoneWatch watch(app, loop);
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  if (!start()) {
    return {"the machine did not start"};
  }
  if (!watch.doneMs) {
    loop.exec();
  }
  if (!watch.doneMs) {
    return {"the run did not end within 60 s"};
  }
  if (watch.code != vlx::err::kSuccess) {
    return {"the run ended with " + vlx::FormatErrorText(watch.code)};
  }
  return {{}, *watch.doneMs};
}

struct RateResult {
  std::string failure;  // why the rounds stopped; empty when all of them ran
  std::vector<double> saveMs;
  std::vector<double> restoreMs;
};

// The bytes the save read, in file order, as ReadConfigurationFile would give them.
void FeedImage(const vlx::ConfigurationSaveMachine& save,
               vlx::ConfigurationRestoreMachine& restore) {
  for (std::size_t row = 0; row < vlx::kConfigurationRanges.size(); ++row) {
    const vlx::EepromRange& range = vlx::kConfigurationRanges[row];
    for (std::uint32_t address = range.first; address <= range.last; ++address) {
      const auto at = static_cast<std::uint8_t>(address);
      restore.AddByte(static_cast<std::uint8_t>(range.bank), at, *save.GetImageBytes(row, at));
    }
  }
}

// A save, then a restore of the bytes it read; returns why it failed, or nothing.
std::string RunRound(vlx::AppSettings& app, std::uint32_t rate, RateResult& result) {
  auto save = app.InstallTransientMachine(std::make_unique<vlx::ConfigurationSaveMachine>(app));
  const Timed saved = TimeRun(app, [&save] { return save->StartSave(); });
  if (!saved.failure.empty()) {
    save.Release();
    return "save: " + saved.failure;
  }
  result.saveMs.push_back(saved.ms);
  // Built beside the save machine, which the installation would otherwise give up.
  auto restore = std::make_unique<vlx::ConfigurationRestoreMachine>(app);
  FeedImage(*save.get(), *restore);
  save.Release();
  auto installed = app.InstallTransientMachine(std::move(restore));
  const Timed restored = TimeRun(app, [&installed] { return installed->StartRestore(); });
  installed.Release();
  if (!restored.failure.empty()) {
    return "restore: " + restored.failure;
  }
  if (app.Serial().Speed() != rate) {
    return "restore: the port was left at " + std::to_string(app.Serial().Speed()) + " bit/s";
  }
  result.restoreMs.push_back(restored.ms);
  return {};
}

RateResult RunAt(std::uint32_t rate) {
  const std::string link = "/tmp/vlx750-config-bench-" + std::to_string(getpid());
  vlx::test::ChildProcess simulator(VLX750_SIM_PATH,
                                    {"--link", link, "--pace", "--rate", std::to_string(rate),
                                     "--processing-delay", std::to_string(kProcessingDelayMs)});
  if (!simulator.FirstStdoutLine(5s)) {
    return {"vlx750-sim did not start"};
  }
  RateResult result;
  {
    vlx::bench::BenchHost host(link);
    if (!host.FindAmplifier(30000)) {
      result.failure = "the amplifier was not found";
    }
    for (int round = 0; round < kRounds && result.failure.empty(); ++round) {
      result.failure = RunRound(host.App(), rate, result);
    }
  }
  simulator.Signal(SIGTERM);
  simulator.WaitForExit(5s);
  return result;
}

// The quickest and the slowest of the rounds; the slowest must meet the target.
bool PrintRuns(const char* what, const std::vector<double>& ms, const Minimum& minimum,
               std::uint32_t rate) {
  if (ms.empty()) {
    return false;
  }
  const auto [best, worst] = std::minmax_element(ms.begin(), ms.end());
  const double least = minimum.Ms(rate);
  const double limit = least * kLimitRatio + kLimitSlackMs;
  std::printf(
      "  %-8s %7.1f to %7.1f ms  minimum %7.1f ms (line %.1f + %u x %u ms processing + %s)\n", what,
      *best, *worst, least, minimum.LineMs(rate), minimum.exchanges, kProcessingDelayMs,
      minimum.waits.c_str());
  std::printf("  %-8s ratio %.4f to %.4f, %+.1f to %+.1f ms over, limit %.1f ms: %s\n", "",
              *best / least, *worst / least, *best - least, *worst - least, limit,
              *worst <= limit ? "met" : "MISSED");
  return *worst <= limit;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  bool allMet = true;
  std::printf(
      "Configuration save and restore, paced, each from its start to MachineDone, %d rounds at "
      "each rate;\ntarget: the slowest <= %.2f x minimum + %.0f ms\n",
      kRounds, kLimitRatio, kLimitSlackMs);
  for (const std::uint32_t rate : kRates) {
    std::printf("\n%u bit/s (load average %s)\n", rate, vlx::bench::LoadAverage().c_str());
    std::fflush(stdout);
    const RateResult result = RunAt(rate);
    allMet = PrintRuns("save", result.saveMs, SaveMinimum(), rate) && allMet;
    allMet = PrintRuns("restore", result.restoreMs, RestoreMinimum(), rate) && allMet;
    if (!result.failure.empty()) {
      std::printf("  FAILED: %s\n", result.failure.c_str());
      allMet = false;
    }
  }
  return allMet ? 0 : 1;
}
