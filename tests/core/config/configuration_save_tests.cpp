// The configuration save machine on the simulated amplifier, in virtual time: the four blocks,
// progress and the closing wait, the image and the file written from it, failed and cancelled
// runs.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/ConfigurationSaveMachine.h"
#include "support/CaseNames.h"
#include "support/Conversation.h"
#include "support/EepromBed.h"
#include "support/FileContents.h"

namespace vlx::test {
namespace {

using Kind = vlxsim::FrameFault::Kind;

const std::vector<std::string> kSaveCommands = {"^ER000040C0;", "^ER00404080;", "^ER00804040;",
                                                "^ER00C02020;"};

std::string Image(const ConfigurationSaveMachine& machine) {
  const std::uint8_t* bytes = machine.GetImageBytes(0, 0);
  return std::string(bytes, bytes + 224);
}

// An EEPROM whose bank 0 holds the pattern the golden file was written from.
std::string PatternEeprom() {
  std::string eeprom = vlxsim::EepromStore::Factory(1234, 38400).Dump();
  for (std::size_t i = 0; i < 256; ++i) {
    eeprom[i] = static_cast<char>(i * 7 + 3);
  }
  return eeprom;
}

TEST(ConfigurationSave, ReadsFourBlocksWaitsAndKeepsTheImage) {
  EepromBed bed;
  ConfigurationSaveMachine& machine = bed.Install<ConfigurationSaveMachine>();
  ASSERT_TRUE(machine.StartSave());
  EXPECT_FALSE(machine.StartSave());
  ASSERT_TRUE(bed.RunToEnd(machine));

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kSuccess});
  EXPECT_EQ(bed.link.SentTexts(), kSaveCommands);
  EXPECT_EQ(bed.recorder.ranges, std::vector<std::uint32_t>{224});
  EXPECT_EQ(bed.recorder.progress, (std::vector<std::uint32_t>{0, 64, 128, 192, 224}));
  EXPECT_EQ(Image(machine), bed.link.Eeprom().Read(0, 0, 224));
  // The last reply is 12 + 64 characters at 38400 bit/s after its command; then 700 ms.
  const std::uint64_t sinceLastSend = bed.time.NowMicros() - bed.link.SentCommands()[3].atMicros;
  EXPECT_GE(sinceLastSend, 700000u);
  EXPECT_LE(sinceLastSend, 730000u);
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kConfigurationSaveTimerId));
}

TEST(ConfigurationSave, TheImageWritesTheGoldenFile) {
  vlxsim::AmplifierConfig config;
  config.eeprom = PatternEeprom();
  EepromBed bed(config);
  ConfigurationSaveMachine& machine = bed.Install<ConfigurationSaveMachine>();
  ASSERT_TRUE(machine.StartSave());
  ASSERT_TRUE(bed.RunToEnd(machine));
  ASSERT_EQ(machine.Error(), err::kSuccess);

  ConfigurationFileHeader header;
  header.saveTime = {2024, 1, 2, 3, 4, 5};
  header.programRevision = "Velqorin VLX Utility Revision 1.0.0.0";
  header.firmwareRevision = 152;
  header.serialNumber = 1234;
  const std::string path = "/c/SN01234.20240102T030405.VLXConfig";
  ASSERT_EQ(WriteConfigurationFile(bed.files, bed.status, bed.prompts, path, header, machine),
            err::kSuccess);
}

// The replies of the amplifier in another form: either taken as they are, or every one dropped
// until the tenth time-out; a failed run leaves the image of the run before.
struct SaveReplyCase {
  const char* label;
  Kind kind;
  ErrorCode code;
  std::size_t sends;
};

class ConfigurationSaveReplies : public ::testing::TestWithParam<SaveReplyCase> {};

TEST_P(ConfigurationSaveReplies, AreTakenOrEndTheRunLeavingTheImage) {
  const SaveReplyCase& c = GetParam();
  EepromBed bed;
  ConfigurationSaveMachine& machine = bed.Install<ConfigurationSaveMachine>();
  ASSERT_TRUE(machine.StartSave());
  ASSERT_TRUE(bed.RunToEnd(machine));
  const std::string before = Image(machine);

  bed.link.Eeprom().Write(0, 0, std::string(224, '\x5A'));
  vlxsim::Faults faults;
  faults.commands.push_back({"^ER", c.kind});
  bed.link.SetFaults(faults);
  const std::size_t sendsBefore = bed.Sends();
  ASSERT_TRUE(machine.StartSave());
  ASSERT_TRUE(bed.RunToEnd(machine));

  EXPECT_EQ(machine.Error(), c.code);
  EXPECT_EQ(bed.Sends() - sendsBefore, c.sends);
  EXPECT_EQ(Image(machine), c.code == err::kSuccess ? std::string(224, '\x5A') : before);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ConfigurationSaveReplies,
    ::testing::Values(
        SaveReplyCase{"LowerCase", Kind::kLowerCase, err::kSuccess, 4},
        SaveReplyCase{"OneByteShort", Kind::kOneByteShort, err::kNoResponseToReadEepromBlock, 10},
        SaveReplyCase{"ShortGarbage", Kind::kShortGarbage, err::kNoResponseToReadEepromBlock, 10},
        SaveReplyCase{"Silence", Kind::kNoAnswer, err::kNoResponseToReadEepromBlock, 10}),
    ByLabel());

TEST(ConfigurationSave, CancelEndsTheRunAtItsNextBlock) {
  EepromBed bed;
  ConfigurationSaveMachine& machine = bed.Install<ConfigurationSaveMachine>();
  EXPECT_FALSE(machine.Cancel());
  ASSERT_TRUE(machine.StartSave());
  ASSERT_TRUE(bed.RunUntilSent("^ER00404080;"));
  EXPECT_TRUE(machine.Cancel());
  ASSERT_TRUE(bed.RunToEnd(machine));

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kCancelled});
  EXPECT_EQ(bed.Sends(), 2u);
  EXPECT_EQ(bed.recorder.progress, (std::vector<std::uint32_t>{0, 64, 128}));
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kConfigurationSaveTimerId));
}

}  // namespace
}  // namespace vlx::test
