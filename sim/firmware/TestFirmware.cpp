#include "firmware/TestFirmware.h"

#include <algorithm>
#include <cstdio>

namespace vlxsim {
namespace {

bool InHole(const std::vector<Hole>& holes, std::uint32_t address) {
  return std::any_of(holes.begin(), holes.end(), [address](const Hole& hole) {
    return address >= hole.from && address < hole.to;
  });
}

void AppendRecord(std::string& text, std::uint8_t type, std::uint16_t address,
                  std::span<const std::uint8_t> data) {
  text += HexRecord(type, address, data);
  text += "\r\n";
}

void AppendAddressRecord(std::string& text, AddressRecords kind, std::uint32_t page) {
  // A segment of page * 0x1000 is the same base, page * 0x10000, as a linear page.
  const std::uint16_t value =
      static_cast<std::uint16_t>(kind == AddressRecords::kLinear ? page : page << 12);
  const std::uint8_t bytes[] = {static_cast<std::uint8_t>(value >> 8),
                                static_cast<std::uint8_t>(value & 0xFF)};
  AppendRecord(text, kind == AddressRecords::kLinear ? 4 : 2, 0, bytes);
}

}  // namespace

std::string HexRecord(std::uint8_t type, std::uint16_t address,
                      std::span<const std::uint8_t> data) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string record = ":";
  std::uint8_t sum = 0;
  auto put = [&](std::uint8_t byte) {
    record += kDigits[byte >> 4];
    record += kDigits[byte & 0x0F];
    sum = static_cast<std::uint8_t>(sum + byte);
  };
  put(static_cast<std::uint8_t>(data.size()));
  put(static_cast<std::uint8_t>(address >> 8));
  put(static_cast<std::uint8_t>(address & 0xFF));
  put(type);
  for (std::uint8_t byte : data) {
    put(byte);
  }
  put(static_cast<std::uint8_t>(0x100 - sum));
  return record;
}

std::vector<std::uint8_t> MakeTestImage(const TestFirmwareOptions& options) {
  std::vector<std::uint8_t> image(kImageEnd - kImageStart, 0xFF);
  // Program bytes that differ from revision to revision, reproducibly.
  std::uint32_t state = 0x9E3779B9u ^ options.revision;
  for (std::uint8_t& byte : image) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  image[0] = 0;
  image[1] = 0;
  image[kRevisionAddress - kImageStart] = static_cast<std::uint8_t>(options.revision >> 8);
  image[kRevisionAddress - kImageStart + 1] = static_cast<std::uint8_t>(options.revision & 0xFF);
  for (std::uint32_t address = kImageStart; address < kImageEnd; ++address) {
    if (InHole(options.holes, address)) {
      image[address - kImageStart] = 0xFF;
    }
  }
  if (options.reconciliationWord && !InHole(options.holes, kImageStart)) {
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < image.size(); i += 2) {
      sum = static_cast<std::uint16_t>(sum + (image[i] << 8 | image[i + 1]));
    }
    const auto word = static_cast<std::uint16_t>(0x10000 - sum);
    image[0] = static_cast<std::uint8_t>(word >> 8);
    image[1] = static_cast<std::uint8_t>(word & 0xFF);
  }
  return image;
}

std::string MakeTestFirmwareHex(const TestFirmwareOptions& options) {
  const std::vector<std::uint8_t> image = MakeTestImage(options);
  const unsigned length = std::clamp(options.recordLength, 1u, 255u);
  std::string text;
  std::uint32_t page = 0xFFFFFFFF;
  std::uint32_t address = kImageStart;
  while (address < kImageEnd) {
    if (InHole(options.holes, address)) {
      ++address;
      continue;
    }
    // A record ends at its length, at a hole, or where the 16-bit address wraps.
    std::uint32_t end =
        std::min<std::uint32_t>({address + length, kImageEnd, (address | 0xFFFF) + 1});
    for (std::uint32_t at = address + 1; at < end; ++at) {
      if (InHole(options.holes, at)) {
        end = at;
        break;
      }
    }
    if (address >> 16 != page) {
      page = address >> 16;
      AppendAddressRecord(text, options.addressRecords, page);
    }
    AppendRecord(text, 0, static_cast<std::uint16_t>(address & 0xFFFF),
                 std::span(image).subspan(address - kImageStart, end - address));
    address = end;
  }
  AppendRecord(text, 1, 0, {});
  return text;
}

std::string TestFirmwareFileName(std::uint16_t revision) {
  char name[32];
  std::snprintf(name, sizeof name, "VLX750fp%04u.hex", static_cast<unsigned>(revision));
  return name;
}

}  // namespace vlxsim
