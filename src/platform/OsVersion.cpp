#include "OsVersion.h"

#include <QString>
#include <QSysInfo>
#include <array>
#include <charconv>
#include <cstdint>
#include <fstream>

#include "report/TextFormat.h"
#include "report/WindowTextIds.h"

namespace vlx {
namespace {

// An os-release file is a few hundred bytes; anything far larger is not one worth reading whole.
constexpr std::size_t kMaxOsReleaseSize = 64 * 1024;

// Leading "major.minor.patch" of a release; each part stops at the first character that is not
// a digit, so "6.1.0-27-amd64" gives 6, 1, 0 and "5.15" gives 5, 15, 0. A number too large for
// 32 bits counts as 0 rather than as some wrapped value.
std::array<std::uint32_t, 3> ReleaseNumbers(std::string_view release) {
  std::array<std::uint32_t, 3> numbers{};
  const char* position = release.data();
  const char* const end = release.data() + release.size();
  for (std::size_t part = 0; part < numbers.size(); ++part) {
    const auto [next, error] = std::from_chars(position, end, numbers[part]);
    if (error == std::errc::result_out_of_range) {
      numbers[part] = 0;
    } else if (error != std::errc()) {
      break;
    }
    if (next == end || *next != '.') {
      break;
    }
    position = next + 1;
  }
  return numbers;
}

// The value of an os-release assignment, in the shell-like syntax the file uses: quoted with
// double or single quotes (a backslash escapes the next character inside double quotes) or bare.
// Control characters are dropped so that the name cannot break the log line.
std::string UnquoteValue(std::string_view raw) {
  std::string value;
  char quote = 0;
  if (!raw.empty() && (raw.front() == '"' || raw.front() == '\'')) {
    quote = raw.front();
    raw.remove_prefix(1);
  }
  for (std::size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (quote != 0 && c == quote) {
      break;
    }
    if (quote != '\'' && c == '\\' && i + 1 < raw.size()) {
      c = raw[++i];
    }
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
      value.push_back(c);
    }
  }
  if (quote == 0) {
    const auto last = value.find_last_not_of(" \t");
    value.erase(last == std::string::npos ? 0 : last + 1);
  }
  return value;
}

std::string PrettyName(std::string_view osRelease) {
  constexpr std::string_view kKey = "PRETTY_NAME=";
  std::string name;
  while (!osRelease.empty()) {
    const auto lineEnd = osRelease.find('\n');
    std::string_view line = osRelease.substr(0, lineEnd);
    osRelease.remove_prefix(lineEnd == std::string_view::npos ? osRelease.size() : lineEnd + 1);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    const auto start = line.find_first_not_of(" \t");
    if (start != std::string_view::npos && line.substr(start).starts_with(kKey)) {
      // As when the shell sources the file, the last assignment wins.
      name = UnquoteValue(line.substr(start + kKey.size()));
    }
  }
  return name;
}

// Reads at most kMaxOsReleaseSize bytes of the file; false when it cannot be opened.
bool ReadOsRelease(const char* path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return false;
  }
  text.resize(kMaxOsReleaseSize);
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(file.gcount()));
  return true;
}

}  // namespace

std::string FormatOsVersionLine(std::string_view kernelRelease, std::string_view osReleaseText) {
  const auto numbers = ReleaseNumbers(kernelRelease);
  return FormatText(ids::kOsVersion, {numbers[0], numbers[1], numbers[2]}) +
         PrettyName(osReleaseText);
}

std::string OsVersionLine() {
  std::string osRelease;
  if (!ReadOsRelease("/etc/os-release", osRelease)) {
    ReadOsRelease("/usr/lib/os-release", osRelease);
  }
  return FormatOsVersionLine(QSysInfo::kernelVersion().toStdString(), osRelease);
}

}  // namespace vlx
