#pragma once
// Keeps the Operate front panel's poll cycles going, for the Operate page and `vlxctl monitor`, and
// publishes each run as a telemetry sample. It lives shorter than AppSettings.
// A holder that redraws on DeviceState subscribes before Start, so its controls change before the
// poll the change brings about.

#include <cstdint>
#include <functional>

#include "link/MachineHandle.h"
#include "link/TimerService.h"
#include "model/Listener.h"

namespace vlx {

class AppSettings;
class OperateMachine;
class TelemetrySink;

constexpr TimerId kOperatePollTimerId = 20;

class OperatePoller final : public TimerTarget, public Listener {
 public:
  explicit OperatePoller(AppSettings& app, TelemetrySink* sink = nullptr);
  // Stops polling if it still runs.
  ~OperatePoller() override;
  OperatePoller(const OperatePoller&) = delete;
  OperatePoller& operator=(const OperatePoller&) = delete;

  // Where finished runs go; none publishes nothing.
  void SetSink(TelemetrySink* sink) { sink_ = sink; }
  // Told, with the fault held, after the run in which the amplifier refused operate, and after
  // every run after it while it stays in standby with a fault, so the reason stays in view
  // until the fault is cleared.
  using StandbyReasonHandler = std::function<void(std::uint8_t currentFault)>;
  void SetStandbyReasonHandler(StandbyReasonHandler handler) {
    standbyReason_ = std::move(handler);
  }

  // The front panel comes into view: subscribes to DeviceState, makes, installs and holds a new
  // machine and polls at once. Does nothing while already running.
  void Start();
  // The front panel leaves view (or the window closes): no more ticks, no subscriptions, the
  // machine released, and the sink told that polling has stopped.
  void Stop();
  bool IsRunning() const { return running_; }
  // Whether a machine is held: false between a lost amplifier and its return.
  bool HasMachine() const;

  // The user's presses. Each is taken only while running and DeviceState allows it (3; power
  // also 2), then polls at once; returns whether it was taken. A taken power request drops the
  // other requests still held.
  bool RequestBand(std::uint8_t bandCode);
  bool RequestClearFault();
  bool RequestOperateToggle();
  bool RequestPower();

  // Hands the held requests to the machine and starts a cycle if it is idle, then re-arms the
  // timer with the poll interval as it is now. While the contact search runs, no cycle starts
  // and the requests stay held.
  void PollNow();

  void OnTimer(TimerId id) override;
  void OnMessage(MessageId id, MessageParam wParam) override;

 private:
  bool BothSlotsIdle() const;
  bool IsOperating() const;
  bool Hold(bool& request, bool allowed);
  void MakeMachine();
  void OnDeviceStateChanged();
  // Each run of the held machine ends here, after the dispatch that ended it.
  void OnRunEnded(ErrorCode error, const OperateMachine& machine);
  void PublishSample(ErrorCode error);
  void TellStandbyReason(const OperateMachine& machine, ErrorCode error);

  AppSettings& app_;
  TelemetrySink* sink_;
  MachineHandle<OperateMachine> machine_;
  bool running_ = false;
  std::uint8_t requestedBandCode_ = 0;
  // Held in the order they reach the machine; power goes alone.
  bool bandRequested_ = false;
  bool clearRequested_ = false;
  bool operateToggleRequested_ = false;
  bool powerRequested_ = false;
  StandbyReasonHandler standbyReason_;
  // Operate was refused for a held fault, and nothing has changed that since.
  bool operateRefused_ = false;
};

}  // namespace vlx
