#pragma once
// How a failed step on one of the program's own files reaches the user: the status line and an
// error box captioned for what was being done ("Configuration file write error", ...).

#include <cstdint>
#include <string>

#include "model/FileStore.h"

namespace vlx {

class Prompts;
class StatusSink;

void ReportFileFailure(StatusSink& status, Prompts& prompts, std::uint32_t captionId,
                       const FileOutcome& outcome, const std::string& path);

}  // namespace vlx
