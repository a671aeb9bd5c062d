#pragma once
// The firmware's side of the EEPROM block commands: "^ER" reads up to 64 bytes of any bank, "^EW"
// writes up to 64 bytes of bank 0 0x00..0xEF; hexadecimal fields in either case, and a checksum
// that brings them to 0 modulo 256. A command that is malformed, fails its checksum or leaves its
// bank gets no answer here, nor does a write outside the writable range (noted in the store): the
// firmware answers them as commands it does not know.

#include <optional>
#include <string>
#include <string_view>

#include "EepromStore.h"

namespace vlxsim {

std::optional<std::string> AnswerEepromRead(const EepromStore& eeprom, std::string_view command);
std::optional<std::string> AnswerEepromWrite(EepromStore& eeprom, std::string_view command);

}  // namespace vlxsim
