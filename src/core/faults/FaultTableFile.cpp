#include "faults/FaultTableFile.h"

#include <algorithm>
#include <vector>

#include "config/FileReport.h"
#include "config/HexBytes.h"
#include "model/DeviceFacts.h"
#include "report/FaultTextIds.h"
#include "report/RevisionText.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {

constexpr std::string_view kDevice = "VLX";
constexpr std::size_t kBytesPerRecord = 32;

// ":LLAAAA00DD..CC": the standard Intel HEX data record, whose checksum makes the sum of every
// byte of the record, count and address included, 0 modulo 256.
std::string DataRecord(std::uint32_t address, const std::uint8_t* bytes, std::size_t count) {
  std::uint32_t sum = static_cast<std::uint32_t>(count) + (address >> 8) + (address & 0xFF);
  for (std::size_t i = 0; i < count; ++i) {
    sum += bytes[i];
  }
  return FormatText(":%02X%04X00%s%02X", {static_cast<std::uint32_t>(count), address,
                                          HexEncode(bytes, count), (0x100 - sum % 0x100) & 0xFF});
}

}  // namespace

std::string FaultTableFileText(const FaultTableFileHeader& header, const FaultSnapshot& snapshot) {
  const LocalTime& time = header.savedAt;
  std::vector<std::string> lines = {
      FormatText(ids::kFaultTableSavedOn,
                 {kDevice, time.year, time.month, time.day, time.hour, time.minute, time.second}),
      FormatText("%s = %s", {"VLX Utility Revision", header.programRevision}),
      FormatText("%s = %s", {"VLX Firmware Revision", RevisionText(header.firmwareRevision)}),
  };
  if (header.serialNumber != kUnknownSerialNumber) {
    lines.push_back(FormatText("%s = %05u", {"VLX Serial Number", header.serialNumber}));
  }
  for (std::size_t offset = 0; offset < snapshot.size(); offset += kBytesPerRecord) {
    const std::size_t count = std::min(snapshot.size() - offset, kBytesPerRecord);
    lines.push_back(
        DataRecord(static_cast<std::uint32_t>(offset), snapshot.data() + offset, count));
  }
  lines.emplace_back(":00000001FF");
  for (const std::uint8_t index : WalkNewestToOldest(snapshot).indexes) {
    const FaultRecord record = DecodeFaultRecord(RecordBytes(snapshot, index));
    lines.push_back(
        FormatText("FAULT %02X %04X %08u %-13s %04s %04X",
                   {index, static_cast<std::uint32_t>(RecordOffset(index)), record.timeStamp,
                    FaultCodeText(record.bandAndCode), BandName(record.bandAndCode), record.data}));
  }
  std::string text;
  for (const std::string& line : lines) {
    text += line + "\r\n";
  }
  return text;
}

std::string FaultTableFileName(std::uint16_t serialNumber, const LocalTime& time) {
  if (serialNumber == kUnknownSerialNumber) {
    return FormatText("%04u%02u%0.2uT%02u%02u%02u.%s",
                      {time.year, time.month, time.day, time.hour, time.minute, time.second,
                       kFaultTableExtension});
  }
  return FormatText("SN%05u.%04u%02u%02uT%02u%02u%02u.%s",
                    {serialNumber, time.year, time.month, time.day, time.hour, time.minute,
                     time.second, kFaultTableExtension});
}

ErrorCode WriteFaultTableFile(FileStore& files, StatusSink& status, Prompts& prompts,
                              const std::string& path, const FaultTableFileHeader& header,
                              const FaultSnapshot& snapshot) {
  const FileOutcome outcome = files.ReplaceWholeFile(path, FaultTableFileText(header, snapshot));
  if (!outcome.Succeeded()) {
    ReportFileFailure(status, prompts, ids::kFaultTableWriteErrorCaption, outcome, path);
  }
  return outcome.code;
}

}  // namespace vlx
