#include "config/FileReport.h"

#include "report/ErrorText.h"
#include "report/FailureReport.h"

namespace vlx {
namespace {
constexpr std::uint32_t kFailedOnFile = 204;  // "%s failed on \"%s\"\r\nError 0x%08X: %s"
}

void ReportFileFailure(StatusSink& status, Prompts& prompts, std::uint32_t captionId,
                       const FileOutcome& outcome, const std::string& path) {
  if (prompts.TellFileFailure(outcome.step, outcome.code, path)) {
    return;
  }
  ReportFailure(status, prompts, captionId, kFailedOnFile,
                {outcome.step, path, outcome.code, FormatErrorText(outcome.code)});
}

}  // namespace vlx
