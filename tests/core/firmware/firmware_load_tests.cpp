// The firmware load machine against the simulated amplifier, in virtual time: a whole load, the
// ways into the loader, rejections and time-outs, the search after the reset, cancelling and
// abandoning.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "firmware/FirmwareLoadMachine.h"
#include "firmware/UnfinishedLoad.h"
#include "report/ErrorText.h"
#include "report/RevisionText.h"
#include "report/TextFormat.h"
#include "support/CaseNames.h"
#include "support/Conversation.h"
#include "support/FirmwareLoadBed.h"

namespace vlx::test {
namespace {

using Kind = vlxsim::FrameFault::Kind;

// The amplifier's frames of a load from an operating amplifier: "I;", "^LDM;", "D", then the
// packets (and the fill bytes the loader frames).
constexpr std::uint32_t kFirstPacketFrame = 3;
constexpr const char* kSendFailedAt = "Send VLX750 firmware failed at load address 0x%06X";

vlxsim::Faults OnFrames(std::uint32_t first, std::uint32_t count, vlxsim::FrameFault fault) {
  vlxsim::Faults faults;
  for (std::uint32_t frame = first; frame < first + count; ++frame) {
    fault.frame = frame;
    faults.frames.push_back(fault);
  }
  return faults;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The activity lines of a packet's resends `from` to `to` of `limit` for `cause` ("no answer" or
// "rejected"), each after a resynchronisation when `resync`.
std::vector<std::string> Resends(std::uint32_t address, const char* cause, std::uint32_t from,
                                 std::uint32_t to, std::uint32_t limit, bool resync) {
  std::vector<std::string> lines;
  for (std::uint32_t retry = from; retry <= to; ++retry) {
    if (resync) {
      lines.push_back("Resynchronising with the loader");
    }
    lines.push_back(
        FormatText("Packet at 0x%06X: %s, retry %u of %u", {address, cause, retry, limit}));
  }
  return lines;
}

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> lines;
  for (const auto& part : parts) {
    lines.insert(lines.end(), part.begin(), part.end());
  }
  return lines;
}

TEST(FirmwareLoad, SendsTheWholeImageAndReadsTheNewRevision) {
  vlxsim::AmplifierConfig config = FirmwareLoadBed::Amplifier();
  config.processingDelayMs = 0;
  FirmwareLoadBed bed(config);
  bed.Connect();
  bed.recorder.deviceStates.clear();
  bed.recorder.revisions.clear();
  RecordUnfinishedLoad(bed.app.Store(), SimulatedLink::kPortName);
  const std::uint64_t startMicros = bed.time.NowMicros();
  ASSERT_TRUE(bed.StartLoad());
  ASSERT_TRUE(bed.RunLoadToEnd());

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kSuccess});
  // The amplifier an earlier load left in its loader has its firmware now.
  EXPECT_EQ(UnfinishedLoadPort(bed.app.Store()), "");
  // Every block in address order, the first with DE AD in place of its word (00 08 00), the
  // second at 40 08 00, the last regular one at 40 FD 01; then the final packet: the first block
  // with the word the load filled in, at 00 08 02.
  const std::vector<std::string> packets = bed.Packets();
  ASSERT_EQ(packets, vlxsim::test::ProgramPackets(bed.image));
  EXPECT_EQ(packets[0].substr(0, 2), "\xDE\xAD");
  EXPECT_EQ(packets[0].substr(64, 3), std::string("\x00\x08\x00", 3));
  EXPECT_EQ(packets[1].substr(64, 3), std::string("\x40\x08\x00", 3));
  EXPECT_EQ(packets[2005].substr(64, 3), std::string("\x40\xFD\x01", 3));
  EXPECT_EQ(packets[2006].substr(0, 2), bed.image.substr(0, 2));
  EXPECT_EQ(packets[2006].substr(64, 3), std::string("\x00\x08\x02", 3));
  EXPECT_TRUE(bed.link.Model().Images().SumsToZero());

