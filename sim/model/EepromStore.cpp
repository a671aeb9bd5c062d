#include "EepromStore.h"

#include <algorithm>

namespace vlxsim {

namespace {

constexpr char kErased = static_cast<char>(0xFF);

// Fault codes and bands as the firmware files them in byte 3 of a record.
constexpr std::uint8_t kPowerOn = 0x0;
constexpr std::uint8_t kPowerLost = 0x1;
constexpr std::array<std::uint8_t, 10> kFaultCodes = {0x2, 0x4, 0x6, 0x7, 0x8,
                                                      0x9, 0xB, 0xC, 0xD, 0xF};
constexpr std::uint8_t kBands = 11;  // band indexes 1..11

// A small generator, so that every unit's contents follow from its serial number alone.
class Dice {
 public:
  explicit Dice(std::uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
  std::uint32_t Next(std::uint32_t below) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_ % below;
  }

 private:
  std::uint32_t state_;
};

class Filler {
 public:
  explicit Filler(std::string& memory) : memory_(memory) {}
  void Byte(std::size_t offset, std::uint32_t value) {
    memory_[offset] = static_cast<char>(value & 0xFF);
  }
  void Word(std::size_t offset, std::uint32_t value) {  // little-endian, as the firmware keeps it
    Byte(offset, value);
    Byte(offset + 1, value >> 8);
  }

