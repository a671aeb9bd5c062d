// The firmware load machine against the simulated amplifier, in virtual time: a whole load, the
// ways into the loader, rejections and time-outs, the search after the reset, cancelling and
// abandoning.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "firmware/FirmwareLoadMachine.h"
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

TEST(FirmwareLoad, SendsTheWholeImageAndReadsTheNewRevision) {
  vlxsim::AmplifierConfig config = FirmwareLoadBed::Amplifier();
  config.processingDelayMs = 0;
  FirmwareLoadBed bed(config);
  bed.Connect();
  bed.recorder.deviceStates.clear();
  bed.recorder.revisions.clear();
  const std::uint64_t startMicros = bed.time.NowMicros();
  ASSERT_TRUE(bed.StartLoad());
  ASSERT_TRUE(bed.RunLoadToEnd());

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kSuccess});
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
  EXPECT_EQ(bed.Load().GetTotalRetries(), 0u);
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
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.Packets().size() == 2; }, 10000));
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
    ASSERT_TRUE(bed.time.RunUntil([&] { return !bed.Packets().empty(); }, 30000));
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

}  // namespace
}  // namespace vlx::test
