#include "ftp/FtpListing.h"

#include <algorithm>
#include <array>

#include "text/Ascii.h"

namespace vlx {
namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsAsciiDigit);
}

// Digits only, and small enough for 64 bits; a size beyond that is as good as none.
std::optional<std::uint64_t> SizeOf(std::string_view digits) {
  if (!AllDigits(digits)) {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  for (char c : digits) {
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (UINT64_MAX - digit) / 10) {
      return std::nullopt;
    }
    value = value * 10 + digit;
  }
  return value;
}

bool IsSelfOrParent(std::string_view name) {
  return name == "." || name == "..";
}

// A field of a line and where it ends.
struct Field {
  std::string_view text;
  std::size_t end;
};

std::vector<Field> FieldsOf(std::string_view line, std::size_t most) {
  std::vector<Field> fields;
  std::size_t at = 0;
  while (fields.size() < most) {
    while (at < line.size() && IsBlank(line[at])) {
      ++at;
    }
    if (at == line.size()) {
      break;
    }
    const std::size_t start = at;
    while (at < line.size() && !IsBlank(line[at])) {
      ++at;
    }
    fields.push_back({line.substr(start, at - start), at});
  }
  return fields;
}

bool IsMonth(std::string_view text) {
  static constexpr std::array<std::string_view, 12> kMonths = {
      "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
  return std::any_of(kMonths.begin(), kMonths.end(),
                     [text](std::string_view month) { return EqualIgnoringCase(text, month); });
}

bool IsTimeOrYear(std::string_view text) {
  if (text.size() == 4) {
    return AllDigits(text);
  }
  const std::size_t colon = text.find(':');
  return colon != std::string_view::npos && AllDigits(text.substr(0, colon)) &&
         AllDigits(text.substr(colon + 1));
}

// "type=file;size=6;modify=20260101000000; NAME": the facts end at the first blank.
std::optional<FtpEntry> ParseMlsd(std::string_view line) {
  const std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos) {
    return std::nullopt;
  }
  FtpEntry entry;
  entry.name = std::string(line.substr(blank + 1));
  std::string_view facts = line.substr(0, blank);
  bool typed = false;
  while (!facts.empty()) {
    const std::size_t semicolon = facts.find(';');
    const std::string_view fact = facts.substr(0, semicolon);
    facts = semicolon == std::string_view::npos ? std::string_view() : facts.substr(semicolon + 1);
    const std::size_t equals = fact.find('=');
    if (equals == std::string_view::npos) {
      continue;
    }
    const std::string_view key = fact.substr(0, equals);
    const std::string_view value = fact.substr(equals + 1);
    if (EqualIgnoringCase(key, "type")) {
      if (EqualIgnoringCase(value, "cdir") || EqualIgnoringCase(value, "pdir")) {
        return std::nullopt;
      }
      entry.isDirectory = EqualIgnoringCase(value, "dir");
      typed = true;
    } else if (EqualIgnoringCase(key, "size")) {
      entry.size = SizeOf(value);
    }
  }
  if (!typed || IsSelfOrParent(entry.name)) {
    return std::nullopt;
  }
  if (entry.isDirectory) {
    entry.size.reset();  // a folder's size says nothing about what it holds
  }
  return entry;
}

// "drwxr-xr-x 2 owner group 4096 Jan 01 12:00 NAME", the group sometimes left out: the size is
// the number before the month, and the name begins one blank after the time or year.
std::optional<FtpEntry> ParseUnixList(std::string_view line) {
  const std::vector<Field> fields = FieldsOf(line, 9);
  if (fields.size() < 7 || fields[0].text.size() < 10 ||
      std::string_view("-dlbcps").find(fields[0].text[0]) == std::string_view::npos) {
    return std::nullopt;
  }
  for (std::size_t month = 3; month + 2 < fields.size(); ++month) {
    if (!IsMonth(fields[month].text) || !AllDigits(fields[month - 1].text) ||
        !AllDigits(fields[month + 1].text) || !IsTimeOrYear(fields[month + 2].text)) {
      continue;
    }
    const std::size_t nameStart = fields[month + 2].end + 1;
    if (nameStart >= line.size()) {
      return std::nullopt;
    }
    FtpEntry entry;
    entry.name = std::string(line.substr(nameStart));
    const char type = fields[0].text[0];
    entry.isDirectory = type == 'd';
    if (type == 'l') {
      // A link lists its target after " -> "; what it points at is not known, nor its size.
      if (const std::size_t arrow = entry.name.find(" -> "); arrow != std::string::npos) {
        entry.name.erase(arrow);
      }
    } else if (!entry.isDirectory) {
      entry.size = SizeOf(fields[month - 1].text);
    }
    if (IsSelfOrParent(entry.name)) {
      return std::nullopt;
    }
    return entry;
  }
  return std::nullopt;
}

