// The steps around a firmware load, with a stand-in for the load itself, in virtual time against
// the simulated amplifier.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "firmware/SendFirmwareSequence.h"
#include "link/EstablishContactMachine.h"
#include "support/CaseNames.h"
#include "support/Conversation.h"
#include "support/LinkTestBed.h"

namespace vlx::test {
namespace {

using vlxsim::AmplifierConfig;
using vlxsim::Identity;
using vlxsim::PowerMode;

const FirmwareFileInfo kFirmware{152, "/fw/VLX750fp0152.hex"};

// Stands in for the Sending Firmware dialog: notes what the load would have found, lets
// `during` act (time passing, the rate found after the reset) and answers `outcome`.
class FakeLoadHost final : public SendFirmwareHost {
 public:
  explicit FakeLoadHost(LinkTestBed& bed) : bed_(bed) {}

  void AppendLogLine(const std::string& line) override { log.push_back(line); }
  LoadOutcome RunLoad() override {
    ++loads;
    rateDuringLoad = bed_.app.Serial().Speed();
    pathDuringLoad = bed_.app.AvailableFirmwarePath();
    revisionDuringLoad = bed_.app.availableRevision.Get();
    sentBeforeLoad = Conversation(bed_.link);
    if (during) {
      during();
    }
    return outcome;
  }

  std::vector<std::string> log;
  int loads = 0;
  std::uint32_t rateDuringLoad = 0;
  std::string pathDuringLoad;
  std::uint16_t revisionDuringLoad = 0;
  std::vector<std::string> sentBeforeLoad;
  std::function<void()> during;
  LoadOutcome outcome = LoadOutcome::kSucceeded;

 private:
  LinkTestBed& bed_;
};

AmplifierConfig Amplifier(std::uint32_t rate, PowerMode mode = PowerMode::kOperating,
                          Identity identity = Identity::kVlx750) {
  AmplifierConfig config;
  config.operatingRate = rate;
  config.mode = mode;
  config.identity = identity;
  return config;
}

// The amplifier found as the program finds it at start-up; what the search said is forgotten.
void Contact(LinkTestBed& bed) {
  bed.contact().BeginTestCommunications();
  ASSERT_TRUE(bed.RunContactToEnd());
  bed.prompts.boxes.clear();
  bed.status.statusLines.clear();
  bed.status.verboseLines.clear();
}

// The time the new test of the link after a load takes before the sequence ends (the port is
// opened again and given its settling time).
std::uint32_t RetestMs() {
  LinkTestBed bed;
  Contact(bed);
  const std::uint32_t start = bed.time.TickCount();
  bed.contact().BeginTestCommunications();
  return bed.time.TickCount() - start;
}

TEST(SendFirmwareSequence, At9600SwitchesTo38400ForTheLoadAndBackAfter) {
  LinkTestBed bed(Amplifier(9600));
  Contact(bed);
  ASSERT_EQ(bed.app.Serial().Speed(), 9600u);
  const std::size_t sentAtContact = bed.link.SentCommands().size();
  FakeLoadHost host(bed);
  bed.app.verboseLogging.Set(1);
  bed.app.firmwareFolder.Set("/fw");

  EXPECT_EQ(SendFirmwareSequence(bed.app, host).Send("/fw", kFirmware), LoadOutcome::kSucceeded);

  EXPECT_EQ(host.loads, 1);
  EXPECT_EQ(host.rateDuringLoad, 38400u);
  EXPECT_EQ(host.pathDuringLoad, kFirmware.path);
  EXPECT_EQ(host.revisionDuringLoad, 152);
  const std::vector<std::string> sent = Conversation(bed.link);
  ASSERT_GE(sent.size(), sentAtContact + 2);
  EXPECT_EQ(host.sentBeforeLoad.back(), "^brp3;@9600");
  EXPECT_EQ(sent[sentAtContact + 1], "^brp1;@38400");
  EXPECT_EQ(host.log, (std::vector<std::string>{"Change RS-232 speed to 38400 bit/s",
                                                "Change RS-232 speed to 9600 bit/s"}));
  // The link is tested again, and found where it was.
  EXPECT_FALSE(bed.contact().IsIdle());
  ASSERT_TRUE(bed.RunContactToEnd());
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
  EXPECT_EQ(bed.app.Serial().Speed(), 9600u);
  EXPECT_EQ(bed.status.verboseLines.front(), "Sending firmware from /fw");
  EXPECT_TRUE(bed.prompts.boxes.empty());
}

TEST(SendFirmwareSequence, AFailedLoadStillRestoresTheRate) {
  LinkTestBed bed(Amplifier(19200));
  Contact(bed);
  FakeLoadHost host(bed);
  host.outcome = LoadOutcome::kFailed;

  EXPECT_EQ(SendFirmwareSequence(bed.app, host).Send("/fw", kFirmware), LoadOutcome::kFailed);
  EXPECT_EQ(host.log.back(), "Change RS-232 speed to 19200 bit/s");
  EXPECT_EQ(Conversation(bed.link)[host.sentBeforeLoad.size()], "^brp2;@38400");
}

// A load that began in the loader keeps the rate the load machine found after the reset; a
// failed one goes back to the rate the loader was found at.
TEST(SendFirmwareSequence, AGoodLoadFromTheLoaderKeepsTheRateFoundAfterTheReset) {
  for (const LoadOutcome outcome : {LoadOutcome::kSucceeded, LoadOutcome::kFailed}) {
    LinkTestBed bed(Amplifier(9600, PowerMode::kOff));
    Contact(bed);
    ASSERT_EQ(bed.app.deviceState.Get(), device_state::kWaitingInLoader);
    ASSERT_EQ(bed.app.Serial().Speed(), 38400u);
    FakeLoadHost host(bed);
    host.outcome = outcome;
    host.during = [&bed] { bed.app.SetPortSpeed(19200); };

    SendFirmwareSequence(bed.app, host).Send("/fw", kFirmware);
    EXPECT_EQ(host.loads, 1);
    EXPECT_EQ(host.log, outcome == LoadOutcome::kSucceeded
                            ? std::vector<std::string>{}
                            : std::vector<std::string>{"Change RS-232 speed to 38400 bit/s"});
  }
}

TEST(SendFirmwareSequence, ElapsedTimeIsRoundedToWholeSeconds) {
  struct Case {
    std::uint32_t totalMs;
    const char* line;
  };
  const std::uint32_t retestMs = RetestMs();
  ASSERT_LT(retestMs, 499u);
  for (const Case c : {Case{1499, "Elapsed time: 1 seconds"}, Case{1500, "Elapsed time: 2 seconds"},
                       Case{499, "Elapsed time: 0 seconds"}}) {
    LinkTestBed bed(Amplifier(38400));
    Contact(bed);
    FakeLoadHost host(bed);
    host.during = [&bed, &c, retestMs] { bed.time.RunFor(c.totalMs - retestMs); };

    SendFirmwareSequence(bed.app, host).Send("/fw", kFirmware);
    ASSERT_GE(bed.status.verboseLines.size(), 2u);
    EXPECT_EQ(bed.status.verboseLines[bed.status.verboseLines.size() - 1], c.line);
    EXPECT_EQ(bed.status.statusLines.back(), "Ready");
    EXPECT_TRUE(host.log.empty()) << "no speed change at 38400";
  }
}

struct RefusalCase {
  const char* label;
  AmplifierConfig amplifier;
  bool contact;  // found before the send
  FirmwareFileInfo firmware;
  std::vector<std::string> boxes;
  std::vector<std::string> log;
};

class SendFirmwareRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(SendFirmwareRefusal, NothingIsSentAndTheLinkIsTestedAgain) {
  const RefusalCase& c = GetParam();
  LinkTestBed bed(c.amplifier);
  if (c.contact) {
    Contact(bed);
  }
  const std::size_t sentBefore = bed.link.SentCommands().size();
  FakeLoadHost host(bed);

