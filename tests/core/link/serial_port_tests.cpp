// The serial port on the simulated line: argument checks, what a closed or lost port does, and
// how a failed device call reaches the user.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "link/SerialPort.h"
#include "report/ErrorText.h"
#include "support/CaseNames.h"
#include "support/LinkTestBed.h"

namespace vlx::test {
namespace {

using ::testing::Contains;

class SerialPortTest : public ::testing::Test {
 protected:
  SerialPort& port() { return bed.app.Serial(); }

  void Open() { ASSERT_TRUE(port().Open(SimulatedLink::kPortName)); }

  void ExpectNothingReported() const {
    EXPECT_TRUE(bed.prompts.boxes.empty());
    EXPECT_TRUE(bed.status.statusLines.empty());
  }

  // The failed call in a box and on the status line; the line's error flags are read and told
  // after the box.
  void ExpectOneComPortErrorBox(const std::string& operation) const {
    const std::string line = operation + " failed on \"/dev/ttySIM0\"\r\nError 0x0000001F: " +
                             FormatErrorText(err::kGenFailure);
    ASSERT_EQ(bed.prompts.boxes.size(), 1u);
    EXPECT_EQ(bed.prompts.boxes[0].text, line);
    EXPECT_EQ(bed.prompts.boxes[0].caption, "COM Port Error");
    EXPECT_EQ(bed.status.statusLines,
              (std::vector<std::string>{line, "ClearCommError dwErrors 0x0000"}));
  }

