#include "firmware/FirmwareFolder.h"

#include <algorithm>
#include <vector>

#include "model/DataFolders.h"
#include "model/FileSystem.h"
#include "text/Ascii.h"

namespace vlx {
namespace {

constexpr std::uint32_t kHighestRevision = 9999;

// The name without its last '.' and what follows.
std::string_view BaseNameOf(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
}

std::string_view ExtensionOf(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : fileName.substr(dot);
}

// Where the last run of digits of `base` starts; npos when it has none.
std::size_t LastDigitsStart(std::string_view base) {
  std::size_t end = base.size();
  while (end > 0 && !IsAsciiDigit(base[end - 1])) {
    --end;
  }
  if (end == 0) {
    return std::string_view::npos;
  }
  std::size_t start = end - 1;
  while (start > 0 && IsAsciiDigit(base[start - 1])) {
    --start;
  }
  return start;
}

// Case-insensitive name order; names that differ only in case keep byte order between them.
bool NameOrder(const DirectoryEntry& a, const DirectoryEntry& b) {
  const bool less =
      std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                   [](char x, char y) { return LowerAscii(x) < LowerAscii(y); });
  if (less || !EqualIgnoringCase(a.name, b.name)) {
    return less;
  }
  return a.name < b.name;
}

// The candidate takes the place of the current file when there is none yet or it is newer.
void Compete(FirmwareFileInfo& current, std::uint16_t revision, std::string path) {
  if (!current.Found() || current.revision < revision) {
    current = FirmwareFileInfo{revision, std::move(path)};
  }
}

}  // namespace

std::string_view FileNameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::optional<std::uint16_t> RevisionOfFileName(std::string_view fileName) {
  const std::string_view base = BaseNameOf(fileName);
  const std::size_t start = LastDigitsStart(base);
  if (start == std::string_view::npos || start == 0) {
    return 0;  // no digits, or nothing but digits before any letter
  }
  std::uint32_t value = 0;
  for (std::size_t i = start; i < base.size() && IsAsciiDigit(base[i]); ++i) {
    value = value * 10 + static_cast<std::uint32_t>(base[i] - '0');
    if (value > kHighestRevision) {
      return std::nullopt;
    }
  }
  return static_cast<std::uint16_t>(value);
}

bool HasFirmwarePrefix(std::string_view fileName) {
  return fileName.size() >= kFirmwareFilePrefix.size() &&
         EqualIgnoringCase(fileName.substr(0, kFirmwareFilePrefix.size()), kFirmwareFilePrefix);
}

bool HasFirmwareExtension(std::string_view fileName) {
  return EqualIgnoringCase(ExtensionOf(fileName), kFirmwareFileExtension);
}

bool IsFirmwareFileName(std::string_view fileName) {
  if (!HasFirmwareExtension(fileName)) {
    return false;
  }
  const std::string_view base = BaseNameOf(fileName);
  const std::size_t digits = LastDigitsStart(base);
  const std::string_view prefix = digits == std::string_view::npos ? base : base.substr(0, digits);
  return EqualIgnoringCase(prefix, kFirmwareFilePrefix);
}

bool IsReleaseNotesFileName(std::string_view fileName) {
  return EqualIgnoringCase(fileName, kReleaseNotesFileName);
}

FirmwareFileInfo FirmwareFileFromPath(std::string path) {
  const std::uint16_t revision = RevisionOfFileName(FileNameOf(path)).value_or(0);
  return FirmwareFileInfo{revision, std::move(path)};
}

FirmwareFolderScan ScanFirmwareFolder(const FileSystem& fileSystem, const std::string& folder) {
  std::vector<DirectoryEntry> entries;
  if (folder.empty() || fileSystem.ListDirectory(folder, entries) != err::kSuccess) {
    return {};
  }
  return PickFirmwareFiles(std::move(entries), folder);
}

FirmwareFolderScan PickFirmwareFiles(std::vector<DirectoryEntry> entries,
                                     const std::string& folder) {
  FirmwareFolderScan scan;
  const auto pathOf = [&folder](const std::string& name) {
    return folder.empty() ? name : JoinPath(folder, name);
  };
  std::sort(entries.begin(), entries.end(), NameOrder);
  for (const DirectoryEntry& entry : entries) {
    // A folder or a dangling link named like firmware could never be loaded.
    if (entry.kind != EntryKind::kRegularFile) {
      continue;
    }
    if (IsFirmwareFileName(entry.name)) {
      if (const std::optional<std::uint16_t> revision = RevisionOfFileName(entry.name)) {
        Compete(scan.firmware, *revision, pathOf(entry.name));
      }
    } else if (IsReleaseNotesFileName(entry.name)) {
      Compete(scan.notes, 0, pathOf(entry.name));
    }
  }
  return scan;
}

}  // namespace vlx
