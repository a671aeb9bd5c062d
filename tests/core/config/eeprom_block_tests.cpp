// The EEPROM block states on the simulated amplifier, in virtual time: the range tables and their
// fit rule, the commands of a span, the reply checks (a dropped reply leaves the destination as
// it was), the retry count of one visit, and blocks outside the tables.

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "config/ConfigurationRanges.h"
#include "config/EepromBlockStates.h"
#include "support/CaseNames.h"
#include "support/Conversation.h"
#include "support/EepromBed.h"

namespace vlx::test {
namespace {

using Kind = vlxsim::FrameFault::Kind;

constexpr TimerId kBlockTimerId = 98;
constexpr std::uint8_t kUntouched = 0xA5;

// Runs one block state over a span, as the banner, save, restore and fault-table machines do.
class BlockMachine final : public Machine {
 public:
  explicit BlockMachine(AppSettings& app)
      : Machine(app, kBlockTimerId),
        read_(*this, "ReadTestState", &Final()),
        write_(*this, "WriteTestState", &Final()) {
    memory.fill(kUntouched);
  }

  void Read(std::uint32_t bank, std::uint8_t address, std::uint32_t total) {
    read_.SetSpan(bank, address, total);
    read_.SetDestination(memory.data());
    Start(read_);
  }
  void Write(std::uint32_t bank, std::uint8_t address, const std::string& bytes) {
    source_.assign(bytes.begin(), bytes.end());
    write_.SetSpan(bank, address, static_cast<std::uint32_t>(source_.size()));
    write_.SetSource(source_.data());
    Start(write_);
  }
  std::string Memory(std::size_t count) const {
    return std::string(memory.begin(), memory.begin() + count);
  }

  std::array<std::uint8_t, 256> memory{};

 private:
  void PublishResult() override { Owner().machineDone.Notify(Error()); }

  ReadBlockState read_;
  WriteBlockState write_;
  std::vector<std::uint8_t> source_;
};

TEST(EepromRanges, BlockFitsOnlyWhereBothEndsLieInARowOfItsBank) {
  struct Case {
    EepromRanges table;
    std::uint32_t bank, address, count;
    bool fits;
  };
  const Case cases[] = {
      {kReadableRanges, 3, 0xC0, 64, true},      {kReadableRanges, 4, 0x00, 1, false},
      {kReadableRanges, 0, 0xF0, 32, false},     {kReadableRanges, 0, 0x00, 0, false},
      {kWritableRanges, 0, 0xB0, 64, true},      {kWritableRanges, 0, 0xC0, 64, false},
      {kWritableRanges, 1, 0x00, 8, false},      {kConfigurationRanges, 0, 0xDF, 1, true},
      {kConfigurationRanges, 0, 0xE0, 1, false}, {kRestorableRanges, 0, 0x00, 224, true},
      {kRestorableRanges, 0, 0x00, 225, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BlockFits(c.table, c.bank, c.address, c.count), c.fits)
        << c.bank << " " << c.address << " " << c.count;
  }
  EXPECT_TRUE(IsRestorable(0, 0xDF));
  EXPECT_FALSE(IsRestorable(0, 0xE0));
  EXPECT_FALSE(IsRestorable(1, 0x10));
  EXPECT_EQ(RangeBytes(kConfigurationRanges), 224u);
}

TEST(EepromBlocks, ReadsASpanInBlocksOf64AndMovesProgressByEach) {
  EepromBed bed;
  BlockMachine& machine = bed.Install<BlockMachine>();
  machine.Read(3, 0x00, 256);
  ASSERT_TRUE(bed.RunToEnd(machine));

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kSuccess});
  EXPECT_EQ(Conversation(bed.link),
            (std::vector<std::string>{"^ER030040BD;@38400", "^ER0340407D;@38400",
                                      "^ER0380403D;@38400", "^ER03C040FD;@38400"}));
  EXPECT_EQ(machine.Memory(256), bed.link.Eeprom().Read(3, 0, 256));
  EXPECT_EQ(bed.recorder.progress, (std::vector<std::uint32_t>{64, 128, 192, 256}));
}

struct CommandCase {
  const char* label;
  bool write;
  std::uint8_t address;
  std::string bytes;  // written; for a read, only its length counts
  std::string command;
};

class EepromBlockCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(EepromBlockCommand, IsSentAsTheAmplifierExpectsIt) {
  const CommandCase& c = GetParam();
  EepromBed bed;
  BlockMachine& machine = bed.Install<BlockMachine>();
  if (c.write) {
    machine.Write(0, c.address, c.bytes);
  } else {
    machine.Read(0, c.address, static_cast<std::uint32_t>(c.bytes.size()));
  }
  ASSERT_TRUE(bed.RunToEnd(machine));
  EXPECT_EQ(machine.Error(), err::kSuccess);
  EXPECT_EQ(bed.link.SentTexts(), std::vector<std::string>{c.command});
  if (c.write) {
    EXPECT_EQ(bed.link.Eeprom().Read(0, c.address, c.bytes.size()), c.bytes);
  }
  EXPECT_TRUE(bed.link.Eeprom().RefusedWrites().empty());
}

INSTANTIATE_TEST_SUITE_P(Banner, EepromBlockCommand,
                         ::testing::Values(CommandCase{"ReadEightAt50", false, 0x50,
                                                       std::string(8, '\0'), "^ER005008A8;"},
                                           CommandCase{"WriteHello", true, 0x50,
                                                       std::string("HELLO\0", 6),
                                                       "^EW00500648454C4C4F0036;"},
                                           CommandCase{"WriteEmpty", true, 0x50,
                                                       std::string(1, '\0'), "^EW00500100AF;"}),
                         ByLabel());

// A reply to the first "^ER005008A8;" in place of the amplifier's; the second send is answered
// truly.
struct ReadReplyCase {
  const char* label;
  std::string (*reply)(const std::string& good);
  bool accepted;
};

std::string Same(const std::string& good) {
  return good;
}
std::string LowerCase(const std::string& good) {
  std::string lower = good;
  for (char& c : lower) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return lower;
}
std::string OneByteShort(const std::string& good) {
  return good.substr(0, good.size() - 5) + good.substr(good.size() - 3);
}
std::string TwoHundredDigits(const std::string& good) {
  return good.substr(0, 9) + std::string(200, '7') + good.substr(good.size() - 3);
}
std::string BadLastDigit(const std::string& good) {
  std::string bad = good;
  bad[bad.size() - 2] = 'G';
  return bad;
}
std::string BadLastDataDigit(const std::string& good) {
  std::string bad = good;
  bad[bad.size() - 4] = 'x';
  return bad;
}
std::string WrongChecksum(const std::string& good) {
  std::string bad = good;
  bad[bad.size() - 2] = bad[bad.size() - 2] == '0' ? '1' : '0';
  return bad;
}
// The same data as read from 0x60, its checksum right for that address.
std::string OtherAddress(const std::string& good) {
  const std::string data = good.substr(9, 16);
  std::string bytes;
  for (std::size_t i = 0; i < data.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(data.substr(i, 2), nullptr, 16)));
  }
  return ReadReply(0, 0x60, bytes);
}
std::string WriteEcho(const std::string& good) {
  return "^EW" + good.substr(3);
}

class EepromReadReply : public ::testing::TestWithParam<ReadReplyCase> {};

TEST_P(EepromReadReply, IsCheckedWholeBeforeAByteIsKept) {
  const ReadReplyCase& c = GetParam();
  EepromBed bed;
  const std::string data = bed.link.Eeprom().Read(0, 0x50, 8);
  vlxsim::Faults faults;
  faults.frames.push_back({0, Kind::kReplace, 0, c.reply(ReadReply(0, 0x50, data))});
  bed.link.SetFaults(faults);
  BlockMachine& machine = bed.Install<BlockMachine>();
  machine.Read(0, 0x50, 8);

  if (c.accepted) {
    ASSERT_TRUE(bed.RunToEnd(machine, 1000));
    EXPECT_EQ(bed.Sends(), 1u);
  } else {
    // Dropped: nothing kept, and the state waits out its time-out before it asks again.
    ASSERT_TRUE(bed.time.RunUntil([&] { return bed.Sends() == 2; }, 2500));
    EXPECT_GE(bed.link.SentCommands()[1].atMicros - bed.link.SentCommands()[0].atMicros, 2000000u);
    EXPECT_EQ(machine.Memory(8), std::string(8, static_cast<char>(kUntouched)));
    ASSERT_TRUE(bed.RunToEnd(machine, 1000));
  }
  EXPECT_EQ(machine.Error(), err::kSuccess);
  EXPECT_EQ(machine.Memory(8), data);
  EXPECT_EQ(machine.memory[8], kUntouched);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, EepromReadReply,
    ::testing::Values(ReadReplyCase{"Good", Same, true},
                      ReadReplyCase{"LowerCaseEcho", LowerCase, true},
                      ReadReplyCase{"OneByteShort", OneByteShort, false},
                      ReadReplyCase{"TwoHundredDigits", TwoHundredDigits, false},
                      ReadReplyCase{"BadLastHexDigit", BadLastDigit, false},
                      ReadReplyCase{"BadLastDataDigit", BadLastDataDigit, false},
                      ReadReplyCase{"WrongChecksum", WrongChecksum, false},
                      ReadReplyCase{"OtherAddress", OtherAddress, false},
                      ReadReplyCase{"WriteEcho", WriteEcho, false}),
    ByLabel());

