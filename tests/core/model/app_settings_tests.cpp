// The application model: observable values and their subscribers, the device-state writer rule,
// the identity operations and the port speed operations built on the serial port.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "model/AppSettings.h"
#include "model/Observable.h"
#include "support/CaseNames.h"
#include "support/LinkTestBed.h"

namespace vlx::test {
namespace {

constexpr MessageId kValueMessage = 0x8064;
using Message = std::pair<MessageId, MessageParam>;

// Writes its name into a shared journal on every message, so the order across listeners shows.
class NamedListener : public Listener {
 public:
  NamedListener(std::string name, std::vector<std::string>& journal)
      : name_(std::move(name)), journal_(journal) {}
  void OnMessage(MessageId, MessageParam wParam) override {
    journal_.push_back(name_ + ":" + std::to_string(wParam));
  }

 private:
  std::string name_;
  std::vector<std::string>& journal_;
};

TEST(Observable, ListsASubscriberOnceHoweverOftenItSubscribes) {
  Observable<std::uint32_t> value{kValueMessage};
  RecordingListener page;
  value.Subscribe(page);
  value.Subscribe(page);
  value.Publish(7);
  EXPECT_EQ(page.received, (std::vector<Message>{{kValueMessage, 0}}));
  EXPECT_EQ(value.Get(), 7u);

  value.Unsubscribe(page);
  value.Notify();
  EXPECT_EQ(page.received.size(), 1u);
}

TEST(Observable, SubscribeAndSendTellsOnlyTheNewSubscriber) {
  Observable<std::uint32_t> value{kValueMessage};
  RecordingListener earlier;
  RecordingListener newcomer;
  value.Subscribe(earlier);
  value.SubscribeAndSend(newcomer);
  EXPECT_TRUE(earlier.received.empty());
  EXPECT_EQ(newcomer.received, (std::vector<Message>{{kValueMessage, 0}}));

  value.SubscribeAndSend(newcomer);  // already listed: sent again, still listed once
  value.Notify(5);
  EXPECT_EQ(newcomer.received.size(), 3u);
  EXPECT_EQ(earlier.received, (std::vector<Message>{{kValueMessage, 5}}));
}

TEST(Observable, NotifiesInSubscriptionOrderWithTheGivenParameter) {
  std::vector<std::string> journal;
  NamedListener a("a", journal), b("b", journal), c("c", journal);
  Subscribers done{kMsgMachineDone};
  done.Subscribe(c);
  done.Subscribe(a);
  done.Subscribe(b);
  done.Notify(1223);
  done.Unsubscribe(a);
  done.Notify(0);
  EXPECT_EQ(journal, (std::vector<std::string>{"c:1223", "a:1223", "b:1223", "c:0", "b:0"}));
}

// Leaves the value's list while handling its message, and takes another listener with it.
class LeavingListener final : public NamedListener {
 public:
  LeavingListener(Subscribers& value, Listener* alsoRemove, std::vector<std::string>& journal)
      : NamedListener("leaving", journal), value_(value), alsoRemove_(alsoRemove) {}
  void OnMessage(MessageId id, MessageParam wParam) override {
    NamedListener::OnMessage(id, wParam);
    value_.Unsubscribe(*this);
    if (alsoRemove_ != nullptr) {
      value_.Unsubscribe(*alsoRemove_);
    }
  }

 private:
  Subscribers& value_;
  Listener* alsoRemove_;
};

TEST(Observable, ListenerMayUnsubscribeDuringNotify) {
  std::vector<std::string> journal;
  Subscribers value{kValueMessage};
  NamedListener before("before", journal), after("after", journal), removed("removed", journal);
  LeavingListener leaving(value, &removed, journal);
  value.Subscribe(before);
  value.Subscribe(leaving);
  value.Subscribe(after);
  value.Subscribe(removed);

  value.Notify(1);
  value.Notify(2);
  // Everyone still listed is told once; whoever left is not told again.
  EXPECT_EQ(journal,
            (std::vector<std::string>{"before:1", "leaving:1", "after:1", "before:2", "after:2"}));
}

class AppSettingsTest : public ::testing::Test {
 protected:
  void OpenPort() { bed.OpenPortAsContactLeavesIt(); }

