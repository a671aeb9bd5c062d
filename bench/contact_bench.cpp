// Time from the start of "Test Communications" to DeviceState 3, through QSerialPort against
// vlx750-sim on a pseudo-terminal, at each of the four line speeds. Each result is printed next
// to the time the conversation itself must wait out: the probe time-outs of the rate search, the
// identity query's time-out at 38400 and the line's settling waits after each speed change.
// Target: within 5 % + 20 ms of that time.

#include <benchmark/benchmark.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "BenchHost.h"
#include "link/EstablishContactMachine.h"
#include "model/AppSettings.h"
#include "support/process/ChildProcess.h"

namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kLineSettleMs = 50;
constexpr std::uint32_t kProbeTimeoutMs = 100;
constexpr std::uint32_t kProbesPerRate = 4;
constexpr std::uint32_t kIdentityTimeoutMs = 200;

// What the conversation must wait out before an amplifier at `rate` is operating and read:
// the settling wait after opening, four probe time-outs and two settling waits for every rate
// tried before it, and at 38400 the unanswered identity query.
std::uint32_t MandatedMs(std::uint32_t rate) {
  std::uint32_t ratesBefore = 0;
  for (std::uint32_t r = 38400; r != rate; r /= 2) {
    ++ratesBefore;
  }
  return kLineSettleMs + ratesBefore * (kProbesPerRate * kProbeTimeoutMs + 2 * kLineSettleMs) +
         (rate == 38400 ? kIdentityTimeoutMs : 0);
}

std::map<std::uint32_t, double> bestMs;

void BM_ContactToOperating(benchmark::State& state) {
  const auto rate = static_cast<std::uint32_t>(state.range(0));
  const std::string link = "/tmp/vlx750-bench-" + std::to_string(getpid());
  vlx::test::ChildProcess simulator(VLX750_SIM_PATH,
                                    {"--link", link, "--rate", std::to_string(rate)});
  if (!simulator.FirstStdoutLine(5s)) {
    state.SkipWithError("vlx750-sim did not start");
    return;
  }

  vlx::bench::BenchHost host(link);
  vlx::AppSettings& app = host.App();

  for (auto _ : state) {
    QEventLoop loop;
    const vlx::bench::OperatingWatch watch(app, loop);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    QElapsedTimer elapsed;
    elapsed.start();
    app.EstablishContact().BeginTestCommunications();
    loop.exec();
    const double ms = static_cast<double>(elapsed.nsecsElapsed()) / 1e6;
    if (app.deviceState.Get() != vlx::device_state::kOperating) {
      state.SkipWithError("the amplifier was not found");
      break;
    }
    state.SetIterationTime(ms / 1000.0);
    auto best = bestMs.find(rate);
    if (best == bestMs.end() || ms < best->second) {
      bestMs[rate] = ms;
    }
    app.EstablishContact().BeginClosePort();
  }
  state.counters["mandated_ms"] = MandatedMs(rate);
  simulator.Signal(SIGTERM);
  simulator.WaitForExit(5s);
}

BENCHMARK(BM_ContactToOperating)
    ->Arg(38400)
    ->Arg(19200)
    ->Arg(9600)
    ->Arg(4800)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  std::printf("\n%-10s %12s %12s %12s %s\n", "bit/s", "best ms", "mandated ms", "limit ms",
              "verdict");
  bool allMet = true;
  for (const auto& [rate, ms] : bestMs) {
    const double mandated = MandatedMs(rate);
    const double limit = mandated * 1.05 + 20.0;
    allMet = allMet && ms <= limit;
    std::printf("%-10u %12.1f %12.0f %12.1f %s\n", rate, ms, mandated, limit,
                ms <= limit ? "met" : "MISSED");
  }
  return allMet ? 0 : 1;
}
