#include "config/ConfigurationFile.h"

#include <algorithm>

#include "config/ConfigurationRanges.h"
#include "config/Crc32.h"
#include "config/FileReport.h"
#include "config/HexBytes.h"
#include "model/DeviceFacts.h"
#include "report/ConfigTextIds.h"
#include "report/FailureReport.h"
#include "report/Prompts.h"
#include "report/RevisionText.h"
#include "report/StatusSink.h"
#include "report/TextFormat.h"
#include "text/Ascii.h"

namespace vlx {
namespace {

constexpr std::string_view kDevice = "VLX";
constexpr std::string_view kCrcKeyword = "CRC32";
constexpr std::string_view kConfigurationKeyword = "MEM2";
constexpr std::string_view kSerialNumberName = "VLX Serial Number";
constexpr std::string_view kExtension = "VLXConfig";
constexpr std::size_t kBytesPerLine = 0x20;
// Lines quoted in messages are cut here: a box is no place for a whole stray file.
constexpr std::size_t kQuotedLineLimit = 100;
// A header value shown as a fact of the file: longer is not a value this program wrote.
constexpr std::size_t kFactLimit = 60;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsAsciiSpace(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsAsciiSpace(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// Each blank ends a field, so two blanks give an empty field; what follows the last blank is a
// field only when there is something.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (std::size_t blank = line.find(' '); blank != std::string_view::npos;
       blank = line.find(' ', start)) {
    fields.push_back(Trimmed(line.substr(start, blank - start)));
    start = blank + 1;
  }
  if (start < line.size()) {
    fields.push_back(Trimmed(line.substr(start)));
  }
  return fields;
}

bool AllHex(std::string_view text) {
  return std::all_of(text.begin(), text.end(), IsHexDigit);
}

std::uint8_t HexPair(std::string_view text, std::size_t at) {
  std::uint8_t value = 0;
  ParseHexByte(text[at], text[at + 1], value);  // callers have checked the digits
  return value;
}

// A configuration line: "MEM2 bank address count data". False when it is not well formed.
bool TakeConfigurationLine(std::string_view line, ConfigurationByteSink& sink) {
  const std::vector<std::string_view> fields = Fields(line);
  if (fields.size() < 5 || !EqualIgnoringCase(fields[0], kConfigurationKeyword)) {
    return false;
  }
  for (std::size_t i = 1; i <= 4; ++i) {
    if (!AllHex(fields[i]) || (i < 4 && fields[i].size() != 2)) {
      return false;
    }
  }
  const std::uint8_t bank = HexPair(fields[1], 0);
  const std::uint8_t address = HexPair(fields[2], 0);
  const std::uint8_t count = HexPair(fields[3], 0);
  if (fields[4].size() != 2u * count) {
    return false;
  }
  for (std::size_t i = 0; i < count; ++i) {
    sink.AddByte(bank, static_cast<std::uint8_t>(address + i), HexPair(fields[4], 2 * i));
  }
  return true;
}

// "CRC32 = 0x" and eight hexadecimal digits; later characters do not count.
bool ReadSeal(std::string_view line, std::uint32_t& seal) {
  const std::string_view rest = line.substr(kCrcKeyword.size());
  if (!StartsWith(rest, " = 0x") && !StartsWith(rest, " = 0X")) {
    return false;
  }
  const std::string_view digits = rest.substr(5);
  if (digits.size() < 8) {
    return false;
  }
  seal = 0;
  for (std::size_t i = 0; i < 8; i += 2) {
    std::uint8_t value = 0;
    if (ParseHexByte(digits[i], digits[i + 1], value) != err::kSuccess) {
      return false;
    }
    seal = seal << 8 | value;
  }
  return true;
}

// Like the C library's atoi, without its undefined overflow: the value wraps, and only its low
// 16 bits are compared anyway.
std::uint32_t DecimalValue(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsAsciiSpace(text[at])) {
    ++at;
  }
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  std::uint32_t value = 0;
  for (; at < text.size() && IsAsciiDigit(text[at]); ++at) {
    value = value * 10 + static_cast<std::uint32_t>(text[at] - '0');
  }
  return negative ? 0u - value : value;
}

}  // namespace

void RestorableBytes::AddByte(std::uint8_t bank, std::uint8_t address, std::uint8_t value) {
  if (IsRestorable(bank, address)) {
    bytes_[address] = value;
    present_.set(address);
  }
}

std::string ConfigurationFileText(const ConfigurationFileHeader& header,
                                  const ConfigurationImageSource& image) {
  const LocalTime& time = header.saveTime;
  std::vector<std::string> lines = {
      FormatText(ids::kConfigFileSavedOn,
                 {kDevice, time.year, time.month, time.day, time.hour, time.minute, time.second}),
      FormatText(ids::kConfigFileDoNotEdit),
      FormatText(ids::kConfigFileMakeChanges, {kDevice}),
      FormatText("%s = %s", {"VLX Utility Revision", header.programRevision}),
      FormatText("%s = %s", {"VLX Firmware Revision", RevisionText(header.firmwareRevision)}),
  };
  if (header.serialNumber != kUnknownSerialNumber) {
    lines.push_back(FormatText("%s = %05u", {kSerialNumberName, header.serialNumber}));
  }
  for (std::size_t row = 0; row < kConfigurationRanges.size(); ++row) {
    const EepromRange& range = kConfigurationRanges[row];
    for (std::size_t address = range.first; address <= range.last; address += kBytesPerLine) {
      const std::size_t count = std::min<std::size_t>(kBytesPerLine, range.last - address + 1);
      const std::uint8_t* bytes = image.GetImageBytes(row, static_cast<std::uint8_t>(address));
      lines.push_back(FormatText("%s %02X %02X %02X %s",
                                 {kConfigurationKeyword, range.bank, std::uint32_t(address),
                                  std::uint32_t(count), HexEncode(bytes, count)}));
    }
  }
  std::uint32_t crc = 0;
  std::string text;
  for (const std::string& line : lines) {
    crc = Crc32(line, crc);
    text += line + "\r\n";
  }
  text += FormatText("%s = 0x%08X", {kCrcKeyword, ~crc}) + "\r\n";
  return text;
}

