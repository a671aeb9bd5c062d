// The establish-contact machine against the simulated amplifier, in virtual time.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/EstablishContactMachine.h"
#include "report/ErrorText.h"
#include "support/CaseNames.h"
#include "support/Conversation.h"
#include "support/LinkTestBed.h"

namespace vlx::test {
namespace {

using vlxsim::AmplifierConfig;
using vlxsim::Identity;
using vlxsim::PowerMode;

AmplifierConfig AtRate(std::uint32_t rate) {
  AmplifierConfig config;
  config.operatingRate = rate;
  config.revision = 123;
  config.serialNumber = 4321;
  return config;
}

struct RateCase {
  std::uint32_t rate;
  std::vector<std::string> expected;
};

class ContactAtEachRate : public ::testing::TestWithParam<RateCase> {};

TEST_P(ContactAtEachRate, FindsTheAmplifierAndReadsItAtTheRateFound) {
  const RateCase& c = GetParam();
  LinkTestBed bed(AtRate(c.rate));
  bed.contact().BeginTestCommunications();
  ASSERT_TRUE(bed.RunContactToEnd());

  EXPECT_EQ(Conversation(bed.link), c.expected);
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
  EXPECT_EQ(bed.app.deviceType.Get(), device_type::kVlx750);
  EXPECT_EQ(bed.app.revision.Get(), 123);
  EXPECT_EQ(bed.app.serialNumber.Get(), 4321);
  EXPECT_EQ(bed.app.Serial().Speed(), c.rate);
  EXPECT_EQ(bed.contact().Error(), err::kSuccess);
  EXPECT_TRUE(bed.prompts.boxes.empty());
  EXPECT_EQ(bed.status.statusLines.back(), "Attempting to contact VLX on port /dev/ttySIM0 at " +
                                               std::to_string(c.rate) + " bit/s");
}

INSTANTIATE_TEST_SUITE_P(
    Rates, ContactAtEachRate,
    ::testing::Values(
        RateCase{38400, {";@38400", "I;@38400", "^RVM;@38400", "^sn;@38400"}},
        RateCase{19200, Concat({Repeat(";@38400", 4), {";@19200", "^RVM;@19200", "^sn;@19200"}})},
        // The ninth probe is the first at 9600; the operating amplifier is then read at 9600.
        RateCase{9600, Concat({Repeat(";@38400", 4),
                               Repeat(";@19200", 4),
                               {";@9600", "^RVM;@9600", "^sn;@9600"}})},
        RateCase{4800, Concat({Repeat(";@38400", 4),
                               Repeat(";@19200", 4),
                               Repeat(";@9600", 4),
                               {";@4800", "^RVM;@4800", "^sn;@4800"}})}),
    ByRate{});

TEST(EstablishContact, AtFullSpeedTheIdentityQueryWaitsOutItsTimeout) {
  LinkTestBed bed(AtRate(38400));
  bed.contact().BeginTestCommunications();
  ASSERT_TRUE(bed.RunContactToEnd());
  const auto& sent = bed.link.SentCommands();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[2].atMicros - sent[1].atMicros, 200000u);  // "I;" is never answered
  EXPECT_EQ(
      bed.status.statusLines,
      (std::vector<std::string>{"Serial Port /dev/ttySIM0 is open",
                                "Attempting to contact VLX on port /dev/ttySIM0 at 38400 bit/s"}));
  EXPECT_EQ(bed.status.verboseLines, std::vector<std::string>{"Opening Serial Port /dev/ttySIM0"});
}

TEST(EstablishContact, SearchTimeoutGrowsOnEachReturnTo38400UpToItsCeiling) {
  AmplifierConfig config;
  config.faults.silent = true;
  LinkTestBed bed(config);
  bed.contact().BeginTestCommunications();
  bed.time.RunFor(400000);

  // The gaps between the probes sent at 38400, one per cycle of the search.
  std::vector<std::uint64_t> timeouts;
  const auto& sent = bed.link.SentCommands();
  for (std::size_t i = 0; i + 1 < sent.size(); ++i) {
    if (sent[i].rate == 38400 && sent[i + 1].rate == 38400 &&
        (i == 0 || sent[i - 1].rate != 38400)) {
      timeouts.push_back((sent[i + 1].atMicros - sent[i].atMicros) / 1000);
    }
  }
  ASSERT_GE(timeouts.size(), 12u);
  EXPECT_EQ(std::vector<std::uint64_t>(timeouts.begin(), timeouts.begin() + 12),
            (std::vector<std::uint64_t>{100, 150, 225, 337, 505, 757, 1135, 1702, 2553, 3829, 5000,
                                        5000}));
  EXPECT_FALSE(bed.contact().IsIdle());  // the search never gives up by itself
}

struct IdentityCase {
  const char* label;
  Identity identity;
  PowerMode mode;
  std::uint32_t deviceType;
  std::uint32_t deviceState;
  bool unexpectedDeviceBox;
  bool revisionQueried;
};

class IdentityReplies : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(IdentityReplies, DecideTheDeviceAndWhetherItIsInItsLoader) {
  const IdentityCase& c = GetParam();
  AmplifierConfig config;
  config.identity = c.identity;
  config.mode = c.mode;
  LinkTestBed bed(config);
  bed.contact().BeginTestCommunications();
  ASSERT_TRUE(bed.RunContactToEnd());

