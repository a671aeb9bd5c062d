#include "operate/TelemetryRecorder.h"

#include "report/ErrorText.h"
#include "report/OperateTextIds.h"
#include "report/TextFormat.h"

namespace vlx {

TelemetryRecorder::TelemetryRecorder(Clock& clock, FileSystem& fileSystem,
                                     TelemetryFileOpener& opener)
    : clock_(clock), fileSystem_(fileSystem), opener_(opener) {}

void TelemetryRecorder::OnSample(const TelemetrySample& sample) {
  history_.Append(sample);
  if (log_ != nullptr) {
    if (const ErrorCode error = log_->Write(sample); error != err::kSuccess) {
      const std::string path = log_->Path();
      log_.reset();
      if (logFailureHandler_) {
        logFailureHandler_(path, error);
      }
    }
  }
  if (sampleHandler_) {
    sampleHandler_(sample);
  }
}

void TelemetryRecorder::OnPollingStopped() {
  history_.BreakLine();
}

ErrorCode TelemetryRecorder::StartLog(const std::string& path) {
  log_.reset();
  return TelemetryCsvLog::Open(fileSystem_, opener_, path, clock_.TickCount(), log_);
}

std::string TelemetryRecorder::LogPath() const {
  return log_ != nullptr ? log_->Path() : std::string();
}

std::uint64_t TelemetryRecorder::LogRows() const {
  return log_ != nullptr ? log_->Rows() : 0;
}

std::string TelemetryLogStoppedText(const std::string& path, ErrorCode code) {
  return FormatText(ids::kTelemetryLogStopped, {path, FormatErrorText(code)});
}

}  // namespace vlx
