#include "firmware/SendFirmwareSequence.h"

#include "link/Clock.h"
#include "link/ContactStates.h"
#include "link/EstablishContactMachine.h"
#include "model/AppSettings.h"
#include "model/DeviceFacts.h"
#include "report/FailureReport.h"
#include "report/FirmwareTextIds.h"
#include "report/ReportTextIds.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"
#include "report/WindowTextIds.h"

namespace vlx {

LoadOutcome SendFirmwareSequence::Send(const std::string& folder,
                                       const FirmwareFileInfo& firmware) {
  const std::uint32_t start = app_.Time().TickCount();
  std::uint32_t rateToRestore = app_.Serial().Speed();

  LoadOutcome outcome = LoadOutcome::kNotRun;
  if (!firmware.Found()) {
    ReportFailure(app_.Status(), app_.Boxes(), ids::kErrorCaption, ids::kFirmwareFileMissing, {});
  } else if (app_.deviceState.Get() == device_state::kNotResponding) {
    ReportFailure(app_.Status(), app_.Boxes(), ids::kErrorCaption, ids::kDeviceNotResponding,
                  {kDeviceWord});
  } else {
    outcome = CheckAndLoad(folder, firmware, rateToRestore);
  }

  // A load that failed, or never began, leaves the link as it found it all the same.
  if (rateToRestore != 0) {
    SetAmplifierSpeed(rateToRestore);
  }
  app_.EstablishContact().BeginTestCommunications();
  app_.Status().VerboseText(
      FormatText(ids::kElapsedTime, {RoundedSeconds(app_.Time().TickCount() - start)}));
  if (host_.ShowsReady()) {
    app_.Status().StatusText(std::string(LoadString(ids::kReady)));
  }
  return outcome;
}

LoadOutcome SendFirmwareSequence::CheckAndLoad(const std::string& folder,
                                               const FirmwareFileInfo& firmware,
                                               std::uint32_t& rateToRestore) {
  app_.Status().VerboseText(FormatText(ids::kSendingFirmwareFrom, {folder}));
  if (!app_.IsAmplifierPresent()) {
    host_.AppendLogLine(FormatText("Unexpected device %u\n", {app_.deviceType.Get()}));
    return LoadOutcome::kNotRun;
  }
  if (!HasFirmwarePrefix(FileNameOf(firmware.path))) {
    host_.AppendLogLine("Unexpected firmware filename for device");
    return LoadOutcome::kNotRun;
  }
  const std::uint32_t stateBefore = app_.deviceState.Get();
  SetAmplifierSpeed(kLoaderBitRate);  // every load runs at the loader's rate
  app_.SetAvailableFirmware(firmware.revision, firmware.path);

  const LoadOutcome outcome = host_.RunLoad();
  // The loader does not know the rate the amplifier used before; after a good load the rate
  // found after the reset is the one to keep.
  if (outcome == LoadOutcome::kSucceeded && stateBefore == device_state::kWaitingInLoader) {
    rateToRestore = app_.Serial().Speed();
  }
  return outcome;
}

void SendFirmwareSequence::SetAmplifierSpeed(std::uint32_t bitsPerSecond) {
  if (app_.Serial().Speed() == bitsPerSecond) {
    return;
  }
  host_.AppendLogLine(FormatText(ids::kChangeSpeed, {bitsPerSecond}));
  app_.SendSpeedCommand(bitsPerSecond);
  app_.SetPortSpeed(bitsPerSecond);
  app_.baudRate.Notify();
}

}  // namespace vlx
