// The configuration save and restore on an amplifier or a line that misbehaves in the ways the
// block commands meet: each run ends once, with its code and the commands it sent, no timer left,
// the port at the rate it started from, and a stopped restore says what the amplifier now holds.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "config/ConfigurationRestoreMachine.h"
#include "config/ConfigurationSaveMachine.h"
#include "report/ConfigTextIds.h"
#include "support/CaseNames.h"
#include "support/EepromBed.h"

namespace vlx::test {
namespace {

using Kind = vlxsim::FrameFault::Kind;

vlxsim::Faults OnBlockReplies(Kind kind) {
  vlxsim::Faults faults;
  faults.commands.push_back({"^E", kind});
  return faults;
}

vlxsim::Faults SilentAfterReload() {
  vlxsim::Faults faults;
  faults.reload.silent = true;
  return faults;
}

vlxsim::Faults BackAt9600AfterReload() {
  vlxsim::Faults faults;
  faults.reload.rate = 9600;
  return faults;
}

void Nothing(EepromBed&) {}

// Once the second block is on its way, `act` breaks the line.
std::function<void(EepromBed&)> AtSecondBlock(std::function<void(EepromBed&)> act) {
  return [act](EepromBed& bed) {
    ASSERT_TRUE(bed.time.RunUntil([&] { return bed.Sends() == 2; }, 30000));
    act(bed);
  };
}

struct ConfigFaultRow {
  const char* label;
  bool restore;
  vlxsim::Faults faults;
  std::function<void(EepromBed&)> during;
  ErrorCode code;
  std::size_t sends;
  std::optional<std::string> told;  // what a stopped restore says the amplifier holds
  std::uint32_t rate = 38400;       // where the port is left, if it is still open
};

std::string Partway(std::uint32_t written) {
  return FormatText(ids::kRestoreStoppedPartway, {written, 224u});
}

const ConfigFaultRow kRows[] = {
    {"SaveOnSilence", false, LinkTestBed::SilentAmplifier().faults, Nothing,
     err::kNoResponseToReadEepromBlock, 10, std::nullopt},
    {"SaveOnGarbage", false, OnBlockReplies(Kind::kGarbage), Nothing,
     err::kNoResponseToReadEepromBlock, 10, std::nullopt},
    {"SaveOnShortGarbage", false, OnBlockReplies(Kind::kShortGarbage), Nothing,
     err::kNoResponseToReadEepromBlock, 10, std::nullopt},
    {"SaveOnOneByteShort", false, OnBlockReplies(Kind::kOneByteShort), Nothing,
     err::kNoResponseToReadEepromBlock, 10, std::nullopt},
    {"SaveOnPortWriteError",
     false,
     {},
     AtSecondBlock([](EepromBed& bed) { bed.link.FailNextCall(err::kWriteFault); }),
     err::kWriteFault,
     2,
     std::nullopt},
    {"SaveOnAdapterPulled",
     false,
     {},
     AtSecondBlock([](EepromBed& bed) { bed.link.Unplug(); }),
     err::kDeviceRemoved,
     2,
     std::nullopt},
    {"RestoreOnSilence", true, LinkTestBed::SilentAmplifier().faults, Nothing,
     err::kNoResponseToWriteEepromBlock, 10, FormatText(ids::kRestoreStoppedUnwritten)},
    {"RestoreOnGarbage", true, OnBlockReplies(Kind::kGarbage), Nothing,
     err::kNoResponseToWriteEepromBlock, 10, FormatText(ids::kRestoreStoppedUnwritten)},
    {"RestoreOnShortGarbage", true, OnBlockReplies(Kind::kShortGarbage), Nothing,
     err::kNoResponseToWriteEepromBlock, 10, FormatText(ids::kRestoreStoppedUnwritten)},
    {"RestoreOnOneByteShort", true, OnBlockReplies(Kind::kOneByteShort), Nothing,
     err::kNoResponseToWriteEepromBlock, 10, FormatText(ids::kRestoreStoppedUnwritten)},
    // The second block was acknowledged before the third write failed.
    {"RestoreOnPortWriteError",
     true,
     {},
     AtSecondBlock([](EepromBed& bed) { bed.link.FailNextCall(err::kWriteFault); }),
     err::kWriteFault,
     2,
     Partway(128)},
    // The second block went out, but its acknowledgement never came.
    {"RestoreOnAdapterPulled",
     true,
     {},
     AtSecondBlock([](EepromBed& bed) { bed.link.Unplug(); }),
     err::kDeviceRemoved,
     2,
     Partway(64)},
    // Four blocks, "^rpm;", then twenty rates of four probes.
    {"RestoreOnSilenceAfterReload", true, SilentAfterReload(), Nothing, err::kNoResponseAfterReset,
     4 + 1 + 80, FormatText(ids::kRestoreNoAnswerAfterReload, {224u})},
    // The amplifier answered at 9600 bit/s, but "^brp3;" could not be written: the port stays
    // where the amplifier is. The port has told why; nothing more is said.
    {"RestoreOnWriteErrorAtTheSpeedCommand", true, BackAt9600AfterReload(),
     [](EepromBed& bed) {
       ASSERT_TRUE(
           bed.time.RunUntil([&] { return bed.link.SentCommands().back().rate == 9600; }, 30000));
       bed.link.FailNextCall(err::kWriteFault);
     },
     err::kWriteFault, 4 + 1 + 9, std::nullopt, 9600},
};

class ConfigurationHostileLink : public ::testing::TestWithParam<ConfigFaultRow> {};

TEST_P(ConfigurationHostileLink, EndsOnceWithItsCodeAndSays) {
  const ConfigFaultRow& row = GetParam();
  EepromBed bed;
  bed.link.SetFaults(row.faults);
  Machine* machine = nullptr;
  ConfigurationRestoreMachine* restore = nullptr;
  if (row.restore) {
    restore = &bed.Install<ConfigurationRestoreMachine>();
    for (std::uint32_t address = 0; address < 0xE0; ++address) {
      restore->AddByte(0, static_cast<std::uint8_t>(address), 0x3C);
    }
    ASSERT_TRUE(restore->StartRestore());
    machine = restore;
  } else {
    auto& save = bed.Install<ConfigurationSaveMachine>();
    ASSERT_TRUE(save.StartSave());
    machine = &save;
  }
  row.during(bed);
  ASSERT_TRUE(bed.RunToEnd(*machine, 60000));

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{row.code});
  EXPECT_EQ(bed.Sends(), row.sends);
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, machine->Timer()));
  EXPECT_EQ(bed.prompts.boxes.size(), row.code == err::kWriteFault ? 1u : 0u);
  if (bed.app.Serial().IsOpen()) {
    EXPECT_EQ(bed.app.Serial().Speed(), row.rate);
  }
  if (restore != nullptr) {
    EXPECT_EQ(RestoreStoppedText(restore->Error(), restore->Outcome()), row.told);
    EXPECT_TRUE(bed.link.Eeprom().RefusedWrites().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(BlockCommands, ConfigurationHostileLink, ::testing::ValuesIn(kRows),
                         ByLabel());

}  // namespace
}  // namespace vlx::test