  // "I;" unanswered by the operating amplifier, "^LDM;", "D", the packets, then the search.
  const std::vector<std::string> sent = Conversation(bed.link);
  const std::size_t before = sent.size() - packets.size() - 3;
  EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + before),
            (std::vector<std::string>{";@38400", "I;@38400", "^RVM;@38400", "^sn;@38400",
                                      "I;@38400", "^LDM;@38400", "D@38400"}));
  EXPECT_EQ(std::vector<std::string>(sent.end() - 3, sent.end()),
            (std::vector<std::string>{";@38400", "^RVM;@38400", "^sn;@38400"}));

  // StartLoad shows the empty bar before the first packet moves it.
  std::vector<std::uint32_t> progress{0};
  for (std::uint32_t position = 0; position <= 8024; position += 4) {
    progress.push_back(position);
  }
  EXPECT_EQ(bed.recorder.progress, progress);
  EXPECT_EQ(bed.app.progressRange.Get(), 8024u);
  EXPECT_EQ(bed.recorder.deviceStates,
            (std::vector<std::uint32_t>{device_state::kWaitingInLoader, device_state::kOperating}));
  EXPECT_EQ(bed.recorder.revisions,
            (std::vector<std::uint16_t>{revision::kLoading, FirmwareLoadBed::kLoaded}));
  EXPECT_EQ(bed.recorder.lines,
            (std::vector<std::string>{
                "Sending firmware file " + bed.app.AvailableFirmwarePath() + " to VLX750",
                "Waiting 6 seconds for reset to complete"}));
  EXPECT_EQ(bed.status.statusLines.back(), "Waiting 6 seconds for reset to complete");
  EXPECT_EQ(bed.Load().TotalRetries(), 0u);
  EXPECT_EQ(bed.Load().VerifyRevision(false), err::kSuccess);

  // 2,007 packets of 68 bytes and their acknowledgements at 38400 bit/s, the "^LDM;" wait and
  // the reset wait; the short exchanges ("I;" with its time-out, "D", the probe, "^RVM;",
  // "^sn;") are their own term.
  const double idealMs = 2007 * 69 * 10 * 1000.0 / 38400 + 2000 + 5500;
  const double elapsedMs = (bed.time.NowMicros() - startMicros) / 1000.0;
  EXPECT_GE(elapsedMs, idealMs);
  EXPECT_LE(elapsedMs, idealMs * 1.02 + 210);
}

TEST(FirmwareLoad, TracesEachPacketInHexadecimalOnlyWithTraceOn) {
  FirmwareLoadBed bed;
  bed.app.trace.Set(1);
  ASSERT_TRUE(bed.StartLoad());
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.PacketsSent() == 2; }, 10000));
  bed.app.trace.Set(0);
  ASSERT_TRUE(bed.RunLoadToEnd());

  std::string hex;
  const std::string first = bed.Packets()[0];
  for (const char c : first) {
    hex += FormatText("%02X", {static_cast<std::uint32_t>(static_cast<std::uint8_t>(c))});
  }
  EXPECT_TRUE(Contains(bed.recorder.lines, "LoadFirmwareInitialState Send 68 bytes 0x" + hex));
  const auto packetTraces = std::count_if(
      bed.recorder.lines.begin(), bed.recorder.lines.end(),
      [](const std::string& line) { return line.find(" Send 68 bytes") != line.npos; });
  EXPECT_EQ(packetTraces, 2);
}

// How the machine gets into the loader.

struct EntryCase {
  const char* label;
  vlxsim::PowerMode mode;            // how the amplifier was found
  vlxsim::Faults faults;             // from the load's start
  std::vector<std::string> opening;  // what the program sends first
  ErrorCode code;                    // kSuccess: the packets begin
};

class LoaderEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(LoaderEntry, EntersTheLoaderOrEndsWithItsCode) {
  const EntryCase& c = GetParam();
  vlxsim::AmplifierConfig config = FirmwareLoadBed::Amplifier();
  config.mode = c.mode;
  FirmwareLoadBed bed(config);
  bed.Connect();
  bed.link.SetFaults(c.faults);
  const std::size_t contactSends = bed.link.SentCommands().size();
  const std::uint32_t stateBefore = bed.app.deviceState.Get();
  ASSERT_TRUE(bed.StartLoad());
  if (c.code == err::kSuccess) {
    ASSERT_TRUE(bed.time.RunUntil([&] { return bed.PacketsSent() > 0; }, 30000));
  } else {
    ASSERT_TRUE(bed.RunLoadToEnd());
    EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{c.code});
  }
  std::vector<std::string> sent = Conversation(bed.link);
  sent.erase(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(contactSends));
  sent.resize(std::min(sent.size(), c.opening.size()));
  EXPECT_EQ(sent, c.opening);

  if (c.code == err::kUnexpectedDevice) {
    EXPECT_EQ(bed.app.deviceState.Get(), stateBefore);
  }
  if (c.code == err::kLoaderNoD) {
    EXPECT_EQ(bed.recorder.lines.back(),
              "VLX Bootstrap Loader did not echo \"D\"\r\nRemove power and retry firmware load");
    EXPECT_EQ(bed.app.revision.Get(), revision::kUnknown);
    EXPECT_EQ(bed.app.serialNumber.Get(), kUnknownSerialNumber);
    EXPECT_EQ(bed.app.deviceState.Get(), device_state::kNotResponding);
  }
}

using vlxsim::PowerMode;

INSTANTIATE_TEST_SUITE_P(
    Cases, LoaderEntry,
    ::testing::Values(
        // Waiting in its loader already: no "^LDM;", no 2-second wait.
        EntryCase{"AlreadyInLoader", PowerMode::kOff, {}, {"I;@38400", "D@38400"}, err::kSuccess},
        EntryCase{"SilentWhileOperating",
                  PowerMode::kOperating,
                  {},
                  {"I;@38400", "^LDM;@38400", "D@38400"},
                  err::kSuccess},
        EntryCase{"EchoAfterNoise",
                  PowerMode::kOperating,
                  OnFrames(2, 1, {0, Kind::kReplace, 0, "xD"}),
                  {"I;@38400", "^LDM;@38400", "D@38400"},
                  err::kSuccess},
        EntryCase{"AnotherDevice",
                  PowerMode::kOperating,
                  OnFrames(0, 1, {0, Kind::kReplace, 0, "TNR750;"}),
                  {"I;@38400"},
                  err::kUnexpectedDevice},
        EntryCase{"NoEcho",
                  PowerMode::kOperating,
                  OnFrames(2, 1, {0, Kind::kNoAnswer, 0, {}}),
                  {"I;@38400", "^LDM;@38400", "D@38400"},
                  err::kLoaderNoD}),
    ByLabel{});

// Rejected and unanswered packets.

struct RetryCase {
  const char* label;
  vlxsim::LoaderKind loader;
  vlxsim::PacketFaults faults;
  bool answerFillBytesOnly;  // the loader hears no packet, but the test answers each ";" "N"
  std::uint32_t retryLimit;  // FirmwareLoadRetryLimit
  ErrorCode code;
  std::string block;       // address bytes of the block that needed retries
  std::size_t blockSends;  // how often that block went out
  std::size_t fillBytes;   // ";" sent during the transfer
  std::string line;        // what the log says of it
  // The activity line as it changes: a resend, a resynchronisation, "" when packets flow again.
  std::vector<std::string> activity;
};

class PacketRetries : public ::testing::TestWithParam<RetryCase> {};

