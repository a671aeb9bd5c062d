#pragma once
// The string-table ids of the settings and the data folders.

#include <cstdint>

namespace vlx::ids {

constexpr std::uint32_t kMacroCaption = 297;  // "Macro %u"
constexpr std::uint32_t kFolderMissingAsk = 433;
constexpr std::uint32_t kCreateFolderCaption = 434;

}  // namespace vlx::ids
