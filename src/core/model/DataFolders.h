#pragma once
// Where the program keeps its files by default, and the small path helpers the pages and
// dialogs share for folders the user picks. Paths are written as the platform writes them: with
// '/' on POSIX; on Windows with '\' or '/', from a drive ("C:\") or a share ("\\server\share").

#include <string>
#include <string_view>

#include "model/FileSystem.h"
#include "report/ErrorCode.h"
#include "report/Prompts.h"

namespace vlx {

constexpr std::string_view kVendorFolder = "Velqorin";
constexpr std::string_view kFirmwareLeaf = "VLX Firmware";
constexpr std::string_view kConfigurationLeaf = "VLX Configuration";
constexpr std::string_view kFaultTablesLeaf = "VLX Fault Tables";
constexpr std::string_view kTelemetryLeaf = "VLX Telemetry";

enum class PathStyle { kPosix, kWindows };
#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::kWindows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::kPosix;
#endif

// The user data folder (else the documents folder) + "/Velqorin/" + leaf, both levels created
// when missing (failures ignored: the caller finds out when it uses the folder). Empty when
// neither base folder is known.
std::string DefaultDataFolder(FileSystem& fileSystem, std::string_view leaf,
                              PathStyle style = kNativePathStyle);

// The folder without trailing separators, one separator, then the name. On Windows the
// separator is the one the folder already uses, '\' when it has none.
std::string JoinPath(std::string_view folder, std::string_view name,
                     PathStyle style = kNativePathStyle);

// The path without its last component and without trailing separators; the root itself ("/",
// "C:\", "\\server\share") for an entry at the root, "C:" for "C:name", empty for a bare name.
std::string FolderOf(std::string_view path, PathStyle style = kNativePathStyle);

// Creates the folder and every missing parent; a root (a drive, a share) is taken as it is.
// Fails on an empty path or at the first level that is neither a directory nor creatable, with
// that level's error.
ErrorCode CreateFolderPath(FileSystem& fileSystem, std::string_view path,
                           PathStyle style = kNativePathStyle);

// True when the folder exists, or when the user agreed to create it and it could be created.
// A creation that fails asks again, so the user can fix the cause and retry, or give up.
bool EnsureFolderExists(FileSystem& fileSystem, Prompts& prompts, const std::string& path);

}  // namespace vlx
