// Fuzz target of the configuration file reader.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ConfigReaderInvariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vlx::fuzz::CheckConfigurationReader(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
