#pragma once
// The fault-table file: identification lines, the EEPROM snapshot as Intel HEX records and one
// decoded line per fault, newest first. It has no seal: it is for the reader (and any HEX tool),
// never read back by the program.

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

// Writes the file in place of any file of that name; a failure is reported under
// ids::kFaultTableWriteErrorCaption and returns its code, leaving the old file as it was and no
// part of the new one.
ErrorCode WriteFaultTableFile(FileStore& files, StatusSink& status, Prompts& prompts,
                              const std::string& path, const FaultTableFileHeader& header,
                              const FaultSnapshot& snapshot);

}  // namespace vlx
