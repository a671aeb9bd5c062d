#pragma once
// String-table texts for widgets.

#include <QString>
#include <cstdint>
#include <string_view>

#include "report/StringTable.h"

namespace vlx {

inline QString LoadText(std::uint32_t id) {
  const std::string_view text = LoadString(id);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace vlx
