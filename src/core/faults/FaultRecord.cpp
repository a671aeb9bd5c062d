#include "faults/FaultRecord.h"

#include <array>

#include "report/TextFormat.h"

namespace vlx {
namespace {

struct FaultCodeWords {
  std::string_view shortName;
  std::string_view description;
};

// By fault code; 3, 5 and 10 are not used by the amplifier and have no words.
constexpr std::array<FaultCodeWords, 16> kFaultCodes{{
    {"PWR ON", "Power was turned on"},
    {"PWR OFF", "Power lost without controlled shutdown"},
    {"HI CURR", "Excessive power amplifier current"},
    {"", ""},
    {"HI TEMP", "Power amplifier temperature over limit"},
    {"", ""},
    {"PWRIN HI", "Excessive driving power"},
    {"CNTR ERR", "Frequency counter failure"},
    {"60V HIGH", "60V supply over limit"},
    {"REFL HI", "Excessive reflected power (high SWR)"},
    {"", ""},
    {"PA DISS", "Power amplifiers are dissipating excessive power"},
    {"POUT HI", "Excessive power output"},
    {"60V FAIL", "60V supply failure"},
    {"270V ERR", "270V supply failure"},
    {"GAIN ERR", "Excessive overall amplifier gain"},
}};

// By band index; the last four indexes name no band.
constexpr std::array<std::string_view, 16> kBandNames{
    " -- ", " 60 ", "160 ", " 80 ", " 40 ", " 30 ", " 20 ", " 17 ",
    " 15 ", " 12 ", " 10 ", "  6 ", " -- ", " -- ", " -- ", " -- ",
};

const FaultCodeWords& WordsOf(std::uint8_t bandAndCode) {
  return kFaultCodes[bandAndCode & 0x0F];
}

}  // namespace

FaultRecord DecodeFaultRecord(std::span<const std::uint8_t, kFaultRecordSize> bytes) {
  FaultRecord record;
  record.timeStamp = static_cast<std::uint32_t>(bytes[2]) << 16 |
                     static_cast<std::uint32_t>(bytes[1]) << 8 | bytes[0];
  record.bandAndCode = bytes[3];
  record.data = static_cast<std::uint16_t>(bytes[5] << 8 | bytes[4]);
  return record;
}

bool IsEmptyRecord(std::span<const std::uint8_t, kFaultRecordSize> bytes) {
  for (const std::uint8_t b : bytes) {
    if (b != 0xFF) {
      return false;
    }
  }
  return true;
}

std::string_view BandName(std::uint8_t bandAndCode) {
  // 0xFF would be band 15, which has no name anyway.
  return kBandNames[bandAndCode >> 4];
}

std::string FaultCodeText(std::uint8_t bandAndCode) {
  if (bandAndCode == kNoFault) {
    return "FF NO FAULT";
  }
  return FormatText(
      "%02X %s", {static_cast<std::uint32_t>(bandAndCode & 0x0F), WordsOf(bandAndCode).shortName});
}

std::string_view FaultDescription(std::uint8_t bandAndCode) {
  return bandAndCode == kNoFault ? std::string_view{} : WordsOf(bandAndCode).description;
}

std::string CurrentFaultText(std::uint8_t currentFault) {
  return currentFault == 0 ? std::string{} : FaultCodeText(currentFault);
}

}  // namespace vlx
