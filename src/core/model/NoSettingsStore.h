#pragma once
// A settings store for hosts that keep no settings (the command line given its port, the
// benchmarks): nothing is stored, every read finds nothing and every write is refused.

#include "model/SettingsStore.h"

namespace vlx {

class NoSettingsStore final : public SettingsStore {
 public:
  std::optional<StoredValue> Read(const std::string&, const std::string&) const override {
    return std::nullopt;
  }
  ErrorCode WriteDword(const std::string&, const std::string&, std::uint32_t) override {
    return err::kAccessDenied;
  }
  ErrorCode WriteString(const std::string&, const std::string&, const std::string&) override {
    return err::kAccessDenied;
  }
};

}  // namespace vlx
