// The configuration restore machine on the simulated amplifier, in virtual time: the runs a file
// gives, the blocks, the reload and the search for the amplifier's rate, cancelling at each stage,
// and what a stopped run tells.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/ConfigurationRestoreMachine.h"
#include "report/ConfigTextIds.h"
#include "report/StringTable.h"
#include "support/CaseNames.h"
#include "support/Conversation.h"
#include "support/EepromBed.h"
#include "support/FileContents.h"

namespace vlx::test {
namespace {

// The golden file's bank 0: each byte tells its address.
std::string Pattern(std::size_t count) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) {
    bytes.push_back(static_cast<char>(i * 7 + 3));
  }
  return bytes;
}

// A restore machine holding the golden file's bytes, as the dialog leaves it before the start.
ConfigurationRestoreMachine& InstallWithGoldenFile(EepromBed& bed) {
  ConfigurationRestoreMachine& machine = bed.Install<ConfigurationRestoreMachine>();
  EXPECT_EQ(CheckConfigurationText(
                test::Fixture(std::string("config/") + "SN01234.20240102T030405.VLXConfig"), 1234,
                machine)
                .code,
            err::kSuccess);
  return machine;
}

bool RunUntilSentStarting(EepromBed& bed, const std::string& prefix) {
  return bed.time.RunUntil(
      [&] {
        const auto& sent = bed.link.SentCommands();
        return !sent.empty() && sent.back().bytes.rfind(prefix, 0) == 0;
      },
      30000);
}

// What was sent from "^rpm;" on.
std::vector<std::string> FromReload(const SimulatedLink& link) {
  const std::vector<std::string> sent = Conversation(link);
  for (std::size_t i = 0; i < sent.size(); ++i) {
    if (sent[i].rfind("^rpm;", 0) == 0) {
      return std::vector<std::string>(sent.begin() + static_cast<std::ptrdiff_t>(i), sent.end());
    }
  }
  return {};
}

TEST(ConfigurationRestore, WritesTheFileReloadsAndLeavesEveryOtherByte) {
  EepromBed bed;
  const std::string before = bed.link.Eeprom().Dump();
  ConfigurationRestoreMachine& machine = InstallWithGoldenFile(bed);
  ASSERT_EQ(machine.Runs().size(), 1u);
  ASSERT_TRUE(machine.StartRestore());
  EXPECT_FALSE(machine.StartRestore());
  ASSERT_TRUE(bed.RunToEnd(machine));

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kSuccess});
  const std::vector<std::string> sent = bed.link.SentTexts();
  ASSERT_EQ(sent.size(), 6u);
  const char* const prefixes[] = {"^EW000040", "^EW004040", "^EW008040", "^EW00C020"};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(sent[i].rfind(prefixes[i], 0), 0u) << sent[i];
  }
  EXPECT_EQ(std::vector<std::string>(sent.begin() + 4, sent.end()),
            (std::vector<std::string>{"^rpm;", ";"}));
  const auto& at = bed.link.SentCommands();
  EXPECT_GE(at[4].atMicros - at[3].atMicros, 700000u);

  const std::string after = bed.link.Eeprom().Dump();
  EXPECT_EQ(after.substr(0, 224), Pattern(224));
  EXPECT_EQ(after.substr(224), before.substr(224));
  EXPECT_TRUE(bed.link.Eeprom().RefusedWrites().empty());
  EXPECT_EQ(bed.recorder.ranges, std::vector<std::uint32_t>{224});
  EXPECT_EQ(bed.recorder.progress, (std::vector<std::uint32_t>{0, 64, 128, 192, 224}));
  EXPECT_EQ(machine.Outcome().bytesWritten, 224u);
  EXPECT_EQ(RestoreStoppedText(machine.Error(), machine.Outcome()), std::nullopt);
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kConfigurationRestoreTimerId));
}

struct AddByteCase {
  const char* label;
  std::vector<std::pair<std::uint8_t, std::uint8_t>> bytes;  // bank, address; value = address
  std::vector<std::pair<std::uint8_t, std::uint8_t>> runs;   // start, last
};

class ConfigurationRestoreRuns : public ::testing::TestWithParam<AddByteCase> {};

TEST_P(ConfigurationRestoreRuns, FollowTheAddressesInFileOrder) {
  const AddByteCase& c = GetParam();
  EepromBed bed;
  ConfigurationRestoreMachine& machine = bed.Install<ConfigurationRestoreMachine>();
  for (const auto& [bank, address] : c.bytes) {
    machine.AddByte(bank, address, address);
  }
  std::vector<std::pair<std::uint8_t, std::uint8_t>> runs;
  for (const RestoreRun& run : machine.Runs()) {
    runs.emplace_back(run.start, run.last);
    EXPECT_EQ(run.bank, 0u);
    for (std::uint32_t address = run.start; address <= run.last; ++address) {
      EXPECT_EQ(run.data[address], address);
    }
  }
  EXPECT_EQ(runs, c.runs);
  EXPECT_EQ(machine.HasBytes(), !c.runs.empty());
}