  LinkTestBed bed;
  AppSettings& app = bed.app;
};

TEST_F(AppSettingsTest, StartsWithNothingKnownAboutTheDevice) {
  EXPECT_EQ(app.deviceState.Get(), 0u);
  EXPECT_EQ(app.deviceType.Get(), 0u);
  EXPECT_EQ(app.revision.Get(), 0u);
  EXPECT_EQ(app.serialNumber.Get(), 0xFFFFu);
  EXPECT_EQ(app.portOpen.Get(), 0u);
  EXPECT_EQ(app.TransientMachine(), nullptr);
  EXPECT_TRUE(app.EstablishContact().IsIdle());
}

TEST_F(AppSettingsTest, DeviceStateIsZeroWhileThePortIsClosedAndToldOnlyOnAChange) {
  RecordingListener listener;
  app.deviceState.Subscribe(listener);

  app.SetDeviceState(device_state::kOperating);
  EXPECT_EQ(app.deviceState.Get(), 0u);
  EXPECT_TRUE(listener.received.empty());

  OpenPort();
  app.SetDeviceState(device_state::kOperating);
  app.SetDeviceState(device_state::kOperating);
  EXPECT_EQ(app.deviceState.Get(), device_state::kOperating);
  EXPECT_EQ(listener.received, (std::vector<Message>{{kMsgDeviceState, 0}}));

  app.ClosePort();
  app.SetDeviceState(device_state::kWaitingInLoader);
  EXPECT_EQ(app.deviceState.Get(), 0u);
  EXPECT_EQ(listener.received.size(), 2u);
}

TEST_F(AppSettingsTest, ClosePortTellsThePortOpenListeners) {
  OpenPort();
  RecordingListener listener;
  app.portOpen.Subscribe(listener);
  EXPECT_TRUE(app.ClosePort());
  EXPECT_FALSE(app.Serial().IsOpen());
  EXPECT_FALSE(bed.link.IsOpen());
  EXPECT_EQ(app.portOpen.Get(), 0u);
  EXPECT_EQ(listener.received, (std::vector<Message>{{kMsgPortOpen, 0}}));
}

class ForgetDevice : public AppSettingsTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(ForgetDevice, ForgetsTheKindOfDeviceItsRevisionAndSerialNumber) {
  const std::uint32_t stateBefore = GetParam();
  app.deviceType.Set(device_type::kVlx750);
  app.deviceState.Set(stateBefore);
  app.revision.Set(123);
  app.serialNumber.Set(4321);
  std::vector<std::string> journal;
  NamedListener revision("revision", journal), serial("serial", journal), state("state", journal);
  app.revision.Subscribe(revision);
  app.serialNumber.Subscribe(serial);
  app.deviceState.Subscribe(state);

