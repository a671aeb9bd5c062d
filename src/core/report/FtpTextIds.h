#pragma once
// The string-table ids of the copy of new files from the maker's FTP server.

#include <cstdint>

namespace vlx::ids {

constexpr std::uint32_t kOpeningConnection = 197;  // "Opening connection to %s"
constexpr std::uint32_t kFtpHostName = 198;
constexpr std::uint32_t kConnectedToServer = 207;
constexpr std::uint32_t kRequestStarted = 237;         // "%s started"
constexpr std::uint32_t kFoundFile = 246;              // "Found file \"%s\""
constexpr std::uint32_t kCopyingFilesTo = 132;         // "Copying files to %s"
constexpr std::uint32_t kCopiedFile = 195;             // "Copied %s from Velqorin"
constexpr std::uint32_t kUnableToCopyFile = 170;       // "Unable to copy file %s"
constexpr std::uint32_t kCopiedFiles = 193;            // "Copied %u files from Velqorin to %s"
constexpr std::uint32_t kVerificationSucceeded = 166;  // "%s verification succeeded"
constexpr std::uint32_t kFileVerificationFailed = 301;
constexpr std::uint32_t kFileDeleted = 243;  // "%s deleted"
constexpr std::uint32_t kFtpServerInvalid = 1400;
constexpr std::uint32_t kFetchedFileEmpty = 1410;  // "The copy of %s is empty"
constexpr std::uint32_t kFetchedFileSize = 1411;

}  // namespace vlx::ids