  EXPECT_EQ(bed.app.deviceType.Get(), c.deviceType);
  EXPECT_EQ(bed.app.deviceState.Get(), c.deviceState);
  const auto texts = bed.link.SentTexts();
  EXPECT_EQ(std::find(texts.begin(), texts.end(), "^RVM;") != texts.end(), c.revisionQueried);
  ASSERT_EQ(bed.prompts.boxes.size(), c.unexpectedDeviceBox ? 1u : 0u);
  if (c.unexpectedDeviceBox) {
    EXPECT_EQ(bed.prompts.boxes[0].text,
              "Connected device does not appear to be an Velqorin VLX750");
    EXPECT_EQ(bed.prompts.boxes[0].caption, "Unexpected Device");
    EXPECT_EQ(bed.prompts.boxes[0].style, 0x30u);
    // The status line follows: the device state just published speaks of a VLX.
    EXPECT_EQ(bed.status.statusLines.back(), bed.prompts.boxes[0].text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Devices, IdentityReplies,
    ::testing::Values(
        // Switched off: its loader answers "I;" and waits for the power button.
        IdentityCase{"SwitchedOffVlx750", Identity::kVlx750, PowerMode::kOff, device_type::kVlx750,
                     device_state::kWaitingInLoader, false, false},
        IdentityCase{"SwitchedOffRq7", Identity::kRq7, PowerMode::kOff, device_type::kRq7,
                     device_state::kWaitingInLoader, true, false},
        IdentityCase{"SwitchedOffTnr750", Identity::kTnr750, PowerMode::kOff, device_type::kTnr750,
                     device_state::kWaitingInLoader, true, false},
        IdentityCase{"SwitchedOffQmv1200", Identity::kQmv1200, PowerMode::kOff,
                     device_type::kQmv1200, device_state::kWaitingInLoader, true, false},
        // An operating QMV1200 names itself, then a valid revision reply makes it the amplifier.
        IdentityCase{"OperatingQmv1200", Identity::kQmv1200, PowerMode::kOperating,
                     device_type::kVlx750, device_state::kOperating, false, true}),
    ByLabel{});

TEST(EstablishContact, IdentityNamingTwoDevicesCountsAsTheFirstInTheSearchOrder) {
  AmplifierConfig config;
  config.faults.silent = true;
  LinkTestBed bed(config);
  bed.contact().BeginTestCommunications();
  bed.time.RunFor(10);
  bed.link.Deliver(";");
  bed.time.RunFor(10);
  bed.link.Deliver("VLX750 RQ7;");
  ASSERT_TRUE(bed.RunContactToEnd());
  EXPECT_EQ(bed.app.deviceType.Get(), device_type::kRq7);
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kWaitingInLoader);
  EXPECT_EQ(bed.prompts.boxes.size(), 1u);
}

struct OpenFailureCase {
  const char* label;
  std::string port;
  bool heldElsewhere;
  ErrorCode error;
  std::vector<std::string> statusLines;
};

class OpenFailures : public ::testing::TestWithParam<OpenFailureCase> {};

TEST_P(OpenFailures, EndTheRunWithTheirOwnWords) {
  const OpenFailureCase& c = GetParam();
  LinkTestBed bed;
  bed.app.port.Set(c.port);
  bed.link.SetHeldElsewhere(c.heldElsewhere);
  bed.contact().BeginTestCommunications();

  EXPECT_TRUE(bed.contact().IsIdle());
  EXPECT_EQ(bed.contact().Error(), c.error);
  EXPECT_EQ(bed.status.statusLines, c.statusLines);
  EXPECT_EQ(bed.app.portOpen.Get(), 0u);
  EXPECT_EQ(bed.app.deviceState.Get(), 0u);
  EXPECT_TRUE(bed.prompts.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Ports, OpenFailures,
    ::testing::Values(
        OpenFailureCase{"MissingDevice",
                        "/dev/ttyGONE",
                        false,
                        err::kFileNotFound,
                        {"Unable to open serial port \"/dev/ttyGONE\". Error 0x00000002: The "
                         "system cannot find the file specified."}},
        OpenFailureCase{"HeldByAnotherProgram",
                        SimulatedLink::kPortName,
                        true,
                        err::kAccessDenied,
                        {"Serial port \"/dev/ttySIM0\" is being used by another application"}},
        OpenFailureCase{"NoPortName", "", false, err::kSerialPortNameMissing, {}}),
    ByLabel{});

// Lets the amplifier answer the probe, then silences it before the identity query.
void SilenceAfterContact(LinkTestBed& bed) {
  bed.contact().BeginTestCommunications();
  ASSERT_TRUE(bed.RunUntilSent("I;"));
  bed.SilenceAmplifier();
}

TEST(EstablishContact, RevisionQueryIsSentTenTimesThenFails) {
  LinkTestBed bed;
  SilenceAfterContact(bed);
  ASSERT_TRUE(bed.RunContactToEnd());
  const auto texts = bed.link.SentTexts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "^RVM;"), 10);
  EXPECT_EQ(bed.contact().Error(), err::kNoResponseToRevisionQuery);
  EXPECT_EQ(bed.app.deviceState.Get(), 0u);
}

TEST(EstablishContact, SerialNumberOutOfRangeIsDroppedAndTheQueryFailsAtOnce) {
  LinkTestBed bed;
  bed.contact().BeginTestCommunications();
  ASSERT_TRUE(bed.RunUntilSent("^sn;"));
  bed.SilenceAmplifier();
  const std::uint64_t sentAt = bed.time.NowMicros();
  bed.link.Deliver("^SN70000;");
  ASSERT_TRUE(bed.RunContactToEnd());
  EXPECT_EQ(bed.time.NowMicros() - sentAt, 500000u);
  EXPECT_EQ(bed.contact().Error(), err::kNoResponseToSerialNumberQuery);
  EXPECT_EQ(bed.app.serialNumber.Get(), kUnknownSerialNumber);
  EXPECT_EQ(bed.app.revision.Get(), 123);  // what was read before the failure stays
  EXPECT_EQ(bed.app.deviceState.Get(), 0u);
}

TEST(EstablishContact, ReplySplitOverTwoNotificationsIsTakenOnceWhole) {
  LinkTestBed bed;
  SilenceAfterContact(bed);
  ASSERT_TRUE(bed.RunUntilSent("^RVM;"));
  RecordingListener revision;
  bed.app.revision.Subscribe(revision);

  bed.link.Deliver("^RVM01");
  bed.time.RunFor(5);
  EXPECT_TRUE(revision.received.empty());
  bed.link.Deliver(".23;");
  bed.time.RunFor(5);
  EXPECT_EQ(revision.received.size(), 1u);
  EXPECT_EQ(bed.app.revision.Get(), 123);
  EXPECT_EQ(bed.link.SentTexts().back(), "^sn;");
}

TEST(EstablishContact, TwoRepliesInOneBurstAreTakenOnePerNotification) {
  LinkTestBed bed;
  SilenceAfterContact(bed);
  ASSERT_TRUE(bed.RunUntilSent("^RVM;"));

  // The lone ";" is not a revision and is dropped; the revision waits in the queue.
  bed.link.Deliver(";^RVM02.05;");
  bed.time.RunFor(5);
  EXPECT_EQ(bed.app.revision.Get(), 0);
  bed.link.Deliver("x");
  bed.time.RunFor(5);
  EXPECT_EQ(bed.app.revision.Get(), 205);
}

TEST(EstablishContact, CancelTakesEffectAtTheNextSend) {
  LinkTestBed bed;
  EXPECT_FALSE(bed.contact().Cancel());  // idle: nothing to cancel
  SilenceAfterContact(bed);
  ASSERT_TRUE(bed.RunUntilSent("^RVM;"));
  EXPECT_TRUE(bed.contact().Cancel());
  bed.time.RunFor(499);
  EXPECT_FALSE(bed.contact().IsIdle());  // a waiting state is not interrupted
  ASSERT_TRUE(bed.RunContactToEnd());
  const auto texts = bed.link.SentTexts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "^RVM;"), 1);
  EXPECT_EQ(bed.contact().Error(), err::kCancelled);
  EXPECT_EQ(bed.app.deviceState.Get(), 0u);
}

