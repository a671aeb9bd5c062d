#include "HexCommand.h"

#include <QJsonArray>
#include <cstdio>
#include <optional>

#include "CliOptions.h"
#include "ConsoleReporting.h"
#include "ErrorTexts.h"
#include "JsonOutput.h"
#include "Output.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareName.h"
#include "report/ErrorText.h"
#include "report/PrintableName.h"
#include "report/RevisionText.h"
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
  std::string where = PrintableName(path);
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
  PrintOutput(
      "Records:          %u data, %u end of file, %u extended segment address,\n"
      "                  %u start segment address, %u extended linear address,\n"
      "                  %u start linear address\n",
      records[0], records[1], records[2], records[3], records[4], records[5]);
  if (counts.lowAddress <= counts.highAddress) {
    PrintOutput("Address range:    %s up to %s (exclusive)\n", Address(counts.lowAddress).c_str(),
                Address(counts.highAddress).c_str());
  } else {
    PrintOutput("Address range:    no data records\n");
  }
  PrintOutput("Bytes:            %llu in the image (%s up to %s), %llu outside it\n",
              static_cast<unsigned long long>(counts.bytesInside),
              Address(FirmwareImage::kStartAddress).c_str(),
              Address(FirmwareImage::kEndAddress).c_str(),
              static_cast<unsigned long long>(counts.bytesOutside));
  PrintOutput("Blocks unwritten: %u of %u (left 0xFF)\n", counts.blocksUnwritten,
              FirmwareImage::kBlockCount);
  PrintOutput(
      "Lines:            %u read; skipped %u blank, %u of text, %u with text after a record\n",
      counts.lines, counts.blankLines, counts.textLines, counts.textAfterRecord);
  for (const std::string& warning : BelowStartWarnings(counts)) {
    PrintOutput("Warning:          %s\n", warning.c_str());
  }
}

// What `ReconcileChecksum` does with the image, told before it is done.
ErrorCode PrintChecksum(FirmwareImage& image) {
  const ChecksumState before = image.Checksum();
  const ErrorCode code = image.ReconcileChecksum();
  PrintOutput("Word sum:         0x%04X\n", before.sum);
  if (before.word != 0) {
    PrintOutput("Checksum word:    0x%04X, %s\n", before.word,
                code == err::kSuccess ? "the image sums to 0: loading keeps it"
                                      : "but the image does not sum to 0: loading refuses it");
  } else if (code == err::kSuccess) {
    PrintOutput("Checksum word:    0, absent: loading fills in 0x%04X\n", image.Checksum().word);
  } else {
    PrintOutput("Checksum word:    0, absent, and the image sums to 0 already: loading stops\n");
  }
  return code;
}

ErrorCode PrintTextReport(const std::string& path, FirmwareImage& image, ErrorCode code,
                          bool read) {
  PrintOutput("File:             %s\n", PrintableName(path).c_str());
  if (read) {
    PrintCounts(image.Statistics());
  }
  if (code == err::kSuccess) {
    code = PrintChecksum(image);
  }
  const std::optional<std::uint16_t> revision = RevisionInFileName(path);
  PrintOutput("Name's revision:  %s\n", revision ? RevisionText(*revision).c_str() : "none");
  PrintOutput("Loadable:         %s\n", code == err::kSuccess ? "yes" : "no");
  return code;
}

QJsonValue NumberOrNull(bool known, std::uint64_t number) {
  return known ? QJsonValue(static_cast<qint64>(number)) : QJsonValue();
}

// The counts of a file that was read; each null for one that was not.
void AddCounts(QJsonObject& report, const HexStatistics* counts) {
  QJsonValue records;
  QJsonArray warnings;
  if (counts != nullptr) {
    const auto& byType = counts->recordsByType;
    records = QJsonObject{{"data", static_cast<qint64>(byType[0])},
                          {"endOfFile", static_cast<qint64>(byType[1])},
                          {"extendedSegmentAddress", static_cast<qint64>(byType[2])},
                          {"startSegmentAddress", static_cast<qint64>(byType[3])},
                          {"extendedLinearAddress", static_cast<qint64>(byType[4])},
                          {"startLinearAddress", static_cast<qint64>(byType[5])}};
    for (const std::string& warning : BelowStartWarnings(*counts)) {
      warnings.append(JsonText(warning));
    }
  }
  const bool read = counts != nullptr;
  const bool range = read && counts->lowAddress <= counts->highAddress;
  report["records"] = records;
  report["lowAddress"] = NumberOrNull(range, range ? counts->lowAddress : 0);
  report["highAddress"] = NumberOrNull(range, range ? counts->highAddress : 0);
  report["bytesInImage"] = NumberOrNull(read, read ? counts->bytesInside : 0);
  report["bytesOutside"] = NumberOrNull(read, read ? counts->bytesOutside : 0);
  report["blocksUnwritten"] = NumberOrNull(read, read ? counts->blocksUnwritten : 0);
  report["lines"] = NumberOrNull(read, read ? counts->lines : 0);
  report["blankLines"] = NumberOrNull(read, read ? counts->blankLines : 0);
  report["textLines"] = NumberOrNull(read, read ? counts->textLines : 0);
  report["textAfterRecord"] = NumberOrNull(read, read ? counts->textAfterRecord : 0);
  report["warnings"] = warnings;
}

ErrorCode PrintJsonReport(const std::string& path, FirmwareImage& image, ErrorCode code,
                          bool read) {
  QJsonObject report{{"file", JsonText(path)}};
  AddCounts(report, read ? &image.Statistics() : nullptr);
  const bool loaded = code == err::kSuccess;
  const ChecksumState before = loaded ? image.Checksum() : ChecksumState{};
  if (loaded) {
    code = image.ReconcileChecksum();
  }
  report["wordSum"] = NumberOrNull(loaded, before.sum);
  report["checksumWord"] = NumberOrNull(loaded, before.word);
  const std::optional<std::uint16_t> revision = RevisionInFileName(path);
  report["nameRevision"] = revision ? JsonText(RevisionText(*revision)) : QJsonValue();
  report["loadable"] = code == err::kSuccess;
  report["errorCode"] = NumberOrNull(code != err::kSuccess, code);
  WriteJson(report);
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

int RunHexCommand(const std::string& path, bool json) {
  InstallPlatformErrorTexts();
  FirmwareImage image;
  ErrorCode code = image.Load(path);
  const bool read = WasRead(code);
  code = json ? PrintJsonReport(path, image, code, read) : PrintTextReport(path, image, code, read);
  if (code != err::kSuccess) {
    PrintError(ProblemLine(path, image, code));
    return exit_code::kFailure;
  }
  return exit_code::kSuccess;
}

}  // namespace vlx::cli
