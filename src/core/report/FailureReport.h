#pragma once
// Message boxes built from string-table texts, and the two ways a failure reaches the user: a
// formatted line that goes to the status line and into an error box, and an error box with the
// text of a code.

#include <cstdint>

#include "report/ErrorCode.h"
#include "report/Prompts.h"
#include "report/StatusSink.h"
#include "report/TextFormat.h"

namespace vlx {

// A box with `text` and the string-table caption captionId. Returns the box's answer.
int ShowMessageBox(Prompts& prompts, const std::string& text, std::uint32_t captionId,
                   std::uint32_t style);
// The same with a string-table text.
int ShowMessageBox(Prompts& prompts, std::uint32_t textId, std::uint32_t captionId,
                   std::uint32_t style);

// Formats the string-table text formatId with args, shows the line as status, then in an error
// box captioned with the string-table text captionId. Returns the box's answer (0: not shown).
int ReportFailure(StatusSink& status, Prompts& prompts, std::uint32_t captionId,
                  std::uint32_t formatId, FormatArgs args);

// An OK box with the error icon, the text of code and the string-table caption captionId.
int ShowErrorBox(Prompts& prompts, ErrorCode code, std::uint32_t captionId);

}  // namespace vlx