bool IsDosDate(std::string_view text) {
  // 01-31-26 or 01-31-2026
  return (text.size() == 8 || text.size() == 10) && text[2] == '-' && text[5] == '-' &&
         AllDigits(text.substr(0, 2)) && AllDigits(text.substr(3, 2)) && AllDigits(text.substr(6));
}

bool IsDosTime(std::string_view text) {
  // 12:00PM, 12:00 or 12:00AM
  if (text.size() == 7 &&
      (EqualIgnoringCase(text.substr(5), "AM") || EqualIgnoringCase(text.substr(5), "PM"))) {
    text = text.substr(0, 5);
  }
  return text.size() == 5 && text[2] == ':' && AllDigits(text.substr(0, 2)) &&
         AllDigits(text.substr(3));
}

// "01-31-26  12:00PM       <DIR>          NAME" or "01-31-26  12:00PM    1234 NAME".
std::optional<FtpEntry> ParseDosList(std::string_view line) {
  const std::vector<Field> fields = FieldsOf(line, 3);
  if (fields.size() < 3 || !IsDosDate(fields[0].text) || !IsDosTime(fields[1].text)) {
    return std::nullopt;
  }
  FtpEntry entry;
  if (fields[2].text == "<DIR>") {
    entry.isDirectory = true;
  } else if (AllDigits(fields[2].text)) {
    entry.size = SizeOf(fields[2].text);
  } else {
    return std::nullopt;
  }
  std::size_t nameStart = fields[2].end;
  while (nameStart < line.size() && IsBlank(line[nameStart])) {
    ++nameStart;
  }
  if (nameStart == line.size()) {
    return std::nullopt;
  }
  entry.name = std::string(line.substr(nameStart));
  if (IsSelfOrParent(entry.name)) {
    return std::nullopt;
  }
  return entry;
}

}  // namespace

std::optional<FtpEntry> ParseListingLine(std::string_view line, ListingFormat format) {
  if (format == ListingFormat::kMlsd) {
    return ParseMlsd(line);
  }
  if (std::optional<FtpEntry> entry = ParseUnixList(line)) {
    return entry;
  }
  return ParseDosList(line);
}

ErrorCode ListingReader::Feed(std::string_view bytes, std::vector<FtpEntry>& entries) {
  if (refused_) {
    return err::kInvalidData;
  }
  bytes_ += bytes.size();
  if (bytes_ > limits_.maxBytes) {
    refused_ = true;
    return err::kInvalidData;
  }
  while (!bytes.empty()) {
    const std::size_t lineEnd = bytes.find('\n');
    if (lineEnd == std::string_view::npos) {
      partial_ += bytes;
      break;
    }
    std::string_view line = bytes.substr(0, lineEnd);
    bytes.remove_prefix(lineEnd + 1);
    if (!partial_.empty()) {
      partial_ += line;
      line = partial_;
    }
    const ErrorCode code = TakeLine(line, entries);
    partial_.clear();
    if (code != err::kSuccess) {
      return code;
    }
  }
  return err::kSuccess;
}

ErrorCode ListingReader::Finish(std::vector<FtpEntry>& entries) {
  if (refused_) {
    return err::kInvalidData;
  }
  const std::string last = std::move(partial_);
  partial_.clear();
  return last.empty() ? err::kSuccess : TakeLine(last, entries);
}

ErrorCode ListingReader::TakeLine(std::string_view line, std::vector<FtpEntry>& entries) {
  if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  std::optional<FtpEntry> entry = ParseListingLine(line, format_);
  if (!entry) {
    return err::kSuccess;
  }
  if (++count_ > limits_.maxEntries) {
    refused_ = true;
    return err::kInvalidData;
  }
  entries.push_back(std::move(*entry));
  return err::kSuccess;
}

}  // namespace vlx
