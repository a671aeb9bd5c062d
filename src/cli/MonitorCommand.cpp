#include "MonitorCommand.h"

#include "JsonOutput.h"
#include "Output.h"
#include "model/AppSettings.h"
#include "operate/ReadingText.h"
#include "operate/TelemetryRecorder.h"
#include "report/ErrorText.h"
#include "report/PrintableName.h"

namespace vlx::cli {
namespace {

std::string TokenOrDash(const std::string& field) {
  return field.empty() ? "-" : field;
}

// The fault as the Operate page shows its code: two hexadecimal digits, "00" for no fault ("FF"
// for the amplifier's other form of it), the name left out so the line keeps one token per field.
// "-" is kept for a run that did not read it.
std::string FaultToken(const PlainReadings& plain) {
  if (plain.faultCode.empty()) {
    return "-";
  }
  return plain.fault.empty() ? "00" : plain.fault.substr(0, plain.fault.find(' '));
}

const char* const kMonitorHeader = "time band_mhz mode fault power_w swr temp_c pa_v pa_a";

// The line of a run that ended without error: blank-separated tokens, "-" for what the run did
// not read.
std::string MonitorLine(const TelemetrySample& sample) {
  const PlainReadings plain = SamplePlainText(sample);
  std::string line = TelemetryTimeText(sample.time);
  for (const std::string& token :
       {TokenOrDash(plain.bandMhz), TokenOrDash(plain.mode), FaultToken(plain),
        TokenOrDash(plain.power), TokenOrDash(plain.swr), TokenOrDash(plain.temperature),
        TokenOrDash(plain.paVoltage), TokenOrDash(plain.paCurrent)}) {
    line += ' ';
    line += token;
  }
  return line;
}

// The same run for --json: readings as numbers, null for what the run did not read.
QJsonObject MonitorJson(const TelemetrySample& sample) {
  const PlainReadings plain = SamplePlainText(sample);
  const std::string fault = FaultToken(plain);
  return {{"time", JsonText(TelemetryTimeText(sample.time))},
          {"bandMhz", JsonNumberOrNull(plain.bandMhz)},
          {"mode", JsonTextOrNull(plain.mode)},
          {"fault", fault == "-" ? QJsonValue() : JsonText(fault)},
          {"faultText", JsonTextOrNull(plain.fault)},
          {"powerW", JsonNumberOrNull(plain.power)},
          {"swr", JsonNumberOrNull(plain.swr)},
          {"temperatureC", JsonNumberOrNull(plain.temperature)},
          {"paV", JsonNumberOrNull(plain.paVoltage)},
          {"paA", JsonNumberOrNull(plain.paCurrent)}};
}

}  // namespace

MonitorCommand::MonitorCommand(const CliOptions& options, SettingsStore& store,
                               MonitorOptions monitor)
    : ContactSession(options, store),
      monitor_(std::move(monitor)),
      poller_(App(), this),
      signals_([this](int) { Conclude(exit_code::kSuccess); }) {
  App().operatePollInterval.Load(store);
  if (monitor_.intervalMs) {
    App().operatePollInterval.Set(*monitor_.intervalMs);
  }
}

// The poller gives its machine up before the model it runs on goes.
MonitorCommand::~MonitorCommand() = default;

void MonitorCommand::Start() {
  if (monitor_.csv) {
    const ErrorCode error =
        TelemetryCsvLog::Open(App().Files(), opener_, *monitor_.csv, Time().TickCount(), log_);
    if (error != err::kSuccess) {
      PrintError("vlxctl: the telemetry log \"" + PrintableName(*monitor_.csv) +
                 "\" could not be written: " + FormatErrorText(error));
      Finish(exit_code::kFailure);
      return;
    }
  }
  ContactSession::Start();
}

void MonitorCommand::OnAmplifierFound() {
  if (Finished()) {
    return;
  }
  if (monitor_.header && !Options().json && !PrintLine(kMonitorHeader)) {
    return;
  }
  poller_.Start();
}

void MonitorCommand::OnSample(const TelemetrySample& sample) {
  if (Finished()) {
    return;
  }
  // A failure that lasts (the port gone, the amplifier silent) is told, in the log and on
  // stderr, when it begins or changes, not at every poll; the readings after it show its end.
  const bool failureGoesOn = sample.error != err::kSuccess && sample.error == lastError_;
  lastError_ = sample.error;
  if (failureGoesOn) {
    return;
  }
  if (log_) {
    if (const ErrorCode error = log_->Write(sample); error != err::kSuccess) {
      PrintError("vlxctl: " + TelemetryLogStoppedText(log_->Path(), error));
      Conclude(exit_code::kFailure);
      return;
    }
  }
  if (sample.error != err::kSuccess) {
    PrintError(TelemetryTimeText(sample.time) + " " + FormatErrorText(sample.error));
    return;
  }
  const std::string line = Options().json ? JsonLine(MonitorJson(sample)) : MonitorLine(sample);
  if (!PrintLine(line)) {
    return;
  }
  if (monitor_.count && ++lines_ >= *monitor_.count) {
    Conclude(exit_code::kSuccess);
  }
}

bool MonitorCommand::PrintLine(const std::string& line) {
  if (WriteOutput(line + "\n")) {
    return true;
  }
  Conclude(OutputExitCode(exit_code::kSuccess));
  return false;
}

void MonitorCommand::Conclude(int exitCode) {
  if (Finished()) {
    return;
  }
  poller_.Stop();
  log_.reset();
  Finish(exitCode);
}

}  // namespace vlx::cli
