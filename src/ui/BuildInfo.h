#pragma once
// The program's version record: its description, four-part version and copyright.

#include <cstdint>

namespace vlx::build {

constexpr const char* kFileDescription = "Velqorin VLX Utility";
constexpr const char* kLegalCopyright = "Copyright (C) 2026 Velqorin";
constexpr std::uint32_t kVersion[4] = {VLX_VERSION_MAJOR, VLX_VERSION_MINOR, VLX_VERSION_PATCH,
                                       VLX_VERSION_TWEAK};

}  // namespace vlx::build
