#include "config/FileReport.h"

#include "report/ErrorText.h"
#include "report/FailureReport.h"
#include "report/ReportTextIds.h"

namespace vlx {
void ReportFileFailure(StatusSink& status, Prompts& prompts, std::uint32_t captionId,
                       const FileOutcome& outcome, const std::string& path) {
  if (prompts.TellFileFailure(outcome.step, outcome.code, path)) {
    return;
  }
  ReportFailure(status, prompts, captionId, ids::kOperationFailedOn,
                {outcome.step, path, outcome.code, FormatErrorText(outcome.code)});
}

}  // namespace vlx
