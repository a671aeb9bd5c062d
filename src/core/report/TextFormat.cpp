#include "report/TextFormat.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "report/StringTable.h"
#include "text/Ascii.h"

// The rules follow the Windows wsprintf family, which the program's texts were written for:
// - flags "-", "0", "#" ("+" and " " are accepted too and act as in printf); width; precision;
//   the length prefixes "l", "h" and "ll" change nothing, because arguments carry their type;
// - "%0.1u" is "%u" with at least one digit: precision is the least number of digits, and a
//   precision of 0 prints nothing for the value 0;
// - "0" pads strings and characters with zeros as well, as Windows does ("%04s");
// - a value that fits 32 bits is read as 32 bits, so %d of 0xFFFFFFFF prints -1 and %u or %x of
//   -1 print 4294967295 or ffffffff; wider values print whole;
// - an argument that is missing or of the wrong kind counts as the empty text for %s and as 0
//   for the numeric conversions (%c of 0 prints no character); widths still apply, so columns
//   of a line stay aligned;
// - an unknown conversion, or a "%" that the format ends in the middle of, is copied literally;
// - a width or precision counts up to kMaxFieldWidth; a precision never cuts a string inside a
//   UTF-8 sequence.

namespace vlx {
namespace {

struct Directive {
  bool leftAlign = false;
  bool zeroPad = false;
  bool alternate = false;
  bool plusSign = false;
  bool spaceSign = false;
  std::size_t width = 0;
  std::optional<std::size_t> precision;
  char conversion = '\0';
};

// An integer as sign and magnitude, so 32-bit and 64-bit values share one printer.
struct Integer {
  bool negative = false;
  std::uint64_t magnitude = 0;
};

class LineBuilder {
 public:
  void Put(std::string_view text) { line_.append(text); }

  void Fill(char c, std::size_t count) { line_.append(count, c); }

  // The text padded to the directive's width.
  void PutPadded(const Directive& d, std::string_view text) {
    const std::size_t pad = d.width > text.size() ? d.width - text.size() : 0;
    if (d.leftAlign) {
      Put(text);
      Fill(' ', pad);
    } else {
      Fill(d.zeroPad ? '0' : ' ', pad);
      Put(text);
    }
  }

  std::string Take() && { return std::move(line_); }

  // The longest length up to limit that does not end inside a UTF-8 sequence. Only a real
  // sequence (continuation bytes after a lead byte) moves the cut; other bytes are cut as they
  // fall.
  static std::size_t Utf8Boundary(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
      return text.size();
    }
    const auto isContinuation = [&](std::size_t i) {
      return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    };
    // text[limit] is the first byte cut off; a sequence is at most four bytes long.
    std::size_t at = limit;
    while (at > 0 && limit - at < 3 && isContinuation(at)) {
      --at;
    }
    const bool leadByte = static_cast<unsigned char>(text[at]) >= 0xC0;
    return at < limit && leadByte ? at : limit;
  }