TEST_P(PacketRetries, ResendResynchroniseOrFailAsTheLimitsSay) {
  const RetryCase& c = GetParam();
  vlxsim::AmplifierConfig config = FirmwareLoadBed::Amplifier();
  config.loader = c.loader;
  config.faults.packets = c.faults;
  FirmwareLoadBed bed(config);
  bed.app.firmwareLoadRetryLimit.Set(c.retryLimit);
  ASSERT_TRUE(bed.StartLoad());
  if (c.answerFillBytesOnly) {
    std::size_t answered = 0;
    while (!bed.Load().IsIdle() && bed.time.NowMicros() < 120000000) {
      const auto& sent = bed.link.SentCommands();
      bed.time.RunUntil([&] { return bed.Load().IsIdle() || sent.size() > answered; }, 10000);
      for (; answered < sent.size(); ++answered) {
        if (sent[answered].bytes == ";") {
          bed.link.Deliver("N");
        }
      }
    }
  }
  ASSERT_TRUE(bed.RunLoadToEnd(200000));

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{c.code});
  const std::vector<std::string> packets = bed.Packets();
  EXPECT_EQ(std::count_if(packets.begin(), packets.end(),
                          [&](const std::string& p) { return p.substr(64, 3) == c.block; }),
            static_cast<std::ptrdiff_t>(c.blockSends));
  const std::vector<std::string> sent = bed.link.SentTexts();
  const auto firstPacket = std::find(sent.begin(), sent.end(), packets.front());
  const auto lastPacket = std::find(sent.rbegin(), sent.rend(), packets.back()).base();
  EXPECT_EQ(static_cast<std::size_t>(std::count(firstPacket, lastPacket, ";")), c.fillBytes);
  EXPECT_TRUE(Contains(bed.recorder.lines, c.line)) << c.line;
  std::vector<std::string> activity;
  for (const LoadActivity& event : bed.recorder.activities) {
    activity.push_back(LoadActivityText(event));
  }
  EXPECT_EQ(activity, c.activity);
  if (c.code == err::kSuccess) {
    EXPECT_EQ(bed.Load().HighestRetries(), c.blockSends - 1);
    EXPECT_EQ(bed.Load().TotalRetries(), c.blockSends - 1);
  } else {
    EXPECT_EQ(bed.recorder.lines.back(), c.line);
    EXPECT_EQ(bed.app.deviceState.Get(), device_state::kNotResponding);
    EXPECT_EQ(bed.app.revision.Get(), revision::kLoading);
  }
}

using vlxsim::LoaderKind;
using vlxsim::PacketFaults;
const std::string kFirstBlock("\x00\x08\x00", 3);

INSTANTIATE_TEST_SUITE_P(
    Cases, PacketRetries,
    ::testing::Values(
        RetryCase{"RejectedOnce", LoaderKind::kFramesFillBytes, PacketFaults{.rejectFirst = 1},
                  false, 10, err::kSuccess, kFirstBlock, 2, 0,
                  "Retry 1 successful at address 0x000840",
                  Joined({Resends(0x800, "rejected", 1, 1, 9, false), {""}})},
        // Five resends at once; the sixth "N" resynchronises. This loader frames the fill bytes,
        // so a whole packet of them comes back "N".
        RetryCase{"ResyncAtTheSixthRejection", LoaderKind::kFramesFillBytes,
                  PacketFaults{.rejectFirst = 6}, false, 10, err::kSuccess, kFirstBlock, 7, 68,
                  "Retry 6 successful at address 0x000840, 68 fill bytes",
                  Joined({Resends(0x800, "rejected", 1, 5, 9, false),
                          Resends(0x800, "rejected", 6, 6, 9, true),
                          {""}})},
        RetryCase{"ResyncAtTheSixthRejectionAnsweringFillBytes", LoaderKind::kAnswersFillBytes,
                  PacketFaults{.rejectFirst = 6}, false, 10, err::kSuccess, kFirstBlock, 7, 1,
                  "Retry 6 successful at address 0x000840, 1 fill bytes",
                  Joined({Resends(0x800, "rejected", 1, 5, 9, false),
                          Resends(0x800, "rejected", 6, 6, 9, true),
                          {""}})},
        // Three bytes of the block at 0x000840 are lost: three fill bytes complete it, and the
        // address logged is the one after the block.
        RetryCase{"ThreeFillBytes", LoaderKind::kFramesFillBytes,
                  PacketFaults{.lose = 2, .loseBytes = 3}, false, 10, err::kSuccess,
                  std::string("\x40\x08\x00", 3), 2, 3,
                  "Retry 1 successful at address 0x000880, 3 fill bytes",
                  Joined({Resends(0x840, "no answer", 1, 1, 10, true), {""}})},
        RetryCase{"FailsAtTheTenthRejection", LoaderKind::kFramesFillBytes,
                  PacketFaults{.rejectFirst = 1000}, false, 10, err::kRetryLimitExhausted,
                  kFirstBlock, 10, 68, "Send VLX750 firmware failed at load address 0x000840",
                  Joined({Resends(0x800, "rejected", 1, 5, 9, false),
                          Resends(0x800, "rejected", 6, 6, 9, true),
                          Resends(0x800, "rejected", 7, 9, 9, false)})},
        RetryCase{"ElevenTimeOutsAtLimitTen", LoaderKind::kFramesFillBytes,
                  PacketFaults{.silentFrom = 1}, true, 10, err::kNoResponseToFirmwarePacket,
                  kFirstBlock, 11, 10, "Send VLX750 firmware failed at load address 0x000840",
                  Resends(0x800, "no answer", 1, 10, 10, true)},
        RetryCase{"SixTimeOutsAtLimitFive", LoaderKind::kFramesFillBytes,
                  PacketFaults{.silentFrom = 1}, true, 5, err::kNoResponseToFirmwarePacket,
                  kFirstBlock, 6, 5, "Send VLX750 firmware failed at load address 0x000840",
                  Resends(0x800, "no answer", 1, 5, 5, true)}),
    ByLabel{});

