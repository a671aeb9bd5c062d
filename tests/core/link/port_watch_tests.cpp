// The port watch: a port that goes away is shown as lost at once and picked up again when the
// same name comes back, but never under a running machine or a host that is busy.

#include <gtest/gtest.h>

#include <string>

#include "link/EstablishContactMachine.h"
#include "link/PortWatch.h"
#include "support/LinkTestBed.h"

namespace vlx::test {
namespace {

class PortWatchTest : public ::testing::Test {
 protected:
  PortWatchTest() : watch(bed.app, bed.time, [this] { return hostFree; }) {
    watch.SetLossObserver([this] { ++losses; });
    bed.contact().BeginTestCommunications();
    EXPECT_TRUE(bed.RunContactToEnd());
    EXPECT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
  }

  LinkTestBed bed;
  bool hostFree = true;
  PortWatch watch;
  int losses = 0;
};

TEST_F(PortWatchTest, ALostPortIsShownLostOnceAndTestedAgainWhenItIsBack) {
  bed.link.Unplug();
  bed.time.RunFor(10);

  EXPECT_EQ(losses, 1);
  EXPECT_TRUE(watch.IsWatching());
  EXPECT_EQ(bed.app.portOpen.Get(), 0u);
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kNotResponding);
  EXPECT_EQ(bed.app.revision.Get(), 0);
  EXPECT_EQ(bed.app.serialNumber.Get(), kUnknownSerialNumber);
  EXPECT_EQ(bed.status.statusLines.back(),
            "Serial port /dev/ttySIM0 is no longer available: The device has been removed.");
  EXPECT_TRUE(bed.prompts.boxes.empty());
  EXPECT_EQ(bed.app.port.Get(), SimulatedLink::kPortName);  // the user's choice stays

  const std::size_t opensWhileAway = bed.link.Opens();
  bed.time.RunFor(5000);
  EXPECT_EQ(bed.link.Opens(), opensWhileAway);  // nothing tried while the device is absent

  bed.link.PlugIn();
  bed.time.RunFor(PortWatch::kLookIntervalMs);
  EXPECT_FALSE(watch.IsWatching());
  ASSERT_TRUE(bed.RunContactToEnd());
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
  EXPECT_EQ(bed.app.serialNumber.Get(), 1234);
}

TEST_F(PortWatchTest, AMachineRunningWhenThePortGoesEndsAtOnceWithTheLossCode) {
  bed.contact().BeginTestCommunications();
  bed.time.RunFor(60);  // searching
  ASSERT_FALSE(bed.contact().IsIdle());
  bed.link.Unplug();
  bed.time.RunFor(1);
  EXPECT_TRUE(bed.contact().IsIdle());
  EXPECT_EQ(bed.contact().Error(), err::kDeviceRemoved);
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kEstablishContactTimerId));
}

TEST_F(PortWatchTest, ABackPortWaitsWhileTheHostIsBusy) {
  bed.link.Unplug();
  bed.time.RunFor(10);
  hostFree = false;  // a dialog waits for the user
  bed.link.PlugIn();
  const std::size_t opens = bed.link.Opens();
  bed.time.RunFor(5000);
  EXPECT_EQ(bed.link.Opens(), opens);
  hostFree = true;
  bed.time.RunFor(PortWatch::kLookIntervalMs);
  EXPECT_EQ(bed.link.Opens(), opens + 1);
}

TEST_F(PortWatchTest, TheUsersOwnChoiceEndsTheWatch) {
  bed.link.Unplug();
  bed.time.RunFor(10);
  bed.app.port.Publish("/dev/ttyUSB7");
  EXPECT_FALSE(watch.IsWatching());
  bed.link.PlugIn();
  const std::size_t opens = bed.link.Opens();
  bed.time.RunFor(5000);
  EXPECT_EQ(bed.link.Opens(), opens);
}

}  // namespace
}  // namespace vlx::test
