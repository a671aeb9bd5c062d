#include "model/Line.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "model/CommandTable.h"

namespace vlxsim {
namespace {

TEST(LineTest, SameRateCarriesBytesUnchanged) {
  const std::string bytes = std::string("^RVM01.23;\0\xFF", 12);
  EXPECT_EQ(AcrossRates(bytes, 9600, 9600), bytes);
}

TEST(LineTest, OtherRatesGarbleIntoBytesThatCanNeverFormACommand) {
  struct Case {
    std::uint32_t sender;
    std::uint32_t receiver;
    std::size_t sent;
    std::size_t received;
  };
  for (const Case& c : {Case{38400, 9600, 10, 3}, Case{38400, 4800, 1, 1}, Case{4800, 38400, 5, 40},
                        Case{19200, 57600, 4, 12}, Case{300, 4'000'000, 2, 16}}) {
    SCOPED_TRACE(std::to_string(c.sender) + " -> " + std::to_string(c.receiver));
    const std::string sent(c.sent, ';');
    const std::string garble = AcrossRates(sent, c.sender, c.receiver);
    EXPECT_EQ(garble.size(), c.received);
    EXPECT_TRUE(std::all_of(garble.begin(), garble.end(),
                            [](char b) { return (static_cast<unsigned char>(b) & 0x80) != 0; }));
    EXPECT_EQ(AcrossRates(sent, c.sender, c.receiver), garble);
  }
}

TEST(LineTest, HungUpLineCarriesNothing) {
  EXPECT_EQ(AcrossRates(";", 0, 38400), "");
  EXPECT_EQ(AcrossRates(";", 38400, 0), "");
}

TEST(LineTest, LineTimeCountsTenBitsPerByteRoundedUp) {
  EXPECT_EQ(LineTimeMicros(1, 9600), 1042u);
  EXPECT_EQ(LineTimeMicros(68, 38400), 17709u);
  EXPECT_EQ(LineTimeMicros(2007 * 68, 4800), 284'325'000u);
  EXPECT_EQ(LineTimeMicros(0, 38400), 0u);
  EXPECT_EQ(LineTimeMicros(5, 0), 0u);
}

TEST(CommandTableTest, WholeCommandBeatsLeadingTextAndLongerLeadingTextBeatsShorter) {
  CommandTable table;
  table.AddPrefix("^E", [](std::string_view) { return std::string("short"); });
  table.AddPrefix("^ER", [](std::string_view) { return std::string("long"); });
  table.Add("^ER;", [](std::string_view) { return std::string("whole"); });
  const auto answer = [&](std::string_view command) {
    const CommandTable::Handler* handler = table.Find(command);
    return handler == nullptr ? std::string("none") : *(*handler)(command);
  };
  EXPECT_EQ(answer("^ER;"), "whole");
  EXPECT_EQ(answer("^ER005008A8;"), "long");
  EXPECT_EQ(answer("^EW;"), "short");
  EXPECT_EQ(answer("^RVM;"), "none");
}

}  // namespace
}  // namespace vlxsim