  app.ForgetDevice();
  EXPECT_EQ(app.revision.Get(), 0u);
  EXPECT_EQ(app.serialNumber.Get(), kUnknownSerialNumber);
  EXPECT_EQ(app.deviceState.Get(), 0u);
  EXPECT_EQ(app.deviceType.Get(), device_type::kNone);
  std::vector<std::string> expected{"revision:0", "serial:0"};
  if (stateBefore != 0) {
    expected.push_back("state:0");
  }
  EXPECT_EQ(journal, expected);
}

INSTANTIATE_TEST_SUITE_P(Model, ForgetDevice,
                         ::testing::Values(device_state::kNotResponding,
                                           device_state::kWaitingInLoader,
                                           device_state::kOperating),
                         [](const auto& info) -> std::string {
                           switch (info.param) {
                             case device_state::kWaitingInLoader:
                               return "WaitingInLoader";
                             case device_state::kOperating:
                               return "Operating";
                             default:
                               return "NotResponding";
                           }
                         });

struct PresenceCase {
  const char* label;
  std::uint32_t type;
  std::uint32_t state;
  bool present;
};

class AmplifierPresence : public AppSettingsTest,
                          public ::testing::WithParamInterface<PresenceCase> {};

TEST_P(AmplifierPresence, DependsOnTheKindOfDeviceAndOnlyForAnUnknownKindOnItsState) {
  app.deviceType.Set(GetParam().type);
  app.deviceState.Set(GetParam().state);
  EXPECT_EQ(app.IsAmplifierPresent(), GetParam().present);
}

INSTANTIATE_TEST_SUITE_P(Model, AmplifierPresence,
                         ::testing::Values(PresenceCase{"Vlx750NotResponding", 3, 0, true},
                                           PresenceCase{"Vlx750InLoader", 3, 2, true},
                                           PresenceCase{"Vlx750Operating", 3, 3, true},
                                           PresenceCase{"UnknownKindOperating", 0, 3, true},
                                           PresenceCase{"UnknownKindInLoader", 0, 2, false},
                                           PresenceCase{"UnknownKindNotResponding", 0, 0, false},
                                           PresenceCase{"Rq7Operating", 2, 3, false},
                                           PresenceCase{"Tnr750Operating", 4, 3, false},
                                           PresenceCase{"Qmv1200Operating", 9, 3, false},
                                           PresenceCase{"Rq7NotResponding", 2, 0, false}),
                         ByLabel{});

TEST_F(AppSettingsTest, SetPortSpeedOnAClosedPortChangesNothing) {
  EXPECT_FALSE(app.SetPortSpeed(9600));
  EXPECT_EQ(app.Serial().Speed(), 38400u);
  EXPECT_TRUE(bed.prompts.boxes.empty());
}

TEST_F(AppSettingsTest, SetPortSpeedMovesTheLineAndDropsWhatCameAtTheOldRate) {
  OpenPort();
  bed.link.Deliver("garbage");
  EXPECT_TRUE(app.SetPortSpeed(9600));
  EXPECT_EQ(bed.link.Rate(), 9600u);
  std::uint8_t byte = 0;
  std::size_t count = 1;
  EXPECT_TRUE(app.Serial().Read(byte, count));
  EXPECT_EQ(count, 0u);

  EXPECT_TRUE(app.SetPortSpeed(9600));
  EXPECT_FALSE(app.SetPortSpeed(57600));
  EXPECT_EQ(app.Serial().Speed(), 9600u);
}

struct RefusedSpeedCommand {
  const char* label;
  std::uint32_t deviceState;
  std::uint32_t rate;
};

class SpeedCommandRefused : public AppSettingsTest,
                            public ::testing::WithParamInterface<RefusedSpeedCommand> {};

TEST_P(SpeedCommandRefused, SendsNothing) {
  OpenPort();
  app.deviceState.Set(GetParam().deviceState);
  EXPECT_FALSE(app.SendSpeedCommand(GetParam().rate));
  EXPECT_TRUE(bed.link.SentCommands().empty());
}

INSTANTIATE_TEST_SUITE_P(Model, SpeedCommandRefused,
                         ::testing::Values(RefusedSpeedCommand{"NotResponding", 0, 9600},
                                           RefusedSpeedCommand{"InLoader", 2, 9600},
                                           RefusedSpeedCommand{"UnsupportedRate57600", 3, 57600},
                                           RefusedSpeedCommand{"UnsupportedRate2400", 3, 2400},
                                           RefusedSpeedCommand{"RateZero", 3, 0}),
                         ByLabel{});

struct SpeedCommandCase {
  std::uint32_t rate;
  std::string command;
};

class SpeedCommand : public AppSettingsTest,
                     public ::testing::WithParamInterface<SpeedCommandCase> {};

TEST_P(SpeedCommand, MovesTheOperatingAmplifierToTheNewRate) {
  bed.contact().BeginTestCommunications();
  ASSERT_TRUE(bed.RunContactToEnd());
  ASSERT_EQ(app.deviceState.Get(), device_state::kOperating);
  const std::size_t sentBefore = bed.link.SentCommands().size();
  const std::uint32_t sleptBefore = bed.time.TotalSleptMs();

  EXPECT_TRUE(app.SendSpeedCommand(GetParam().rate));
  EXPECT_EQ(bed.time.TotalSleptMs() - sleptBefore, 50u);  // no reply is awaited, only a pause
  ASSERT_EQ(bed.link.SentCommands().size(), sentBefore + 1);
  EXPECT_EQ(bed.link.SentTexts().back(), GetParam().command);

  // The pair the pages use: the port follows, and the amplifier answers there.
  ASSERT_TRUE(app.SetPortSpeed(GetParam().rate));
  app.revision.Set(0);
  ASSERT_TRUE(bed.contact().BeginQueryRevision());
  ASSERT_TRUE(bed.RunContactToEnd());
  EXPECT_EQ(app.revision.Get(), 123u);
  EXPECT_EQ(app.deviceState.Get(), device_state::kOperating);
  EXPECT_EQ(bed.link.SentCommands().back().rate, GetParam().rate);
}

INSTANTIATE_TEST_SUITE_P(Model, SpeedCommand,
                         ::testing::Values(SpeedCommandCase{4800, "^brp0;"},
                                           SpeedCommandCase{9600, "^brp1;"},
                                           SpeedCommandCase{19200, "^brp2;"},
                                           SpeedCommandCase{38400, "^brp3;"}),
                         ByRate{});

}  // namespace
}  // namespace vlx::test
