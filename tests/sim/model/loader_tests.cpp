// The bootstrap loader: whole downloads into the image memory, the boot check after the reset,
// both ways of taking fill bytes, and the faults it injects into a download.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/Amplifier.h"
#include "support/sim/Packets.h"

namespace vlxsim {
namespace {

using test::PacketOf;
using test::ProgramPackets;
using test::TestImage;

constexpr std::uint32_t kLoaderRate = 38400;
constexpr std::uint64_t kByteMicros = 261;  // one byte at 38400 bit/s, rounded up

std::string Joined(const std::vector<Transmission>& sent) {
  std::string bytes;
  for (const Transmission& t : sent) {
    bytes += t.bytes;
  }
  return bytes;
}

// Drives the amplifier as the program's port does: bytes cross the line one by one, each at its
// own time, and the clock is read back from the last byte.
class Line {
 public:
  explicit Line(Amplifier& amplifier) : amplifier_(amplifier) {}

  // Sends `bytes` starting at the present time; what the amplifier answers meanwhile.
  std::vector<Transmission> Send(std::string_view bytes) {
    std::vector<Transmission> replies;
    for (const char byte : bytes) {
      nowMicros_ += kByteMicros;
      Append(replies,
             amplifier_.Receive(std::string_view(&byte, 1), amplifier_.Rate(), nowMicros_));
    }
    return replies;
  }
  // Lets `micros` pass; what the amplifier sends by itself meanwhile.
  std::vector<Transmission> Wait(std::uint64_t micros) {
    std::vector<Transmission> replies;
    const std::uint64_t until = nowMicros_ + micros;
    while (const auto wake = amplifier_.NextWakeMicros()) {
      if (*wake > until) {
        break;
      }
      nowMicros_ = std::max(nowMicros_, *wake);
      Append(replies, amplifier_.Advance(nowMicros_));
    }
    nowMicros_ = until;
    Append(replies, amplifier_.Advance(nowMicros_));
    return replies;
  }
  // Sends `bytes` and waits 100 ms, as the program waits for an answer; the answer's bytes.
  std::string Ask(std::string_view bytes) {
    std::vector<Transmission> replies = Send(bytes);
    Append(replies, Wait(100'000));
    return Joined(replies);
  }
  std::uint64_t NowMicros() const { return nowMicros_; }

 private:
  static void Append(std::vector<Transmission>& to, std::vector<Transmission> more) {
    to.insert(to.end(), more.begin(), more.end());
  }

  Amplifier& amplifier_;
  std::uint64_t nowMicros_ = 0;
};

AmplifierConfig Config(LoaderKind kind, Faults faults = {}) {
  AmplifierConfig config;
  config.loader = kind;
  config.operatingRate = 9600;
  config.resetMs = 3000;
  config.faults = std::move(faults);
  return config;
}

std::string KindName(LoaderKind kind) {
  return kind == LoaderKind::kFramesFillBytes ? "Standard" : "ResyncN";
}

// From operating into the download, as the program does it.
void EnterDownload(Line& line) {
  ASSERT_EQ(line.Ask("^LDM;"), "");
  ASSERT_EQ(line.Ask("I;"), "VLX750;");
  ASSERT_EQ(line.Ask("D"), "D");
}

class WholeDownloadTest : public ::testing::TestWithParam<LoaderKind> {};

TEST_P(WholeDownloadTest, WritesTheImageResetsAndRunsTheNewRevisionFromThen) {
  Amplifier amplifier(Config(GetParam()));
  Line line(amplifier);
  ASSERT_EQ(line.Ask("^RVM;"), "^RVM01.23;");
  EnterDownload(line);

  const std::string image = TestImage(152);
  const std::vector<std::string> packets = ProgramPackets(image);
  ASSERT_EQ(packets.size(), 2007u);
  std::string answers;
  for (const std::string& packet : packets) {
    answers += line.Ask(packet);
  }
  EXPECT_EQ(answers, std::string(2006, 'A') + "B");
  EXPECT_EQ(amplifier.Images().Read(ImageStore::kStart, ImageStore::kSize), image);

  // Silent through the reset, then the new firmware at its own rate.
  EXPECT_EQ(amplifier.Mode(), AmplifierMode::kResetting);
  EXPECT_EQ(line.Ask(";"), "");
  line.Wait(3'000'000);
  EXPECT_EQ(amplifier.Mode(), AmplifierMode::kOperating);
  EXPECT_EQ(amplifier.Rate(), 9600u);
  EXPECT_EQ(line.Ask("^RVM;"), "^RVM01.52;");

  // The image outlives the mains.
  amplifier.PowerCycle(line.NowMicros());
  EXPECT_EQ(amplifier.Mode(), AmplifierMode::kOperating);
  EXPECT_EQ(line.Ask("^RVM;"), "^RVM01.52;");
}

TEST_P(WholeDownloadTest, ABadImageLeavesTheAmplifierInItsLoaderThroughPowerCycles) {
  Amplifier amplifier(Config(GetParam()));
  Line line(amplifier);
  EnterDownload(line);
  for (const std::string& packet : ProgramPackets(TestImage(152, /*good=*/false))) {
    line.Ask(packet);
  }
  line.Wait(3'000'000);
  for (int cycle = 0; cycle < 2; ++cycle) {
    EXPECT_EQ(amplifier.Mode(), AmplifierMode::kLoader);
    EXPECT_EQ(amplifier.Rate(), kLoaderRate);
    EXPECT_EQ(line.Ask("^RVM;"), "");
    EXPECT_EQ(line.Ask("I;"), "VLX750;");
    amplifier.PowerCycle(line.NowMicros());
  }
  // Where a new download can start at once.
  EXPECT_EQ(line.Ask("D"), "D");
}

TEST_P(WholeDownloadTest, ALoadCutShortByThePowerWaitsInTheLoaderForTheNextOne) {
  Amplifier amplifier(Config(GetParam()));
  Line line(amplifier);
  EnterDownload(line);
  const std::vector<std::string> packets = ProgramPackets(TestImage(152));
  for (std::size_t i = 0; i < 1000; ++i) {
    ASSERT_EQ(line.Ask(packets[i]), "A");
  }
  // The first block holds DE AD until the last packet: half an image never runs.
  amplifier.PowerCycle(line.NowMicros());
  EXPECT_EQ(amplifier.Mode(), AmplifierMode::kLoader);
  EXPECT_EQ(line.Ask("I;"), "VLX750;");
  EXPECT_EQ(line.Ask("D"), "D");
  std::string answers;
  for (const std::string& packet : packets) {
    answers += line.Ask(packet);
  }
  EXPECT_EQ(answers, std::string(2006, 'A') + "B");
  line.Wait(3'000'000);
  EXPECT_EQ(line.Ask("^RVM;"), "^RVM01.52;");
}

INSTANTIATE_TEST_SUITE_P(Loaders, WholeDownloadTest,
                         ::testing::Values(LoaderKind::kFramesFillBytes,
                                           LoaderKind::kAnswersFillBytes),
                         [](const auto& info) { return KindName(info.param); });

TEST(LoaderTest, WritesOnlyWholeBlocksInsideTheImage) {
  struct Case {
    std::uint32_t address;
    const char* answer;
  };
  for (const Case& c :
       {Case{0x000800, "A"}, Case{0x01FD40, "A"}, Case{0x000840, "A"}, Case{0x0007C0, "N"},
        Case{0x01FD80, "N"}, Case{0x000820, "N"}, Case{0x000801, "N"}, Case{0x3B3B3B, "N"}}) {
    SCOPED_TRACE(c.address);
    Amplifier amplifier(Config(LoaderKind::kFramesFillBytes));
    Line line(amplifier);
    EnterDownload(line);
    const std::string block(64, 'x');
    EXPECT_EQ(line.Ask(PacketOf(block, c.address)), c.answer);
    EXPECT_EQ(amplifier.Images().Read(c.address, 64) == block, *c.answer == 'A');
  }
}

// One packet loses its first bytes on the line; the program then sends fill bytes 100 ms apart
// until the loader answers "N", and the packet again.
struct ResyncCase {
  const char* name;
  LoaderKind kind;
  std::uint32_t lostBytes;
  std::size_t fillsToAnswer;
};

class ResyncTest : public ::testing::TestWithParam<ResyncCase> {};

TEST_P(ResyncTest, FillBytesFindThePacketBoundaryAndThePacketGoesThrough) {
  Faults faults;
  faults.packets.lose = 2;
  faults.packets.loseBytes = GetParam().lostBytes;
  // The loader can also be chosen on an amplifier built already.
  Amplifier amplifier(Config(LoaderKind::kFramesFillBytes, faults));
  amplifier.SetLoader(GetParam().kind);
  Line line(amplifier);
  EnterDownload(line);
  const std::string block(64, ';');
  ASSERT_EQ(line.Ask(PacketOf(block, 0x000800)), "A");
  const std::string second = PacketOf(block, 0x000840);
  ASSERT_EQ(line.Ask(second), "");

  std::size_t fills = 0;
  std::string answer;
  while (answer.empty() && fills < 68) {
    ++fills;
    const std::uint64_t sent = line.NowMicros();
    const std::vector<Transmission> replies = line.Send(";");
    const std::vector<Transmission> later = line.Wait(100'000 - kByteMicros);
    answer = Joined(replies) + Joined(later);
    if (!answer.empty()) {
      const Transmission& n = replies.empty() ? later.front() : replies.front();
      // The loader that answers fill bytes does so once the line has been quiet a moment.
      EXPECT_LE(n.atMicros - sent, 3000u);
    }
  }
  EXPECT_EQ(answer, "N");
  EXPECT_EQ(fills, GetParam().fillsToAnswer);
  EXPECT_EQ(line.Ask(second), "A");
  EXPECT_EQ(amplifier.Images().Read(0x000840, 64), block);
}

INSTANTIATE_TEST_SUITE_P(
    Loaders, ResyncTest,
    ::testing::Values(ResyncCase{"StandardThreeBytesLost", LoaderKind::kFramesFillBytes, 3, 3},
                      ResyncCase{"StandardPacketLost", LoaderKind::kFramesFillBytes, 68, 68},
                      ResyncCase{"ResyncNThreeBytesLost", LoaderKind::kAnswersFillBytes, 3, 1},
                      ResyncCase{"ResyncNPacketLost", LoaderKind::kAnswersFillBytes, 68, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoaderTest, TheLoaderThatAnswersFillBytesTakesTheirValueInsideAPacketAsData) {
  // A packet of fill-byte values, whether its bytes come one by one or in one read.
  const std::string packet = PacketOf(std::string(64, ';'), 0x000840);
  Amplifier amplifier(Config(LoaderKind::kAnswersFillBytes));
  Line line(amplifier);
  EnterDownload(line);
  EXPECT_EQ(line.Ask(packet), "A");
  EXPECT_EQ(Joined(amplifier.Receive(packet, kLoaderRate, line.NowMicros())), "A");
  // Only a ";" that the line falls quiet after is a fill byte.
  EXPECT_EQ(Joined(amplifier.Receive(packet.substr(0, 10), kLoaderRate, line.NowMicros())), "");
  EXPECT_EQ(Joined(line.Wait(1000)), "");
  EXPECT_EQ(line.Ask(packet.substr(10)), "A");
}

// Faults on the second of three good packets, each sent whole after the answer to the one
// before.
struct PacketFaultCase {
  const char* name;
  PacketFaults faults;
  std::vector<std::string> answers;
  std::vector<bool> written;               // blocks 0x000840, 0x000880, 0x0008C0
  std::uint64_t secondAnswerMicros = 200;  // after the second packet's last byte
};

class PacketFaultTest : public ::testing::TestWithParam<PacketFaultCase> {};

TEST_P(PacketFaultTest, ActsOnTheProgramsBytesAndTheLoadersAnswers) {
  Faults faults;
  faults.packets = GetParam().faults;
  Amplifier amplifier(Config(LoaderKind::kFramesFillBytes, faults));
  Line line(amplifier);
  EnterDownload(line);
  std::vector<std::string> answers;
  std::vector<bool> written;
  for (std::uint32_t i = 0; i < 3; ++i) {
    const std::uint32_t address = 0x000840 + 64 * i;
    const std::string block(64, static_cast<char>('a' + i));
    std::vector<Transmission> replies = line.Send(PacketOf(block, address));
    const std::uint64_t last = line.NowMicros();
    const std::vector<Transmission> later = line.Wait(2'000'000);
    replies.insert(replies.end(), later.begin(), later.end());
    answers.push_back(Joined(replies));
    written.push_back(amplifier.Images().Read(address, 64) == block);
    if (i == 1 && !replies.empty()) {
      EXPECT_EQ(replies.front().atMicros - last, GetParam().secondAnswerMicros);
    }
  }
  EXPECT_EQ(answers, GetParam().answers);
  EXPECT_EQ(written, GetParam().written);
}

PacketFaults With(std::uint32_t PacketFaults::*field, std::uint32_t value) {
  PacketFaults faults;
  faults.*field = value;
  return faults;
}

PacketFaults LateSecond(std::uint32_t ms) {
  PacketFaults faults = With(&PacketFaults::lateAck, 2);
  faults.lateAckMs = ms;
  return faults;
}

PacketFaults SecondLosesBytes(std::uint32_t count) {
  PacketFaults faults = With(&PacketFaults::lose, 2);
  faults.loseBytes = count;
  return faults;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PacketFaultTest,
    ::testing::Values(
        PacketFaultCase{"None", {}, {"A", "A", "A"}, {true, true, true}},
        PacketFaultCase{"RejectFirstTwo",
                        With(&PacketFaults::rejectFirst, 2),
                        {"N", "N", "A"},
                        {false, false, true}},
        PacketFaultCase{
            "LosePacket", With(&PacketFaults::lose, 2), {"A", "", "A"}, {true, false, true}},
        // The next packet's first bytes complete the damaged one, which fails its checksum; the
        // rest of that packet waits for more.
        PacketFaultCase{
            "LoseThreeBytes", SecondLosesBytes(3), {"A", "", "N"}, {true, false, false}},
        PacketFaultCase{
            "Corrupt", With(&PacketFaults::corrupt, 2), {"A", "N", "A"}, {true, false, true}},
        PacketFaultCase{"LoseAcknowledgement",
                        With(&PacketFaults::loseAck, 2),
                        {"A", "", "A"},
                        {true, true, true}},
        PacketFaultCase{
            "LateAcknowledgement", LateSecond(500), {"A", "A", "A"}, {true, true, true}, 500'200},
        PacketFaultCase{"SilentFromTheSecond",
                        With(&PacketFaults::silentFrom, 2),
                        {"A", "", ""},
                        {true, false, false}}),
    [](const auto& info) { return std::string(info.param.name); });

// The last packet carries the block the amplifier already has, so the image stays good.
struct BootCase {
  const char* name;
  BootFaults faults;
  AmplifierMode mode;
  std::uint32_t rate;
  const char* revisionReply;
};

class BootFaultTest : public ::testing::TestWithParam<BootCase> {};

TEST_P(BootFaultTest, DecideHowTheAmplifierComesOutOfTheReset) {
  Faults faults;
  faults.boot = GetParam().faults;
  Amplifier amplifier(Config(LoaderKind::kFramesFillBytes, faults));
  Line line(amplifier);
  const std::string firstBlock(amplifier.Images().Read(ImageStore::kStart, 64));
  EnterDownload(line);
  ASSERT_EQ(line.Ask(PacketOf(firstBlock, 0x020800)), "B");
  line.Wait(3'000'000);
  EXPECT_EQ(amplifier.Mode(), GetParam().mode);
  EXPECT_EQ(amplifier.Rate(), GetParam().rate);
  EXPECT_EQ(line.Ask("^RVM;"), GetParam().revisionReply);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BootFaultTest,
    ::testing::Values(
        BootCase{"None", {}, AmplifierMode::kOperating, 9600, "^RVM01.23;"},
        BootCase{"AnotherRate", {19200}, AmplifierMode::kOperating, 19200, "^RVM01.23;"},
        BootCase{"AnotherRevision", {0, 152}, AmplifierMode::kOperating, 9600, "^RVM01.52;"},
        BootCase{"NoBoot", {0, {}, true}, AmplifierMode::kLoader, kLoaderRate, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vlxsim
