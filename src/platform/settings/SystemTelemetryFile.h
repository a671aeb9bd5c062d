#pragma once
// The telemetry log's file on the disk: created or emptied, written with plain writes at its
// end, cut back with ftruncate. Failures come back in the program's codes through the shared
// errno table.

#include "operate/TelemetryFile.h"

namespace vlx {

class SystemTelemetryFileOpener : public TelemetryFileOpener {
 public:
  ErrorCode Create(const std::string& path, std::unique_ptr<TelemetryFile>& file) override;
};

}  // namespace vlx
