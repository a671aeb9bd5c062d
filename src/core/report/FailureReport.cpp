#include "report/FailureReport.h"

#include <string>

#include "report/ErrorText.h"
#include "report/StringTable.h"

namespace vlx {

int ReportFailure(StatusSink& status, Prompts& prompts, std::uint32_t captionId,
                  std::uint32_t formatId, FormatArgs args) {
  const std::string line = FormatText(formatId, args);
  status.StatusText(line);
  return prompts.MessageBox(line, std::string(LoadString(captionId)), mb::kIconError);
}

int ShowErrorBox(Prompts& prompts, ErrorCode code, std::uint32_t captionId) {
  return prompts.MessageBox(FormatErrorText(code), std::string(LoadString(captionId)),
                            mb::kOk | mb::kIconError);
}

}  // namespace vlx
