#include "firmware/FirmwareLoadMachine.h"

#include <algorithm>
#include <initializer_list>
#include <numeric>

#include "firmware/FirmwareImage.h"
#include "firmware/UnfinishedLoad.h"
#include "link/EngineDispatch.h"
#include "link/SerialPort.h"
#include "model/AppSettings.h"
#include "report/ErrorText.h"
#include "report/FirmwareTextIds.h"
#include "report/ReportTextIds.h"
#include "report/RevisionText.h"
#include "report/StringTable.h"
#include "text/Ascii.h"

namespace vlx {
namespace {
constexpr std::uint32_t kEnterLoaderWaitMs = 2000;
constexpr std::uint32_t kDownloadEchoTimeoutMs = 20000;
constexpr std::uint32_t kPacketTimeoutMs = 2000;
constexpr std::uint32_t kResyncTimeoutMs = 100;
constexpr std::uint32_t kFillLimit = 68;
constexpr std::uint32_t kResetWaitMs = 5500;
// Progress counts 16-byte units, so a 64-byte block moves it by 4.
constexpr std::uint32_t kProgressUnit = 16;
// The final packet commits the image: it carries the block at the image's start with the
// reconciled word, addressed 0x020800 (address bytes 00 08 02).
constexpr std::uint32_t kFinalPacketAddressBytes = 0x020800;
// Until the final packet, the loader keeps this marker where the reconciliation word goes, so
// that an interrupted load never leaves an image that checks out.
constexpr std::uint8_t kUncommittedMarker[] = {0xDE, 0xAD};
}  // namespace

FirmwareLoadMachine::FirmwareLoadMachine(AppSettings& owner)
    : Machine(owner, kFirmwareLoadTimerId),
      packetTimeoutLimit_(owner.firmwareLoadRetryLimit.Get()),
      deviceName_(LoadString(ids::kDeviceName)),
      firmwarePath_(owner.AvailableFirmwarePath()),
      image_(std::make_unique<FirmwareImage>()),
      queryI_(*this, beginDownload_, verifyExpectedDevice_),
      verifyExpectedDevice_(*this, &enterBootLoader_),
      enterBootLoader_(*this, &beginDownload_),
      beginDownload_(*this, &firmwareInitial_),
      firmwareInitial_(*this, "LoadFirmwareInitialState", &firmwareLast_, 'A', resyncInitial_),
      resyncInitial_(*this, "LoadResyncInitialState"),
      firmwareLast_(*this, "LoadFirmwareLastState", &waitReset_, 'B', resyncLast_),
      resyncLast_(*this, "LoadResyncLastState"),
      waitReset_(*this, &determineSpeed_),
      determineSpeed_(*this, &queryRevision_),
      queryRevision_(*this, querySerialNumber_),
      querySerialNumber_(*this, Final()) {
  resyncInitial_.Serve(firmwareInitial_);
  resyncLast_.Serve(firmwareLast_);
}

FirmwareLoadMachine::~FirmwareLoadMachine() = default;

void FirmwareLoadMachine::OnText(const std::string& line) {
  if (sink_ != nullptr) {
    sink_->FirmwareText(line);
  }
}

ErrorCode FirmwareLoadMachine::VerifyRevision(bool alwaysLog) {
  const AppSettings& app = Owner();
  const std::uint16_t loaded = app.availableRevision.Get();
  const std::uint16_t reported = app.revision.Get();
  if (loaded != reported || alwaysLog) {
    Log(ids::kRevisionComparison,
        {deviceName_, FormatText("%02u.%02u", {loaded / 100u, loaded % 100u}), kDeviceWord,
         RevisionText(reported)});
  }
  return loaded == reported ? err::kSuccess : err::kRevisionVerificationFailed;
}

bool FirmwareLoadMachine::StartLoad(FirmwareTextSink& sink) {
  if (!IsIdle()) {
    return false;
  }
  sink_ = &sink;
  AppSettings& app = Owner();
  const EngineDispatch::Scope dispatch = app.Dispatch().Enter();
  // Nothing of this file has been sent, whatever the last run reached.
  app.progressPosition.Publish(0);
  ErrorCode error = image_->Load(firmwarePath_);
  const bool loaded = error == err::kSuccess;
  // Such a record leaves the start of the image unwritten; the checksum then usually refuses
  // the file, and this says why.
  for (const std::string& warning : BelowStartWarnings(image_->Statistics())) {
    Log("%s", {warning});
  }
  if (loaded) {
    error = image_->ReconcileChecksum();
  } else {
    Log(ids::kLineErrorCode, {image_->ErrorLine(), error, FormatErrorText(error)});
  }
  if (error != err::kSuccess) {
    // Nothing was sent: the run ends here, through the final state.
    SetError(error);
    Final().Reset();
    Final().Execute();
    return loaded;
  }
  fillBytes_ = 0;
  highestRetries_ = 0;
  totalRetries_ = 0;
  abandoning_ = false;
  powerCycleAdvised_ = false;
  loadAddress_ = image_->StartAddress();
  app.progressRange.Publish((image_->EndAddress() - image_->StartAddress()) / kProgressUnit);
  Start(queryI_);
  return true;
}

bool FirmwareLoadMachine::Abandon() {
  if (IsIdle()) {
    return false;
  }
  const MachineState& state = Current();
  const bool inTransfer = &state == &firmwareInitial_ || &state == &firmwareLast_ ||
                          &state == &resyncInitial_ || &state == &resyncLast_;
  abandoning_ = true;
  if (!inTransfer) {
    Log(ids::kFirmwareLoadAbandoned, {deviceName_});
  }
  // The transfer states add where the load stopped on their way out.
  Abort(err::kCancelled);
  return true;
}

FirmwareLoadMachine::Stage FirmwareLoadMachine::CurrentStage() const {
  const MachineState* const current = &Current();
  for (const MachineState* before : std::initializer_list<const MachineState*>{
           &queryI_, &verifyExpectedDevice_, &enterBootLoader_, &beginDownload_}) {
    if (current == before) {
      return Stage::kBeforeTransfer;
    }
  }
  for (const MachineState* after : std::initializer_list<const MachineState*>{
           &waitReset_, &determineSpeed_, &queryRevision_, &querySerialNumber_}) {
    if (current == after) {
      return Stage::kImageIn;
    }
  }
  return Stage::kTransferring;
}

void FirmwareLoadMachine::PublishResult() {
  AppSettings& app = Owner();
  if (Error() != err::kSuccess && Error() != err::kUnexpectedDevice) {
    SetDeviceState(device_state::kNotResponding);
  }
  // A later run that finds the amplifier silent can then tell why. Any other failure leaves the
  // record as it was: the amplifier is where the last load put it.
  if (Error() == err::kSuccess) {
    RecordUnfinishedLoad(app.Store(), {});
  } else if (powerCycleAdvised_) {
    RecordUnfinishedLoad(app.Store(), app.port.Get());
  }
  app.SetDeviceState(DeviceState());
  app.machineDone.Notify(Error());
}

void FirmwareLoadMachine::BuildPacket(std::uint32_t address, std::uint32_t addressBytes,
                                      bool uncommitted) {
  const std::uint8_t* block = image_->Data() + (address - image_->StartAddress());
  packetAddress_ = addressBytes;
  std::copy_n(block, kBlockSize, packet_.begin());
  if (uncommitted) {
    std::copy(std::begin(kUncommittedMarker), std::end(kUncommittedMarker), packet_.begin());
  }
  packet_[kBlockSize] = static_cast<std::uint8_t>(addressBytes);
  packet_[kBlockSize + 1] = static_cast<std::uint8_t>(addressBytes >> 8);
  packet_[kBlockSize + 2] = static_cast<std::uint8_t>(addressBytes >> 16);
  const auto sum = std::accumulate(packet_.begin(), packet_.end() - 1, 0u);
  packet_[kPacketSize - 1] = static_cast<std::uint8_t>(256u - sum % 256u);
}

void FirmwareLoadMachine::LogFailedAt() {
  Log(ids::kSendFirmwareFailedAt, {deviceName_, loadAddress_});
  if (abandoning_) {
    AdvisePowerCycle();
  }
}

void FirmwareLoadMachine::AdvisePowerCycle() {
  powerCycleAdvised_ = true;
  Log(ids::kRemovePowerAndRetry);
}

void FirmwareLoadMachine::TellActivity(const LoadActivity& activity) {
  if (sink_ != nullptr) {
    sink_->FirmwareActivity(activity);
  }
}

// VerifyExpectedDeviceState

FirmwareLoadMachine::VerifyExpectedDeviceState::VerifyExpectedDeviceState(Machine& machine,
                                                                          MachineState* next)
    : SimpleState(machine, "VerifyExpectedDeviceState", next) {}

// The amplifier was identified before the load began; an operating one need not answer "I;".
void FirmwareLoadMachine::VerifyExpectedDeviceState::Execute() {
  if (machine_.Owner().IsAmplifierPresent()) {
    GoToNext();
  } else {
    Fail(err::kUnexpectedDevice);
  }
}

// LoadEnterBootLoaderState

FirmwareLoadMachine::LoadEnterBootLoaderState::LoadEnterBootLoaderState(Machine& machine,
                                                                        MachineState* next)
    : CommandState(machine, "^LDM;", "LoadEnterBootLoaderState", next, kEnterLoaderWaitMs) {}

// Only an operating amplifier needs to be sent into its loader.
void FirmwareLoadMachine::LoadEnterBootLoaderState::Execute() {
  if (machine_.Owner().deviceState.Get() == device_state::kOperating) {
    Send();
  } else {
    GoToNext();
  }
}

void FirmwareLoadMachine::LoadEnterBootLoaderState::OnTimeout() {
  AppSettings& app = machine_.Owner();
  app.SetPortSpeed(kLoaderBitRate);
  app.baudRate.Notify();
  GoToNext();
}

// LoadBeginDownloadState

FirmwareLoadMachine::LoadBeginDownloadState::LoadBeginDownloadState(FirmwareLoadMachine& machine,
                                                                    MachineState* next)
    : QueryState(machine, "D", "LoadBeginDownloadState", next, kDownloadEchoTimeoutMs,
                 TimeoutPolicy::kFailAtOnce, err::kLoaderNoD),
      load_(machine) {}

// The reply ends at the first "D", whatever came before it.
std::string FirmwareLoadMachine::LoadBeginDownloadState::Terminators() const {
  return "D";
}

void FirmwareLoadMachine::LoadBeginDownloadState::OnReply() {
  AppSettings& app = machine_.Owner();
  app.revision.Publish(revision::kLoading);
  app.SetDeviceState(device_state::kWaitingInLoader);
  machine_.SetDeviceState(device_state::kWaitingInLoader);
  QueryState::OnReply();
}

// The amplifier was sent into its loader (or was there) and waits for a download that will not
// come: it needs a power cycle, and what was known of it no longer holds.
void FirmwareLoadMachine::LoadBeginDownloadState::OnRunEndsEarly() {
  if (!load_.abandoning_) {
    if (machine_.Error() == err::kCancelled) {
      machine_.Log(ids::kCancelledBeforeTransfer, {load_.deviceName_});
      load_.AdvisePowerCycle();
    } else if (machine_.Error() == err::kLoaderNoD) {
      machine_.Log(ids::kLoaderDidNotEcho, {kDeviceWord, "D"});
    }
  }
  machine_.Owner().ForgetDevice();
}

// LoadFirmwareState

FirmwareLoadMachine::LoadFirmwareState::LoadFirmwareState(FirmwareLoadMachine& machine,
                                                          std::string name, MachineState* next,
                                                          char acknowledgement,
                                                          LoadResyncState& resync)
    : QueryState(machine, {}, std::move(name), next, kPacketTimeoutMs, TimeoutPolicy::kFailAtOnce,
                 err::kNoResponseToFirmwarePacket),
      load_(machine),
      acknowledgement_(acknowledgement),
      resync_(resync) {}

std::string FirmwareLoadMachine::LoadFirmwareState::Terminators() const {
  return {acknowledgement_, 'N'};
}

void FirmwareLoadMachine::LoadFirmwareState::Reset() {
  load_.fillBytes_ = 0;
  retryCount_ = 0;
  QueryState::Reset();
}

// Unlike a command's send it looks at no pending cancellation: once begun, the transfer of the
// image runs to its end.
void FirmwareLoadMachine::LoadFirmwareState::Send() {
  machine_.SetTerminators(Terminators());
  machine_.TraceLazily([this] {
    std::string hex;
    hex.reserve(2 * kPacketSize);
    for (const std::uint8_t byte : load_.packet_) {
      hex.push_back(kUpperHexDigits[byte >> 4]);
      hex.push_back(kUpperHexDigits[byte & 0x0F]);
    }
    return FormatText("%s Send %u bytes 0x%s",
                      {Name(), static_cast<std::uint32_t>(kPacketSize), hex});
  });
  const auto* bytes = reinterpret_cast<const char*>(load_.packet_.data());
  Transmit(std::string_view(bytes, kPacketSize), timeout_);
}

void FirmwareLoadMachine::LoadFirmwareState::OnReply() {
  machine_.KillTimer();
  const std::string& reply = machine_.ReceiveBuffer();
  if (reply.find(acknowledgement_) != std::string::npos) {
    if (retryCount_ > 0) {
      if (load_.fillBytes_ != 0) {
        machine_.Log(ids::kRetrySuccessfulWithFill,
                     {retryCount_, load_.loadAddress_, load_.fillBytes_});
      } else {
        machine_.Log(ids::kRetrySuccessful, {retryCount_, load_.loadAddress_});
      }
      load_.TellActivity({});
    }
    CountRetries();
    retryCount_ = 0;
    load_.fillBytes_ = 0;
    OnAcknowledged();
    return;
  }
  // The reply ended in "N": the loader rejected the packet. One resynchronisation comes half-way
  // through the retries.
  const std::uint32_t rejections = retryCount_++;
  // The resend after the resynchronisation is the last but one the limit allows, or earlier.
  const std::uint32_t resends = machine_.RetryLimit() - 1;
  if (rejections == machine_.RetryLimit() / 2) {
    Retry(LoadActivity::Kind::kRejected, resends, true);
  } else if (rejections + 1 < machine_.RetryLimit()) {
    Retry(LoadActivity::Kind::kRejected, resends, false);
  } else {
    Fail(err::kRetryLimitExhausted);
  }
}

void FirmwareLoadMachine::LoadFirmwareState::OnTimeout() {
  if (retryCount_++ >= load_.packetTimeoutLimit_) {
    Fail(noResponseError_);
  } else {
    Retry(LoadActivity::Kind::kNoAnswer, load_.packetTimeoutLimit_, true);
  }
}

// The transfer stopped in the middle: the log says where, and this packet's retries count.
void FirmwareLoadMachine::LoadFirmwareState::OnRunEndsEarly() {
  load_.LogFailedAt();
  CountRetries();
}

void FirmwareLoadMachine::LoadFirmwareState::CountRetries() {
  load_.highestRetries_ = std::max(load_.highestRetries_, retryCount_);
  load_.totalRetries_ += retryCount_;
}

void FirmwareLoadMachine::LoadFirmwareState::Retry(LoadActivity::Kind cause, std::uint32_t limit,
                                                   bool resynchronise) {
  load_.resend_ = {cause, load_.packetAddress_, retryCount_, limit};
  if (resynchronise) {
    load_.TellActivity(
        {.kind = LoadActivity::Kind::kResynchronising, .address = load_.packetAddress_});
    Enter(resync_);
  } else {
    load_.TellActivity(load_.resend_);
    Send();
  }
}

// LoadFirmwareInitialState

void FirmwareLoadMachine::LoadFirmwareInitialState::Reset() {
  load_.Log(ids::kSendingFirmwareFile, {load_.firmwarePath_, load_.deviceName_});
  LoadFirmwareState::Reset();
}

void FirmwareLoadMachine::LoadFirmwareInitialState::Execute() {
  const FirmwareImage& image = *load_.image_;
  machine_.Owner().progressPosition.Publish((load_.loadAddress_ - image.StartAddress()) /
                                            kProgressUnit);
  if (load_.loadAddress_ >= image.EndAddress()) {
    GoToNext();
    return;
  }
  load_.BuildPacket(load_.loadAddress_, load_.loadAddress_,
                    load_.loadAddress_ == image.StartAddress());
  // From here on loadAddress names the block after the one being sent.
  load_.loadAddress_ += kBlockSize;
  Send();
}

void FirmwareLoadMachine::LoadFirmwareInitialState::OnAcknowledged() {
  Execute();
}

// LoadFirmwareLastState

void FirmwareLoadMachine::LoadFirmwareLastState::Reset() {
  load_.BuildPacket(load_.image_->StartAddress(), kFinalPacketAddressBytes, false);
  LoadFirmwareState::Reset();
}

// The final packet goes out on entry, whatever the receive buffer still holds: only its own "B"
// shows that the image was committed.
void FirmwareLoadMachine::LoadFirmwareLastState::Execute() {
  Send();
}

void FirmwareLoadMachine::LoadFirmwareLastState::OnAcknowledged() {
  GoToNext();
}

// LoadResyncState

FirmwareLoadMachine::LoadResyncState::LoadResyncState(FirmwareLoadMachine& machine,
                                                      std::string name)
    : QueryState(machine, ";", std::move(name), nullptr, kResyncTimeoutMs,
                 TimeoutPolicy::kFailAtOnce, err::kNoResponseWhileSynchronizing),
      load_(machine) {}

std::string FirmwareLoadMachine::LoadResyncState::Terminators() const {
  return "N";
}

void FirmwareLoadMachine::LoadResyncState::Reset() {
  load_.fillBytes_ = 1;
  QueryState::Reset();
}

// The loader answered "N": the packet state takes over where it was (its retry count and the
// fill count stay), and the same packet goes out again.
void FirmwareLoadMachine::LoadResyncState::OnSuccess() {
  ReturnTo(*packetState_);
  load_.TellActivity(load_.resend_);
  packetState_->Send();
}

void FirmwareLoadMachine::LoadResyncState::OnTimeout() {
  if (load_.fillBytes_++ < kFillLimit) {
    Send();
  } else {
    Fail(noResponseError_);
  }
}

// An abandoned load says where it stopped from here too, as from the packet states.
void FirmwareLoadMachine::LoadResyncState::OnRunEndsEarly() {
  if (load_.abandoning_) {
    load_.LogFailedAt();
  }
}

// LoadWaitResetState

FirmwareLoadMachine::LoadWaitResetState::LoadWaitResetState(Machine& machine, MachineState* next)
    : TimedState(machine, "LoadWaitResetState", next, kResetWaitMs) {}

void FirmwareLoadMachine::LoadWaitResetState::Reset() {
  machine_.Log(ids::kWaitingForReset, {(kResetWaitMs + 500) / 1000});
}

}  // namespace vlx
