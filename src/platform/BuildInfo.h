#pragma once
// The program's version record: its description, four-part version and copyright, shared by the
// window and vlxctl so both name the same program in titles and in the files they write.

#include <cstdint>
#include <string>

#include "report/DeviceTexts.h"

namespace vlx::build {

constexpr const char* kFileDescription = "Velqorin VLX Utility";
constexpr const char* kLegalCopyright = "Copyright (C) 2026 Velqorin";
constexpr std::uint32_t kVersion[4] = {VLX_VERSION_MAJOR, VLX_VERSION_MINOR, VLX_VERSION_PATCH,
                                       VLX_VERSION_TWEAK};

// "Velqorin VLX Utility Revision 1.0.0.0": the title's beginning and a saved file's program line.
inline std::string ProgramRevisionText() {
  return ProgramIdentityLine(kFileDescription, kVersion);
}

}  // namespace vlx::build
