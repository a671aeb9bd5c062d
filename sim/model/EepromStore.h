#pragma once
// The amplifier's EEPROM: four banks of 256 bytes (settings, banner, unit data, fault ring) that
// survive resets and power cycles. It also records the writes the firmware refused, so a test can
// show that the program never tried to write where it must not.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vlxsim {

class EepromStore {
 public:
  static constexpr std::size_t kBankSize = 256;
  static constexpr std::size_t kBanks = 4;
  static constexpr std::size_t kSize = kBankSize * kBanks;

  // Where the firmware keeps what it needs of its own settings (bank 0).
  static constexpr std::uint8_t kRateAddress = 0x0F;  // 0..3: 4800, 9600, 19200, 38400 bit/s
  static constexpr std::uint8_t kBannerAddress = 0x50;
  static constexpr std::uint8_t kUnitDataAddress = 0xE0;  // 0xE0..0xEF, written at the factory
  static constexpr std::uint8_t kNextIndexAddress = 0xFE;
  // The fault ring fills banks 1 to 3: 128 records of 6 bytes from bank 1 address 0.
  static constexpr std::size_t kRingOffset = kBankSize;
  static constexpr std::size_t kRecordSize = 6;
  static constexpr std::size_t kRecords = 128;

  // A write the firmware turned down because it reached outside bank 0 0x00..0xEF.
  struct RefusedWrite {
    std::uint8_t bank;
    std::uint8_t address;
    std::uint8_t count;
    bool operator==(const RefusedWrite&) const = default;
  };

  // The contents a unit with this serial number leaves the factory with and has after some
  // service: its settings, the banner "VLX750", its unit data and a ring that has wrapped.
  // `rate` is the line rate its settings hold.
  static EepromStore Factory(std::uint16_t serialNumber, std::uint32_t rate);
  // Exactly kSize bytes, banks 0 to 3 in order (as Dump gives them).
  explicit EepromStore(std::string_view bytes);

  std::uint8_t At(std::size_t bank, std::size_t address) const;
  // `count` bytes from `address` of `bank`; the caller keeps within the bank.
  std::string Read(std::size_t bank, std::size_t address, std::size_t count) const;
  void Write(std::size_t bank, std::size_t address, std::string_view bytes);
  // All four banks, bank 0 first.
  const std::string& Dump() const { return memory_; }

  // The rate the settings hold; 38400 when the byte holds no rate.
  std::uint32_t SettingsRate() const;

  // Files a fault record at the ring's next index and moves the index on, as the firmware does
  // when it trips. A next index outside the ring (a damaged byte) is taken modulo its size.
  void FileFault(std::uint32_t timeStamp, std::uint8_t bandAndCode, std::uint16_t data);
  // The time stamp of the newest record (the one before the next index); 0 when it is erased.
  std::uint32_t NewestTimeStamp() const;

  void RecordRefusal(RefusedWrite write) { refused_.push_back(write); }
  const std::vector<RefusedWrite>& RefusedWrites() const { return refused_; }

 private:
  std::string memory_;
  std::vector<RefusedWrite> refused_;
};

// The rate selector "^brpN;" and the settings use: 0..3 for 4800..38400 bit/s.
inline constexpr std::array<std::uint32_t, 4> kRateBySelector = {4800, 9600, 19200, 38400};

}  // namespace vlxsim