std::string ConfigurationFileName(std::uint16_t serialNumber, const LocalTime& time) {
  const std::string stamp = FormatText(
      "%04u%02u%02uT%02u%02u%02u.%s",
      {time.year, time.month, time.day, time.hour, time.minute, time.second, kExtension});
  return serialNumber == kUnknownSerialNumber ? stamp
                                              : FormatText("SN%05u.%s", {serialNumber, stamp});
}

ErrorCode WriteConfigurationFile(FileStore& files, StatusSink& status, Prompts& prompts,
                                 const std::string& path, const ConfigurationFileHeader& header,
                                 const ConfigurationImageSource& image) {
  const FileOutcome outcome = files.ReplaceWholeFile(path, ConfigurationFileText(header, image));
  if (!outcome.Succeeded()) {
    ReportFileFailure(status, prompts, ids::kConfigFileWriteErrorCaption, outcome, path);
  }
  return outcome.code;
}

ConfigurationFileCheck CheckConfigurationText(std::string_view text, std::uint16_t serialNumber,
                                              ConfigurationByteSink& sink) {
  ConfigurationFileCheck check;
  auto fail = [&check](ErrorCode code, std::string message) {
    check.code = code;
    check.message = std::move(message);
    return check;
  };
  // Only a good CRC line after the last configuration line makes a file complete.
  bool incomplete = true;
  std::uint32_t crc = 0;
  std::string line;
  for (const char byte : text) {
    if (byte == '\r') {
      continue;  // dropped wherever it stands, so CR LF and LF alone read alike
    }
    if (byte != '\n') {
      line += byte;
      continue;
    }
    if (StartsWith(line, kCrcKeyword)) {
      std::uint32_t seal = 0;
      if (!ReadSeal(line, seal) || crc + seal != 0xFFFFFFFFu) {
        return fail(err::kCorruptConfigurationFile, FormatText(ids::kConfigFileAltered));
      }
      incomplete = false;
      line.clear();
      continue;
    }
    crc = Crc32(line, crc);
    if (StartsWith(line, kConfigurationKeyword)) {
      if (!TakeConfigurationLine(line, sink)) {
        return fail(err::kCorruptConfigurationFile,
                    FormatText(ids::kUnableToParseLine, {PrintableText(line, kQuotedLineLimit)}));
      }
      incomplete = true;
    } else {
      check.otherLines.push_back(line);
      if (StartsWith(line, kSerialNumberName)) {
        const std::string_view rest = std::string_view(line).substr(kSerialNumberName.size());
        if (!StartsWith(rest, " = ")) {
          return fail(err::kCorruptConfigurationFile,
                      FormatText(ids::kUnableToParseSerialNumber,
                                 {kSerialNumberName, PrintableText(line, kQuotedLineLimit)}));
        }
        if (serialNumber != kUnknownSerialNumber &&
            static_cast<std::uint16_t>(DecimalValue(rest.substr(3))) != serialNumber) {
          check.serialNumberDiffers = true;
        }
      }
    }
    line.clear();
  }
  // An unfinished last line is dropped: a CRC line without its line end does not seal the file.
  if (incomplete) {
    return fail(err::kIncompleteConfigurationFile, FormatText(ids::kConfigFileIncomplete));
  }
  return check;
}

ConfigurationFileCheck ReadConfigurationFile(FileStore& files, StatusSink& status, Prompts& prompts,
                                             const std::string& path, std::uint16_t serialNumber,
                                             ConfigurationByteSink& sink) {
  std::string text;
  const FileOutcome read = files.ReadWholeFile(path, FileStore::kDefaultReadCap, text);
  if (!read.Succeeded()) {
    ReportFileFailure(status, prompts, ids::kConfigFileReadErrorCaption, read, path);
    ConfigurationFileCheck check;
    check.code = read.code;
    return check;
  }
  ConfigurationFileCheck check = CheckConfigurationText(text, serialNumber, sink);
  if (!check.message.empty()) {
    status.StatusText(check.message);
    ShowMessageBox(prompts, check.message, ids::kRestoreErrorCaption, mb::kIconError);
  }
  return check;
}

ConfigurationFileFacts FactsOf(const ConfigurationFileCheck& check) {
  // The saved-on line is ids::kConfigFileSavedOn up to its date.
  const std::string savedOnPrefix = FormatText("*%s Configuration saved on ", {kDevice});
  const std::string serialPrefix = std::string(kSerialNumberName) + " = ";
  const auto value = [&check](std::string_view prefix) {
    for (const std::string& line : check.otherLines) {
      if (StartsWith(line, prefix)) {
        return PrintableText(std::string_view(line).substr(prefix.size()), kFactLimit);
      }
    }
    return FormatText(ids::kNotRecorded);
  };
  return {value(serialPrefix), value(savedOnPrefix)};
}

std::string PrintableText(std::string_view text, std::size_t limit) {
  std::string shown;
  for (const char byte : text.substr(0, limit)) {
    const auto value = static_cast<unsigned char>(byte);
    if (value >= 0x20 && value <= 0x7E) {
      shown += byte;
    } else {
      shown += "\\x" + HexEncode(&value, 1);
    }
  }
  if (text.size() > limit) {
    shown += "...";
  }
  return shown;
}

}  // namespace vlx
