#pragma once
// What the configuration file reader keeps to, whatever the bytes: only its two codes, a message
// exactly when it refuses, 0 only for a text that holds a CRC line, and no byte outside the
// restorable range handed on.

#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "config/ConfigurationFile.h"
#include "report/ErrorCode.h"

namespace vlx::fuzz {

inline void CheckConfigurationReader(std::string_view text) {
  RestorableBytes bytes;
  const ConfigurationFileCheck check = CheckConfigurationText(text, 1234, bytes);
  Check(check.code == err::kSuccess || check.code == err::kIncompleteConfigurationFile ||
            check.code == err::kCorruptConfigurationFile,
        "a code of the reader's own");
  Check(check.message.empty() == (check.code == err::kSuccess), "a message exactly on refusal");
  if (check.code == err::kSuccess) {
    // The reader drops every CR wherever it stands, so a CR may split the keyword.
    std::string withoutCr(text);
    std::erase(withoutCr, '\r');
    Check(withoutCr.find("CRC32") != std::string::npos, "success only with a seal");
  }
  Check(bytes.Count() <= 0xE0, "at most the restorable bytes");
  for (std::uint32_t address = 0xE0; address < 0x100; ++address) {
    Check(!bytes.Has(static_cast<std::uint8_t>(address)), "no byte beyond 0xDF");
  }
}

}  // namespace vlx::fuzz