INSTANTIATE_TEST_SUITE_P(
    AddByte, ConfigurationRestoreRuns,
    ::testing::Values(
        AddByteCase{"Consecutive", {{0, 0x10}, {0, 0x11}, {0, 0x12}}, {{0x10, 0x12}}},
        AddByteCase{"Gap", {{0, 0x10}, {0, 0x11}, {0, 0x14}}, {{0x10, 0x11}, {0x14, 0x14}}},
        AddByteCase{
            "RepeatedAddress", {{0, 0x10}, {0, 0x11}, {0, 0x10}}, {{0x10, 0x11}, {0x10, 0x10}}},
        AddByteCase{"OtherBankAndUnitDataIgnored",
                    {{1, 0x10}, {0, 0xDF}, {0, 0xE0}, {0, 0xFF}, {3, 0x00}},
                    {{0xDF, 0xDF}}},
        AddByteCase{"NothingRestorable", {{0, 0xE0}, {2, 0x00}}, {}}),
    ByLabel());

TEST(ConfigurationRestore, AGapGivesTwoRunsEachFromItsOwnAddress) {
  EepromBed bed;
  const std::string before = bed.link.Eeprom().Dump();
  ConfigurationRestoreMachine& machine = bed.Install<ConfigurationRestoreMachine>();
  for (std::uint8_t address = 0x00; address < 0x30; ++address) {
    if (address < 0x10 || address >= 0x20) {
      machine.AddByte(0, address, 0x5A);
    }
  }
  ASSERT_TRUE(machine.StartRestore());
  ASSERT_TRUE(bed.RunToEnd(machine));

  EXPECT_EQ(machine.Error(), err::kSuccess);
  const std::vector<std::string> sent = bed.link.SentTexts();
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[0].rfind("^EW000010", 0), 0u);
  EXPECT_EQ(sent[1].rfind("^EW002010", 0), 0u);
  EXPECT_EQ(bed.recorder.progress, (std::vector<std::uint32_t>{0, 16, 32}));
  const std::string after = bed.link.Eeprom().Dump();
  EXPECT_EQ(after.substr(0x00, 0x10), std::string(0x10, '\x5A'));
  EXPECT_EQ(after.substr(0x10, 0x10), before.substr(0x10, 0x10));
  EXPECT_EQ(after.substr(0x20, 0x10), std::string(0x10, '\x5A'));
}

TEST(ConfigurationRestore, FindsTheAmplifierBackAtAnotherRateAndMovesItToTheSavedOne) {
  vlxsim::AmplifierConfig config;
  config.faults.reload.rate = 9600;
  EepromBed bed(config);
  bed.app.trace.Set(1);
  ConfigurationRestoreMachine& machine = InstallWithGoldenFile(bed);
  ASSERT_TRUE(machine.StartRestore());
  ASSERT_TRUE(bed.RunToEnd(machine));

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kSuccess});
  EXPECT_EQ(FromReload(bed.link), Concat({{"^rpm;@38400"},
                                          Repeat(";@38400", 4),
                                          Repeat(";@19200", 4),
                                          {";@9600"},
                                          {"^brp3;@9600"}}));
  EXPECT_EQ(bed.app.Serial().Speed(), 38400u);
  EXPECT_EQ(bed.amplifier.OperatingRate(), 38400u);
  EXPECT_EQ(bed.recorder.rates, (std::vector<std::uint32_t>{19200, 9600, 38400}));
  const auto& traces = bed.status.traceLines;
  for (const char* line :
       {"DetermineSpeedState::ChangeSpeed 19200", "DetermineSpeedState::ChangeSpeed 9600",
        "RestoreRS232SpeedState from 9600 to 38400"}) {
    EXPECT_NE(std::find(traces.begin(), traces.end(), line), traces.end()) << line;
  }
}

TEST(ConfigurationRestore, SilenceAfterTheReloadFailsAfterTwentyRatesAndPutsThePortBack) {
  vlxsim::AmplifierConfig config;
  config.faults.reload.silent = true;
  EepromBed bed(config);
  ConfigurationRestoreMachine& machine = InstallWithGoldenFile(bed);
  ASSERT_TRUE(machine.StartRestore());
  ASSERT_TRUE(bed.RunToEnd(machine));

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kNoResponseAfterReset});
  EXPECT_EQ(FromReload(bed.link).size(), 1u + 80u);
  EXPECT_EQ(bed.app.Serial().Speed(), 38400u);
  EXPECT_EQ(bed.recorder.rates.back(), 38400u);
  EXPECT_EQ(RestoreStoppedText(machine.Error(), machine.Outcome()),
            "All 224 bytes were written, but the VLX did not answer after reloading them. Check "
            "the VLX, then press Test Communications.");
}