// Finding the amplifier again after its reset.

struct AfterResetCase {
  const char* label;
  vlxsim::BootFaults boot;
  bool silentAfterReset;
  ErrorCode code;
  std::vector<std::string> ending;  // the end of the conversation
  ErrorCode verified;               // what VerifyRevision says after a clean run
};

class AfterReset : public ::testing::TestWithParam<AfterResetCase> {};

TEST_P(AfterReset, FindsTheSpeedAndReadsTheRevisionOrEndsWithItsCode) {
  const AfterResetCase& c = GetParam();
  vlxsim::AmplifierConfig config = FirmwareLoadBed::Amplifier();
  config.faults.boot = c.boot;
  FirmwareLoadBed bed(config);
  ASSERT_TRUE(bed.StartLoad());
  if (c.silentAfterReset) {
    ASSERT_TRUE(bed.RunUntilState("LoadWaitResetState"));
    bed.SilenceAmplifier();
  }
  ASSERT_TRUE(bed.RunLoadToEnd());

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{c.code});
  const std::vector<std::string> sent = Conversation(bed.link);
  ASSERT_GE(sent.size(), c.ending.size());
  EXPECT_EQ(std::vector<std::string>(sent.end() - static_cast<std::ptrdiff_t>(c.ending.size()),
                                     sent.end()),
            c.ending);
  if (c.code == err::kSuccess) {
    EXPECT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
    bed.recorder.lines.clear();
    EXPECT_EQ(bed.Load().VerifyRevision(false), c.verified);
    EXPECT_EQ(bed.recorder.lines.size(), c.verified == err::kSuccess ? 0u : 1u);
    EXPECT_EQ(bed.Load().VerifyRevision(true), c.verified);
    EXPECT_EQ(bed.recorder.lines.back(),
              FormatText("Loaded VLX750 firmware revision \"01.24\"\r\nVLX responded with "
                         "revision \"%s\"",
                         {RevisionText(bed.app.revision.Get())}));
  } else {
    EXPECT_EQ(bed.app.deviceState.Get(), device_state::kNotResponding);
    EXPECT_EQ(bed.app.revision.Get(), revision::kLoading);
  }
}

