// The amplifier's modes, the receivers that frame its input in each, and its clock.

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "model/Amplifier.h"
#include "model/Receiver.h"

namespace vlxsim {
namespace {

constexpr std::uint32_t kLoaderRate = 38400;

// A download packet for `address` whose 64 data bytes are all `fill`; its checksum is right
// unless `valid` is false.
std::string Packet(std::uint32_t address, char fill, bool valid = true) {
  std::string packet(64, fill);
  packet.push_back(static_cast<char>(address & 0xFF));
  packet.push_back(static_cast<char>((address >> 8) & 0xFF));
  packet.push_back(static_cast<char>((address >> 16) & 0xFF));
  const unsigned sum = std::accumulate(packet.begin(), packet.end(), 0u, [](unsigned t, char b) {
    return t + static_cast<unsigned char>(b);
  });
  packet.push_back(static_cast<char>((256 - sum % 256) % 256 + (valid ? 0 : 1)));
  return packet;
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
    ::testing::Values(
        Journey{"OperateAndStandby",
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
        Journey{"FullLoadFromTheRunningFirmware",
                PowerMode::kOperating,
                {{"^LDM;", {}, kLoader},
                 {"I;", {"VLX750;"}, kLoader},
                 {"D", {"D"}, kDownloading},
                 {Packet(0x000800, ';'), {"A"}, kDownloading},
                 {Packet(0x000840, 'D', false), {"N"}, kDownloading},
                 {Packet(0x000840, 'D'), {"A"}, kDownloading},
                 {kLastPacket, {"B"}, kResetting},
                 // Deaf while it resets, then back in its firmware at its own rate, in standby.
                 {";", {}, kResetting, 2999},
                 {"^RVM;", {"^RVM01.23;"}, kOperating, 3000},
                 {"^os;", {"^OS0;"}, kOperating, 3000}}},
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
  EXPECT_EQ(amplifier.Receive(kLastPacket, kLoaderRate, 2'000'000),
            (std::vector<Transmission>{{"B", 2'005'000, kLoaderRate}}));
  // The reset window opens when the last packet has arrived.
  EXPECT_EQ(amplifier.NextWakeMicros(), 6'000'000u);
  EXPECT_TRUE(amplifier.Advance(5'999'999).empty());
  EXPECT_EQ(amplifier.Mode(), AmplifierMode::kResetting);
  EXPECT_TRUE(amplifier.Advance(6'000'000).empty());
  EXPECT_EQ(amplifier.Mode(), AmplifierMode::kOperating);
  EXPECT_EQ(amplifier.NextWakeMicros(), std::nullopt);
  // Time never runs backwards for the model: a late caller's earlier time changes nothing.
  EXPECT_EQ(amplifier.Receive(";", 38400, 10),
            (std::vector<Transmission>{{";", 6'005'000, 38400}}));
}

}  // namespace
}  // namespace vlxsim
