// The amplifier's modes, the receivers that frame its input in each, and its clock.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/Amplifier.h"
#include "model/Receiver.h"
#include "support/sim/Packets.h"

namespace vlxsim {
namespace {

constexpr std::uint32_t kLoaderRate = 38400;

// A download packet for `address` whose 64 data bytes are all `fill`; its checksum is right
// unless `valid` is false.
std::string Packet(std::uint32_t address, char fill, bool valid = true) {
  return test::PacketOf(std::string(64, fill), address, valid);
}

const std::string kLastPacket = Packet(0x020800, '\x5A');

// The bytes of every transmission, in order.
std::vector<std::string> Bytes(const std::vector<Transmission>& sent) {
  std::vector<std::string> bytes;
  for (const Transmission& t : sent) {
    bytes.push_back(t.bytes);
  }
  return bytes;
}

using Replies = std::vector<std::string>;

TEST(ReceiverTest, TextFramesEndAtAnyOfTheirTerminatorsAndOverlongRunsAreDropped) {
  TextAssembler loader(";D");
  std::vector<std::string> frames;
  for (const char byte : std::string("I;xD;D")) {
    if (auto frame = loader.Take(byte)) {
      frames.push_back(*frame);
    }
  }
  EXPECT_EQ(frames, (std::vector<std::string>{"I;", "xD", ";", "D"}));

  TextAssembler text(";");
  for (std::size_t i = 0; i <= TextAssembler::kMaxCommandLength; ++i) {
    EXPECT_FALSE(text.Take('x'));
  }
  EXPECT_EQ(text.Take(';'), ";");  // the noise before it is gone
}

TEST(ReceiverTest, PacketsAreFramedByLengthWhateverBytesTheyHold) {
  PacketFramer framer(68);
  const std::string packet = Packet(0x000800, ';');
  std::vector<std::string> frames;
  for (const char byte : packet + packet.substr(0, 10)) {
    if (auto frame = framer.Take(byte)) {
      frames.push_back(*frame);
    }
  }
  EXPECT_EQ(frames, (std::vector<std::string>{packet}));
  framer.Clear();
  for (const char byte : packet) {
    if (auto frame = framer.Take(byte)) {
      frames.push_back(*frame);
    }
  }
  EXPECT_EQ(frames, (std::vector<std::string>{packet, packet}));
}

// One step of a conversation: bytes sent at the amplifier's present rate at `atMs`, the replies
// they bring and the mode the amplifier is in afterwards.
struct Step {
  std::string bytes;
  Replies replies;
  AmplifierMode mode;
  std::uint64_t atMs = 0;
};

struct Journey {
  const char* name;
  PowerMode start;
  std::vector<Step> steps;
};

class AmplifierModesTest : public ::testing::TestWithParam<Journey> {};

TEST_P(AmplifierModesTest, MovesBetweenModesOnCommandsPacketsAndTime) {
  AmplifierConfig config;
  config.mode = GetParam().start;
  config.operatingRate = 9600;
  config.resetMs = 3000;
  Amplifier amplifier(config);
  for (const Step& step : GetParam().steps) {
    SCOPED_TRACE(step.bytes.size() > 8 ? "a packet" : step.bytes);
    const std::uint64_t now = step.atMs * 1000;
    std::vector<Transmission> sent = amplifier.Advance(now);
    const std::vector<Transmission> replies = amplifier.Receive(step.bytes, amplifier.Rate(), now);
    sent.insert(sent.end(), replies.begin(), replies.end());
    EXPECT_EQ(Bytes(sent), step.replies);
    EXPECT_EQ(amplifier.Mode(), step.mode);
  }
}

constexpr auto kOperating = AmplifierMode::kOperating;
constexpr auto kOff = AmplifierMode::kOff;
constexpr auto kLoader = AmplifierMode::kLoader;
constexpr auto kDownloading = AmplifierMode::kDownloading;
constexpr auto kResetting = AmplifierMode::kResetting;

INSTANTIATE_TEST_SUITE_P(
    Journeys, AmplifierModesTest,
    ::testing::Values(Journey{"OperateAndStandby",
                              PowerMode::kOperating,
                              {{"^os;", {"^OS0;"}, kOperating},
                               {"^os1;^os;", {"^OS1;"}, kOperating},
                               {"^os0;^os;", {"^OS0;"}, kOperating}}},
                      Journey{"OffAndOnAgainInStandby",
                              PowerMode::kOperating,
                              {{"^os1;^on0;", {}, kOff},
                               {"I;^RVM;", {"VLX750;"}, kOff},
                               {"P;", {}, kOperating},
                               {"^os;", {"^OS0;"}, kOperating}}},
                      Journey{"LoadFromTheRunningFirmwareThatLeavesABadImage",
                              PowerMode::kOperating,
                              {{"^LDM;", {}, kLoader},
                               {"I;", {"VLX750;"}, kLoader},
                               {";", {";"}, kLoader},
                               {"D", {"D"}, kDownloading},
                               {Packet(0x000800, ';'), {"A"}, kDownloading},
                               {Packet(0x000840, 'D', false), {"N"}, kDownloading},
                               {Packet(0x000840, 'D'), {"A"}, kDownloading},
                               {kLastPacket, {"B"}, kResetting},
                               // Deaf while it resets; its image does not sum to zero, so it stays
                               // in its loader, where the power button does not start it either.
                               {";", {}, kResetting, 2999},
                               {"^RVM;", {}, kLoader, 3000},
                               {"I;", {"VLX750;"}, kLoader, 3000},
                               {"P;", {}, kLoader, 3000}}},
                      Journey{"DownloadStraightFromTheOffLoader",
                              PowerMode::kOff,
                              {{"D", {"D"}, kDownloading}, {kLastPacket, {"B"}, kResetting}}},
                      Journey{"PowerButtonInTheDownloadLoader",
                              PowerMode::kOperating,
                              {{"^LDM;", {}, kLoader}, {"P;", {}, kOperating}}},
                      Journey{"DownloadCommandWithinACommandIsNoDownload",
                              PowerMode::kOff,
                              {{"xD", {}, kOff}, {";", {";"}, kOff}}},
                      Journey{"FillBytesCompleteAPartialPacket",
                              PowerMode::kOff,
                              {{"D", {"D"}, kDownloading},
                               {Packet(0x000800, 'a').substr(0, 60), {}, kDownloading},
                               {";;;;;;;", {}, kDownloading},
                               {";", {"N"}, kDownloading},
                               {Packet(0x000800, 'a'), {"A"}, kDownloading}}}),
    [](const ::testing::TestParamInfo<Journey>& info) { return std::string(info.param.name); });

TEST(AmplifierModesTest, LoaderListensAtItsOwnRateWhateverTheOperatingRate) {
  AmplifierConfig config;
  config.operatingRate = 4800;
  Amplifier amplifier(config);
  EXPECT_TRUE(amplifier.Receive("^LDM;", 4800, 0).empty());
  EXPECT_EQ(amplifier.Rate(), kLoaderRate);
  EXPECT_TRUE(amplifier.Receive("D", 4800, 0).empty());
  EXPECT_EQ(Bytes(amplifier.Receive("D", kLoaderRate, 0)), Replies{"D"});
  EXPECT_EQ(amplifier.Rate(), kLoaderRate);
}

TEST(AmplifierClockTest, RepliesAtTheProcessingDelayAfterTheFrameAndWakesToEndAReset) {
  AmplifierConfig config;
  config.mode = PowerMode::kOff;
  config.processingDelayMs = 5;
  config.resetMs = 4000;
  Amplifier amplifier(config);
  EXPECT_EQ(amplifier.NextWakeMicros(), std::nullopt);
  EXPECT_EQ(amplifier.Receive("D", kLoaderRate, 1'000'000),
            (std::vector<Transmission>{{"D", 1'005'000, kLoaderRate}}));
  // The loader judges a packet faster than the firmware answers a command.
  EXPECT_EQ(amplifier.Receive(kLastPacket, kLoaderRate, 2'000'000),
            (std::vector<Transmission>{{"B", 2'000'200, kLoaderRate}}));
  // The reset window opens when the last packet has arrived.
  EXPECT_EQ(amplifier.NextWakeMicros(), 6'000'000u);
  EXPECT_TRUE(amplifier.Advance(5'999'999).empty());
  EXPECT_EQ(amplifier.Mode(), AmplifierMode::kResetting);
  EXPECT_TRUE(amplifier.Advance(6'000'000).empty());
  EXPECT_EQ(amplifier.Mode(), AmplifierMode::kLoader);
  EXPECT_EQ(amplifier.NextWakeMicros(), std::nullopt);
  // Time never runs backwards for the model: a late caller's earlier time changes nothing.
  EXPECT_EQ(amplifier.Receive(";", 38400, 10),
            (std::vector<Transmission>{{";", 6'005'000, 38400}}));
}

}  // namespace
}  // namespace vlxsim
