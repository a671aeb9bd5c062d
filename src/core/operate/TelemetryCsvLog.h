#pragma once
// The telemetry log: one CSV row per operate poll run (RFC 4180, CRLF line ends), in a file the
// user named. Each row is one write; a row that fails to be written is cut off again, so the file
// always ends with a whole row, and the log stops.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "model/FileSystem.h"
#include "operate/TelemetryFile.h"
#include "operate/TelemetrySample.h"

namespace vlx {

// The header line, CRLF included.
extern const char* const kTelemetryCsvHeader;

// "2026-12-10T19:55:47.123+01:00": local time with milliseconds and the offset from UTC.
std::string TelemetryTimeText(const LocalTime& time);

// One row, CRLF included. `elapsedMs` counts from the start of the log; the readings are filled
// only for a run that read them, the mode is "OFF" for a run that found the loader, and a failed
// run carries its error text.
std::string TelemetryCsvRow(const TelemetrySample& sample, std::uint64_t elapsedMs);

// The log's file name for the time it starts: "SN%05u.%04u%02u%02uT%02u%02u%02u.csv", without
// "SN%05u." while the serial number is unknown.
std::string TelemetryLogFileName(std::uint16_t serialNumber, const LocalTime& time);

class TelemetryCsvLog {
 public:
  // Creates the file's folder when missing, creates or empties the file and writes the header.
  // Elapsed times count from `startTick`, and keep counting past the tick count's wrap. Fails with
  // the first error met; nothing is then open.
  static ErrorCode Open(FileSystem& fileSystem, TelemetryFileOpener& opener,
                        const std::string& path, std::uint32_t startTick,
                        std::unique_ptr<TelemetryCsvLog>& log);

  // Writes the sample's row. A failed write cuts the file back to its last whole row and returns
  // the write's code; the log is then stopped and writes nothing more.
  ErrorCode Write(const TelemetrySample& sample);

  bool Stopped() const { return file_ == nullptr; }
  const std::string& Path() const { return path_; }
  std::uint64_t Rows() const { return rows_; }

 private:
  TelemetryCsvLog(std::unique_ptr<TelemetryFile> file, std::string path, std::uint32_t startTick);

  std::unique_ptr<TelemetryFile> file_;
  std::string path_;
  std::uint32_t lastTick_;       // the tick of the last row, or of the start
  std::uint64_t elapsedMs_ = 0;  // since the start, summed row by row so it never wraps
  std::uint64_t size_ = 0;       // bytes up to the end of the last whole row
  std::uint64_t rows_ = 0;
};

}  // namespace vlx
