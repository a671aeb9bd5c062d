#pragma once
// Where the operate poller's samples go: the plot's history and, while the user keeps one, the CSV
// log. It outlives the Operate page, so a log goes on across tab switches; a log whose write fails
// is stopped here and the owner told once.

#include <functional>
#include <memory>
#include <string>

#include "link/Clock.h"
#include "model/FileSystem.h"
#include "operate/TelemetryCsvLog.h"
#include "operate/TelemetryHistory.h"
#include "operate/TelemetrySample.h"

namespace vlx {

class TelemetryRecorder : public TelemetrySink {
 public:
  TelemetryRecorder(Clock& clock, FileSystem& fileSystem, TelemetryFileOpener& opener);

  void OnSample(const TelemetrySample& sample) override;
  void OnPollingStopped() override;

  const TelemetryHistory& History() const { return history_; }

  // Starts a log in `path` (a running one is stopped first); rows follow from the next sample.
  ErrorCode StartLog(const std::string& path);
  void StopLog() { log_.reset(); }
  bool Logging() const { return log_ != nullptr; }
  // The running log's file and rows written; empty and 0 when none runs.
  std::string LogPath() const;
  std::uint64_t LogRows() const;

  // Called after each sample is recorded (history and log), for the plot and the log's row count.
  void SetSampleHandler(std::function<void(const TelemetrySample&)> handler) {
    sampleHandler_ = std::move(handler);
  }
  // Called once when a write fails and stops the log, with the log's file and the write's code;
  // TelemetryLogStoppedText says so.
  void SetLogFailureHandler(std::function<void(const std::string& path, ErrorCode)> handler) {
    logFailureHandler_ = std::move(handler);
  }

 private:
  Clock& clock_;
  FileSystem& fileSystem_;
  TelemetryFileOpener& opener_;
  TelemetryHistory history_;
  std::unique_ptr<TelemetryCsvLog> log_;
  std::function<void(const TelemetrySample&)> sampleHandler_;
  std::function<void(const std::string&, ErrorCode)> logFailureHandler_;
};

// "The telemetry log PATH was stopped: ERROR TEXT", for the status line and the box.
std::string TelemetryLogStoppedText(const std::string& path, ErrorCode code);

}  // namespace vlx
