// The window program for real: vlxutility under Xvfb against vlx750-sim on a pseudo-terminal.
// It must find the amplifier on its own and say so in its title; a screenshot is kept.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "process/ChildProcess.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string Display() {
  return ":" + std::to_string(90 + getpid() % 100);
}

// The names of all windows on the display, one per line, as the X server tells them.
std::string WindowNames(const std::string& display) {
  ChildProcess xwininfo("/usr/bin/xwininfo", {"-display", display, "-root", "-tree"});
  xwininfo.WaitForExit(5s);
  return xwininfo.Stdout();
}

TEST(WindowProgram, FindsTheSimulatedAmplifierAndShowsItInTheTitle) {
  const std::string display = Display();
  ChildProcess xvfb("/usr/bin/Xvfb", {display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
  const std::string socket = "/tmp/.X11-unix/X" + display.substr(1);
  for (int i = 0; i < 100 && !fs::exists(socket); ++i) {
    std::this_thread::sleep_for(50ms);
  }
  ASSERT_TRUE(fs::exists(socket)) << "Xvfb did not start";

  const std::string link = "/tmp/vlx750-window-e2e-" + std::to_string(getpid());
  ChildProcess simulator(VLX750_SIM_PATH, {"--link", link, "--serial", "1234"});
  const auto slave = simulator.FirstStdoutLine(5s);
  ASSERT_TRUE(slave.has_value());

  const fs::path home = fs::temp_directory_path() / ("vlx-window-e2e-" + std::to_string(getpid()));
  fs::create_directories(home / "config" / "Velqorin");
  std::ofstream(home / "config" / "Velqorin" / "VLX Utility.json")
      << R"({"values": {"Port": {"type": "string", "value": ")" << *slave << R"("}}})";
  setenv("DISPLAY", display.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
  unsetenv("QT_QPA_PLATFORM");

  ChildProcess program(VLXUTILITY_PATH, {});
  const std::string expected =
      "Velqorin VLX Utility Revision 1.0.0.0 - S/N 01234 on " + *slave + " at 38400 bit/s";
  bool found = false;
  for (int i = 0; i < 100 && !found; ++i) {
    std::this_thread::sleep_for(100ms);
    found = WindowNames(display).find(expected) != std::string::npos;
  }
  EXPECT_TRUE(found) << WindowNames(display) << program.Stderr();

  const std::string shot = std::string(SCREENSHOT_DIR) + "/window-e2e.png";
  ChildProcess import("/usr/bin/import", {"-display", display, "-window", "root", shot});
  EXPECT_EQ(import.WaitForExit(20s), 0);

  program.Signal(SIGTERM);
  program.WaitForExit(5s);
  simulator.Signal(SIGTERM);
  simulator.WaitForExit(5s);
  xvfb.Signal(SIGTERM);
  xvfb.WaitForExit(5s);
  fs::remove_all(home);
}

}  // namespace
}  // namespace vlx::test