TEST(EstablishContact, NewTestDuringTheSearchReopensAndStartsAgainAt38400) {
  AmplifierConfig config;
  config.faults.silent = true;
  LinkTestBed bed(config);
  bed.contact().BeginTestCommunications();
  bed.time.RunFor(1000);  // well into the search, at a lower rate
  ASSERT_NE(bed.link.Rate(), 38400u);
  const std::size_t sentBefore = bed.link.SentCommands().size();

  bed.contact().BeginTestCommunications();
  EXPECT_EQ(bed.link.Opens(), 2u);
  EXPECT_EQ(bed.status.verboseLines.back(), "Opening Serial Port /dev/ttySIM0");
  EXPECT_EQ(bed.status.verboseLines[bed.status.verboseLines.size() - 2],
            "Serial port /dev/ttySIM0 is closed");
  bed.time.RunFor(450);
  const auto& sent = bed.link.SentCommands();
  ASSERT_EQ(sent.size(), sentBefore + 5);
  EXPECT_EQ(sent[sentBefore + 3].rate, 38400u);
  EXPECT_EQ(sent[sentBefore + 1].atMicros - sent[sentBefore].atMicros, 100000u);
  EXPECT_EQ(sent[sentBefore + 4].rate, 19200u);
}

TEST(EstablishContact, ClosePortForgetsTheDevice) {
  LinkTestBed bed;
  bed.contact().BeginTestCommunications();
  ASSERT_TRUE(bed.RunContactToEnd());
  ASSERT_EQ(bed.app.deviceState.Get(), device_state::kOperating);

  bed.contact().BeginClosePort();
  EXPECT_TRUE(bed.contact().IsIdle());
  EXPECT_FALSE(bed.link.IsOpen());
  EXPECT_EQ(bed.app.portOpen.Get(), 0u);
  EXPECT_EQ(bed.app.deviceState.Get(), 0u);
  EXPECT_EQ(bed.app.revision.Get(), 0);
  EXPECT_EQ(bed.app.serialNumber.Get(), kUnknownSerialNumber);
  EXPECT_EQ(bed.app.deviceType.Get(), device_type::kNone);
}

