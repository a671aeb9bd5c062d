#pragma once
// Puts new firmware into the amplifier through its bootstrap loader (2,006 packets and a final one)
// and reads the new revision and serial number once it has reset.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "firmware/LoadActivity.h"
#include "link/ContactStates.h"
#include "link/Machine.h"

namespace vlx {

class FirmwareImage;

constexpr TimerId kFirmwareLoadTimerId = 6;

// Where a firmware load's log and trace lines are shown: the Sending Firmware dialog's log, or
// vlxctl's output. Every line reaches it before the machine goes on, and so does each change of
// what the load is working through.
class FirmwareTextSink {
 public:
  virtual ~FirmwareTextSink() = default;
  virtual void FirmwareText(const std::string& line) = 0;
  // A sink without a line for it (a benchmark, a test of other things) lets it go.
  virtual void FirmwareActivity(const LoadActivity&) {}
};

class FirmwareLoadMachine final : public Machine {
 public:
  static constexpr std::size_t kPacketSize = 68;
  static constexpr std::size_t kBlockSize = 64;

  // Takes the firmware path held with AvailableRevision and the FirmwareLoadRetryLimit setting.
  explicit FirmwareLoadMachine(AppSettings& owner);
  ~FirmwareLoadMachine() override;

  // Every Log and Trace line of the machine goes to the sink given to StartLoad.
  void OnText(const std::string& line) override;

  // Controller operations of this machine.
  const std::string& DeviceName() const { return deviceName_; }
  std::uint32_t HighestRetries() const { return highestRetries_; }
  std::uint32_t TotalRetries() const { return totalRetries_; }
  // Compares the revision the amplifier reported with the file's; logs both when they differ
  // or when `alwaysLog`. Returns 0 or 0xE2000046.
  ErrorCode VerifyRevision(bool alwaysLog);
  // Only when idle: loads and checks the image, then starts the load; `sink` must outlive the
  // run. A file or checksum failure ends the run (MachineDone) before this returns. Returns
  // whether the image was loaded.
  bool StartLoad(FirmwareTextSink& sink);
  // Stops a running load at once, whatever state it is in: the timer is killed, nothing more is
  // sent and the run ends through the final state with 1223. A load stopped in the middle of the
  // transfer says where and that the amplifier needs a power cycle. Returns whether it was
  // running.
  bool Abandon();
  // Whether the run said that the amplifier needs a power cycle before the next load.
  bool PowerCycleAdvised() const { return powerCycleAdvised_; }

  // How far a running load has gone, which decides what stopping it costs: before the transfer
  // the amplifier stays as it was (or waits in its loader); during it the amplifier is left
  // without firmware; once the last packet is accepted only the revision check is left out.
  enum class Stage { kBeforeTransfer, kTransferring, kImageIn };
  Stage CurrentStage() const;

 private:
  class VerifyExpectedDeviceState final : public SimpleState {
   public:
    VerifyExpectedDeviceState(Machine& machine, MachineState* next);
    void Execute() override;
  };

  class LoadEnterBootLoaderState final : public CommandState {
   public:
    LoadEnterBootLoaderState(Machine& machine, MachineState* next);
    void Execute() override;
    void OnTimeout() override;
  };

  class LoadBeginDownloadState final : public QueryState {
   public:
    LoadBeginDownloadState(FirmwareLoadMachine& machine, MachineState* next);
    void OnReply() override;
    std::string Terminators() const override;

   private:
    void OnRunEndsEarly() override;

    FirmwareLoadMachine& load_;
  };

  class LoadResyncState;

  // The two packet states: send a packet, take the loader's acknowledgement, resend on "N",
  // resynchronise after a time-out or the sixth rejection.
  class LoadFirmwareState : public QueryState {
   public:
    LoadFirmwareState(FirmwareLoadMachine& machine, std::string name, MachineState* next,
                      char acknowledgement, LoadResyncState& resync);
    void Reset() override;
    void OnReply() override;
    void OnTimeout() override;
    void Send() override;
    std::string Terminators() const override;

   protected:
    ~LoadFirmwareState() = default;
    void OnRunEndsEarly() override;
    // The loader took the packet.
    virtual void OnAcknowledged() = 0;
    void CountRetries();
    // Sends the packet again for `cause` (kNoAnswer or kRejected), which waits for the
    // resynchronisation when `resynchronise`.
    void Retry(LoadActivity::Kind cause, std::uint32_t limit, bool resynchronise);

    FirmwareLoadMachine& load_;

   private:
    char acknowledgement_;
    LoadResyncState& resync_;
  };

  class LoadFirmwareInitialState final : public LoadFirmwareState {
   public:
    using LoadFirmwareState::LoadFirmwareState;
    void Reset() override;
    void Execute() override;

   private:
    void OnAcknowledged() override;
  };

  class LoadFirmwareLastState final : public LoadFirmwareState {
   public:
    using LoadFirmwareState::LoadFirmwareState;
    void Reset() override;
    void Execute() override;

   private:
    void OnAcknowledged() override;
  };

  // Feeds single ";" bytes until the loader answers "N": its buffer is then at a packet
  // boundary, and the packet state sends its packet again.
  class LoadResyncState final : public QueryState {
   public:
    LoadResyncState(FirmwareLoadMachine& machine, std::string name);
    void Serve(LoadFirmwareState& packetState) { packetState_ = &packetState; }
    void Reset() override;
    void OnSuccess() override;
    void OnTimeout() override;
    std::string Terminators() const override;

   private:
    void OnRunEndsEarly() override;

    FirmwareLoadMachine& load_;
    LoadFirmwareState* packetState_ = nullptr;
  };

  class LoadWaitResetState final : public TimedState {
   public:
    LoadWaitResetState(Machine& machine, MachineState* next);
    void Reset() override;
  };

  void PublishResult() override;
  // Builds the packet for the block at `address`, carrying `addressBytes` as its address;
  // an `uncommitted` one carries the marker instead of the reconciliation word.
  void BuildPacket(std::uint32_t address, std::uint32_t addressBytes, bool uncommitted);
  // Logs where a load stopped in the middle of the transfer.
  void LogFailedAt();
  void AdvisePowerCycle();
  void TellActivity(const LoadActivity& activity);

  std::uint32_t fillBytes_ = 0;
  std::uint32_t packetTimeoutLimit_;
  std::uint32_t highestRetries_ = 0;
  std::uint32_t totalRetries_ = 0;
  std::uint32_t loadAddress_ = 0;
  FirmwareTextSink* sink_ = nullptr;
  std::string deviceName_;
  std::string firmwarePath_;
  std::unique_ptr<FirmwareImage> image_;
  std::array<std::uint8_t, kPacketSize> packet_{};
  // The address the packet carries, and what the resend under way follows.
  std::uint32_t packetAddress_ = 0;
  LoadActivity resend_;
  bool abandoning_ = false;
  bool powerCycleAdvised_ = false;

  // Built in this order; a state may name one built after it as its next state.
  QueryIState queryI_;
  VerifyExpectedDeviceState verifyExpectedDevice_;
  LoadEnterBootLoaderState enterBootLoader_;
  LoadBeginDownloadState beginDownload_;
  LoadFirmwareInitialState firmwareInitial_;
  LoadResyncState resyncInitial_;
  LoadFirmwareLastState firmwareLast_;
  LoadResyncState resyncLast_;
  LoadWaitResetState waitReset_;
  DetermineSpeedState determineSpeed_;
  QueryRevisionState queryRevision_;
  QuerySerialNumberState querySerialNumber_;
};

}  // namespace vlx
