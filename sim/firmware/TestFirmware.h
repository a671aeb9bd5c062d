#pragma once
// Firmware files of our own for tests and for trying the program: a full image with a chosen
// revision, as Intel HEX in the shapes real files take (record lengths, extended-address records,
// holes), so no firmware from elsewhere is needed or ever enters the repository.
//
// The convention shared with the simulated loader: the revision is the big-endian word at
// 0x000802; with the reconciliation word present, the big-endian words from 0x000800 up to
// 0x01FD7F sum to 0 modulo 65536.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vlxsim {

constexpr std::uint32_t kImageStart = 0x000800;
constexpr std::uint32_t kImageEnd = 0x01FD80;
constexpr std::uint32_t kRevisionAddress = 0x000802;

enum class AddressRecords {
  kLinear,   // type 04: upper 16 bits of the address
  kSegment,  // type 02: a segment, the address divided by 16
};

// Addresses [from, to) that no record writes; they stay 0xFF in the image.
struct Hole {
  std::uint32_t from = 0;
  std::uint32_t to = 0;
};

struct TestFirmwareOptions {
  std::uint16_t revision = 152;  // "01.52"
  // The word at 0x000800 that makes the image sum to 0; when false it is 0, to be filled in on
  // loading.
  bool reconciliationWord = true;
  unsigned recordLength = 16;  // data bytes per record, 1..255
  AddressRecords addressRecords = AddressRecords::kLinear;
  std::vector<Hole> holes;
};

// The image as the amplifier should hold it after a load: kImageEnd - kImageStart bytes, byte k
// at address kImageStart + k. The word is computed with the holes' 0xFF bytes in the sum.
std::vector<std::uint8_t> MakeTestImage(const TestFirmwareOptions& options);

// The whole HEX text of that image: the records, then the end-of-file record; CR LF line ends.
std::string MakeTestFirmwareHex(const TestFirmwareOptions& options);

// One record without its line end: ":", count, address, type, data, checksum, upper-case digits.
std::string HexRecord(std::uint8_t type, std::uint16_t address, std::span<const std::uint8_t> data);

// "VLX750fp0152.hex" for revision 152.
std::string TestFirmwareFileName(std::uint16_t revision);

}  // namespace vlxsim
