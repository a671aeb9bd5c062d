// The identity line, the title and the device state in words.

#include <gtest/gtest.h>

#include "report/DeviceTexts.h"
#include "support/CaseNames.h"

namespace vlx {
namespace {

const std::string kIdentity = "Velqorin VLX Utility Revision 1.0.0.0";

TEST(DeviceTexts, IdentityLineHasTheFourPartVersion) {
  const std::uint32_t version[4] = {1, 2, 3, 4};
  EXPECT_EQ(ProgramIdentityLine("Velqorin VLX Utility", version),
            "Velqorin VLX Utility Revision 1.2.3.4");
}

struct TitleCase {
  const char* label;
  std::uint16_t serialNumber;
  std::string port;
  bool portOpen;
  std::string expected;
};

class WindowTitles : public ::testing::TestWithParam<TitleCase> {};

TEST_P(WindowTitles, AddSerialNumberAndPort) {
  const TitleCase& c = GetParam();
  EXPECT_EQ(WindowTitle(kIdentity, c.serialNumber, c.port, c.portOpen, 38400), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowTitles,
                         ::testing::Values(TitleCase{"NothingKnown", 0xFFFF, "", false, kIdentity},
                                           TitleCase{
                                               "SerialNumberAndOpenPort", 123, "COM3", true,
                                               kIdentity + " - S/N 00123 on COM3 at 38400 bit/s"},
                                           TitleCase{"ClosedPort", 0xFFFF, "/dev/ttyUSB0", false,
                                                     kIdentity + " on /dev/ttyUSB0 closed"},
                                           TitleCase{"SerialNumberWithoutPortName", 65534, "", true,
                                                     kIdentity + " - S/N 65534"}),
                         test::ByLabel{});

struct StatusCase {
  const char* label;
  std::uint32_t deviceState;
  bool portOpen;
  std::string expected;
};

class DeviceStatusLines : public ::testing::TestWithParam<StatusCase> {};

TEST_P(DeviceStatusLines, TellTheStateInWords) {
  const StatusCase& c = GetParam();
  EXPECT_EQ(DeviceStatusLine(c.deviceState, 123, c.portOpen, 9600), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeviceStatusLines,
    ::testing::Values(
        StatusCase{"WaitingInLoader", 2, true,
                   "VLX waiting for power button or firmware load. RS-232 speed 9600 bit/s."},
        StatusCase{"Operating", 3, true, "VLX revision 01.23. RS-232 speed 9600 bit/s"},
        StatusCase{"NotResponding", 0, true, "VLX is not responding"},
        StatusCase{"PortClosed", 0, false, "Serial Port is closed"}),
    test::ByLabel{});

}  // namespace
}  // namespace vlx
