#pragma once
// The firmware folder as the program sees it: which file offers the newest firmware and where
// the release notes are. Both are found by their names alone; the folder is read through the
// FileSystem seam and nothing else is touched.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/FileSystem.h"

namespace vlx {

// Firmware files are named this, then the revision's digits (0152 for 01.52), then ".hex".
constexpr std::string_view kFirmwareFilePrefix = "VLX750fp";
constexpr std::string_view kFirmwareFileExtension = ".hex";
constexpr std::string_view kReleaseNotesFileName = "vlxfwnotes.rtf";

struct FirmwareFileInfo {
  std::uint16_t revision = 0;  // major * 100 + minor, from the name; 0 when it names none
  std::string path;            // empty: no file

  bool Found() const { return !path.empty(); }
};

struct FirmwareFolderScan {
  FirmwareFileInfo firmware;  // the newest firmware file
  FirmwareFileInfo notes;     // the release notes
};

// The part of a path after its last '/'.
std::string_view FileNameOf(std::string_view path);

// The number the name ends in: the last run of digits of the name without its extension, read
// as far as the digits go. 0 when the name has no digits or is nothing but digits; nothing when
// the number is above 9999, which is no revision at all.
std::optional<std::uint16_t> RevisionOfFileName(std::string_view fileName);

// Whether the name starts with the firmware prefix, in any case.
bool HasFirmwarePrefix(std::string_view fileName);

// Whether the name offers firmware: the prefix, in any case, directly followed by the revision's
// digits, and the extension ".hex" in any case. "VLX750fp.hex" does not (its digits are the 750),
// nor does "VLX750fp01.50.hex".
bool IsFirmwareFileName(std::string_view fileName);

// Whether the name ends in ".hex", in any case: a file the Intel HEX reader must accept.
bool HasFirmwareExtension(std::string_view fileName);

// Whether the name is the release notes', in any case.
bool IsReleaseNotesFileName(std::string_view fileName);

// A file the user names directly, with the revision its name gives (0 when it gives none).
FirmwareFileInfo FirmwareFileFromPath(std::string path);

// The choice the folder scan makes among `entries`, by their names alone (for a listing that
// did not come from the file system). Each path is `folder` joined with the name, or the bare
// name when `folder` is empty.
FirmwareFolderScan PickFirmwareFiles(std::vector<DirectoryEntry> entries,
                                     const std::string& folder);

// Looks through the folder's regular files (and links to one). The firmware file is the one
// with the highest revision; of equal revisions, and of release notes in several letter cases,
// the first in name order regardless of case wins, so the choice never depends on the order the
// system lists the folder in. A folder that cannot be read gives an empty result.
FirmwareFolderScan ScanFirmwareFolder(const FileSystem& fileSystem, const std::string& folder);

}  // namespace vlx
