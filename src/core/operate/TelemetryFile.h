#pragma once
// The file a telemetry log grows in. A growing log cannot be written through a temporary name as
// the program's other files are, so it is written a whole row at a time, and a row that could
// not be written whole is cut off again. Real files on the desktop, a failing fake in tests.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "report/ErrorCode.h"

namespace vlx {

class TelemetryFile {
 public:
  virtual ~TelemetryFile() = default;  // closes the file
  // Writes all of `bytes` at the end of the file, or fails with the system's code; after a
  // failure any part of `bytes` may be in the file.
  virtual ErrorCode Append(std::string_view bytes) = 0;
  // Cuts the file back to its first `size` bytes.
  virtual ErrorCode Truncate(std::uint64_t size) = 0;
};

class TelemetryFileOpener {
 public:
  virtual ~TelemetryFileOpener() = default;
  // Creates the file in an existing folder, or empties the one that is there: the user chose the
  // name in a Save-As box and agreed to replace it. `file` is empty on failure.
  virtual ErrorCode Create(const std::string& path, std::unique_ptr<TelemetryFile>& file) = 0;
};

}  // namespace vlx
