#include "report/MessageTable.h"

#include <array>

#include "report/KeyedText.h"

namespace vlx {
namespace {

// Ascending by code. The texts carry no "\r\n": FormatErrorText would strip it anyway.
constexpr auto kMessages = std::to_array<KeyedText>({
    {err::kChecksumWordZero, "The computed checksum reconciliation word is zero"},
    {err::kNoResponseToFirmwarePacketWarning, "No response to firmware packet"},
    {err::kUnexpectedHexCharacter, "Unexpected hex character"},
    {err::kInvalidEepromAddress, "Invalid EEPROM address"},
    {err::kNoResponseToRevisionQuery, "No response to firmware revision query"},
    {err::kSerialPortNameMissing, "Serial port name is missing"},
    {err::kHexMissingColon, "intel hex line does not begin with the expected colon"},
    {err::kHexUnknownRecordType, "Unrecognized intel hex record type"},
    {err::kHexLineChecksum, "intel hex line checksum error"},
    {err::kHexMissingEndOfFile, "Missing intel hex end-of-file record"},
    {err::kHexEarlyEndOfFile, "intel Hex End of File encountered before expected end address"},
    {err::kIncompleteConfigurationFile, "Incomplete configuration file"},
    {err::kCorruptConfigurationFile, "Corrupt configuration file"},
    {err::kHexDataRecordLength, "Unexpected intel hex data record length"},
    {err::kHexFileChecksumNotZero, "Input hex file is corrupt, check sum is not zero"},
    {err::kLoaderNoDots, "Bootstrap Loader does not echo Dots"},
    {err::kLoaderNoD, "Bootstrap Loader did not echo a D"},
    {err::kRetryLimitExhausted, "Retry limit has been exhausted"},
    {err::kNoResponseAfterReset, "No response after reset"},
    {err::kRevisionVerificationFailed, "Revision number verification failed"},
    {err::kNoResponseWhileSynchronizing,
     "No response to poll while synchronizing to buffer boundary"},
    {err::kNoResponseToSemicolonPoll, "No response to semicolon poll"},
    {err::kNoResponseToFirmwarePacket, "No response to firmware packet"},
    {err::kUnexpectedDevice, "Unexpected device (e.g. R9 vs RQ7)"},
    {err::kNoResponseToReadEepromBlock, "No response to Read EEPROM block"},
    {err::kNoResponseToWriteEepromBlock, "No response to Write EEPROM block"},
    {err::kNoResponseToBandQuery, "No response to band number query (^BN)"},
    {err::kNoResponseToFaultQuery, "No response to current fault query (^FL)"},
    {err::kNoResponseToOperateQuery, "No response to operate/standby query (^OS)"},
    {err::kNoResponseToSerialNumberQuery, "No response to serial number query (^SN)"},
    {err::kNoResponseToTemperatureQuery, "No response to temperature query (^TM)"},
    {err::kNoResponseToVoltageCurrentQuery, "No response to PA voltage and current query (^VI)"},
    {err::kNoResponseToPowerSwrQuery, "No response to Power/SWR query (^WS)"},
    {err::kNotASerialPort, "The file or device is not a serial port"},
});
static_assert(IsStrictlyAscending(kMessages), "message table codes must ascend without repeats");

}  // namespace

std::string_view MessageTableText(ErrorCode code) {
  return FindKeyedText(kMessages, code);
}

}  // namespace vlx