std::vector<std::string> SpeedSearch(std::size_t polls) {
  std::vector<std::string> sent;
  std::uint32_t rate = 38400;
  for (std::size_t i = 0; i < polls; ++i) {
    if (i > 0 && i % 4 == 0) {
      rate = rate == 4800 ? 38400 : rate / 2;
    }
    sent.push_back(";@" + std::to_string(rate));
  }
  return sent;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AfterReset,
    ::testing::Values(
        AfterResetCase{"AtItsOwnRate",
                       {},
                       false,
                       err::kSuccess,
                       Concat({SpeedSearch(1), {"^RVM;@38400", "^sn;@38400"}}),
                       err::kSuccess},
        // 38400 and 19200 four polls each: found at the ninth.
        AfterResetCase{"At9600",
                       {.rate = 9600},
                       false,
                       err::kSuccess,
                       Concat({SpeedSearch(9), {"^RVM;@9600", "^sn;@9600"}}),
                       err::kSuccess},
        AfterResetCase{"AnotherRevision",
                       {.revision = 200},
                       false,
                       err::kSuccess,
                       {";@38400", "^RVM;@38400", "^sn;@38400"},
                       err::kRevisionVerificationFailed},
        // Twenty rates, four polls each.
        AfterResetCase{
            "Never", {}, true, err::kNoResponseAfterReset, SpeedSearch(80), err::kSuccess},
        // Still in its loader: it answers the probe, but not the revision query.
        AfterResetCase{"LoaderOnly",
                       {.noBoot = true},
                       false,
                       err::kNoResponseToRevisionQuery,
                       Concat({SpeedSearch(1), Repeat("^RVM;@38400", 10)}),
                       err::kSuccess}),
    ByLabel{});

// Cancel takes effect at the next engine send: before the transfer, in a resynchronisation, or
// at the first probe after the reset; never in the middle of the packets.

struct CancelCase {
  const char* label;
  vlxsim::PacketFaults faults;
  std::string cancelIn;            // the state current when Cancel comes
  std::size_t afterPackets;        // ...once this many packets are out
  std::size_t packetsSent;         // packets on the wire in all
  std::vector<std::string> lines;  // the log's last lines
  bool forgetsDevice = false;      // the amplifier waits in its loader: what was known goes
};

class CancelLoad : public ::testing::TestWithParam<CancelCase> {};

TEST_P(CancelLoad, EndsWithCancelledAtTheNextSend) {
  const CancelCase& c = GetParam();
  vlxsim::AmplifierConfig config = FirmwareLoadBed::Amplifier();
  config.faults.packets = c.faults;
  FirmwareLoadBed bed(config);
  ASSERT_TRUE(bed.StartLoad());
  ASSERT_TRUE(bed.RunUntilState(c.cancelIn));
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.PacketsSent() >= c.afterPackets; }, 60000));
  const std::size_t sentBefore = bed.link.SentCommands().size();
  EXPECT_TRUE(bed.Load().Cancel());
  ASSERT_TRUE(bed.RunLoadToEnd());

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kCancelled});
  EXPECT_EQ(bed.Packets().size(), c.packetsSent);
  // Nothing goes out once the cancellation has been seen: the last send is a packet or the
  // one before the cancellation.
  const auto& sent = bed.link.SentCommands();
  EXPECT_TRUE(sent.size() == sentBefore ||
              sent.back().bytes.size() == FirmwareLoadMachine::kPacketSize);
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kNotResponding);
  EXPECT_EQ(bed.app.serialNumber.Get() == kUnknownSerialNumber, c.forgetsDevice);
  ASSERT_GE(bed.recorder.lines.size(), c.lines.size());
  EXPECT_EQ(std::vector<std::string>(
                bed.recorder.lines.end() - static_cast<std::ptrdiff_t>(c.lines.size()),
                bed.recorder.lines.end()),
            c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CancelLoad,
    ::testing::Values(
        // The amplifier is still operating: "^LDM;" is not sent.
        CancelCase{"InTheIdentityQuery", {}, "QueryIState", 0, 0, {}},
        // It was sent into its loader and waits there: it needs a power cycle.
        CancelCase{"InTheLoaderEntryWait",
                   {},
                   "LoadEnterBootLoaderState",
                   0,
                   0,
                   {"VLX750 firmware load was cancelled before the transfer began",
                    "Remove power and retry firmware load"},
                   true},
        // The packets run on to the end; the first probe after the reset ends the run.
        CancelCase{"InThePackets",
                   {},
                   "LoadFirmwareInitialState",
                   100,
                   2007,
                   {"Waiting 6 seconds for reset to complete"}},
        CancelCase{"InTheResetWait",
                   {},
                   "LoadWaitResetState",
                   0,
                   2007,
                   {"Waiting 6 seconds for reset to complete"}},
        // A lost acknowledgement after the cancellation: the resynchronisation ends the run
        // before its first fill byte.
        CancelCase{"BeforeALostAcknowledgement",
                   {.loseAck = 101},
                   "LoadFirmwareInitialState",
                   100,
                   101,
                   {}}),
    ByLabel{});

