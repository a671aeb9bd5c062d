#include "EepromCommands.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace vlxsim {

namespace {

constexpr std::size_t kFrameSize = 12;  // prefix, three fields, checksum, ";"
constexpr std::size_t kMaxBlock = 64;
constexpr std::size_t kWritableBank = 0;
constexpr std::size_t kLastWritable = 0xEF;

std::optional<std::uint8_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return static_cast<std::uint8_t>(c - '0');
  }
  if (c >= 'A' && c <= 'F') {
    return static_cast<std::uint8_t>(c - 'A' + 10);
  }
  if (c >= 'a' && c <= 'f') {
    return static_cast<std::uint8_t>(c - 'a' + 10);
  }
  return std::nullopt;
}

// The bytes of the hexadecimal pairs between the prefix and the ";", or nothing when one is not.
std::optional<std::vector<std::uint8_t>> Pairs(std::string_view command) {
  const std::string_view digits = command.substr(3, command.size() - 4);
  if (digits.size() % 2 != 0) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const auto high = HexDigit(digits[i]);
    const auto low = HexDigit(digits[i + 1]);
    if (!high || !low) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<std::uint8_t>(*high << 4 | *low));
  }
  return bytes;
}

std::uint8_t Sum(const std::vector<std::uint8_t>& bytes) {
  std::uint32_t sum = 0;
  for (const std::uint8_t byte : bytes) {
    sum += byte;
  }
  return static_cast<std::uint8_t>(sum);
}

std::string Hex(std::uint32_t byte) {
  std::array<char, 3> text{};
  std::snprintf(text.data(), text.size(), "%02X", byte & 0xFF);
  return text.data();
}

// Bank, address and count of a block that lies within one bank, its checksum good.
struct Block {
  std::uint8_t bank;
  std::uint8_t address;
  std::uint8_t count;
};

std::optional<Block> BlockOf(const std::vector<std::uint8_t>& fields) {
  if (fields.size() < 4 || Sum(fields) != 0) {
    return std::nullopt;
  }
  const Block block{fields[0], fields[1], fields[2]};
  if (block.bank >= EepromStore::kBanks || block.count == 0 || block.count > kMaxBlock ||
      std::size_t{block.address} + block.count > EepromStore::kBankSize) {
    return std::nullopt;
  }
  return block;
}

std::string Echo(std::string_view prefix, const Block& block) {
  return std::string(prefix) + Hex(block.bank) + Hex(block.address) + Hex(block.count);
}

}  // namespace

std::optional<std::string> AnswerEepromRead(const EepromStore& eeprom, std::string_view command) {
  if (command.size() != kFrameSize) {
    return std::nullopt;
  }
  const auto fields = Pairs(command);
  const auto block = fields ? BlockOf(*fields) : std::nullopt;
  if (!block) {
    return std::nullopt;
  }
  std::string reply = Echo("^ER", *block);
  std::uint32_t sum = block->bank + block->address + block->count;
  for (const char c : eeprom.Read(block->bank, block->address, block->count)) {
    const auto byte = static_cast<std::uint8_t>(c);
    reply += Hex(byte);
    sum += byte;
  }
  return reply + Hex(0x100 - sum % 0x100) + ";";
}

std::optional<std::string> AnswerEepromWrite(EepromStore& eeprom, std::string_view command) {
  const auto fields = command.size() >= kFrameSize ? Pairs(command) : std::nullopt;
  // Bank, address, count, the data, the checksum.
  if (!fields || fields->size() != 4u + (*fields)[2]) {
    return std::nullopt;
  }
  const auto block = BlockOf(*fields);
  if (!block) {
    return std::nullopt;
  }
  if (block->bank != kWritableBank || block->address + block->count - 1u > kLastWritable) {
    eeprom.RecordRefusal({block->bank, block->address, block->count});
    return std::nullopt;
  }
  const std::string data(fields->begin() + 3, fields->end() - 1);
  eeprom.Write(block->bank, block->address, data);
  return Echo("^EW", *block) + Hex(0x100 - (block->bank + block->address + block->count) % 0x100) +
         ";";
}

}  // namespace vlxsim
