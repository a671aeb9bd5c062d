#pragma once
// `vlxctl monitor`: the Operate page's poll without the window, a line of readings per good run
// and, with --csv, the window's telemetry log. A failure is told on stderr when it begins, not at
// every poll while it lasts; a lost amplifier or a pulled adapter is waited for as in the window.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ContactSession.h"
#include "SignalWatcher.h"
#include "operate/OperatePoller.h"
#include "operate/TelemetryCsvLog.h"
#include "operate/TelemetrySample.h"
#include "report/ErrorCode.h"
#include "settings/SystemTelemetryFile.h"

namespace vlx::cli {

struct MonitorOptions {
  std::optional<std::uint32_t> intervalMs;  // absent: the stored OperatePollInterval
  std::optional<std::string> csv;           // the telemetry log's file
  std::optional<std::uint64_t> count;       // lines of readings to print; absent: until stopped
  bool header = true;
};

class MonitorCommand final : public ContactSession, private TelemetrySink {
 public:
  MonitorCommand(const CliOptions& options, SettingsStore& store, MonitorOptions monitor);
  ~MonitorCommand() override;

  // Opens the log (if any) before the port is touched, so a file that cannot be written costs
  // no search.
  void Start() override;

 private:
  void OnAmplifierFound() override;
  bool WaitsForLostPort() const override { return true; }
  void OnSample(const TelemetrySample& sample) override;
  void OnPollingStopped() override {}
  // Writes one line to stdout and flushes it; a reader that went away ends the run quietly.
  bool PrintLine(const std::string& line);
  // Stops polling, closes the log and ends with `exitCode`.
  void Conclude(int exitCode);

  MonitorOptions monitor_;
  SystemTelemetryFileOpener opener_;
  std::unique_ptr<TelemetryCsvLog> log_;
  OperatePoller poller_;
  SignalWatcher signals_;
  std::uint64_t lines_ = 0;
  ErrorCode lastError_ = err::kSuccess;  // of the last poll run
};

}  // namespace vlx::cli
