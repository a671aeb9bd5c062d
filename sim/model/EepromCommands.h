#pragma once
// The firmware's side of the block commands on its EEPROM: "^ER" reads up to 64 bytes of any bank,
// "^EW" writes up to 64 bytes of bank 0 0x00..0xEF. Both carry two-digit hexadecimal fields
// (either case is taken) and a checksum that brings them to 0 modulo 256. A command that is not
// well formed, fails its checksum or reaches outside its bank gets no answer from these functions:
// the firmware answers it as a command it does not know. A well-formed write outside the writable
// range is refused the same way and noted in the store.

#include <optional>
#include <string>
#include <string_view>

#include "EepromStore.h"

namespace vlxsim {

std::optional<std::string> AnswerEepromRead(const EepromStore& eeprom, std::string_view command);
std::optional<std::string> AnswerEepromWrite(EepromStore& eeprom, std::string_view command);

}  // namespace vlxsim
