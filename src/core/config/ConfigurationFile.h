#pragma once
// The sealed configuration file: the text a save writes and the checks a restore makes first.
// The seal is a CRC-32 over every line above the CRC line, so an edit of the content is found while
// blank lines and line ends may change.

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/Clock.h"
#include "model/FileStore.h"
#include "report/ErrorCode.h"

namespace vlx {

class Prompts;
class StatusSink;

// The save machine's image, asked for the bytes of each file line.
class ConfigurationImageSource {
 public:
  virtual ~ConfigurationImageSource() = default;
  // The bytes of row rangeIndex of kConfigurationRanges, from `address` to the row's end.
  virtual const std::uint8_t* GetImageBytes(std::size_t rangeIndex, std::uint8_t address) const = 0;
};

// Whoever takes the configuration bytes of a file: the restore machine, or a viewer.
class ConfigurationByteSink {
 public:
  virtual ~ConfigurationByteSink() = default;
  virtual void AddByte(std::uint8_t bank, std::uint8_t address, std::uint8_t value) = 0;
};

// The bytes of a file a restore would write: those inside kRestorableRanges, the last one of an
// address winning. Every other byte is dropped.
class RestorableBytes final : public ConfigurationByteSink {
 public:
  void AddByte(std::uint8_t bank, std::uint8_t address, std::uint8_t value) override;
  bool Has(std::uint8_t address) const { return present_.test(address); }
  std::uint8_t At(std::uint8_t address) const { return bytes_[address]; }
  std::size_t Count() const { return present_.count(); }

 private:
  std::uint8_t bytes_[256] = {};
  std::bitset<256> present_;
};

struct ConfigurationFileHeader {
  LocalTime saveTime;
  std::string programRevision;  // "Velqorin VLX Utility Revision 1.0.0.0"
  std::uint16_t firmwareRevision = 0;
  std::uint16_t serialNumber = 0xFFFF;  // 0xFFFF: unknown, no serial-number line
};

// The whole file, CR LF after every line.
std::string ConfigurationFileText(const ConfigurationFileHeader& header,
                                  const ConfigurationImageSource& image);
// "SN01234.20240102T030405.VLXConfig", or without the "SN....." part for an unknown serial number.
std::string ConfigurationFileName(std::uint16_t serialNumber, const LocalTime& saveTime);

// Writes the file in place of any file of that name; a failure is reported under
// ids::kConfigFileWriteErrorCaption, returns its code and leaves the old file unchanged.
ErrorCode WriteConfigurationFile(FileStore& files, StatusSink& status, Prompts& prompts,
                                 const std::string& path, const ConfigurationFileHeader& header,
                                 const ConfigurationImageSource& image);

struct ConfigurationFileCheck {
  // 0: sealed and complete; 0xE2000030 incomplete; 0xE2000031 altered or unreadable line; or the
  // system's code when the file could not be read.
  ErrorCode code = err::kSuccess;
  // The message that told the user why (empty for 0 and for a file that could not be read).
  std::string message;
  // A serial-number line named another unit than the one given.
  bool serialNumberDiffers = false;
  // The lines that are neither configuration nor CRC lines, as read (the comments, the
  // revisions, the serial number), up to where reading stopped.
  std::vector<std::string> otherLines;
};

// Checks the text of a file line by line and hands the bytes of its configuration lines to
// `sink` as it goes; reading stops at the first bad line. serialNumber 0xFFFF skips the
// serial-number comparison.
ConfigurationFileCheck CheckConfigurationText(std::string_view text, std::uint16_t serialNumber,
                                              ConfigurationByteSink& sink);

// Reads the file (up to FileStore::kDefaultReadCap) and checks it. A file that cannot be read is
// reported under ids::kConfigFileReadErrorCaption; a check's message goes to the status line,
// then into a box under ids::kRestoreErrorCaption.
ConfigurationFileCheck ReadConfigurationFile(FileStore& files, StatusSink& status, Prompts& prompts,
                                             const std::string& path, std::uint16_t serialNumber,
                                             ConfigurationByteSink& sink);

// What a checked file records of itself, shown before a restore so the user (and a log) can tell
// which configuration goes in: each value as printable text, or "not recorded" where the file has
// no such line.
struct ConfigurationFileFacts {
  std::string serialNumber;  // "01234"
  std::string savedOn;       // "2024-01-02 at 03:04:05"
};
ConfigurationFileFacts FactsOf(const ConfigurationFileCheck& check);

// A line shown inside a message: bytes outside 0x20-0x7E as \xHH, and at most `limit` bytes of
// the line ("..." marks a cut).
std::string PrintableText(std::string_view text, std::size_t limit = std::string_view::npos);

}  // namespace vlx
