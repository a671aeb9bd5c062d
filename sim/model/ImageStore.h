#pragma once
// The amplifier's program memory, in flash: written by the loader, run after a reset, kept across
// power cycles. It is good when its big-endian 16-bit words sum to 0 modulo 65536, and its revision
// is the word at kRevisionAddress (the convention of our test-firmware files).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vlxsim {

class ImageStore {
 public:
  static constexpr std::uint32_t kStart = 0x000800;
  static constexpr std::uint32_t kEnd = 0x01FD80;  // one past the last byte
  static constexpr std::uint32_t kRevisionAddress = 0x000802;
  static constexpr std::size_t kBlockSize = 64;
  static constexpr std::size_t kSize = kEnd - kStart;  // 128,384 bytes

  // A good image of firmware `revision`: erased memory (0xFF) holding the revision word and, at
  // kStart, the word that makes the image sum to zero.
  explicit ImageStore(std::uint16_t revision);

  // Whether a block of kBlockSize bytes can be written at `address`.
  static bool IsBlockAddress(std::uint32_t address);
  // `bytes` (kBlockSize of them) at a block address; anything else is refused.
  bool WriteBlock(std::uint32_t address, std::string_view bytes);

  // `count` bytes from `address`, clipped to the image.
  std::string_view Read(std::uint32_t address, std::size_t count) const;
  // The big-endian word at `address` (an address inside the image).
  std::uint16_t Word(std::uint32_t address) const;
  bool SumsToZero() const;
  std::uint16_t Revision() const { return Word(kRevisionAddress); }

 private:
  std::string memory_;
};

}  // namespace vlxsim
