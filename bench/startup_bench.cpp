// Start-up of the window program against vlx750-sim: time to the main window shown on screen,
// time to DeviceState 3, and the resident memory after start. Run it with a display (for
// example under xvfb-run); the offscreen platform works too but shows nothing real.
// Targets: window shown under 400 ms, resident memory under 80 MB. It opens on the Firmware page,
// so no outcome box waits for a click.

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "ErrorTexts.h"
#include "model/AppSettings.h"
#include "support/process/ChildProcess.h"
#include "window/Application.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr double kWindowTargetMs = 400;
constexpr double kMemoryTargetMb = 80;

double ResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      double kilobytes = 0;
      status >> kilobytes;
      return kilobytes / 1024.0;
    }
    status.ignore(4096, '\n');
  }
  return 0;
}

class OperatingWatch final : public vlx::Listener {
 public:
  explicit OperatingWatch(vlx::AppSettings& app) : app_(app) {}
  void OnMessage(vlx::MessageId, vlx::MessageParam) override {
    operating = app_.deviceState.Get() == vlx::device_state::kOperating;
  }
  bool operating = false;

 private:
  vlx::AppSettings& app_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string link = "/tmp/vlx750-startup-bench-" + std::to_string(getpid());
  vlx::test::ChildProcess simulator(VLX750_SIM_PATH, {"--link", link});
  const auto slave = simulator.FirstStdoutLine(5s);
  if (!slave) {
    std::fprintf(stderr, "vlx750-sim did not start\n");
    return 2;
  }
  const fs::path home =
      fs::temp_directory_path() / ("vlx-startup-bench-" + std::to_string(getpid()));
  fs::create_directories(home / "config" / "Velqorin");
  std::ofstream(home / "config" / "Velqorin" / "VLX Utility.json")
      << R"({"values": {"Port": {"type": "string", "value": ")" << *slave
      << R"("}, "ActivePage": {"type": "dword", "value": 1}}})";
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);

  QElapsedTimer sinceStart;
  sinceStart.start();
  QApplication application(argc, argv);
  vlx::InstallPlatformErrorTexts();
  vlx::Application program;
  OperatingWatch watch(program.Model());
  program.Model().deviceState.Subscribe(watch);
  vlx::MainWindow& window = program.Start();

  double shownMs = -1;
  double operatingMs = -1;
  QElapsedTimer limit;
  limit.start();
  while ((shownMs < 0 || operatingMs < 0) && limit.elapsed() < 10000) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    if (shownMs < 0 && window.windowHandle() != nullptr && window.windowHandle()->isExposed()) {
      shownMs = static_cast<double>(sinceStart.nsecsElapsed()) / 1e6;
    }
    if (operatingMs < 0 && watch.operating) {
      operatingMs = static_cast<double>(sinceStart.nsecsElapsed()) / 1e6;
    }
  }
  const double residentMb = ResidentMegabytes();
  program.Model().deviceState.Unsubscribe(watch);
  window.close();

  std::printf("platform            %s\n", qPrintable(QApplication::platformName()));
  std::printf("window shown        %8.1f ms (target < %.0f ms)\n", shownMs, kWindowTargetMs);
  std::printf("DeviceState 3       %8.1f ms (the conversation itself waits 250 ms)\n", operatingMs);
  std::printf("resident memory     %8.1f MB (target < %.0f MB)\n", residentMb, kMemoryTargetMb);
  simulator.Signal(SIGTERM);
  simulator.WaitForExit(5s);
  fs::remove_all(home);
  const bool met =
      shownMs >= 0 && shownMs < kWindowTargetMs && operatingMs >= 0 && residentMb < kMemoryTargetMb;
  return met ? 0 : 1;
}
