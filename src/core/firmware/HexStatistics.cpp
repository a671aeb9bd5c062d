#include "firmware/HexStatistics.h"

#include "report/FirmwareTextIds.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {
constexpr std::size_t kWarningsByLine = 10;
}  // namespace

std::vector<std::string> BelowStartWarnings(const HexStatistics& statistics) {
  const std::vector<std::uint32_t>& lines = statistics.belowStartLines;
  std::vector<std::string> warnings;
  for (std::size_t i = 0; i < lines.size() && i < kWarningsByLine; ++i) {
    warnings.push_back(FormatText(ids::kRecordBelowImage, {lines[i]}));
  }
  if (lines.size() > kWarningsByLine) {
    warnings.push_back(FormatText(ids::kMoreRecordsBelowImage,
                                  {static_cast<std::uint32_t>(lines.size() - kWarningsByLine)}));
  }
  return warnings;
}

}  // namespace vlx
