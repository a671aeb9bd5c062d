#include <cstdlib>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "serial/SerialPortList.h"

namespace vlx {
namespace {

namespace fs = std::filesystem;

bool Lists(const std::vector<std::string>& ports, const std::string& port) {
  return std::find(ports.begin(), ports.end(), port) != ports.end();
}

// A scratch folder of links standing in for the device folders.
class ListSerialPortsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(::mkdtemp(folder_), nullptr); }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path Folder() const { return fs::path(folder_); }
  static void MakeDevice(const fs::path& path) { std::ofstream(path.string()) << ""; }

 private:
  char folder_[32] = "/tmp/vlx-ports-XXXXXX";
};

TEST_F(ListSerialPortsTest, AddsTheSimulatorLinkOnlyWhileItLeadsSomewhere) {
  const fs::path target = Folder() / "pts";
  const std::string link = (Folder() / "vlx750-sim").string();

  EXPECT_FALSE(Lists(ListSerialPorts(link), link));

  fs::create_symlink(target, link);
  EXPECT_FALSE(Lists(ListSerialPorts(link), link)) << "a dangling link is no port";

  MakeDevice(target);
  const std::vector<std::string> ports = ListSerialPorts(link);
  EXPECT_TRUE(Lists(ports, link));
  EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end()));
  EXPECT_EQ(std::count(ports.begin(), ports.end(), link), 1);
}

TEST_F(ListSerialPortsTest, OffersTheStableNamesOfPluggedInAdapters) {
  const fs::path byId = Folder() / "by-id";
  fs::create_directory(byId);
  MakeDevice(Folder() / "ttyUSB3");
  MakeDevice(Folder() / "ttyUSB1");
  const std::string second = (byId / "usb-FTDI_FT232R_USB_UART_B2-if00-port0").string();
  const std::string first = (byId / "usb-FTDI_FT232R_USB_UART_A1-if00-port0").string();
  const std::string unplugged = (byId / "usb-Prolific_PL2303-if00-port0").string();
  fs::create_symlink(Folder() / "ttyUSB3", second);
  fs::create_symlink(Folder() / "ttyUSB1", first);
  fs::create_symlink(Folder() / "ttyUSB9", unplugged);

  // Given once more as the simulator link: a name found twice is still offered once.
  const std::vector<std::string> ports = ListSerialPorts(first, byId.string());
  EXPECT_TRUE(Lists(ports, first));
  EXPECT_TRUE(Lists(ports, second));
  EXPECT_FALSE(Lists(ports, unplugged)) << "the link of a pulled adapter leads nowhere";
  EXPECT_FALSE(Lists(ports, (Folder() / "ttyUSB3").string()))
      << "listed as the link, not its target";
  EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end()));
  EXPECT_EQ(std::count(ports.begin(), ports.end(), first), 1);
}

TEST_F(ListSerialPortsTest, AMissingAdapterFolderAddsNothing) {
  // Without any USB adapter the by-id folder does not exist at all.
  EXPECT_EQ(ListSerialPorts("", (Folder() / "by-id").string()), ListSerialPorts("", ""));
}

}  // namespace
}  // namespace vlx
