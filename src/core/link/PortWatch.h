#pragma once
// Keeps the user's port across a loss, in the window and in vlxctl alike.
// A lost device is reported once and the port closed; the same name is looked for each second and,
// once back, tested by itself, but only while no transient machine runs and the host allows it.

#include <cstdint>
#include <functional>

#include "link/PortLossHandler.h"
#include "link/TimerService.h"
#include "model/Listener.h"

namespace vlx {

class AppSettings;

class PortWatch final : public PortLossHandler, public TimerTarget, private Listener {
 public:
  static constexpr TimerId kTimerId = 30;
  static constexpr std::uint32_t kLookIntervalMs = 1000;

  // `mayRetest` tells whether the host can take a new test now; none means always.
  PortWatch(AppSettings& app, TimerService& timers, std::function<bool()> mayRetest = {});
  ~PortWatch() override;
  PortWatch(const PortWatch&) = delete;
  PortWatch& operator=(const PortWatch&) = delete;

  // Told once the loss has been dealt with (the port is closed by then).
  void SetLossObserver(std::function<void()> observer) { lossObserver_ = std::move(observer); }
  // Between a loss and the port's return (or the user's own choice of port or test).
  bool IsWatching() const { return watching_; }

  void OnPortLost() override;
  void OnTimer(TimerId id) override;

 private:
  void OnMessage(MessageId id, MessageParam wParam) override;
  void StopWatching();

  AppSettings& app_;
  TimerService& timers_;
  std::function<bool()> mayRetest_;
  std::function<void()> lossObserver_;
  bool watching_ = false;
};

}  // namespace vlx
