// The window program for real: vlxutility under Xvfb against vlx750-sim on a pseudo-terminal.
// It must find the amplifier on its own and say so in its title (a screenshot is kept), show the
// port closed when the adapter is pulled and find the amplifier again when it is back, and hold
// its device against another program that names it differently.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/process/ChildProcess.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kIdentity = "Velqorin VLX Utility Revision 1.0.0.0";

// The names of all windows on the display, one per line, as the X server tells them.
std::string WindowNames(const std::string& display) {
  ChildProcess xwininfo("/usr/bin/xwininfo", {"-display", display, "-root", "-tree"});
  xwininfo.WaitForExit(5s);
  return xwininfo.Stdout();
}

// One X server for the whole suite; each test starts its own simulator and window program.
class WindowProgram : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { StartServer("1280x1024x24"); }

  // The server takes a free display itself and names it on its standard output once it
  // listens, so that cases running side by side, and other X servers, never share one.
  static void StartServer(const std::string& screen) {
    xvfb_ = std::make_unique<ChildProcess>(
        "/usr/bin/Xvfb",
        std::vector<std::string>{"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"});
    display_ = ":" + xvfb_->FirstStdoutLine(10s).value_or("");
  }

  static void TearDownTestSuite() {
    xvfb_->Signal(SIGTERM);
    xvfb_->WaitForExit(5s);
    xvfb_.reset();
  }

  void SetUp() override {
    ASSERT_TRUE(fs::exists("/tmp/.X11-unix/X" + display_.substr(1))) << "Xvfb did not start";
    home_ = fs::temp_directory_path() / ("vlx-window-e2e-" + std::to_string(getpid()));
    fs::remove_all(home_);
    link_ = "/tmp/vlx750-window-e2e-" + std::to_string(getpid());
    std::vector<std::string> options{"--link", link_, "--serial", "1234"};
    for (const std::string& option : SimulatorOptions()) {
      options.push_back(option);
    }
    simulator_.emplace(VLX750_SIM_PATH, options);
    const auto slave = simulator_->FirstStdoutLine(5s);
    ASSERT_TRUE(slave.has_value());
    slave_ = *slave;
  }

  // What the simulated amplifier starts with besides its link and serial number.
  virtual std::vector<std::string> SimulatorOptions() const { return {}; }

  void TearDown() override {
    if (program_) {
      program_->Signal(SIGTERM);
      program_->WaitForExit(5s);
    }
    simulator_->Signal(SIGTERM);
    EXPECT_EQ(simulator_->WaitForExit(5s), 0) << "vlx750-sim: " << simulator_->Stderr();
    fs::remove_all(home_);
  }

  // Starts the window program with `port` as its stored port, on a settings folder of its own.
  // On the Port page it tells the outcome of its search in a box, which stays open here and, as
  // any modal box does, holds back the search for a port that comes back; the Command Tester page
  // shows none.
  // `settings` are further stored values, each `"Name": {"type": ..., "value": ...}`;
  // `subkeys` stored subkeys, each `"Name": {values}`.
  void StartWindow(const std::string& port, int page = kPortPage, const std::string& settings = {},
                   const std::string& subkeys = {}) {
    fs::create_directories(home_ / "config" / "Velqorin");
    std::ofstream(home_ / "config" / "Velqorin" / "VLX Utility.json")
        << R"({"values": {"Port": {"type": "string", "value": ")" << port
        << R"("}, "ActivePage": {"type": "dword", "value": )" << page << "}"
        << (settings.empty() ? "" : ", " + settings) << "}"
        << (subkeys.empty() ? "" : R"(, "subkeys": {)" + subkeys + "}") << "}";
    setenv("DISPLAY", display_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home_ / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home_ / "data").c_str(), 1);
    unsetenv("QT_QPA_PLATFORM");
    program_.emplace(VLXUTILITY_PATH, std::vector<std::string>{});
  }

  // Waits until a window has `title` as its whole name; on failure the test says what was there.
  void ExpectTitle(const std::string& title) {
    const std::string name = "\"" + title + "\"";
    // Generous: a sanitized window program on a busy machine can take many seconds to show.
    const auto deadline = std::chrono::steady_clock::now() + 45s;
    std::string names;
    do {
      std::this_thread::sleep_for(100ms);
      names = WindowNames(display_);
    } while (names.find(name) == std::string::npos && std::chrono::steady_clock::now() < deadline);
    EXPECT_NE(names.find(name), std::string::npos) << "no window titled " << name << " among:\n"
                                                   << names << program_->Stderr();
  }

  std::string FoundTitle(const std::string& port) const {
    return kIdentity + " - S/N 01234 on " + port + " at 38400 bit/s";
  }

  static constexpr int kPortPage = 0;
  static constexpr int kOperatePage = 2;
  static constexpr int kCommandTesterPage = 4;

  static std::string display_;
  static std::unique_ptr<ChildProcess> xvfb_;
  fs::path home_;
  std::string link_;
  std::string slave_;
  std::optional<ChildProcess> simulator_;
  std::optional<ChildProcess> program_;
};