// A stray "B" before the last regular packet's "A" does not stand for the final packet's.
TEST(FirmwareLoad, SendsTheFinalPacketWhateverCameBeforeItsOwnAcknowledgement) {
  FirmwareLoadBed bed;
  bed.Connect();
  vlxsim::Faults faults;
  faults.frames.push_back({kFirstPacketFrame + 2005, Kind::kReplace, 0, "BA"});
  bed.link.SetFaults(faults);
  ASSERT_TRUE(bed.StartLoad());
  ASSERT_TRUE(bed.RunLoadToEnd());

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kSuccess});
  EXPECT_EQ(bed.Packets().back().substr(64, 3), std::string("\x00\x08\x02", 3));
  EXPECT_EQ(bed.app.revision.Get(), FirmwareLoadBed::kLoaded);
}

// Abandon (the dialog's Yes) stops at once, wherever the load is.

struct AbandonCase {
  const char* label;
  std::string state;
  FirmwareLoadMachine::Stage stage;  // what the machine says of how far it has gone
  std::size_t afterPackets;
  std::vector<std::string> lines;
  std::uint16_t revision;  // what is known of the amplifier's revision afterwards
  bool leftInLoader;       // the amplifier waits for a power cycle and a new load
};

class AbandonLoad : public ::testing::TestWithParam<AbandonCase> {};

TEST_P(AbandonLoad, StopsAtOnceAndEndsCancelled) {
  const AbandonCase& c = GetParam();
  FirmwareLoadBed bed;
  ASSERT_TRUE(bed.StartLoad());
  ASSERT_TRUE(bed.RunUntilState(c.state));
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.PacketsSent() >= c.afterPackets; }, 60000));
  const std::size_t sentBefore = bed.link.SentCommands().size();
  bed.recorder.lines.clear();
  EXPECT_EQ(bed.Load().CurrentStage(), c.stage);

  EXPECT_TRUE(bed.Load().Abandon());
  EXPECT_TRUE(bed.Load().IsIdle());
  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kCancelled});
  EXPECT_EQ(bed.recorder.lines, c.lines);
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kFirmwareLoadTimerId));
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kNotResponding);
  EXPECT_EQ(bed.app.revision.Get(), c.revision);
  // What a later run that finds the amplifier silent is told.
  EXPECT_EQ(UnfinishedLoadPort(bed.app.Store()), c.leftInLoader ? SimulatedLink::kPortName : "");
  bed.time.RunFor(30000);
  EXPECT_EQ(bed.link.SentCommands().size(), sentBefore);
  EXPECT_EQ(bed.recorder.done.size(), 1u);
  EXPECT_FALSE(bed.Load().Abandon());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AbandonLoad,
    ::testing::Values(
        // loadAddress names the block after the one in flight.
        AbandonCase{"InThePackets",
                    "LoadFirmwareInitialState",
                    FirmwareLoadMachine::Stage::kTransferring,
                    100,
                    {"Send VLX750 firmware failed at load address 0x002100",
                     "Remove power and retry firmware load"},
                    revision::kLoading,
                    true},
        // The amplifier was sent into its loader: what was known of it is forgotten.
        AbandonCase{"WhileTheLoaderEchoes",
                    "LoadBeginDownloadState",
                    FirmwareLoadMachine::Stage::kBeforeTransfer,
                    0,
                    {"VLX750 firmware load was abandoned"},
                    0,
                    false},
        AbandonCase{"InTheResetWait",
                    "LoadWaitResetState",
                    FirmwareLoadMachine::Stage::kImageIn,
                    0,
                    {"VLX750 firmware load was abandoned"},
                    revision::kLoading,
                    false}),
    ByLabel{});

// A file that cannot be loaded ends the run before anything is sent.

