#include "operate/TelemetryCsvLog.h"

#include <cstdlib>

#include "model/DataFolders.h"
#include "operate/ReadingText.h"
#include "report/ErrorText.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {

// A field as RFC 4180 wants it: quoted, with its quotes doubled, when it holds a comma, a quote
// or a line break (error texts may hold any of them).
void AppendField(std::string& row, std::string_view field) {
  if (!row.empty()) {
    row += ',';
  }
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    row += field;
    return;
  }
  row += '"';
  for (const char c : field) {
    if (c == '"') {
      row += '"';
    }
    row += c;
  }
  row += '"';
}

}  // namespace

const char* const kTelemetryCsvHeader =
    "time,elapsed_s,device_state,band_mhz,mode,fault_code,fault,power_w,swr,temperature_c,"
    "pa_voltage_v,pa_current_a,error\r\n";

std::string TelemetryTimeText(const LocalTime& time) {
  const std::uint32_t offset = static_cast<std::uint32_t>(std::abs(time.utcOffsetMinutes));
  return FormatText(
      "%04u-%02u-%02uT%02u:%02u:%02u.%03u%s%02u:%02u",
      {time.year, time.month, time.day, time.hour, time.minute, time.second, time.millisecond,
       time.utcOffsetMinutes < 0 ? "-" : "+", offset / 60, offset % 60});
}

std::string TelemetryCsvRow(const TelemetrySample& sample, std::uint64_t elapsedMs) {
  PlainReadings plain;
  if (sample.HasReadings()) {
    plain = PlainText(sample.readings);
  } else if (sample.EndedInLoader()) {
    plain.mode = "OFF";
  }
  std::string row;
  AppendField(row, TelemetryTimeText(sample.time));
  AppendField(row, FormatText("%u.%03u", {elapsedMs / 1000, elapsedMs % 1000}));
  AppendField(row, FormatText("%u", {sample.deviceState}));
  for (const std::string* field :
       {&plain.bandMhz, &plain.mode, &plain.faultCode, &plain.fault, &plain.power, &plain.swr,
        &plain.temperature, &plain.paVoltage, &plain.paCurrent}) {
    AppendField(row, *field);
  }
  AppendField(row, sample.error == 0 ? std::string() : FormatErrorText(sample.error));
  row += "\r\n";
  return row;
}

std::string TelemetryLogFileName(std::uint16_t serialNumber, const LocalTime& time) {
  const std::string stamp =
      FormatText("%04u%02u%02uT%02u%02u%02u.csv",
                 {time.year, time.month, time.day, time.hour, time.minute, time.second});
  return serialNumber == kUnknownSerialNumber ? stamp
                                              : FormatText("SN%05u.", {serialNumber}) + stamp;
}

TelemetryCsvLog::TelemetryCsvLog(std::unique_ptr<TelemetryFile> file, std::string path,
                                 std::uint32_t startTick)
    : file_(std::move(file)), path_(std::move(path)), lastTick_(startTick) {}

ErrorCode TelemetryCsvLog::Open(FileSystem& fileSystem, TelemetryFileOpener& opener,
                                const std::string& path, std::uint32_t startTick,
                                std::unique_ptr<TelemetryCsvLog>& log) {
  log.reset();
  const std::string folder = FolderOf(path);
  if (!folder.empty() && !fileSystem.IsDirectory(folder)) {
    if (const ErrorCode error = CreateFolderPath(fileSystem, folder); error != err::kSuccess) {
      return error;
    }
  }
  std::unique_ptr<TelemetryFile> file;
  if (const ErrorCode error = opener.Create(path, file); error != err::kSuccess) {
    return error;
  }
  std::unique_ptr<TelemetryCsvLog> opened(new TelemetryCsvLog(std::move(file), path, startTick));
  const std::string_view header = kTelemetryCsvHeader;
  if (const ErrorCode error = opened->file_->Append(header); error != err::kSuccess) {
    opened->file_->Truncate(0);
    return error;
  }
  opened->size_ = header.size();
  log = std::move(opened);
  return err::kSuccess;
}

ErrorCode TelemetryCsvLog::Write(const TelemetrySample& sample) {
  if (file_ == nullptr) {
    return err::kSuccess;
  }
  elapsedMs_ += sample.tick - lastTick_;
  lastTick_ = sample.tick;
  const std::string row = TelemetryCsvRow(sample, elapsedMs_);
  if (const ErrorCode error = file_->Append(row); error != err::kSuccess) {
    // The cut may fail as the write did (the device is gone); the log stops either way and the
    // write's code is the one the user needs.
    file_->Truncate(size_);
    file_.reset();
    return error;
  }
  size_ += row.size();
  ++rows_;
  return err::kSuccess;
}

}  // namespace vlx
