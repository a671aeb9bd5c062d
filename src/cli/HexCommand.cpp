#include "HexCommand.h"

#include <cstdio>
#include <optional>

#include "CliOptions.h"
#include "ConsoleReporting.h"
#include "ErrorTexts.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareName.h"
#include "report/ErrorText.h"
#include "report/RevisionText.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"

namespace vlx::cli {
namespace {

// The reader's own codes (customer bit set: 0xE2..., 0xA2...), as against the system's.
bool IsProgramCode(ErrorCode code) {
  return (code & 0x20000000) != 0 && !err::IsErrnoCode(code);
}

// FILE:LINE: error 0xCODE: text, without the line where it names none.
std::string CodeLine(const std::string& path, std::uint32_t line, ErrorCode code) {
  const char* severity = (code & 0xC0000000) == 0x80000000 ? "warning" : "error";
  std::string where = path;
  if (line != 0) {
    where += ":" + std::to_string(line);
  }
  return FormatText("%s: %s 0x%08X: %s",
                    {where.c_str(), severity, code, FormatErrorText(code).c_str()});
}

// A file that could not be read has no counts worth showing, nor a line to name.
bool WasRead(ErrorCode code) {
  return code == err::kSuccess || IsProgramCode(code);
}

// The line of a file `image` could not take, `code` from its load or its checksum.
std::string ProblemLine(const std::string& path, const FirmwareImage& image, ErrorCode code) {
  // Codes of the checksum word belong to the whole image, not to a line.
  const bool ofTheImage = code == err::kHexFileChecksumNotZero || code == err::kChecksumWordZero;
  return CodeLine(path, ofTheImage || !WasRead(code) ? 0 : image.ErrorLine(), code);
}

std::string Address(std::uint64_t address) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%06llX", static_cast<unsigned long long>(address));
  return text;
}

void PrintCounts(const HexStatistics& counts) {
  const auto& records = counts.recordsByType;
  std::printf(
      "Records:          %u data, %u end of file, %u extended segment address,\n"
      "                  %u start segment address, %u extended linear address,\n"
      "                  %u start linear address\n",
      records[0], records[1], records[2], records[3], records[4], records[5]);
  if (counts.lowAddress <= counts.highAddress) {
    std::printf("Address range:    %s up to %s (exclusive)\n", Address(counts.lowAddress).c_str(),
                Address(counts.highAddress).c_str());
  } else {
    std::printf("Address range:    no data records\n");
  }
  std::printf("Bytes:            %llu in the image (%s up to %s), %llu outside it\n",
              static_cast<unsigned long long>(counts.bytesInside),
              Address(FirmwareImage::kStartAddress).c_str(),
              Address(FirmwareImage::kEndAddress).c_str(),
              static_cast<unsigned long long>(counts.bytesOutside));
  std::printf("Blocks unwritten: %u of %u (left 0xFF)\n", counts.blocksUnwritten,
              FirmwareImage::kBlockCount);
  std::printf(
      "Lines:            %u read; skipped %u blank, %u of text, %u with text after a record\n",
      counts.lines, counts.blankLines, counts.textLines, counts.textAfterRecord);
  for (const std::string& warning : BelowStartWarnings(counts)) {
    std::printf("Warning:          %s\n", warning.c_str());
  }
}

// What `ReconcileChecksum` does with the image, told before it is done.
ErrorCode PrintChecksum(FirmwareImage& image) {
  const ChecksumState before = image.Checksum();
  const ErrorCode code = image.ReconcileChecksum();
  std::printf("Word sum:         0x%04X\n", before.sum);
  if (before.word != 0) {
    std::printf("Checksum word:    0x%04X, %s\n", before.word,
                code == err::kSuccess ? "the image sums to 0: loading keeps it"
                                      : "but the image does not sum to 0: loading refuses it");
  } else if (code == err::kSuccess) {
    std::printf("Checksum word:    0, absent: loading fills in 0x%04X\n", image.Checksum().word);
  } else {
    std::printf("Checksum word:    0, absent, and the image sums to 0 already: loading stops\n");
  }
  return code;
}

}  // namespace

std::optional<std::string> FirmwareFileProblem(const std::string& path) {
  FirmwareImage image;
  ErrorCode code = image.Load(path);
  if (code == err::kSuccess) {
    code = image.ReconcileChecksum();
  }
  if (code == err::kSuccess) {
    return std::nullopt;
  }
  return ProblemLine(path, image, code);
}

int RunHexCommand(const std::string& path) {
  InstallPlatformErrorTexts();
  FirmwareImage image;
  ErrorCode code = image.Load(path);
  const bool read = WasRead(code);
  std::printf("File:             %s\n", path.c_str());
  if (read) {
    PrintCounts(image.Statistics());
  }
  if (code == err::kSuccess) {
    code = PrintChecksum(image);
  }
  const std::optional<std::uint16_t> revision = RevisionInFileName(path);
  std::printf("Name's revision:  %s\n", revision ? RevisionText(*revision).c_str() : "none");
  std::printf("Loadable:         %s\n", code == err::kSuccess ? "yes" : "no");
  std::fflush(stdout);
  if (code != err::kSuccess) {
    PrintError(ProblemLine(path, image, code));
    return exit_code::kFailure;
  }
  return exit_code::kSuccess;
}

}  // namespace vlx::cli
