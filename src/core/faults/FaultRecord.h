#pragma once
// One six-byte record of the amplifier's fault ring, and the words that show it: the band, the
// fault code with its short name, and the code's description.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vlx {

constexpr std::size_t kFaultRecordSize = 6;
// Byte 3 of a record that holds no fault (a power event, for instance, still has its code).
constexpr std::uint8_t kNoFault = 0xFF;

// Multi-byte fields are little-endian; the time stamp is a 24-bit count kept by the amplifier.
struct FaultRecord {
  std::uint32_t timeStamp = 0;
  std::uint8_t bandAndCode = kNoFault;  // high nibble band index, low nibble fault code
  std::uint16_t data = 0;
};

FaultRecord DecodeFaultRecord(std::span<const std::uint8_t, kFaultRecordSize> bytes);

// Whether the current fault the amplifier reports ("^FL") is a fault it holds: neither none (0)
// nor "no fault".
constexpr bool HoldsFault(std::uint8_t currentFault) {
  return currentFault != 0 && currentFault != kNoFault;
}

// All six bytes erased (0xFF): the amplifier has never written the record.
bool IsEmptyRecord(std::span<const std::uint8_t, kFaultRecordSize> bytes);

// The band of byte 3 as four characters: "160 ", " 20 ", or " -- " when no band is known
// (indexes 0 and 12 to 15, and "no fault").
std::string_view BandName(std::uint8_t bandAndCode);

// "FF NO FAULT" for 0xFF; otherwise the code (low nibble) as two hexadecimal digits, a blank and
// its short name, which is empty for the codes the amplifier does not use ("03 ").
std::string FaultCodeText(std::uint8_t bandAndCode);

// What the code means, in a sentence; empty for "no fault" and for the unused codes.
std::string_view FaultDescription(std::uint8_t bandAndCode);

// The current fault as the Operate page shows it: nothing while there is none (0), else the
// fault-code text above.
std::string CurrentFaultText(std::uint8_t currentFault);

}  // namespace vlx
