#pragma once
// What one operate poll run leaves behind, as the telemetry history, the plot, the CSV log and
// `vlxctl monitor` record it.

#include <cstdint>

#include "link/Clock.h"
#include "model/DeviceFacts.h"
#include "operate/OperateReadings.h"
#include "report/ErrorCode.h"

namespace vlx {

struct TelemetrySample {
  LocalTime time;                 // local wall-clock time when the run ended
  std::uint32_t tick = 0;         // Clock::TickCount() when the run ended
  std::uint32_t deviceState = 0;  // DeviceState the run left
  ErrorCode error = 0;            // the run's error code; 0 when it ended without one
  OperateReadings readings;       // meaningful only when HasReadings()

  // A run that read the six quantities: no error and the amplifier operating.
  bool HasReadings() const { return error == 0 && deviceState == device_state::kOperating; }
  // A run that found the amplifier in its loader (switched off, or waiting for firmware).
  bool EndedInLoader() const { return error == 0 && deviceState == device_state::kWaitingInLoader; }
};

// Receives what the operate poller publishes: one sample per finished run, and word that polling
// has stopped (the Operate page left or the poller stopped), so the next sample is not joined to
// the last one.
class TelemetrySink {
 public:
  virtual ~TelemetrySink() = default;
  virtual void OnSample(const TelemetrySample& sample) = 0;
  virtual void OnPollingStopped() = 0;
};

}  // namespace vlx
