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

TEST(ListSerialPortsTest, AddsTheSimulatorLinkOnlyWhileItLeadsSomewhere) {
  char folder[] = "/tmp/vlx-ports-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const fs::path target = fs::path(folder) / "pts";
  const std::string link = (fs::path(folder) / "vlx750-sim").string();

  EXPECT_FALSE(Lists(ListSerialPorts(link), link));

  fs::create_symlink(target, link);
  EXPECT_FALSE(Lists(ListSerialPorts(link), link)) << "a dangling link is no port";

  { std::ofstream(target.string()) << ""; }
  const std::vector<std::string> ports = ListSerialPorts(link);
  EXPECT_TRUE(Lists(ports, link));
  EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end()));
  EXPECT_EQ(std::count(ports.begin(), ports.end(), link), 1);

  fs::remove_all(folder);
}

}  // namespace
}  // namespace vlx