  LinkTestBed bed;
};

TEST_F(SerialPortTest, OpensAt38400AndAnOpenPortKeepsItsName) {
  Open();
  EXPECT_TRUE(port().IsOpen());
  EXPECT_EQ(port().Speed(), 38400u);
  EXPECT_TRUE(port().Open("/dev/ttyOTHER"));
  EXPECT_EQ(port().Name(), SimulatedLink::kPortName);
  EXPECT_EQ(bed.link.Opens(), 1u);
  ExpectNothingReported();
}

TEST_F(SerialPortTest, EmptyNameFailsWithoutTouchingTheDevice) {
  EXPECT_FALSE(port().Open(""));
  EXPECT_EQ(port().LastError(), err::kSerialPortNameMissing);
  EXPECT_FALSE(port().IsOpen());
  EXPECT_EQ(bed.link.Opens(), 0u);
  ExpectNothingReported();
}

TEST_F(SerialPortTest, UnsupportedRateIsRefusedAndTheRateStays) {
  Open();
  for (const std::uint32_t rate : {57600u, 115200u, 2400u, 0u}) {
    EXPECT_FALSE(port().SetSpeed(rate)) << rate;
    EXPECT_EQ(port().Speed(), 38400u);
    EXPECT_EQ(bed.link.Rate(), 38400u);
  }
  ExpectNothingReported();
}

TEST_F(SerialPortTest, CurrentRateSucceedsWithoutTouchingTheDevice) {
  Open();
  const std::uint32_t sleptBefore = bed.time.TotalSleptMs();
  bed.link.FailNextCall(err::kGenFailure);  // would surface if the device were asked
  EXPECT_TRUE(port().SetSpeed(38400));
  EXPECT_EQ(bed.time.TotalSleptMs(), sleptBefore);
  ExpectNothingReported();
}

TEST_F(SerialPortTest, SupportedRateMovesTheLineAndWaitsForItToSettle) {
  Open();
  const std::uint32_t sleptBefore = bed.time.TotalSleptMs();
  EXPECT_TRUE(port().SetSpeed(4800));
  EXPECT_EQ(port().Speed(), 4800u);
  EXPECT_EQ(bed.link.Rate(), 4800u);
  EXPECT_EQ(bed.time.TotalSleptMs() - sleptBefore, 100u);
}

// The device opened but would not take its line settings: reported like any failed call, and the
// device is closed again; the next open starts afresh.
TEST_F(SerialPortTest, FailedSetUpAfterTheDeviceOpenedIsReportedAndClosesThePort) {
  bed.link.FailNextSetUp(err::kGenFailure);
  EXPECT_FALSE(port().Open(SimulatedLink::kPortName));
  EXPECT_EQ(port().LastError(), err::kGenFailure);
  ExpectOneComPortErrorBox("SetCommState");
  EXPECT_FALSE(port().IsOpen());
  EXPECT_FALSE(bed.link.IsOpen());

  Open();
  EXPECT_EQ(bed.prompts.boxes.size(), 1u);
}

struct FailedCallCase {
  const char* operation;
  std::function<bool(SerialPort&)> call;
};

class FailedDeviceCalls : public SerialPortTest,
                          public ::testing::WithParamInterface<FailedCallCase> {};

TEST_P(FailedDeviceCalls, ShowOneComPortErrorBoxAndTheSameStatusLine) {
  Open();
  bed.link.FailNextCall(err::kGenFailure);
  EXPECT_FALSE(GetParam().call(port()));
  EXPECT_EQ(port().LastError(), err::kGenFailure);

  ExpectOneComPortErrorBox(GetParam().operation);
  // A failed rate change leaves the recorded rate true to the device.
  EXPECT_EQ(port().Speed(), 38400u);
  EXPECT_EQ(bed.link.Rate(), 38400u);
}

INSTANTIATE_TEST_SUITE_P(
    Port, FailedDeviceCalls,
    ::testing::Values(
        FailedCallCase{"SetCommState", [](SerialPort& port) { return port.SetSpeed(9600); }},
        FailedCallCase{"WriteFile", [](SerialPort& port) { return port.Write("^RVM;"); }}),
    [](const auto& info) { return std::string(info.param.operation); });

struct PortCall {
  const char* label;
  std::function<bool(SerialPort&)> call;
};

const PortCall kCallsNeedingAnOpenPort[] = {
    {"Read",
     [](SerialPort& port) {
       std::uint8_t byte = 0;
       std::size_t count = 0;
       return port.Read(byte, count);
     }},
    {"Write", [](SerialPort& port) { return port.Write(";"); }},
    {"Purge", [](SerialPort& port) { return port.Purge(); }},
    {"SetSpeed", [](SerialPort& port) { return port.SetSpeed(9600); }},
};

class CallsOnAClosedPort : public SerialPortTest, public ::testing::WithParamInterface<PortCall> {};

TEST_P(CallsOnAClosedPort, FailWithInvalidHandleAndReportNothing) {
  EXPECT_FALSE(GetParam().call(port()));
  EXPECT_EQ(port().LastError(), err::kInvalidHandle);
  EXPECT_TRUE(bed.link.SentCommands().empty());
  ExpectNothingReported();

  // Closing again is harmless and the same holds after a real close.
  Open();
  EXPECT_TRUE(port().Close());
  EXPECT_TRUE(port().Close());
  EXPECT_FALSE(GetParam().call(port()));
  EXPECT_EQ(port().LastError(), err::kInvalidHandle);
  ExpectNothingReported();
}

class CallsAfterTheAdapterIsPulled : public SerialPortTest,
                                     public ::testing::WithParamInterface<PortCall> {};

TEST_P(CallsAfterTheAdapterIsPulled, FailSilently) {
  Open();
  bed.link.Unplug();
  EXPECT_FALSE(GetParam().call(port()));
  EXPECT_TRUE(port().IsOpen());  // open but silent until it is closed and opened again
  ExpectNothingReported();
}

INSTANTIATE_TEST_SUITE_P(Port, CallsOnAClosedPort, ::testing::ValuesIn(kCallsNeedingAnOpenPort),
                         ByLabel{});

INSTANTIATE_TEST_SUITE_P(Port, CallsAfterTheAdapterIsPulled,
                         ::testing::ValuesIn(kCallsNeedingAnOpenPort), ByLabel{});

}  // namespace
}  // namespace vlx::test
