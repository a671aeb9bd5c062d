#include "report/FailureReport.h"

#include <string>

#include "report/ErrorText.h"
#include "report/StringTable.h"

namespace vlx {

int ShowMessageBox(Prompts& prompts, const std::string& text, std::uint32_t captionId,
                   std::uint32_t style) {
  return prompts.MessageBox(text, std::string(LoadString(captionId)), style);
}

int ShowMessageBox(Prompts& prompts, std::uint32_t textId, std::uint32_t captionId,
                   std::uint32_t style) {
  return ShowMessageBox(prompts, std::string(LoadString(textId)), captionId, style);
}

int ReportFailure(StatusSink& status, Prompts& prompts, std::uint32_t captionId,
                  std::uint32_t formatId, FormatArgs args) {
  const std::string line = FormatText(formatId, args);
  status.StatusText(line);
  return ShowMessageBox(prompts, line, captionId, mb::kIconError);
}

int ShowErrorBox(Prompts& prompts, ErrorCode code, std::uint32_t captionId) {
  return ShowMessageBox(prompts, FormatErrorText(code), captionId, mb::kOk | mb::kIconError);
}

}  // namespace vlx
