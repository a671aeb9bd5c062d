#include "report/ErrorText.h"

#include <array>
#include <cstring>
#include <mutex>
#include <utility>

#include "report/KeyedText.h"
#include "report/MessageTable.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {

constexpr std::uint32_t kFacilityShift = 16;
constexpr std::uint32_t kFacilityMask = 0x0FFF;
constexpr std::uint32_t kProgramFacility = 0x200;

// The wording users know from the FTP errors of Windows, for the codes an FTP copy can meet.
constexpr auto kFtpTexts = std::to_array<KeyedText>({
    {12001, "No more Internet handles can be allocated"},
    {12002, "The operation timed out"},
    {12003, "The server returned extended information"},
    {12004, "An internal error occurred in the Microsoft Internet extensions"},
    {12005, "The URL is invalid"},
    {12006, "The URL does not use a recognized protocol"},
    {12007, "The server name or address could not be resolved"},
    {12008, "A protocol with the required capabilities was not found"},
    {12009, "The option is invalid"},
    {12010, "The length is incorrect for the option type"},
    {12011, "The option value cannot be set"},
    {12012, "Microsoft Internet Extension support has been shut down"},
    {12013, "The user name was not allowed"},
    {12014, "The password was not allowed"},
    {12015, "The login request was denied"},
    {12016, "The requested operation is invalid"},
    {12017, "The operation has been canceled"},
    {12018, "The supplied handle is the wrong type for the requested operation"},
    {12019, "The handle is in the wrong state for the requested operation"},
    {12020, "The request cannot be made on a Proxy session"},
    {12021, "The registry value could not be found"},
    {12022, "The registry parameter is incorrect"},
    {12023, "Direct Internet access is not available"},
    {12024, "No context value was supplied"},
    {12025, "No status callback was supplied"},
    {12026, "There are outstanding requests"},
    {12027, "The information format is incorrect"},
    {12028, "The requested item could not be found"},
    {12029, "A connection with the server could not be established"},
    {12030, "The connection with the server was terminated abnormally"},
    {12031, "The connection with the server was reset"},
    {12032, "The action must be retried"},
    {12033, "The proxy request is invalid"},
    {12036, "The handle already exists"},
    {12110,
     "The requested operation cannot be made on the FTP session handle because an operation is "
     "already in progress"},
    {12111, "The FTP operation was not completed because the session was aborted"},
    {12112, "Passive mode is not available on the server"},
    {12150, "The requested header was not found"},
});
static_assert(IsStrictlyAscending(kFtpTexts), "FTP texts must ascend without repeats");

// Windows' own wording of the system codes the program meets, for platforms that have none.
constexpr auto kSystemTexts = std::to_array<KeyedText>({
    {0, "The operation completed successfully."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {13, "The data is invalid."},
    {14, "Not enough memory resources are available to complete this operation."},
    {18, "There are no more files."},
    {21, "The device is not ready."},
    {29, "The system cannot write to the specified device."},
    {30, "The system cannot read from the specified device."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {87, "The parameter is incorrect."},
    {112, "There is not enough space on the disk."},
    {122, "The data area passed to a system call is too small."},
    {183, "Cannot create a file when that file already exists."},
    {206, "The filename or extension is too long."},
    {223, "The file size exceeds the limit allowed and cannot be saved."},
    {234, "More data is available."},
    {995,
     "The I/O operation has been aborted because of either a thread exit or an application "
     "request."},
    {997, "Overlapped I/O operation is in progress."},
    {1223, "The operation was canceled by the user."},
    {1314, "A required privilege is not held by the client."},
    {1617, "The device has been removed."},
});
static_assert(IsStrictlyAscending(kSystemTexts), "system texts must ascend without repeats");

// Installed once by the platform at start and read from whichever thread shows an error.
std::mutex sourceMutex;
SystemTextSource installedSource;

SystemTextSource InstalledSource() {
  std::lock_guard lock(sourceMutex);
  return installedSource;
}

// A source that fails is treated as one that knows nothing: error texts are shown while
// something has already gone wrong, and must not make it worse.
std::string AskSystem(ErrorCode code) {
  const SystemTextSource source = InstalledSource();
  if (!source) {
    return {};
  }
  try {
    return source(code);
  } catch (...) {
    return {};
  }
}

std::string LookUp(ErrorCode code) {
  if (code >= err::kFtpFirst && code <= err::kFtpLast) {
    const std::string_view known = FindKeyedText(kFtpTexts, code);
    return known.empty() ? AskSystem(code) : std::string(known);
  }
  // The program's own codes never fall through to the system: a number there means something
  // else entirely.
  if (err::IsErrnoCode(code)) {
    return std::strerror(err::ErrnoOf(code));
  }
  if (((code >> kFacilityShift) & kFacilityMask) == kProgramFacility) {
    return std::string(MessageTableText(code));
  }
  std::string text = AskSystem(code);
  return text.empty() ? std::string(FindKeyedText(kSystemTexts, code)) : text;
}

void TrimTrailingLineBreaks(std::string& text) {
  const auto end = text.find_last_not_of("\r\n");
  text.erase(end == std::string::npos ? 0 : end + 1);
}

}  // namespace

void InstallSystemErrorTexts(SystemTextSource source) {
  std::lock_guard lock(sourceMutex);
  installedSource = std::move(source);
}

std::string FormatErrorText(ErrorCode code) {
  return FormatErrorText(code, FtpLastResponse{});
}

std::string FormatErrorText(ErrorCode code, const FtpLastResponse& lastResponse) {
  try {
    std::string text = LookUp(code);
    TrimTrailingLineBreaks(text);
    // Without a last reply from the server the suffix still appears, with 0 and no text, so the
    // line reads the same whether or not the server said anything.
    if (code == err::kFtpExtendedError) {
      text += FormatText("\r\nInternetGetLastResponseInfo returns 0x%08X %s",
                         {lastResponse.error, lastResponse.text});
    }
    return text;
  } catch (...) {
    // Only running out of memory gets here; there is nothing left to say then.
    return {};
  }
}

}  // namespace vlx