std::string WindowProgram::display_;
std::unique_ptr<ChildProcess> WindowProgram::xvfb_;

TEST_F(WindowProgram, FindsTheSimulatedAmplifierAndShowsItInTheTitle) {
  StartWindow(slave_);
  ExpectTitle(FoundTitle(slave_));

  const std::string shot = std::string(SCREENSHOT_DIR) + "/window-e2e.png";
  ChildProcess import("/usr/bin/import", {"-display", display_, "-window", "root", shot});
  EXPECT_EQ(import.WaitForExit(20s), 0);
}

// The stored name is the link, as a by-id name would be: the terminal behind it is a new one when
// the adapter is back, and the link leads to it again.
TEST_F(WindowProgram, APulledAdapterShowsThePortClosedAndIsFoundAgainWhenBack) {
  StartWindow(link_, kCommandTesterPage);
  ExpectTitle(FoundTitle(link_));

  simulator_->Signal(SIGUSR1);
  ExpectTitle(kIdentity + " on " + link_ + " closed");

  simulator_->Signal(SIGUSR2);
  ExpectTitle(FoundTitle(link_));
}

// The window holds the device under the link's name; vlxctl names the terminal itself.
TEST_F(WindowProgram, HoldsItsDeviceAgainstAProgramThatNamesItDifferently) {
  StartWindow(link_);
  ExpectTitle(FoundTitle(link_));

  ChildProcess vlxctl(VLXCTL_PATH, {"--port", slave_, "--timeout", "5", "info"});
  EXPECT_EQ(vlxctl.WaitForExit(10s), 1);
  EXPECT_NE(
      vlxctl.Stderr().find("Serial port \"" + slave_ + "\" is being used by another application"),
      std::string::npos)
      << vlxctl.Stderr();
  ExpectTitle(FoundTitle(link_));
}

// The columns, counted from the right edge of a picture in binary PPM, that hold `colour` in at
// least one pixel; -1 when the picture cannot be read.
int ColumnsHolding(const std::string& ppm, std::uint32_t colour, int fromRight) {
  std::ifstream file(ppm, std::ios::binary);
  std::string magic;
  int width = 0;
  int height = 0;
  int maximum = 0;
  file >> magic >> width >> height >> maximum;
  file.get();  // the one blank before the pixels
  if (!file || magic != "P6" || maximum != 255 || width <= 0 || height <= 0) {
    return -1;
  }
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
  if (!file.read(reinterpret_cast<char*>(pixels.data()),
                 static_cast<std::streamsize>(pixels.size()))) {
    return -1;
  }
  int columns = 0;
  for (int x = std::max(0, width - fromRight); x < width; ++x) {
    for (int y = 0; y < height; ++y) {
      const unsigned char* pixel = &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
      if ((std::uint32_t{pixel[0]} << 16 | std::uint32_t{pixel[1]} << 8 | pixel[2]) == colour) {
        ++columns;
        break;
      }
    }
  }
  return columns;
}

