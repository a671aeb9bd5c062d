// `vlxctl banner` through QSerialPort against vlx750-sim: the banner read, a new one written and
// read back, an unchanged one left alone, and texts the banner cannot hold refused unsent.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/CaseNames.h"
#include "support/FileContents.h"
#include "support/e2e/SimulatedAmplifier.h"
#include "support/e2e/TemporaryFolder.h"
#include "support/process/ChildProcess.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> Banner(const std::string& port, std::vector<std::string> text = {}) {
  std::vector<std::string> arguments{"--port", port, "--timeout", "20", "banner"};
  arguments.insert(arguments.end(), text.begin(), text.end());
  return arguments;
}

TEST(VlxctlBanner, PrintsTheBannerOfTheSimulator) {
  SimulatedAmplifier amplifier({"--rate", "19200"});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, Banner(amplifier.Link()));
  ASSERT_EQ(vlxctl.WaitForExit(30s), 0) << vlxctl.Stderr();
  EXPECT_EQ(vlxctl.Stdout(), "VLX750\n");
}

TEST(VlxctlBanner, WritesANewBannerInUpperCaseReadsItBackAndLeavesTheRestOfTheEeprom) {
  TemporaryFolder folder("vlxctl-banner");
  const auto dump = folder.Path() / "eeprom.bin";
  std::string before;
  {
    SimulatedAmplifier amplifier({"--dump-eeprom", (folder.Path() / "before.bin").string()});
    ASSERT_TRUE(amplifier.Ready());
  }
  before = FileContents(folder.Path() / "before.bin");
  ASSERT_EQ(before.size(), 1024u);
  {
    SimulatedAmplifier amplifier({"--dump-eeprom", dump.string()});
    ASSERT_TRUE(amplifier.Ready());
    ChildProcess write(VLXCTL_PATH, Banner(amplifier.Link(), {"hello"}));
    ASSERT_EQ(write.WaitForExit(30s), 0) << write.Stderr();
    EXPECT_EQ(write.Stdout(), "HELLO\n");

    ChildProcess read(VLXCTL_PATH, Banner(amplifier.Link()));
    ASSERT_EQ(read.WaitForExit(30s), 0) << read.Stderr();
    EXPECT_EQ(read.Stdout(), "HELLO\n");

    // The same text again: nothing is written.
    ChildProcess again(VLXCTL_PATH, Banner(amplifier.Link(), {"HELLO"}));
    ASSERT_EQ(again.WaitForExit(30s), 0) << again.Stderr();
    EXPECT_NE(again.Stderr().find("nothing was written"), std::string::npos) << again.Stderr();
  }
  const std::string after = FileContents(dump);
  ASSERT_EQ(after.size(), 1024u);
  std::string expected = before;
  expected.replace(0x50, 6, std::string("HELLO\0", 6));
  EXPECT_EQ(after, expected);
}

TEST(VlxctlBanner, AnAmplifierInItsLoaderIsNotAskedForItsBanner) {
  SimulatedAmplifier amplifier({"--off"});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, Banner(amplifier.Link(), {"HELLO"}));
  ASSERT_EQ(vlxctl.WaitForExit(30s), 1);
  EXPECT_NE(vlxctl.Stderr().find("only while it operates"), std::string::npos) << vlxctl.Stderr();
  EXPECT_EQ(vlxctl.Stdout(), "");
}

struct RefusedText {
  const char* label;
  std::string text;
};

class VlxctlBannerRefuses : public ::testing::TestWithParam<RefusedText> {};

TEST_P(VlxctlBannerRefuses, WithExit2AndSendsNothing) {
  SimulatedAmplifier amplifier({});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, Banner(amplifier.Link(), {GetParam().text}));
  ASSERT_EQ(vlxctl.WaitForExit(30s), 2);
  EXPECT_NE(vlxctl.Stderr().find("cannot be a power-on banner"), std::string::npos)
      << vlxctl.Stderr();
  // The port was never opened.
  EXPECT_EQ(vlxctl.Stderr().find("is open"), std::string::npos) << vlxctl.Stderr();
  EXPECT_EQ(vlxctl.Stdout(), "");
}

INSTANTIATE_TEST_SUITE_P(Texts, VlxctlBannerRefuses,
                         ::testing::Values(RefusedText{"NineCharacters", "ABCDEFGHI"},
                                           RefusedText{"Tab", "A\tB"},
                                           RefusedText{"NonAscii", "CAF\xC3\x89"}),
                         ByLabel());

}  // namespace
}  // namespace vlx::test