  EXPECT_EQ(SendFirmwareSequence(bed.app, host).Send("/fw", c.firmware), LoadOutcome::kNotRun);

  EXPECT_EQ(host.loads, 0);
  EXPECT_EQ(host.log, c.log);
  std::vector<std::string> boxes;
  for (const auto& box : bed.prompts.boxes) {
    boxes.push_back(box.caption + ": " + box.text);
  }
  EXPECT_EQ(boxes, c.boxes);
  if (!c.boxes.empty()) {
    // A failure report is also the status line (before "Ready").
    const auto& lines = bed.status.statusLines;
    EXPECT_NE(std::find(lines.begin(), lines.end(), bed.prompts.boxes.front().text), lines.end());
  }
  for (std::size_t i = sentBefore; i < bed.link.SentCommands().size(); ++i) {
    EXPECT_EQ(bed.link.SentCommands()[i].bytes.find("^brp"), std::string::npos);
  }
  EXPECT_EQ(bed.app.AvailableFirmwarePath(), "");
  EXPECT_EQ(bed.status.statusLines.back(), "Ready");
}

INSTANTIATE_TEST_SUITE_P(
    Checks, SendFirmwareRefusal,
    ::testing::Values(RefusalCase{"NoFirmwareFile",
                                  Amplifier(9600),
                                  true,
                                  FirmwareFileInfo{},
                                  {"Error: A required firmware file is missing"},
                                  {}},
                      RefusalCase{"AmplifierNotResponding",
                                  Amplifier(9600),
                                  false,
                                  kFirmware,
                                  {"Error: VLX is not responding"},
                                  {}},
                      RefusalCase{"AnotherDevice",
                                  Amplifier(38400, PowerMode::kOff, Identity::kQmv1200),
                                  true,
                                  kFirmware,
                                  {},
                                  {"Unexpected device 9\n"}},
                      RefusalCase{"FileOfAnotherName",
                                  Amplifier(9600),
                                  true,
                                  FirmwareFileInfo{152, "/fw/firmware0152.hex"},
                                  {},
                                  {"Unexpected firmware filename for device"}}),
    ByLabel());

}  // namespace
}  // namespace vlx::test
