#pragma once
// Download packets and firmware images as the program builds them, for driving the simulated
// loader.

#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "model/ImageStore.h"

namespace vlxsim::test {

// 64 bytes of `block` for `address` (low byte first), with the checksum that makes all 68 sum to
// zero, or one off it when `valid` is false.
inline std::string PacketOf(std::string_view block, std::uint32_t address, bool valid = true) {
  std::string packet(block);
  packet.push_back(static_cast<char>(address & 0xFF));
  packet.push_back(static_cast<char>((address >> 8) & 0xFF));
  packet.push_back(static_cast<char>((address >> 16) & 0xFF));
  const unsigned sum = std::accumulate(packet.begin(), packet.end(), 0u, [](unsigned t, char b) {
    return t + static_cast<unsigned char>(b);
  });
  packet.push_back(static_cast<char>((256 - sum % 256) % 256 + (valid ? 0 : 1)));
  return packet;
}

// A firmware image of `revision` as our test files carry it: varied bytes (fill bytes and the
// loader's answer letters among them), the revision word at 0x000802 and, at 0x000800, the word
// that makes the big-endian words sum to zero; with `good` false that word is off by one.
inline std::string TestImage(std::uint16_t revision, bool good = true) {
  std::string image(ImageStore::kSize, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) {
    image[i] = static_cast<char>((i * 7 + i / 64) & 0xFF);
  }
  image[0] = image[1] = '\0';
  image[2] = static_cast<char>(revision >> 8);
  image[3] = static_cast<char>(revision & 0xFF);
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < image.size(); i += 2) {
    sum += (std::uint32_t{static_cast<unsigned char>(image[i])} << 8) |
           static_cast<unsigned char>(image[i + 1]);
  }
  const auto word = static_cast<std::uint16_t>(0x10000u - (sum & 0xFFFF) + (good ? 0 : 1));
  image[0] = static_cast<char>(word >> 8);
  image[1] = static_cast<char>(word & 0xFF);
  return image;
}

// The packets the program sends for `image`: every block in address order, the first with DE AD
// in place of its checksum word, then the final packet with the real first block.
inline std::vector<std::string> ProgramPackets(const std::string& image) {
  std::vector<std::string> packets;
  for (std::uint32_t address = ImageStore::kStart; address < ImageStore::kEnd;
       address += ImageStore::kBlockSize) {
    std::string block = image.substr(address - ImageStore::kStart, ImageStore::kBlockSize);
    if (address == ImageStore::kStart) {
      block[0] = static_cast<char>(0xDE);
      block[1] = static_cast<char>(0xAD);
    }
    packets.push_back(PacketOf(block, address));
  }
  packets.push_back(PacketOf(image.substr(0, ImageStore::kBlockSize), 0x020800));
  return packets;
}

}  // namespace vlxsim::test
