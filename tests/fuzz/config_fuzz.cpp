// Fuzz target of the configuration file reader. Whatever the bytes: no crash, only the reader's
// two codes, a message exactly when it refuses, 0 only for a text that holds a CRC line, and no
// byte outside the restorable range handed on.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "config/ConfigurationFile.h"
#include "report/ErrorCode.h"

using vlx::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vlx;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  RestorableBytes bytes;
  const ConfigurationFileCheck check = CheckConfigurationText(text, 1234, bytes);
  Check(check.code == err::kSuccess || check.code == err::kIncompleteConfigurationFile ||
        check.code == err::kCorruptConfigurationFile);
  Check(check.message.empty() == (check.code == err::kSuccess));
  if (check.code == err::kSuccess) {
    // The reader drops every CR wherever it stands, so a CR may split the keyword.
    std::string withoutCr(text);
    std::erase(withoutCr, '\r');
    Check(withoutCr.find("CRC32") != std::string::npos);
  }
  Check(bytes.Count() <= 0xE0);
  for (std::uint32_t address = 0xE0; address < 0x100; ++address) {
    Check(!bytes.Has(static_cast<std::uint8_t>(address)));
  }
  return 0;
}