// The device type belongs to the device that answered in this run: closing the port, and closing
// it again (Refresh Port List), must not report the foreign device a second time.
TEST(EstablishContact, AForeignDeviceIsReportedOnlyForTheRunItAnsweredIn) {
  AmplifierConfig config;
  config.identity = Identity::kRq7;
  config.mode = PowerMode::kOff;
  LinkTestBed bed(config);
  bed.contact().BeginTestCommunications();
  ASSERT_TRUE(bed.RunContactToEnd());
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);

  bed.contact().BeginClosePort();  // Close Port
  EXPECT_EQ(bed.app.deviceType.Get(), device_type::kNone);
  bed.contact().BeginClosePort();  // Refresh Port List, the port closed already
  ASSERT_TRUE(bed.RunContactToEnd());
  EXPECT_EQ(bed.prompts.boxes.size(), 1u);

  bed.contact().BeginTestCommunications();  // it answers again: a box for this run
  ASSERT_TRUE(bed.RunContactToEnd());
  EXPECT_EQ(bed.prompts.boxes.size(), 2u);
}

// The search's next send fails on the pulled adapter: that ends it, without a box, and a later
// test finds the amplifier again.
TEST(EstablishContact, AdapterPulledDuringTheSearchEndsItSilentlyAndANewTestRecovers) {
  AmplifierConfig config;
  config.operatingRate = 9600;
  LinkTestBed bed(config);
  bed.contact().BeginTestCommunications();
  bed.time.RunFor(150);
  bed.link.Unplug();
  bed.time.RunFor(3000);
  EXPECT_TRUE(bed.prompts.boxes.empty());
  EXPECT_TRUE(bed.contact().IsIdle());
  EXPECT_EQ(bed.contact().Error(), err::kDeviceRemoved);
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kNotResponding);

  bed.link.PlugIn();
  bed.contact().BeginTestCommunications();
  ASSERT_TRUE(bed.RunContactToEnd());
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
  EXPECT_EQ(bed.app.Serial().Speed(), 9600u);
}