// The front panel of an amplifier in operate, keyed by the exciter now and then, polled every
// 200 ms: once the plot (at its 1-minute span) holds 50 samples, the newest of them, on the right
// of the plot, are drawn in the power line's colour. The picture is kept, to be looked at.
class OperateWindow : public WindowProgram {
 protected:
  std::vector<std::string> SimulatorOptions() const override { return {"--operate"}; }
};

TEST_F(OperateWindow, PollsOnTheOperatePageAndPlotsTheReadings) {
  StartWindow(slave_, kOperatePage,
              R"("OperatePollInterval": {"type": "dword", "value": 200}, )"
              R"("OperatePlotMinutes": {"type": "dword", "value": 1})");
  ExpectTitle(FoundTitle(slave_));
  std::this_thread::sleep_for(50 * 200ms + 2s);

  const std::string shot = std::string(SCREENSHOT_DIR) + "/operate-window.png";
  ChildProcess import("/usr/bin/import", {"-display", display_, "-window", "root", shot});
  EXPECT_EQ(import.WaitForExit(20s), 0);
  EXPECT_FALSE(program_->WaitForExit(0ms).has_value()) << program_->Stderr();

  // Ten seconds of a one-minute span: a sixth of the plot's width, at the right of the window;
  // the strips' captions, also in the lines' colours, are at its left.
  const std::string pixels = (home_ / "operate-window.ppm").string();
  ChildProcess window("/usr/bin/import",
                      {"-display", display_, "-window", FoundTitle(slave_), "-depth", "8", pixels});
  ASSERT_EQ(window.WaitForExit(20s), 0) << window.Stderr();
  constexpr std::uint32_t kPowerLine = 0x1f5fbf;
  EXPECT_GE(ColumnsHolding(pixels, kPowerLine, 400), 20);
}

// A screen of 1024 by 600, smaller than the window stored for it.
class SmallScreenWindow : public WindowProgram {
 protected:
  static void SetUpTestSuite() { StartServer("1024x600x24"); }
};

// The one number of `field` ("Width:") in xwininfo's report.
int Field(const std::string& report, const std::string& field) {
  const auto at = report.find(field);
  return at == std::string::npos ? -1 : std::stoi(report.substr(at + field.size()));
}

// Restored at 1200 by 740 at 40,40, as the program saved it on a larger screen, the window lies
// on this screen, whole, as the window system sees it.
TEST_F(SmallScreenWindow, RestoresALargerPlacementOntoTheScreen) {
  std::string window = R"("Window": {)";
  const std::vector<std::pair<std::string, int>> values{
      {"flags", 0},   {"showCmd", 1},  {"minPosX", 0}, {"minPosY", 0},  {"maxPosX", 0},
      {"maxPosY", 0}, {"bottom", 780}, {"left", 40},   {"right", 1240}, {"top", 40}};
  for (const auto& [name, value] : values) {
    window += (name == "flags" ? "\"" : ", \"") + name + R"(": {"type": "dword", "value": )" +
              std::to_string(value) + "}";
  }
  StartWindow(slave_, kCommandTesterPage, {}, window + "}");
  ExpectTitle(FoundTitle(slave_));

  ChildProcess xwininfo("/usr/bin/xwininfo",
                        {"-display", display_, "-name", FoundTitle(slave_), "-frame"});
  xwininfo.WaitForExit(5s);
  const std::string report = xwininfo.Stdout();
  const int x = Field(report, "Absolute upper-left X:");
  const int y = Field(report, "Absolute upper-left Y:");
  const int width = Field(report, "Width:");
  const int height = Field(report, "Height:");
  EXPECT_GE(x, 0) << report;
  EXPECT_GE(y, 0) << report;
  EXPECT_GT(width, 0) << report;
  EXPECT_LE(x + width, 1024) << report;
  EXPECT_LE(y + height, 600) << report;

  const std::string shot = std::string(SCREENSHOT_DIR) + "/window-e2e-1024x600.png";
  ChildProcess import("/usr/bin/import", {"-display", display_, "-window", "root", shot});
  EXPECT_EQ(import.WaitForExit(20s), 0);
}

}  // namespace
}  // namespace vlx::test
