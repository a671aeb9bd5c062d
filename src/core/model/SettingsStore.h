#pragma once
// The per-user key/value store behind the persisted settings: named values of two types,
// 32-bit numbers and strings, under the application key or one of its subkeys ("Window").

#include <cstdint>
#include <optional>
#include <string>

#include "report/ErrorCode.h"

namespace vlx {

class SettingsStore {
 public:
  enum class Type { kDword, kString };

  struct StoredValue {
    Type type;
    std::uint32_t number = 0;
    std::string text;
  };

  virtual ~SettingsStore() = default;
  // The value as stored, with its type; nothing when absent. `subkey` empty = application key.
  virtual std::optional<StoredValue> Read(const std::string& subkey,
                                          const std::string& name) const = 0;
  virtual ErrorCode WriteDword(const std::string& subkey, const std::string& name,
                               std::uint32_t value) = 0;
  virtual ErrorCode WriteString(const std::string& subkey, const std::string& name,
                                const std::string& value) = 0;
};

}  // namespace vlx
