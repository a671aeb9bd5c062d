#pragma once
// The string-table ids of the fault table, its file and its dialog.

#include <cstdint>

namespace vlx::ids {

constexpr std::uint32_t kFaultTableSavedOn = 136;
constexpr std::uint32_t kFaultTableFileFilter = 131;
constexpr std::uint32_t kFaultTableErrorCaption = 145;  // "Fault Table Error"
constexpr std::uint32_t kFaultTableWriteErrorCaption = 152;
constexpr std::uint32_t kFaultNextIndexOutOfRange = 1240;

}  // namespace vlx::ids
