// A configuration save through QSerialPort against vlx750-sim --pace on a pseudo-terminal, at each
// of the four line rates, from StartSave to MachineDone, next to the least time it can take: every
// command and reply on the line at 10 bits a character, the simulator's processing delay once per
// exchange, and the machine's own wait of 700 ms after the last block.
// Target: at most 5 % over that time, plus 20 ms.

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
#include "config/ConfigurationSaveMachine.h"
#include "config/EepromBlockStates.h"
#include "config/LoopStates.h"
#include "process/ChildProcess.h"
#include "report/ErrorText.h"

namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kRates[] = {4800, 9600, 19200, 38400};
// Given to the simulator, so that the minimum counts what it does.
constexpr std::uint32_t kProcessingDelayMs = 2;
constexpr double kLimitRatio = 1.05;
constexpr double kLimitSlackMs = 20;
// "^ER" or "^EW", bank, address, count and checksum as two digits each, ";".
constexpr std::uint32_t kBlockFrameChars = 12;

// The minimum of a run: line time in characters, exchanges that each cost the processing delay,
// and the machine's waits.
struct Minimum {
  std::uint32_t lineChars = 0;
  std::uint32_t exchanges = 0;
  std::uint32_t waitMs = 0;

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
  Minimum minimum{.waitMs = vlx::DelayFinishProgressState::kDelayMs};
  for (const std::uint32_t block : ConfigurationBlocks()) {
    minimum.lineChars += kBlockFrameChars + kBlockFrameChars + 2 * block;
    ++minimum.exchanges;
  }
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
  std::string failure;  // why nothing could be timed at this rate
  Timed save;
};

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
    vlx::AppSettings& app = host.App();
    if (!host.FindAmplifier(30000)) {
      result.failure = "the amplifier was not found";
    } else {
      auto save = app.InstallTransientMachine(std::make_unique<vlx::ConfigurationSaveMachine>(app));
      result.save = TimeRun(app, [&save] { return save->StartSave(); });
      save.Release();
    }
  }
  simulator.Signal(SIGTERM);
  simulator.WaitForExit(5s);
  return result;
}

// One line of figures; returns whether the run met its target.
bool PrintRun(const char* what, const Timed& run, const Minimum& minimum, std::uint32_t rate,
              const char* parts) {
  if (!run.failure.empty()) {
    std::printf("  %-8s FAILED: %s\n", what, run.failure.c_str());
    return false;
  }
  const double least = minimum.Ms(rate);
  const double limit = least * kLimitRatio + kLimitSlackMs;
  std::printf("  %-8s %8.1f ms  minimum %7.1f ms (line %.1f + %u x %u ms processing + %s)\n", what,
              run.ms, least, minimum.LineMs(rate), minimum.exchanges, kProcessingDelayMs, parts);
  std::printf("  %-8s ratio %.4f, %+.1f ms over, limit %.1f ms: %s\n", "", run.ms / least,
              run.ms - least, limit, run.ms <= limit ? "met" : "MISSED");
  return run.ms <= limit;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  bool allMet = true;
  std::printf(
      "Configuration save, StartSave to MachineDone, paced; target <= %.2f x minimum + %.0f ms\n",
      kLimitRatio, kLimitSlackMs);
  for (const std::uint32_t rate : kRates) {
    std::printf("\n%u bit/s (load average %s)\n", rate, vlx::bench::LoadAverage().c_str());
    std::fflush(stdout);
    const RateResult result = RunAt(rate);
    if (!result.failure.empty()) {
      std::printf("  FAILED: %s\n", result.failure.c_str());
      allMet = false;
      continue;
    }
    allMet = PrintRun("save", result.save, SaveMinimum(), rate, "wait 700") && allMet;
  }
  return allMet ? 0 : 1;
}
