#include "firmware/LoadVerdict.h"

#include "firmware/FirmwareLoadMachine.h"
#include "report/ErrorText.h"
#include "report/FirmwareTextIds.h"
#include "report/FtpTextIds.h"
#include "report/ReportTextIds.h"
#include "report/TextFormat.h"

namespace vlx {

void TellRetryCounts(const FirmwareLoadMachine& machine, const VerdictLine& tell) {
  if (const std::uint32_t total = machine.TotalRetries(); total > 0) {
    tell(FormatText(ids::kTotalRetries, {total}), false);
    tell(FormatText(ids::kHighestRetries, {machine.HighestRetries()}), false);
  }
}

ErrorCode ConcludeLoad(FirmwareLoadMachine& machine, ErrorCode code, const VerdictLine& tell) {
  const std::string& device = machine.DeviceName();
  TellRetryCounts(machine, tell);
  ErrorCode result = code;
  if (result == err::kSuccess) {
    result = machine.VerifyRevision(true);
  }
  if (result == err::kSuccess) {
    tell(FormatText(ids::kVerificationSucceeded, {device}), true);
    tell(FormatText(ids::kFirmwareLoadComplete, {device}), false);
  } else {
    tell(FormatText(ids::kErrorCodeText, {result, FormatErrorText(result)}), false);
    // Another device was never loaded: there is nothing to reload.
    if (result != err::kUnexpectedDevice) {
      tell(FormatText(ids::kVerificationFailedReload, {device, device}), false);
    }
  }
  return result;
}

}  // namespace vlx