 private:
  std::string& memory_;
};

std::uint32_t SelectorOf(std::uint32_t rate) {
  const auto found = std::find(kRateBySelector.begin(), kRateBySelector.end(), rate);
  return found == kRateBySelector.end()
             ? 3
             : static_cast<std::uint32_t>(found - kRateBySelector.begin());
}

void FillSettings(Filler& put, Dice& dice, std::uint32_t rate) {
  put.Byte(0x00, 0x03);                    // layout version of the settings
  put.Byte(0x01, 1 + dice.Next(kBands));   // band at power-on
  put.Byte(0x02, dice.Next(2));            // antenna 1 or 2
  put.Byte(0x03, 0x00);                    // comes on in standby
  put.Byte(0x04, 0x01 + dice.Next(3));     // fan mode
  put.Word(0x05, 700 + dice.Next(100));    // ALC threshold
  put.Byte(0x07, 0x40 + dice.Next(0x40));  // display brightness
  put.Byte(0x08, 10 + dice.Next(20));      // key-line delay, ms
  put.Byte(0x09, 0x00);
  put.Word(0x0A, 0x0000);
  put.Word(0x0C, 0x2710);  // tune timeout, ms
  put.Byte(0x0E, 0x00);
  put.Byte(EepromStore::kRateAddress, SelectorOf(rate));
  // Per band: drive limit, power calibration (word) and the SWR trip, four bytes each.
  for (std::uint32_t band = 0; band < kBands; ++band) {
    const std::size_t at = 0x10 + band * 4;
    put.Byte(at, 0x50 + dice.Next(0x30));
    put.Word(at + 1, 0x0300 + dice.Next(0x100));
    put.Byte(at + 3, 0x1E + dice.Next(6));
  }
  // Limits: PA current, temperatures, 60 V window.
  put.Word(0x3C, 0x00F0);
  put.Byte(0x3E, 75);
  put.Byte(0x3F, 85);
  put.Word(0x40, 630);
  put.Word(0x42, 540);
  put.Word(0x44, 0x0300 + dice.Next(0x40));  // forward power meter scale
  put.Word(0x46, 0x0100 + dice.Next(0x40));  // reflected power meter scale
  // 0x48..0x4F stay erased: room the layout keeps free.
  // The banner and its terminating 0; 0x57 stays erased.
  const std::string_view banner = "VLX750";
  for (std::size_t i = 0; i < banner.size(); ++i) {
    put.Byte(EepromStore::kBannerAddress + i, static_cast<unsigned char>(banner[i]));
  }
  put.Byte(EepromStore::kBannerAddress + banner.size(), 0);
  // Per band gain trims and temperature compensation.
  for (std::uint32_t band = 0; band < kBands; ++band) {
    put.Byte(0x60 + band, 0x80 + dice.Next(0x20) - 0x10);
    put.Byte(0x70 + band, 0x08 + dice.Next(8));
  }
  // Memories: 16 frequencies in kHz, a word each; the last ones unused.
  for (std::uint32_t memory = 0; memory < 12; ++memory) {
    put.Word(0x80 + memory * 2, 1800 + dice.Next(50000));
  }
  // The user's macros for the front-panel keys: band, power, operate, seven of them.
  for (std::uint32_t macro = 0; macro < 7; ++macro) {
    const std::size_t at = 0xA0 + macro * 4;
    put.Byte(at, 1 + dice.Next(kBands));
    put.Byte(at + 1, 20 + dice.Next(80));
    put.Byte(at + 2, dice.Next(2));
    put.Byte(at + 3, 0x00);
  }
  // 0xBC..0xDF stay erased.
}

void FillUnitData(Filler& put, Dice& dice, std::uint16_t serialNumber) {
  const std::size_t at = EepromStore::kUnitDataAddress;
  put.Word(at, serialNumber);
  put.Byte(at + 2, 0x04);                      // board revision
  put.Byte(at + 3, 19 + serialNumber / 4000);  // year of manufacture - 2000
  put.Byte(at + 4, 1 + dice.Next(12));
  put.Byte(at + 5, 1 + dice.Next(28));
  put.Word(at + 6, 0x01F4 + dice.Next(0x40));   // bias calibration
  put.Word(at + 8, 0x0BB8 + dice.Next(0x80));   // 60 V calibration
  put.Word(at + 10, 0x1070 + dice.Next(0x80));  // 270 V calibration
  put.Byte(at + 12, 0x5A);                      // factory test passed
  // 0xED..0xEF stay erased.
}

// The ring has wrapped: its oldest record is the one at the next index, and the time stamps rise
// from there round to the newest. The amplifier logs power-on, the faults of a session and a lost
// supply; a few records were never completed and read as erased.
void FillRing(Filler& put, Dice& dice, std::uint16_t serialNumber) {
  const std::uint32_t next = (serialNumber * 37u + 11u) % EepromStore::kRecords;
  put.Byte(EepromStore::kNextIndexAddress, next);
  std::uint32_t time = 1000 + dice.Next(5000);
  std::uint32_t band = 1 + dice.Next(kBands);
  bool poweredOn = false;
  for (std::uint32_t k = 0; k < EepromStore::kRecords; ++k) {
    const std::size_t at =
        EepromStore::kRingOffset + ((next + k) % EepromStore::kRecords) * EepromStore::kRecordSize;
    time = (time + 1 + dice.Next(4000)) & 0xFFFFFF;
    if ((k + serialNumber) % 43 == 0) {
      continue;  // left erased
    }
    std::uint32_t code = 0;
    std::uint32_t data = 0;
    if (!poweredOn) {
      code = kPowerOn;
      data = 0x0250 + dice.Next(0x20);  // 60 V supply at power-on, in tenths of a volt
      poweredOn = true;
    } else if (dice.Next(3) == 0) {
      code = kPowerLost;
      data = 0;
      poweredOn = false;
    } else {
      code = kFaultCodes[dice.Next(kFaultCodes.size())];
      if (dice.Next(2) == 0) {
        band = 1 + dice.Next(kBands);
      }
      data = 0x0100 + dice.Next(0x0F00);
    }
    put.Word(at, time & 0xFFFF);
    put.Byte(at + 2, time >> 16);
    put.Byte(at + 3, (code == kPowerLost ? 0u : band << 4) | code);
    put.Word(at + 4, data);
  }
}

}  // namespace

EepromStore EepromStore::Factory(std::uint16_t serialNumber, std::uint32_t rate) {
  std::string memory(kSize, kErased);
  Filler put(memory);
  Dice dice(serialNumber);
  FillSettings(put, dice, rate);
  FillUnitData(put, dice, serialNumber);
  FillRing(put, dice, serialNumber);
  return EepromStore(memory);
}

EepromStore::EepromStore(std::string_view bytes) : memory_(bytes) {
  memory_.resize(kSize, kErased);
}

std::uint8_t EepromStore::At(std::size_t bank, std::size_t address) const {
  return static_cast<std::uint8_t>(memory_[bank * kBankSize + address]);
}

std::string EepromStore::Read(std::size_t bank, std::size_t address, std::size_t count) const {
  return memory_.substr(bank * kBankSize + address, count);
}

// Overwrites in place: the memory never changes size, and a write running past its end is cut
// there.
void EepromStore::Write(std::size_t bank, std::size_t address, std::string_view bytes) {
  const std::size_t at = std::min(bank * kBankSize + address, memory_.size());
  const std::size_t count = std::min(bytes.size(), memory_.size() - at);
  std::copy_n(bytes.begin(), count, memory_.begin() + static_cast<std::ptrdiff_t>(at));
}

std::uint32_t EepromStore::SettingsRate() const {
  const std::uint8_t selector = At(0, kRateAddress);
  return selector < kRateBySelector.size() ? kRateBySelector[selector] : kRateBySelector.back();
}

void EepromStore::FileFault(std::uint32_t timeStamp, std::uint8_t bandAndCode, std::uint16_t data) {
  const std::size_t index = At(0, kNextIndexAddress) % kRecords;
  std::string record(kRecordSize, kErased);
  Filler put(record);
  put.Word(0, timeStamp & 0xFFFF);
  put.Byte(2, timeStamp >> 16);
  put.Byte(3, bandAndCode);
  put.Word(4, data);
  Write(0, kRingOffset + index * kRecordSize, record);
  Write(0, kNextIndexAddress, std::string(1, static_cast<char>((index + 1) % kRecords)));
}

std::uint32_t EepromStore::NewestTimeStamp() const {
  const std::size_t index = (At(0, kNextIndexAddress) % kRecords + kRecords - 1) % kRecords;
  const std::string record = memory_.substr(kRingOffset + index * kRecordSize, kRecordSize);
  if (record == std::string(kRecordSize, kErased)) {
    return 0;
  }
  const auto byte = [&record](std::size_t i) { return static_cast<std::uint8_t>(record[i]); };
  return byte(0) | byte(1) << 8 | static_cast<std::uint32_t>(byte(2)) << 16;
}

}  // namespace vlxsim
