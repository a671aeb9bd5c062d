// The cost of the Operate page left open: the window program (real QSerialPort) on the Operate
// page, polling vlx750-sim, its telemetry history full and shown at the 60-minute span, the CSV
// log on, for a minute: the program's CPU time (user + system) over the wall time. Measured at a
// 1000 ms period (target at most 2 % of one core), at 100 ms (target at most 5 %), and at 1000 ms
// with the plot hidden (no target: it should cost next to nothing). Run it with a display (for
// example under xvfb-run -a); the X server's own work is not counted. OPERATE_BENCH_SECONDS=N
// measures N seconds instead of 60, for a quick look.
//
// Each case runs in a process of its own (this program again, with --case), since a process
// holds one application; the page, the period, the span and the plot's visibility come from the
// settings file the window reads at start, and the history and the log are filled and started
// through the window's telemetry recorder once the amplifier answers.

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "ErrorTexts.h"
#include "model/AppSettings.h"
#include "operate/TelemetryRecorder.h"
#include "support/process/ChildProcess.h"
#include "time/SystemClock.h"
#include "window/Application.h"
#include "window/MainWindow.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int kOperatePage = 2;
constexpr int kPlotMinutes = 60;
constexpr std::uint32_t kHistorySamples = 36000;  // 60 minutes at 100 ms
constexpr int kWarmUpMs = 3000;

struct Case {
  const char* name;
  std::uint32_t periodMs;
  bool plotShown;
  double targetPercent;  // 0: reported only
};

constexpr Case kCases[] = {{"1000 ms, plot shown", 1000, true, 2.0},
                           {"100 ms, plot shown", 100, true, 5.0},
                           {"1000 ms, plot hidden", 1000, false, 0.0}};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void WriteSettings(const fs::path& home, const std::string& port, const Case& run) {
  fs::create_directories(home / "config" / "Velqorin");
  std::ofstream(home / "config" / "Velqorin" / "VLX Utility.json")
      << R"({"values": {"Port": {"type": "string", "value": ")" << port << R"("}, )"
      << R"("ActivePage": {"type": "dword", "value": )" << kOperatePage << "}, "
      << R"("OperatePollInterval": {"type": "dword", "value": )" << run.periodMs << "}, "
      << R"("OperatePlotMinutes": {"type": "dword", "value": )" << kPlotMinutes << "}, "
      << R"("OperatePlotVisible": {"type": "dword", "value": )" << (run.plotShown ? 1 : 0) << "}}}";
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
}

// Lets the event loop run for `ms` of wall time, asleep while nothing happens.
void RunFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// A history as an hour of polling leaves it: readings that move, every 50th run in standby.
void FillHistory(vlx::TelemetrySink& sink, const vlx::Clock& clock, std::uint32_t periodMs) {
  const std::uint32_t now = clock.TickCount();
  for (std::uint32_t i = 0; i < kHistorySamples; ++i) {
    vlx::TelemetrySample sample;
    sample.time = clock.Now();
    sample.tick = now - (kHistorySamples - i) * periodMs;
    sample.deviceState = vlx::device_state::kOperating;
    sample.readings.band = 5;
    sample.readings.operateMode = i % 50 == 0 ? 0 : 1;
    sample.readings.power = static_cast<std::uint16_t>(i % 50 == 0 ? 0 : 400 + (i * 37) % 250);
    sample.readings.swr = static_cast<std::uint16_t>(11 + (i * 7) % 9);
    sample.readings.temperature = static_cast<std::uint16_t>(30 + (i / 600) % 20);
    sample.readings.paVoltage = static_cast<std::uint16_t>(530 + (i * 3) % 15);
    sample.readings.paCurrent = static_cast<std::uint16_t>(100 + (i * 11) % 120);
    sink.OnSample(sample);
  }
}

// One case in this process: prints the CPU share in percent, or fails.
int RunCase(int argc, char** argv, const Case& run, const std::string& port) {
  const fs::path home =
      fs::temp_directory_path() / ("vlx-operate-bench-" + std::to_string(getpid()));
  WriteSettings(home, port, run);
  QApplication application(argc, argv);
  vlx::InstallPlatformErrorTexts();
  vlx::Application program;
  vlx::MainWindow& window = program.Start();

  QElapsedTimer patience;
  patience.start();
  while (program.Model().deviceState.Get() != vlx::device_state::kOperating &&
         patience.elapsed() < 15000) {
    RunFor(50);
  }
  if (program.Model().deviceState.Get() != vlx::device_state::kOperating) {
    std::fprintf(stderr, "the amplifier was not found\n");
    return 2;
  }
  vlx::TelemetryRecorder& recorder = window.Telemetry();
  FillHistory(recorder, vlx::SystemClock(), run.periodMs);
  if (recorder.StartLog((home / "operate.csv").string()) != vlx::err::kSuccess) {
    std::fprintf(stderr, "the log could not be started\n");
    return 2;
  }
  RunFor(kWarmUpMs);

  const double cpuBefore = CpuSeconds();
  QElapsedTimer wall;
  wall.start();
  const int seconds = std::getenv("OPERATE_BENCH_SECONDS") != nullptr
                          ? std::atoi(std::getenv("OPERATE_BENCH_SECONDS"))
                          : 60;
  RunFor(seconds * 1000);
  const double cpu = CpuSeconds() - cpuBefore;
  const double wallSeconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
  const std::uint64_t rows = recorder.LogRows();
  fs::remove_all(home);
  std::printf("%.3f %llu\n", 100.0 * cpu / wallSeconds, static_cast<unsigned long long>(rows));
  return 0;
}

std::string LoadAverage() {
  std::string first;
  std::ifstream("/proc/loadavg") >> first;
  return first.empty() ? "unknown" : first;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--case") {
    const std::size_t index = std::strtoul(argv[2], nullptr, 10);
    return index < std::size(kCases) ? RunCase(1, argv, kCases[index], argv[3]) : 2;
  }
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "operate_bench needs a display: run it under xvfb-run -a\n");
    return 2;
  }
  const std::string link = "/tmp/vlx750-operate-bench-" + std::to_string(getpid());
  vlx::test::ChildProcess simulator(VLX750_SIM_PATH, {"--link", link, "--operate"});
  if (!simulator.FirstStdoutLine(5s)) {
    std::fprintf(stderr, "vlx750-sim did not start\n");
    return 2;
  }
  bool met = true;
  std::printf("Operate page, history full at the 60-minute span, log on: CPU over wall time\n");
  for (std::size_t index = 0; index < std::size(kCases); ++index) {
    const Case& run = kCases[index];
    vlx::test::ChildProcess bench(fs::read_symlink("/proc/self/exe").string(),
                                  {"--case", std::to_string(index), link});
    const std::optional<int> exitCode = bench.WaitForExit(180s);
    double percent = -1;
    unsigned long long rows = 0;
    if (exitCode == 0 && std::sscanf(bench.Stdout().c_str(), "%lf %llu", &percent, &rows) == 2) {
      std::printf("%-22s %6.2f %% of one core", run.name, percent);
      if (run.targetPercent > 0) {
        std::printf(" (target <= %.0f %%)", run.targetPercent);
        met = met && percent <= run.targetPercent;
      }
      std::printf(", %llu log rows, load average %s\n", rows, LoadAverage().c_str());
    } else {
      std::printf("%-22s failed: %s\n", run.name, bench.Stderr().c_str());
      met = false;
    }
  }
  simulator.Signal(SIGTERM);
  simulator.WaitForExit(5s);
  return met ? 0 : 1;
}