struct WriteReplyCase {
  const char* label;
  std::string reply;  // to "^EW00500648454C4C4F0036;"
  bool accepted;
};

class EepromWriteReply : public ::testing::TestWithParam<WriteReplyCase> {};

TEST_P(EepromWriteReply, IsTakenOnlyWithItsEchoAndChecksum) {
  const WriteReplyCase& c = GetParam();
  EepromBed bed;
  vlxsim::Faults faults;
  faults.frames.push_back({0, Kind::kReplace, 0, c.reply});
  bed.link.SetFaults(faults);
  BlockMachine& machine = bed.Install<BlockMachine>();
  machine.Write(0, 0x50, std::string("HELLO\0", 6));
  ASSERT_TRUE(bed.RunToEnd(machine, 5000));
  EXPECT_EQ(machine.Error(), err::kSuccess);
  EXPECT_EQ(bed.Sends(), c.accepted ? 1u : 2u);
}

INSTANTIATE_TEST_SUITE_P(Checks, EepromWriteReply,
                         ::testing::Values(WriteReplyCase{"Good", "^EW005006AA;", true},
                                           WriteReplyCase{"LowerCase", "^ew005006aa;", true},
                                           WriteReplyCase{"BadChecksum", "^EW005006AB;", false},
                                           WriteReplyCase{"NonHexChecksum", "^EW005006AG;", false},
                                           WriteReplyCase{"OtherCount", "^EW005005AB;", false},
                                           WriteReplyCase{"TooLong", "^EW005006AA00;", false},
                                           WriteReplyCase{"ReadEcho", "^ER005006AA;", false}),
                         ByLabel());

// Three lost replies on each of three blocks and one on the fourth: the tenth time-out of the
// visit ends it, although no block had more than three.
TEST(EepromBlocks, TenTimeOutsInOneVisitFailHoweverTheyAreSpread) {
  EepromBed bed;
  vlxsim::Faults faults;
  for (const std::uint32_t frame : {0, 1, 2, 4, 5, 6, 8, 9, 10, 12}) {
    faults.frames.push_back({frame, Kind::kNoAnswer, 0, {}});
  }
  bed.link.SetFaults(faults);
  BlockMachine& machine = bed.Install<BlockMachine>();
  machine.Read(1, 0x00, 256);
  ASSERT_TRUE(bed.RunToEnd(machine, 60000));

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kNoResponseToReadEepromBlock});
  EXPECT_EQ(bed.Sends(), 13u);
  EXPECT_EQ(bed.recorder.progress, (std::vector<std::uint32_t>{64, 128, 192}));
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kBlockTimerId));
}

struct OutsideCase {
  const char* label;
  bool write;
  std::uint32_t bank;
  std::uint8_t address;
  std::uint32_t total;
  std::size_t sends;  // the blocks before the one that does not fit
};

class EepromBlockOutside : public ::testing::TestWithParam<OutsideCase> {};

TEST_P(EepromBlockOutside, EndsTheRunWithInvalidAddressBeforeSendingIt) {
  const OutsideCase& c = GetParam();
  EepromBed bed;
  BlockMachine& machine = bed.Install<BlockMachine>();
  const std::string before = bed.link.Eeprom().Dump();
  if (c.write) {
    machine.Write(c.bank, c.address, std::string(c.total, '\x11'));
  } else {
    machine.Read(c.bank, c.address, c.total);
  }
  ASSERT_TRUE(bed.RunToEnd(machine, 5000));
  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kInvalidEepromAddress});
  EXPECT_EQ(bed.Sends(), c.sends);
  EXPECT_TRUE(bed.link.Eeprom().RefusedWrites().empty());
  if (c.sends == 0) {
    EXPECT_EQ(bed.link.Eeprom().Dump(), before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, EepromBlockOutside,
    ::testing::Values(OutsideCase{"ReadBankFour", false, 4, 0x00, 8, 0},
                      OutsideCase{"ReadPastTheBankEnd", false, 0, 0xF0, 32, 0},
                      OutsideCase{"WriteAboveTheWritableRange", true, 0, 0xF0, 8, 0},
                      OutsideCase{"WriteBankOne", true, 1, 0x00, 8, 0},
                      OutsideCase{"WriteIntoUnitDataAfterAGoodBlock", true, 0, 0xA0, 96, 1}),
    ByLabel());

}  // namespace
}  // namespace vlx::test