 private:
  std::string line_;
};

std::size_t ReadNumber(std::string_view format, std::size_t& pos) {
  std::size_t value = 0;
  while (pos < format.size() && IsAsciiDigit(format[pos])) {
    value = std::min(value * 10 + static_cast<std::size_t>(format[pos] - '0'), kMaxFieldWidth);
    ++pos;
  }
  return value;
}

// Reads the directive that starts after a "%"; pos ends after its conversion character.
// Returns false when the format ends before one.
bool ParseDirective(std::string_view format, std::size_t& pos, Directive& d) {
  for (; pos < format.size(); ++pos) {
    const char c = format[pos];
    if (c == '-') {
      d.leftAlign = true;
    } else if (c == '0') {
      d.zeroPad = true;
    } else if (c == '#') {
      d.alternate = true;
    } else if (c == '+') {
      d.plusSign = true;
    } else if (c == ' ') {
      d.spaceSign = true;
    } else {
      break;
    }
  }
  d.width = ReadNumber(format, pos);
  if (pos < format.size() && format[pos] == '.') {
    ++pos;
    d.precision = ReadNumber(format, pos);
  }
  while (pos < format.size() && (format[pos] == 'l' || format[pos] == 'h')) {
    ++pos;
  }
  if (pos >= format.size()) {
    return false;
  }
  d.conversion = format[pos++];
  return true;
}

std::string_view TextOf(const FormatArg* arg) {
  if (arg == nullptr) {
    return {};
  }
  const auto* text = std::get_if<std::string_view>(&arg->Value());
  return text != nullptr ? *text : std::string_view{};
}

constexpr bool FitsInt32(std::int64_t v) {
  return v >= std::numeric_limits<std::int32_t>::min() &&
         v <= std::numeric_limits<std::int32_t>::max();
}

Integer SignedOf(const FormatArg* arg) {
  if (arg == nullptr) {
    return {};
  }
  if (const auto* u = std::get_if<std::uint64_t>(&arg->Value())) {
    if (*u <= std::numeric_limits<std::uint32_t>::max()) {
      const auto v = static_cast<std::int32_t>(static_cast<std::uint32_t>(*u));
      return {v < 0, v < 0 ? 0ULL - static_cast<std::uint64_t>(static_cast<std::int64_t>(v))
                           : static_cast<std::uint64_t>(v)};
    }
    return {false, *u};
  }
  if (const auto* s = std::get_if<std::int64_t>(&arg->Value())) {
    return {*s < 0,
            *s < 0 ? 0ULL - static_cast<std::uint64_t>(*s) : static_cast<std::uint64_t>(*s)};
  }
  return {};
}

std::uint64_t UnsignedOf(const FormatArg* arg) {
  if (arg == nullptr) {
    return 0;
  }
  if (const auto* u = std::get_if<std::uint64_t>(&arg->Value())) {
    return *u;
  }
  if (const auto* s = std::get_if<std::int64_t>(&arg->Value())) {
    return FitsInt32(*s) ? static_cast<std::uint32_t>(static_cast<std::int32_t>(*s))
                         : static_cast<std::uint64_t>(*s);
  }
  return 0;
}

std::string Digits(std::uint64_t value, unsigned base, bool upper) {
  const char* symbols = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string digits;
  do {
    digits.insert(digits.begin(), symbols[value % base]);
    value /= base;
  } while (value != 0);
  return digits;
}

void PutInteger(LineBuilder& line, const Directive& d, Integer value) {
  const bool hex = d.conversion == 'x' || d.conversion == 'X';
  std::string digits = Digits(value.magnitude, hex ? 16 : 10, d.conversion == 'X');
  if (d.precision && *d.precision == 0 && value.magnitude == 0) {
    digits.clear();
  }
  std::string_view prefix;
  if (value.negative) {
    prefix = "-";
  } else if (!hex && d.conversion != 'u' && (d.plusSign || d.spaceSign)) {
    prefix = d.plusSign ? "+" : " ";
  } else if (hex && d.alternate && value.magnitude != 0) {
    prefix = d.conversion == 'X' ? "0X" : "0x";
  }
  // A precision is the least number of digits. Without one, zeros from the width go between the
  // sign or "0x" and the digits.
  std::size_t leastDigits = 0;
  if (d.precision) {
    leastDigits = *d.precision;
  } else if (d.zeroPad && !d.leftAlign && d.width > prefix.size()) {
    leastDigits = d.width - prefix.size();
  }
  // Built front to back in one string: inserting zeros in front of the digits and then adding
  // the prefix made GCC 12 at -O3 warn of overlapping copies that cannot happen.
  std::string text(prefix);
  if (leastDigits > digits.size()) {
    text.append(leastDigits - digits.size(), '0');
  }
  text += digits;
  Directive spaces = d;
  spaces.zeroPad = false;
  line.PutPadded(spaces, text);
}

void PutConversion(LineBuilder& line, const Directive& d, const FormatArg* arg) {
  switch (d.conversion) {
    case 'd':
    case 'i':
      PutInteger(line, d, SignedOf(arg));
      break;
    case 'u':
    case 'x':
    case 'X':
      PutInteger(line, d, {false, UnsignedOf(arg)});
      break;
    case 'c': {
      const char c = static_cast<char>(UnsignedOf(arg) & 0xFF);
      line.PutPadded(d, c == '\0' ? std::string_view{} : std::string_view(&c, 1));
      break;
    }
    case 's': {
      const std::string_view text = TextOf(arg);
      line.PutPadded(
          d, d.precision ? text.substr(0, LineBuilder::Utf8Boundary(text, *d.precision)) : text);
      break;
    }
  }
}

bool TakesArgument(char conversion) {
  return std::string_view("diuxXcs").find(conversion) != std::string_view::npos;
}

}  // namespace

std::string FormatText(std::string_view format, FormatArgs args) {
  LineBuilder line;
  auto nextArg = args.begin();
  std::size_t pos = 0;
  while (pos < format.size()) {
    const std::size_t percent = format.find('%', pos);
    if (percent == std::string_view::npos) {
      line.Put(format.substr(pos));
      break;
    }
    line.Put(format.substr(pos, percent - pos));
    pos = percent + 1;
    Directive d;
    if (!ParseDirective(format, pos, d)) {
      line.Put(format.substr(percent));
      break;
    }
    if (d.conversion == '%') {
      line.Put("%");
    } else if (TakesArgument(d.conversion)) {
      const FormatArg* arg = nextArg != args.end() ? nextArg++ : nullptr;
      PutConversion(line, d, arg);
    } else {
      line.Put(format.substr(percent, pos - percent));
    }
  }
  return std::move(line).Take();
}

std::string FormatText(std::uint32_t stringId, FormatArgs args) {
  return FormatText(LoadString(stringId), args);
}

}  // namespace vlx
