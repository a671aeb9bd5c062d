// The amplifier's EEPROM: its made-up contents, the "^ER" and "^EW" block commands, the reload
// after "^rpm;" and the faults that can be put on the replies to a command.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "model/Amplifier.h"

namespace vlxsim {
namespace {

using Kind = FrameFault::Kind;

std::string Hex(std::uint32_t byte) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", byte & 0xFF);
  return text;
}

// Commands built as the program builds them, checksums and all.
std::string ReadCommand(std::uint32_t bank, std::uint32_t address, std::uint32_t count) {
  return "^ER" + Hex(bank) + Hex(address) + Hex(count) + Hex(0x100 - (bank + address + count)) +
         ";";
}

std::string WriteCommand(std::uint32_t bank, std::uint32_t address, const std::string& data) {
  std::uint32_t sum = bank + address + static_cast<std::uint32_t>(data.size());
  std::string digits;
  for (const char c : data) {
    digits += Hex(static_cast<unsigned char>(c));
    sum += static_cast<unsigned char>(c);
  }
  return "^EW" + Hex(bank) + Hex(address) + Hex(static_cast<std::uint32_t>(data.size())) + digits +
         Hex(0x100 - sum) + ";";
}

// The one reply to `command`, or "" when none leaves; at time `atMicros`.
std::string Ask(Amplifier& amplifier, const std::string& command, std::uint64_t atMicros = 0) {
  std::string replies;
  for (const Transmission& t : amplifier.Receive(command, amplifier.Rate(), atMicros)) {
    replies += t.bytes;
  }
  return replies;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return text;
}

// The data a good "^ER" reply carries, checked as the program checks it; "" for a bad reply.
std::string DataOf(const std::string& reply, const std::string& command) {
  const std::size_t count = std::stoul(command.substr(7, 2), nullptr, 16);
  if (reply.size() != 12 + 2 * count || Upper(reply.substr(0, 9)) != command.substr(0, 9)) {
    return "";
  }
  std::uint32_t sum = 0;
  std::string data;
  for (std::size_t i = 3; i + 1 < reply.size(); i += 2) {
    const auto byte = std::stoul(reply.substr(i, 2), nullptr, 16);
    sum += static_cast<std::uint32_t>(byte);
    if (i >= 9 && i < reply.size() - 3) {
      data.push_back(static_cast<char>(byte));
    }
  }
  return sum % 256 == 0 ? data : "";
}

struct Record {
  std::uint32_t time;
  std::uint8_t bandAndCode;
  bool empty;
};

Record RecordAt(const EepromStore& eeprom, std::size_t index) {
  const std::size_t offset = EepromStore::kRingOffset + index * EepromStore::kRecordSize;
  std::uint8_t b[6];
  bool empty = true;
  for (std::size_t i = 0; i < 6; ++i) {
    b[i] = eeprom.At((offset + i) / 256, (offset + i) % 256);
    empty = empty && b[i] == 0xFF;
  }
  return {b[2] * 65536u + b[1] * 256u + b[0], b[3], empty};
}

TEST(EepromTest, FactoryContentsHoldTheBannerUnitDataAndAWrappedRing) {
  for (const std::uint16_t serial : {1234, 40001}) {
    SCOPED_TRACE(serial);
    const EepromStore eeprom = EepromStore::Factory(serial, 19200);
    EXPECT_EQ(eeprom.Read(0, 0x50, 7), std::string("VLX750\0", 7));
    EXPECT_EQ(eeprom.At(0, 0xE0) + eeprom.At(0, 0xE1) * 256, serial);
    EXPECT_EQ(eeprom.SettingsRate(), 19200u);
    const std::uint8_t next = eeprom.At(0, EepromStore::kNextIndexAddress);
    ASSERT_LT(next, 128);

    // Oldest at the next index, newest before it: time stamps rise all the way round.
    std::uint32_t last = 0;
    std::size_t empties = 0;
    std::set<std::uint8_t> codes;
    std::set<std::uint8_t> faultBands;
    for (std::size_t k = 0; k < 128; ++k) {
      const Record record = RecordAt(eeprom, (next + k) % 128);
      if (record.empty) {
        ++empties;
        continue;
      }
      EXPECT_GT(record.time, last) << "record " << (next + k) % 128;
      last = record.time;
      codes.insert(record.bandAndCode & 0x0F);
      if ((record.bandAndCode & 0x0F) > 1) {
        faultBands.insert(record.bandAndCode >> 4);
      }
    }
    EXPECT_GT(empties, 0u);
    EXPECT_LT(empties, 10u);
    EXPECT_TRUE(codes.contains(0) && codes.contains(1));
    EXPECT_GE(faultBands.size(), 3u);
  }
  // Units differ in their settings and their ring.
  const EepromStore one = EepromStore::Factory(1234, 38400);
  const EepromStore two = EepromStore::Factory(1235, 38400);
  EXPECT_NE(one.Read(0, 0, 0x50), two.Read(0, 0, 0x50));
  EXPECT_NE(one.At(0, 0xFE), two.At(0, 0xFE));
}

TEST(EepromTest, ReadsAnyBlockOfAnyBankWithItsChecksum) {
  Amplifier amplifier;
  const EepromStore& eeprom = amplifier.Eeprom();
  // The banner as the program asks for it.
  const std::string banner = Ask(amplifier, "^ER005008A8;");
  EXPECT_EQ(banner.substr(0, 9), "^ER005008");
  EXPECT_EQ(DataOf(banner, "^ER005008A8;"), eeprom.Read(0, 0x50, 8));
  // Every bank in blocks of 64, and single bytes at the ends of a bank.
  for (std::uint32_t bank = 0; bank < 4; ++bank) {
    for (std::uint32_t address = 0; address < 256; address += 64) {
      const std::string command = ReadCommand(bank, address, 64);
      EXPECT_EQ(DataOf(Ask(amplifier, command), command), eeprom.Read(bank, address, 64))
          << command;
    }
  }
  const std::string last = ReadCommand(3, 0xFF, 1);
  EXPECT_EQ(DataOf(Ask(amplifier, last), last), eeprom.Read(3, 0xFF, 1));
  // Either case of hex digit is taken.
  EXPECT_EQ(DataOf(Ask(amplifier, "^ER00c02020;"), "^ER00C02020;"), eeprom.Read(0, 0xC0, 32));
}

TEST(EepromTest, WritesBankZeroUpToItsUnitDataAndReadsItBack) {
  Amplifier amplifier;
  const std::string before = amplifier.Eeprom().Dump();
  // HELLO and its 0, as the banner editor writes it; the reply's checksum leaves out the data.
  EXPECT_EQ(Ask(amplifier, "^EW00500648454C4C4F0036;"), "^EW005006AA;");
  EXPECT_EQ(Ask(amplifier, "^EW00500100AF;"), "^EW005001AF;");
  EXPECT_EQ(amplifier.Eeprom().Read(0, 0x50, 8),
            std::string("\0ELLO\0", 6) + before.substr(0x56, 2));

  const std::string settings(64, '\x5A');
  for (const std::uint32_t address : {0x00u, 0x40u, 0x80u}) {
    ASSERT_EQ(Ask(amplifier, WriteCommand(0, address, settings)).size(), 12u);
  }
  std::string unitData(16, '\0');
  for (std::size_t i = 0; i < unitData.size(); ++i) {
    unitData[i] = static_cast<char>(0xF0 + i);
  }
  EXPECT_EQ(Ask(amplifier, WriteCommand(0, 0xE0, unitData)), "^EW00E01010;");
  std::string expected = before;
  expected.replace(0, 192, std::string(192, '\x5A'));
  expected.replace(0xE0, 16, unitData);
  EXPECT_EQ(amplifier.Eeprom().Dump(), expected);
  const std::string read = ReadCommand(0, 0xE0, 16);
  EXPECT_EQ(DataOf(Ask(amplifier, read), read), unitData);
  EXPECT_TRUE(amplifier.Eeprom().RefusedWrites().empty());
}

struct BadCommand {
  const char* name;
  std::string command;
  bool refusedWrite;
};

class EepromBadCommandTest : public ::testing::TestWithParam<BadCommand> {};

TEST_P(EepromBadCommandTest, IsAnsweredAsUnknownAndChangesNothing) {
  Amplifier amplifier;
  const std::string before = amplifier.Eeprom().Dump();
  EXPECT_EQ(Ask(amplifier, GetParam().command), "?;");
  EXPECT_EQ(amplifier.Eeprom().Dump(), before);
  EXPECT_EQ(amplifier.Eeprom().RefusedWrites().size(), GetParam().refusedWrite ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Eeprom, EepromBadCommandTest,
    ::testing::Values(BadCommand{"ReadBadChecksum", "^ER005008A9;", false},
                      BadCommand{"ReadPastTheBank", ReadCommand(0, 0xF0, 0x20), false},
                      BadCommand{"ReadNoBytes", ReadCommand(0, 0x10, 0), false},
                      BadCommand{"ReadOverABlock", ReadCommand(1, 0x00, 65), false},
                      BadCommand{"ReadBankFour", ReadCommand(4, 0x00, 8), false},
                      BadCommand{"ReadNotHex", "^ER0050G8A8;", false},
                      BadCommand{"ReadTooLong", "^ER005008A800;", false},
                      BadCommand{"WriteBadChecksum", "^EW00500648454C4C4F0037;", false},
                      BadCommand{"WriteDataShort", "^EW005006454C4C4F0036;", false},
                      BadCommand{"WritePastTheBank", WriteCommand(0, 0xFF, "ab"), false},
                      BadCommand{"WriteBankOne", WriteCommand(1, 0x00, "xyz"), true},
                      BadCommand{"WriteNextIndex", WriteCommand(0, 0xFE, "\x01"), true},
                      BadCommand{"WriteAcrossTheUnitDataEnd", WriteCommand(0, 0xE8, "123456789"),
                                 true}),
    [](const ::testing::TestParamInfo<BadCommand>& info) { return std::string(info.param.name); });

TEST(EepromTest, RefusedWritesAreRecordedWithTheirBlock) {
  Amplifier amplifier;
  Ask(amplifier, WriteCommand(2, 0x10, "ab"));
  Ask(amplifier, WriteCommand(0, 0xF0, "c"));
  EXPECT_EQ(amplifier.Eeprom().RefusedWrites(),
            (std::vector<EepromStore::RefusedWrite>{{2, 0x10, 2}, {0, 0xF0, 1}}));
}

// "^rpm;" at 10 ms; the reload takes 60 ms by default.
TEST(EepromTest, ReloadIsDeafForItsTimeThenBackAtTheSettingsRate) {
  Amplifier amplifier;
  ASSERT_EQ(amplifier.Rate(), 38400u);
  // "^brpN;" changes the running rate only; the settings still hold 38400.
  EXPECT_EQ(Ask(amplifier, "^brp1;"), "");
  EXPECT_EQ(amplifier.Rate(), 9600u);
  EXPECT_EQ(Ask(amplifier, "^rpm;", 10'000), "");
  EXPECT_EQ(amplifier.Mode(), AmplifierMode::kReloading);
  EXPECT_EQ(amplifier.NextWakeMicros(), 70'000u);
  EXPECT_EQ(Ask(amplifier, ";", 69'999), "");
  EXPECT_TRUE(amplifier.Advance(70'000).empty());
  EXPECT_EQ(amplifier.Rate(), 38400u);
  EXPECT_EQ(Ask(amplifier, ";", 70'000), ";");

  // Settings restored with another rate: it comes back at that one.
  ASSERT_EQ(Ask(amplifier, WriteCommand(0, EepromStore::kRateAddress, "\x02")).size(), 12u);
  EXPECT_EQ(amplifier.Rate(), 38400u);
  Ask(amplifier, "^rpm;", 100'000);
  amplifier.Advance(160'000);
  EXPECT_EQ(amplifier.Rate(), 19200u);
}

TEST(EepromTest, ReloadFaultsAndTheSettableReloadTime) {
  AmplifierConfig config;
  config.reloadMs = 5;
  config.faults.reload.rate = 4800;
  Amplifier other(config);
  Ask(other, "^rpm;");
  other.Advance(5'000);
  EXPECT_EQ(other.Rate(), 4800u);
  EXPECT_EQ(Ask(other, ";", 5'000), ";");

  config.faults.reload = {0, true};
  Amplifier silent(config);
  Ask(silent, "^rpm;");
  EXPECT_EQ(silent.NextWakeMicros(), std::nullopt);
  silent.Advance(10'000'000);
  EXPECT_EQ(Ask(silent, ";", 10'000'000), "");
  // Until the mains go off.
  silent.PowerCycle(11'000'000);
  EXPECT_EQ(Ask(silent, ";", 11'000'000), ";");
}

struct CommandFaultCase {
  const char* name;
  Kind kind;
  std::string (*expected)(const std::string& reply);
};

class EepromCommandFaultTest : public ::testing::TestWithParam<CommandFaultCase> {};

// Faults on "^ER" after the first one: the first read and other commands are answered as usual.
TEST_P(EepromCommandFaultTest, ShapesEveryReplyToTheCommandAfterTheSkipped) {
  const std::string read = "^ER000040C0;";
  Amplifier plain;
  const std::string good = Ask(plain, read);
  AmplifierConfig config;
  config.faults.commands = {{"^ER", GetParam().kind, 1}};
  Amplifier amplifier(config);
  EXPECT_EQ(Ask(amplifier, read), good);
  EXPECT_EQ(Ask(amplifier, "^sn;"), "^SN1234;");
  for (int i = 0; i < 2; ++i) {
    const std::string reply = Ask(amplifier, read);
    EXPECT_EQ(reply, GetParam().expected(good));
    EXPECT_EQ(DataOf(reply, read), GetParam().kind == Kind::kLowerCase ? DataOf(good, read) : "");
  }
}

std::string Lower(const std::string& reply) {
  std::string lower = reply;
  for (char& c : lower) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return lower;
}

INSTANTIATE_TEST_SUITE_P(
    Eeprom, EepromCommandFaultTest,
    ::testing::Values(CommandFaultCase{"Silence", Kind::kNoAnswer,
                                       [](const std::string&) { return std::string(); }},
                      CommandFaultCase{"LowerCaseEcho", Kind::kLowerCase, Lower},
                      CommandFaultCase{
                          "OneByteShort", Kind::kOneByteShort,
                          [](const std::string& r) { return r.substr(0, 135) + r.substr(137); }}),
    [](const ::testing::TestParamInfo<CommandFaultCase>& info) {
      return std::string(info.param.name);
    });

TEST(EepromTest, GarbageRepliesNeverEndAReplyAndShortGarbageEndsOne) {
  AmplifierConfig config;
  config.faults.commands = {{"^ER0000", Kind::kGarbage}, {"^EW", Kind::kShortGarbage}};
  Amplifier amplifier(config);
  const std::string garbage = Ask(amplifier, "^ER000040C0;");
  EXPECT_EQ(garbage.size(), 12u + 128u);
  EXPECT_EQ(garbage.find_first_of(";ABDN"), std::string::npos);
  // Another block is no match for the longer leading text.
  EXPECT_EQ(Ask(amplifier, "^ER00404080;").substr(0, 9), "^ER004040");
  const std::string shortGarbage = Ask(amplifier, "^EW00500100AF;");
  ASSERT_EQ(shortGarbage.size(), 4u);
  EXPECT_EQ(shortGarbage.find_first_of(";ABDN"), 3u);
}

}  // namespace
}  // namespace vlxsim
