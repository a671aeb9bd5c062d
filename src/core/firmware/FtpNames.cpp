#include "firmware/FtpNames.h"

#include "report/PrintableName.h"
#include "text/Ascii.h"

namespace vlx {

namespace {

constexpr std::string_view kPartMarker = ".part-";
constexpr std::size_t kSuffixLength = 6;

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

bool IsSuffixCharacter(char c) {
  return IsAsciiAlphanumeric(c);
}

}  // namespace

bool IsPlainFtpName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.size() > kMaxPlainNameBytes) {
    return false;
  }
  for (const char c : name) {
    if (c == '/' || c == '\\' || c == ':' || IsControl(c)) {
      return false;
    }
  }
  return true;
}

std::optional<std::string> FtpLocalTarget(std::string_view folder, std::string_view name) {
  if (!IsPlainFtpName(name)) {
    return std::nullopt;
  }
  std::string path(folder);
  if (!path.empty() && !path.ends_with('/')) {
    path += '/';
  }
  path += name;
  return path;
}

std::string PrintableFtpName(std::string_view name) {
  std::string printable = PrintableName(name);
  if (printable.size() > kMaxPrintableNameChars) {
    printable.resize(kMaxPrintableNameChars - 3);
    printable += "...";
  }
  return printable;
}

std::string FtpTemporaryName(std::string_view name, std::string_view uniqueSuffix) {
  std::string temporary(".");
  temporary += name;
  temporary += kPartMarker;
  temporary += uniqueSuffix;
  return temporary;
}

bool IsFtpLeftover(std::string_view fileName) {
  // "." + a plain name of at least one byte + ".part-" + six suffix characters.
  if (fileName.size() < 1 + 1 + kPartMarker.size() + kSuffixLength || fileName.front() != '.') {
    return false;
  }
  const std::string_view suffix = fileName.substr(fileName.size() - kSuffixLength);
  for (const char c : suffix) {
    if (!IsSuffixCharacter(c)) {
      return false;
    }
  }
  const std::string_view rest = fileName.substr(0, fileName.size() - kSuffixLength);
  if (!rest.ends_with(kPartMarker)) {
    return false;
  }
  const std::string_view name = rest.substr(1, rest.size() - 1 - kPartMarker.size());
  return IsPlainFtpName(name);
}

}  // namespace vlx
