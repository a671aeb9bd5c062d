#pragma once
// How a finished firmware load is told, in the Sending Firmware dialog and in vlxctl alike: the
// retry statistics, the check of the amplifier's new revision against the file's, and the
// verdict.

#include <functional>
#include <string>

#include "report/ErrorCode.h"

namespace vlx {

class FirmwareLoadMachine;

// Takes each line, and whether it is a verbose line rather than a status line.
using VerdictLine = std::function<void(const std::string& line, bool verbose)>;

// Tells the retry statistics of the run, when a packet needed any.
void TellRetryCounts(const FirmwareLoadMachine& machine, const VerdictLine& tell);

// Tells the end of a run that ended with `code`; returns the result of the load and the
// revision check: 0 only when both succeeded.
ErrorCode ConcludeLoad(FirmwareLoadMachine& machine, ErrorCode code, const VerdictLine& tell);

}  // namespace vlx
