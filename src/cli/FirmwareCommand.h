#pragma once
// `vlxctl firmware load [FILE]`: judges the file, asks (unless --yes), then runs the Firmware
// page's send sequence. Ctrl+C stops only what is harmless to stop: it cancels a load the loader
// has not taken yet; during the transfer a first one only says what a second (or SIGTERM) would
// cost; once the image is in, it leaves out the revision check.

#include <QEventLoop>
#include <cstdint>
#include <optional>
#include <string>

#include "ContactSession.h"
#include "LoadProgress.h"
#include "SignalWatcher.h"
#include "firmware/FirmwareFolder.h"
#include "firmware/FirmwareLoadMachine.h"
#include "firmware/SendFirmwareSequence.h"
#include "link/MachineHandle.h"
#include "model/Listener.h"

namespace vlx::cli {

struct FirmwareLoadOptions {
  std::optional<std::string> file;          // absent: the newest in the firmware folder
  std::optional<std::uint32_t> retryLimit;  // absent: the FirmwareLoadRetryLimit setting
  bool yes = false;                         // load without asking first
};

class FirmwareCommand final : public ContactSession,
                              private Listener,
                              private SendFirmwareHost,
                              private FirmwareTextSink {
 public:
  FirmwareCommand(const CliOptions& options, SettingsStore& store, FirmwareLoadOptions load);
  ~FirmwareCommand() override;

  // Finds the file to load and judges it first: without one that can load there is nothing to
  // contact the amplifier for.
  void Start() override;

 private:
  bool ChooseFile();
  // The question before the load: the file, its revision and the amplifier's.
  std::string Question();
  void OnAmplifierFound() override;
  void AppendLogLine(const std::string& line) override;
  LoadOutcome RunLoad() override;
  bool ShowsReady() const override { return false; }
  // The machine's lines reach stderr as status and trace lines already.
  void FirmwareText(const std::string&) override {}
  void FirmwareActivity(const LoadActivity& activity) override;
  void OnMessage(MessageId id, MessageParam wParam) override;
  // The load's run has ended, after the dispatch that ended it.
  void OnLoadEnded(ErrorCode code, FirmwareLoadMachine& machine);
  void OnSignal(int number);
  void Listen(bool on);

  FirmwareLoadOptions load_;
  FirmwareFileInfo file_;
  std::string folder_;
  LoadProgress progress_;
  SignalWatcher signals_;
  MachineHandle<FirmwareLoadMachine> machine_;
  QEventLoop* loop_ = nullptr;
  bool loadEnded_ = false;
  ErrorCode result_ = err::kCancelled;
  bool interrupted_ = false;
  bool warned_ = false;
  bool stoppedWithImageIn_ = false;
};

}  // namespace vlx::cli
