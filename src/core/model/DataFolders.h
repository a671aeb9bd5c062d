#pragma once
// Where the program keeps its files by default, and the small path helpers the pages and
// dialogs share for folders the user picks. Paths use '/'.

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

// The user data folder (else the documents folder) + "/Velqorin/" + leaf, both levels created
// when missing (failures ignored: the caller finds out when it uses the folder). Empty when
// neither base folder is known.
std::string DefaultDataFolder(FileSystem& fileSystem, std::string_view leaf);

// The folder without trailing '/', one '/', then the name.
std::string JoinPath(std::string_view folder, std::string_view name);

// The path without its last component and without trailing '/'; "/" for an entry at the root,
// empty for a bare name.
std::string FolderOf(std::string_view path);

// Creates the folder and every missing parent. Fails on an empty path or at the first level that
// is neither a directory nor creatable, with that level's error.
ErrorCode CreateFolderPath(FileSystem& fileSystem, std::string_view path);

// True when the folder exists, or when the user agreed to create it and it could be created.
// A creation that fails asks again, so the user can fix the cause and retry, or give up.
bool EnsureFolderExists(FileSystem& fileSystem, Prompts& prompts, const std::string& path);

}  // namespace vlx
