#pragma once
// `vlxctl firmware load [FILE]`: reads and judges the file, finds the amplifier, asks (unless
// --yes), then runs the same send sequence as the Firmware page, with the load shown as progress
// on stderr. Ctrl+C stops the load only while that is harmless: before the loader has taken the
// download, the load is cancelled; while the transfer runs, a first Ctrl+C only says what a
// second one (or SIGTERM) would cost; once the image is in, it stops before the revision check.

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
