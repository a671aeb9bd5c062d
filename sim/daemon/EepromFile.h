#pragma once
// The daemon's EEPROM file: the raw 1024 bytes of banks 0 to 3, nothing else, so that any hex
// dumper shows it and two of them compare with cmp.

#include <string>

namespace vlxsim {

// Reads the file; false with a one-line reason when it cannot be read or is not 1024 bytes.
bool LoadEepromFile(const std::string& path, std::string& bytes, std::string& error);
// Writes the bytes to a temporary file beside `path` and renames it into place, so that a
// reader never sees half a dump; false with a one-line reason.
bool DumpEepromFile(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace vlxsim
