#pragma once
// The fault-table file: a few identification lines, the whole EEPROM snapshot as Intel HEX data
// records (so the raw bytes can be read back by any HEX tool), the end record, and one decoded
// line per non-empty record from the newest to the oldest. It carries no seal: it is a record
// for the reader, never read back by the program.

#include <cstdint>
#include <string>
#include <string_view>

#include "faults/FaultRing.h"
#include "link/Clock.h"
#include "model/FileStore.h"
#include "report/ErrorCode.h"

namespace vlx {

class Prompts;
class StatusSink;

constexpr std::string_view kFaultTableExtension = "VLXFaultTable";

struct FaultTableFileHeader {
  LocalTime savedAt;            // the dialog's time
  std::string programRevision;  // "Velqorin VLX Utility Revision 1.0.0.0"
  std::uint16_t firmwareRevision = 0;
  std::uint16_t serialNumber = 0xFFFF;  // 0xFFFF: unknown, no serial-number line
};

// The whole file, CR LF after every line.
std::string FaultTableFileText(const FaultTableFileHeader& header, const FaultSnapshot& snapshot);

// "SN01234.20240102T030405.VLXFaultTable", or from the year on for an unknown serial number.
std::string FaultTableFileName(std::uint16_t serialNumber, const LocalTime& savedAt);

// Writes the file in place of any file of that name. A failure is reported (under
// ids::kFaultTableWriteErrorCaption) and its
// code returned; the old file is then unchanged and no part of the new one is left.
ErrorCode WriteFaultTableFile(FileStore& files, StatusSink& status, Prompts& prompts,
                              const std::string& path, const FaultTableFileHeader& header,
                              const FaultSnapshot& snapshot);

}  // namespace vlx
