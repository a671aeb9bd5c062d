// The operate readings as the Operate page shows them and in the plain form of the log and the
// command line.

#include <gtest/gtest.h>

#include <array>
#include <locale>
#include <string>

#include "faults/FaultRecord.h"
#include "operate/ReadingText.h"
#include "support/CaseNames.h"

namespace vlx {
namespace {

// The plain fields in log column order, joined by "|", so a row of the table reads as one line.
std::string Joined(const PlainReadings& plain) {
  std::string line = plain.bandMhz;
  for (const std::string* field :
       {&plain.mode, &plain.faultCode, &plain.fault, &plain.power, &plain.swr, &plain.temperature,
        &plain.paVoltage, &plain.paCurrent}) {
    line += "|" + *field;
  }
  return line;
}

struct ReadingCase {
  const char* label;
  OperateReadings readings;
  // Page: voltage, current, temperature, power, SWR, band, fault.
  std::array<std::string, 7> page;
  // Plain: band|mode|fault code|fault|power|swr|temperature|voltage|current.
  std::string plain;
};

class ReadingTexts : public ::testing::TestWithParam<ReadingCase> {};

TEST_P(ReadingTexts, OnThePageAndPlain) {
  const ReadingCase& c = GetParam();
  const OperateReadings& r = c.readings;
  const std::array<std::string, 7> page = {PaVoltageText(r.paVoltage),
                                           PaCurrentText(r.paCurrent),
                                           TemperatureText(r.temperature),
                                           PowerText(r.power),
                                           SwrText(r.swr),
                                           BandText(r.band),
                                           CurrentFaultText(r.currentFault)};
  EXPECT_EQ(page, c.page);
  EXPECT_EQ(Joined(PlainText(r)), c.plain);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadingTexts,
    ::testing::Values(
        ReadingCase{"TypicalInStandby",
                    {.band = 5,
                     .operateMode = 0,
                     .currentFault = 0,
                     .power = 0,
                     .swr = 10,
                     .temperature = 35,
                     .paVoltage = 724,
                     .paCurrent = 5},
                    {"72.4 V", "0.5 A", "35 C", "0 W", "1.0", "14 MHz", ""},
                    "14|STBY|0||0|1.0|35|72.4|0.5"},
        ReadingCase{"AllZero",
                    {},
                    {"0.0 V", "0.0 A", "0 C", "0 W", "0.0", "1.8 MHz", ""},
                    "1.8|STBY|0||0|0.0|0|0.0|0.0"},
        ReadingCase{
            "LargestValuesAndNoFaultForm",
            {.band = 10,
             .operateMode = 1,
             .currentFault = 0xFF,
             .power = 65535,
             .swr = 65535,
             .temperature = 65535,
             .paVoltage = 65535,
             .paCurrent = 65535},
            {"6553.5 V", "6553.5 A", "65535 C", "65535 W", "6553.5", "50 MHz", "FF NO FAULT"},
            "50|OPER|255|FF NO FAULT|65535|6553.5|65535|6553.5|6553.5"},
        // The high nibble is the band the fault happened on; the text shows the low one.
        ReadingCase{"FaultInOperate",
                    {.band = 2,
                     .operateMode = 1,
                     .currentFault = 0x5C,
                     .power = 612,
                     .swr = 19,
                     .temperature = 58,
                     .paVoltage = 489,
                     .paCurrent = 312},
                    {"48.9 V", "31.2 A", "58 C", "612 W", "1.9", "5 MHz", "0C POUT HI"},
                    "5|OPER|92|0C POUT HI|612|1.9|58|48.9|31.2"},
        ReadingCase{"BandJustPastTheTable",
                    {.band = 11, .paVoltage = 9},
                    {"0.9 V", "0.0 A", "0 C", "0 W", "0.0", "", ""},
                    "|STBY|0||0|0.0|0|0.9|0.0"},
        ReadingCase{"LargestBandIndex",
                    {.band = 0xFFFFFFFF},
                    {"0.0 V", "0.0 A", "0 C", "0 W", "0.0", "", ""},
                    "|STBY|0||0|0.0|0|0.0|0.0"}),
    test::ByLabel{});

// Every band index in the order the amplifier numbers them; the buttons are not in that order.
TEST(ReadingText, BandTableFollowsTheAmplifiersNumbers) {
  const char* expected[] = {"1.8 MHz", "3.5 MHz", "5 MHz",  "7 MHz",  "10 MHz", "14 MHz",
                            "18 MHz",  "21 MHz",  "24 MHz", "28 MHz", "50 MHz"};
  for (std::uint32_t band = 0; band < std::size(expected); ++band) {
    EXPECT_EQ(BandText(band), expected[band]) << "band " << band;
  }
}

// A locale with a decimal comma and digit grouping must not reach the log or the command line.
TEST(ReadingText, PlainFormIgnoresTheLocale) {
  struct CommaPoint : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
  };
  const std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
  const PlainReadings plain =
      PlainText({.power = 1500, .swr = 15, .paVoltage = 65535, .paCurrent = 1234});
  std::locale::global(previous);
  EXPECT_EQ(Joined(plain), "1.8|STBY|0||1500|1.5|0|6553.5|123.4");
}

}  // namespace
}  // namespace vlx