TEST(EstablishContact, QueryRevisionOnlyStartsWhenIdle) {
  LinkTestBed bed;
  bed.contact().BeginTestCommunications();
  EXPECT_FALSE(bed.contact().BeginQueryRevision());
  ASSERT_TRUE(bed.RunContactToEnd());
  const std::size_t sentBefore = bed.link.SentCommands().size();
  EXPECT_TRUE(bed.contact().BeginQueryRevision());
  ASSERT_TRUE(bed.RunContactToEnd());
  const auto texts = bed.link.SentTexts();
  EXPECT_EQ(std::vector<std::string>(texts.begin() + sentBefore, texts.end()),
            (std::vector<std::string>{"^RVM;", "^sn;"}));
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
}

TEST(EstablishContact, TraceShowsRepliesInPrintableForm) {
  AmplifierConfig config;
  config.faults.silent = true;
  LinkTestBed bed(config);
  std::vector<std::string>& traced = bed.status.traceLines;
  bed.app.trace.Set(1);
  bed.contact().BeginTestCommunications();
  bed.time.RunFor(7);
  bed.link.Deliver("\r\n;");
  bed.time.RunFor(1);
  EXPECT_NE(std::find(traced.begin(), traced.end(), "EstablishContactState Send \";\""),
            traced.end());
  EXPECT_NE(std::find(traced.begin(), traced.end(),
                      "EstablishContactState Response \"\\x0D\\x0A;\"   7 ms"),
            traced.end());

  bed.app.trace.Set(0);
  traced.clear();
  bed.time.RunFor(300);
  for (const auto& line : traced) {
    EXPECT_EQ(line.find("Send"), std::string::npos) << line;  // no trace lines while it is off
  }
}

}  // namespace
}  // namespace vlx::test
