#include "TerminalWords.h"

#include <filesystem>
#include <system_error>

#include "model/FileStore.h"
#include "report/ErrorText.h"
#include "report/PrintableName.h"

namespace vlx::cli {
namespace {

std::string Quoted(const std::string& path) {
  return "\"" + PrintableName(path) + "\"";
}

bool IsFolder(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::is_directory(path, ignored);
}

// The system's text for the codes a file commonly fails with, as a terminal user reads them.
std::string Reason(const std::string& step, ErrorCode code, const std::string& path) {
  if (IsFolder(path)) {
    return "it is a folder, not a file";
  }
  switch (code) {
    case err::kFileTooLarge:
      return "the file is larger than any configuration file can be";
    case err::kFileNotFound:
      return "no such file";
    case err::kPathNotFound:
      return "its folder does not exist";
    case err::kAccessDenied:
      return "permission denied";
    case err::kDiskFull:
      return "the disk is full";
    default:
      return FormatErrorText(code) + " (" + step + ")";
  }
}

}  // namespace

std::string FileFailureWords(const std::string& step, ErrorCode code, const std::string& path) {
  return "vlxctl: " + Quoted(path) + ": " + Reason(step, code, path);
}

std::string FtpFailureWords(const std::string& step, ErrorCode code, const std::string& reason) {
  if (code == err::kCancelled) {
    return "vlxctl: interrupted by Ctrl+C; no partly fetched file is kept";
  }
  std::string what;
  if (step == "InternetConnect") {
    what = "could not connect to the FTP server";
  } else if (step == "FtpSetCurrentDirectory") {
    what = "the FTP server has no firmware folder to list";
  } else if (step == "FtpFindFile" || step == "InternetFindNextFile") {
    what = "could not list the server's firmware folder";
  } else if (step == "FtpGetFile") {
    what = "could not fetch a file from the FTP server";
  } else if (step == "All Copy Complete") {
    what = "a fetched file could not be kept in the firmware folder";
  } else {
    what = step + " failed";
  }
  return "vlxctl: " + what + ": " + reason;
}

std::string SilentAfterReloadWords(std::uint32_t totalBytes) {
  return "vlxctl: all " + std::to_string(totalBytes) +
         " bytes were written, but the VLX750 did not answer after reloading them; check it, "
         "then run 'vlxctl info'";
}

std::string SettingsFileWords(const std::string& path, const std::string& reason) {
  return "vlxctl: the settings file " + Quoted(path) + " could not be used: " + reason +
         ". vlxctl reads the default settings and leaves the file as it is; VLX Utility keeps "
         "it aside when it next saves its settings.";
}

}  // namespace vlx::cli
