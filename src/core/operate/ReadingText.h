#pragma once
// The one place that turns operate readings into text: with units, as the Operate page shows
// them, and plain (no units, "." as decimal point whatever the locale) for the telemetry log and
// the command line. The fault-code text itself is CurrentFaultText's.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "operate/OperateReadings.h"

namespace vlx {

// The band buttons' captions, by band index (the number "^bn" sets and "^BN" reports).
constexpr std::array<std::string_view, 11> kBandCaptions = {"1.8", "3.5", "5",  "7",  "10", "14",
                                                            "18",  "21",  "24", "28", "50"};

// The caption of a band index; empty for an index the band table does not hold.
std::string_view BandCaption(std::uint32_t band);

// The Operate page's displays: "72.4 V", "0.5 A", "35 C", "0 W", "1.0", "14 MHz" (empty for an
// unknown band, which the page leaves as it was).
std::string PaVoltageText(std::uint16_t tenthsOfVolt);
std::string PaCurrentText(std::uint16_t tenthsOfAmpere);
std::string TemperatureText(std::uint16_t celsius);
std::string PowerText(std::uint16_t watts);
std::string SwrText(std::uint16_t tenths);
std::string BandText(std::uint32_t band);

// One set of readings without units, in the telemetry log's column order. An unknown band is
// empty, and so is the fault text for "no fault"; the fault code is the byte the amplifier
// reported, in decimal (0 for none).
struct PlainReadings {
  std::string bandMhz;
  std::string mode;  // "OPER" or "STBY"
  std::string faultCode;
  std::string fault;
  std::string power;
  std::string swr;
  std::string temperature;
  std::string paVoltage;
  std::string paCurrent;
};

PlainReadings PlainText(const OperateReadings& readings);

}  // namespace vlx
