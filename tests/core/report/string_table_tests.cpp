#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

#include "report/ConfigTextIds.h"
#include "report/FaultTextIds.h"
#include "report/FirmwareTextIds.h"
#include "report/FtpTextIds.h"
#include "report/LinkTextIds.h"
#include "report/OperateTextIds.h"
#include "report/ReportTextIds.h"
#include "report/SettingsTextIds.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"
#include "report/WindowTextIds.h"

namespace vlx {
namespace {

// The table's order and uniqueness are checked where it is defined, at compile time; here the
// texts themselves, from every corner of the program, with the escapes they carry.
TEST(StringTable, TextsFromEverySubsystemAreExact) {
  const struct {
    std::uint32_t id;
    std::string_view text;
  } cases[] = {
      {ids::kReady, "Ready"},
      {ids::kAppTitle, "Velqorin VLX Utility"},
      {ids::kOperationFailedOn, "%s failed on \"%s\"\r\nError 0x%08X: %s"},
      {ids::kRevisionNotAvailable, " N/A "},
      {ids::kSerialNumberSuffix, " - S/N %05u"},
      {ids::kOsVersion, "OS Version %u.%u Build %u "},
      {ids::kMacroCaption, "Macro %u"},
      {ids::kFolderMissingAsk, "Folder \"%s\" does not exist. Do you want to create it now?"},
      {ids::kTipDefaultFirmwareFolder,
       "Choose ...\\Application Data\\Velqorin\\VLX Firmware folder"},
      {ids::kFirmwareFileNotInFolder,
       "Firmware folder does not contain required %s firmware file\r\nClick \"Copy new files "
       "from Velqorin\"\r\nor navigate to a folder containing %s firmware files"},
      {ids::kLoaderDidNotEcho,
       "%s Bootstrap Loader did not echo \"%s\"\r\nRemove power and retry firmware load"},
      {ids::kConnectedToServer,
       "Connected to Velqorin server\nPlease be patient, this takes a few seconds"},
      {ids::kConfigFileAltered,
       "The configuration file has been altered after it was saved.\r\nCannot restore from a "
       "modified configuration file."},
      {ids::kSerialNumberMismatchStop,
       "The Serial Number within the restore file\ndoes not match the Serial Number of your "
       "VLX.\n\nRestore cannot continue."},
      {ids::kFaultTableFileFilter, "%s Fault Table File (*.%s)|*.%s|All files (*.*)|*.*|"},
      {ids::kStandby, "Standby"},
      {ids::kTipClearOutput, "Erase output window"},
      {ids::kTipEditBanner, "Edit R9 \"Power On Banner\" message"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LoadString(c.id), c.text) << "id " << c.id;
  }
}

TEST(StringTable, UnknownIdsAreEmpty) {
  for (std::uint32_t id : {0u, 1u, 127u, 133u, 446u, 57344u, 57346u, 0xFFFFFFFFu}) {
    EXPECT_TRUE(LoadString(id).empty()) << "id " << id;
  }
}

TEST(StringTable, FormatTextByIdFormatsTheTableText) {
  EXPECT_EQ(FormatText(ids::kMacroCaption, {7u}), "Macro 7");
  EXPECT_EQ(FormatText(ids::kTitlePortOpen, {"COM3", 38400u}), " on COM3 at 38400 bit/s");
  EXPECT_EQ(FormatText(std::uint32_t{12345}, {1u}), "");
}

}  // namespace
}  // namespace vlx
