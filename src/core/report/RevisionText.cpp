#include "report/RevisionText.h"

#include "report/LinkTextIds.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"

namespace vlx {

std::string RevisionText(std::uint16_t revision) {
  switch (revision) {
    case revision::kUnknown:
      return std::string(LoadString(ids::kRevisionUnknown));
    case revision::kNotAvailable:
      return std::string(LoadString(ids::kRevisionNotAvailable));
    case revision::kLoading:
      return std::string(LoadString(ids::kRevisionLoading));
    default:
      return FormatText("%02u.%02u", {static_cast<std::uint32_t>(revision / 100),
                                      static_cast<std::uint32_t>(revision % 100)});
  }
}

}  // namespace vlx