// Cancel pressed at a stage of the run: while blocks are still to be written it stops the run at
// the next one; once the last block is in, it is ignored and the run ends as a whole restore.
struct CancelCase {
  const char* label;
  std::uint32_t reloadRate;  // where the amplifier comes back (0: where it was)
  const char* after;         // Cancel once a command starting so was sent...
  std::uint32_t laterMs;     // ...and this much later
  bool cancels;
  ErrorCode code;
  std::uint32_t written;
};

class ConfigurationRestoreCancel : public ::testing::TestWithParam<CancelCase> {};

TEST_P(ConfigurationRestoreCancel, StopsOnlyWhileBlocksRemain) {
  const CancelCase& c = GetParam();
  vlxsim::AmplifierConfig config;
  config.faults.reload.rate = c.reloadRate;
  EepromBed bed(config);
  ConfigurationRestoreMachine& machine = InstallWithGoldenFile(bed);
  EXPECT_FALSE(machine.CanBeCancelled());
  ASSERT_TRUE(machine.StartRestore());
  ASSERT_TRUE(RunUntilSentStarting(bed, c.after));
  bed.time.RunFor(c.laterMs);
  EXPECT_EQ(machine.CanBeCancelled(), c.cancels);
  EXPECT_EQ(machine.Cancel(), c.cancels);
  ASSERT_TRUE(bed.RunToEnd(machine));

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{c.code});
  EXPECT_EQ(machine.Outcome().bytesWritten, c.written);
  EXPECT_EQ(bed.link.Eeprom().Dump().substr(0, c.written), Pattern(c.written));
  EXPECT_EQ(bed.app.Serial().Speed(), 38400u);
  EXPECT_EQ(bed.amplifier.OperatingRate(), 38400u);
  if (c.code == err::kSuccess) {
    EXPECT_FALSE(FromReload(bed.link).empty());
  } else {
    EXPECT_TRUE(FromReload(bed.link).empty());
    EXPECT_EQ(RestoreStoppedText(c.code, machine.Outcome()),
              FormatText(ids::kRestoreStoppedPartway, {c.written, 224u}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Stages, ConfigurationRestoreCancel,
    ::testing::Values(CancelCase{"DuringTheBlocks", 0, "^EW004040", 0, true, err::kCancelled, 128},
                      CancelCase{"WhileTheLastBlockIsInFlight", 0, "^EW00C020", 0, true,
                                 err::kSuccess, 224},
                      CancelCase{"DuringTheDelay", 0, "^EW00C020", 300, false, err::kSuccess, 224},
                      CancelCase{"AtTheReload", 0, "^rpm;", 0, false, err::kSuccess, 224},
                      CancelCase{"DuringTheSearch", 9600, ";", 500, false, err::kSuccess, 224}),
    ByLabel());

TEST(ConfigurationRestore, AFileWithoutRestorableBytesIsRefusedBeforeAnyCommand) {
  EepromBed bed;
  ConfigurationRestoreMachine& machine = bed.Install<ConfigurationRestoreMachine>();
  // The file is sealed and complete: the reader takes it.
  EXPECT_EQ(
      CheckConfigurationText(
          test::Fixture(std::string("config/") + "no-restorable-bytes.VLXConfig"), 0xFFFF, machine)
          .code,
      err::kSuccess);
  EXPECT_FALSE(machine.HasBytes());
  EXPECT_FALSE(machine.StartRestore());
  EXPECT_TRUE(machine.IsIdle());
  EXPECT_EQ(bed.Sends(), 0u);
  EXPECT_TRUE(bed.recorder.done.empty());
  EXPECT_EQ(LoadString(ids::kNoConfigurationBytes),
            "The configuration file holds no configuration bytes for this VLX.");
}

TEST(ConfigurationRestore, AStoppedRunSaysWhatTheAmplifierHolds) {
  EXPECT_EQ(RestoreStoppedText(err::kSuccess, {224, 224}), std::nullopt);
  EXPECT_EQ(RestoreStoppedText(err::kNoResponseToWriteEepromBlock, {64, 224}),
            "The restore stopped after 64 of 224 bytes were written. The VLX holds part of the "
            "restored configuration and has not reloaded it. Restore again before switching the "
            "VLX off.");
  EXPECT_EQ(RestoreStoppedText(err::kCancelled, {0, 224}),
            "The restore stopped before any byte was written. The VLX holds the configuration it "
            "held before.");
  EXPECT_EQ(RestoreStoppedText(err::kNoResponseAfterReset, {8, 8}),
            FormatText(ids::kRestoreNoAnswerAfterReload, {8u}));
  // A port failure after the last block: the port's own box says it all.
  EXPECT_EQ(RestoreStoppedText(err::kWriteFault, {224, 224}), std::nullopt);
}

}  // namespace
}  // namespace vlx::test