struct StartFailureCase {
  const char* label;
  std::function<std::string(const FirmwareLoadBed&)> file;  // the path of the file to load
  bool loaded;
  ErrorCode code;
  std::vector<std::string> lines;
};

class StartFailure : public ::testing::TestWithParam<StartFailureCase> {};

TEST_P(StartFailure, EndsAtOnceWithTheFilesCode) {
  const StartFailureCase& c = GetParam();
  FirmwareLoadBed bed;
  bed.Connect();
  bed.app.SetAvailableFirmware(FirmwareLoadBed::kLoaded, c.file(bed));
  const std::size_t sentBefore = bed.link.SentCommands().size();
  // Where the last run stopped: none of it belongs to this file.
  bed.app.progressPosition.Set(7700);

  EXPECT_EQ(bed.StartLoad(), c.loaded);
  EXPECT_EQ(bed.app.progressPosition.Get(), 0u);
  EXPECT_TRUE(bed.Load().IsIdle());
  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{c.code});
  EXPECT_EQ(bed.recorder.lines, c.lines);
  EXPECT_EQ(bed.link.SentCommands().size(), sentBefore);
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kNotResponding);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartFailure,
    ::testing::Values(
        StartFailureCase{
            "MissingFile",
            [](const FirmwareLoadBed&) {
              return (std::filesystem::temp_directory_path() / "vlx-no-such.hex").string();
            },
            false,
            err::kFileNotFound,
            {FormatText("Line 0, error code 0x00000002: %s",
                        {FormatErrorText(err::kFileNotFound)})}},
        StartFailureCase{"BadRecordChecksum",
                         [](const FirmwareLoadBed&) {
                           return FirmwareLoadBed::WriteFirmwareFile(":00000001FE\r\n").string();
                         },
                         false,
                         err::kHexLineChecksum,
                         {"Line 1, error code 0xE2000022: intel hex line checksum error"}},
        // A word that does not make the image sum to zero.
        StartFailureCase{"ChecksumNotZero",
                         [](const FirmwareLoadBed&) {
                           return FirmwareLoadBed::WriteFirmwareFile(
                                      ":0208000001FFF6\r\n:00000001FF\r\n")
                               .string();
                         },
                         true,
                         err::kHexFileChecksumNotZero,
                         {}},
        // Ignored as a whole, so 0x000800 keeps its fill and the word does not add up.
        StartFailureCase{"RecordBelowTheImage",
                         [](const FirmwareLoadBed&) {
                           const std::vector<std::uint8_t> data(16, 0x00);
                           return FirmwareLoadBed::WriteFirmwareFile(
                                      vlxsim::HexRecord(0, 0x07F8, data) + "\r\n:00000001FF\r\n")
                               .string();
                         },
                         true,
                         err::kHexFileChecksumNotZero,
                         {"record at line 1 starts below 0x000800; ignored"}},
        // A hostile file of such records: the first ten and a count, not a line for each.
        StartFailureCase{
            "ManyRecordsBelowTheImage",
            [](const FirmwareLoadBed&) {
              std::string text;
              for (int i = 0; i < 5000; ++i) {
                text += vlxsim::HexRecord(0, 0x07F8, std::vector<std::uint8_t>(16)) + "\r\n";
              }
              return FirmwareLoadBed::WriteFirmwareFile(text + ":00000001FF\r\n").string();
            },
            true, err::kHexFileChecksumNotZero,
            [] {
              std::vector<std::string> lines;
              for (std::uint32_t line = 1; line <= 10; ++line) {
                lines.push_back(
                    FormatText("record at line %u starts below 0x000800; ignored", {line}));
              }
              lines.push_back("4990 more records start below 0x000800");
              return lines;
            }()}),
    ByLabel{});

TEST(FirmwareLoad, RefusesASecondStartWhileRunning) {
  FirmwareLoadBed bed;
  ASSERT_TRUE(bed.StartLoad());
  EXPECT_FALSE(bed.Load().StartLoad(bed.recorder));
  ASSERT_TRUE(bed.RunLoadToEnd());
  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kSuccess});
}

}  // namespace
}  // namespace vlx::test
