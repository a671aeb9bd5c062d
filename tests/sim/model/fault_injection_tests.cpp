// Faults injected into the amplifier's conversation, frame by frame and byte by byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/Amplifier.h"

namespace vlxsim {
namespace {

using Kind = FrameFault::Kind;
using Replies = std::vector<std::string>;

constexpr std::string_view kReplyEnds = ";ABDN";

Replies Converse(Amplifier& amplifier, const std::vector<std::string>& commands) {
  Replies replies;
  for (const std::string& command : commands) {
    for (const Transmission& t : amplifier.Receive(command, amplifier.Rate(), 0)) {
      replies.push_back(t.bytes);
    }
  }
  return replies;
}

struct ReplyCase {
  const char* name;
  std::vector<FrameFault> faults;
  Replies replies;
};

class FrameFaultTest : public ::testing::TestWithParam<ReplyCase> {};

// Frames 0 to 3 are ";", "^RVM;", "P;" (never answered) and "^sn;".
TEST_P(FrameFaultTest, ShapesTheReplyToTheNamedFrame) {
  AmplifierConfig config;
  config.faults.frames = GetParam().faults;
  Amplifier amplifier(config);
  EXPECT_EQ(Converse(amplifier, {";", "^RVM;", "P;", "^sn;"}), GetParam().replies);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FrameFaultTest,
    ::testing::Values(
        ReplyCase{"None", {}, {";", "^RVM01.23;", "^SN1234;"}},
        ReplyCase{"NoAnswer", {{1, Kind::kNoAnswer}}, {";", "^SN1234;"}},
        ReplyCase{"Reject", {{1, Kind::kReject}}, {";", "?;", "^SN1234;"}},
        ReplyCase{"DropFirstByte", {{1, Kind::kDropByte, 0}}, {";", "RVM01.23;", "^SN1234;"}},
        ReplyCase{"DropTerminator", {{1, Kind::kDropByte, 9}}, {";", "^RVM01.23", "^SN1234;"}},
        ReplyCase{
            "DropBeyondTheReply", {{1, Kind::kDropByte, 10}}, {";", "^RVM01.23;", "^SN1234;"}},
        ReplyCase{"DropTheOnlyByte", {{0, Kind::kDropByte, 0}}, {"^RVM01.23;", "^SN1234;"}},
        ReplyCase{"CutAfterFour", {{1, Kind::kCutAfter, 4}}, {";", "^RVM", "^SN1234;"}},
        ReplyCase{"CutAfterNone", {{1, Kind::kCutAfter, 0}}, {";", "^SN1234;"}},
        ReplyCase{"ReplaceByLoneTerminator", {{1, Kind::kReplace, 0, ";"}}, {";", ";", "^SN1234;"}},
        ReplyCase{"ReplaceWhereThereIsNoReply",
                  {{2, Kind::kReplace, 0, "^OS1;"}},
                  {";", "^RVM01.23;", "^OS1;", "^SN1234;"}},
        ReplyCase{
            "InTheirOrder",
            {{3, Kind::kReplace, 0, "abc;"}, {3, Kind::kDropByte, 0}, {3, Kind::kCutAfter, 2}},
            {";", "^RVM01.23;", "bc"}},
        ReplyCase{"NoAnswerBeatsReplace",
                  {{0, Kind::kReplace, 0, "x;"}, {0, Kind::kNoAnswer}},
                  {"^RVM01.23;", "^SN1234;"}}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });

TEST(FaultInjectionTest, FramesAreCountedFromWhenTheFaultsAreSet) {
  Amplifier amplifier;
  EXPECT_EQ(Converse(amplifier, {";", ";"}), (Replies{";", ";"}));
  Faults faults;
  faults.frames = {{1, Kind::kNoAnswer}};
  amplifier.SetFaults(faults);
  // Garbled bytes make no frame.
  EXPECT_TRUE(amplifier.Receive("^RVM;", 9600, 0).empty());
  EXPECT_EQ(Converse(amplifier, {"^RVM;", "^sn;", "^RVM;"}), (Replies{"^RVM01.23;", "^RVM01.23;"}));
}

TEST(FaultInjectionTest, ARejectedFrameDoesNotActAndAnUnansweredOneDoes) {
  AmplifierConfig config;
  config.faults.frames = {{0, Kind::kReject}, {1, Kind::kNoAnswer}};
  Amplifier amplifier(config);
  EXPECT_EQ(Converse(amplifier, {"^os1;", "^brp1;"}), Replies{"?;"});
  EXPECT_EQ(amplifier.Rate(), 9600u);
  EXPECT_EQ(Converse(amplifier, {"^os;"}), Replies{"^OS0;"});

  // The loaders: the idle one keeps quiet about a refused command, the downloading one says "N".
  config.mode = PowerMode::kOff;
  config.faults.frames = {{0, Kind::kReject}, {2, Kind::kReject}, {3, Kind::kNoAnswer}};
  Amplifier loader(config);
  std::string last(64, '\0');
  last += std::string("\x00\x08\x02\xF6", 4);
  EXPECT_EQ(Converse(loader, {"D", "D", last}), (Replies{"D", "N"}));
  EXPECT_EQ(loader.Mode(), AmplifierMode::kDownloading);
  // Its acknowledgement lost, the last packet still starts the reset.
  EXPECT_TRUE(Converse(loader, {last}).empty());
  EXPECT_EQ(loader.Mode(), AmplifierMode::kResetting);
}

TEST(FaultInjectionTest, CorruptedBytesDifferAndNeverEndAReply) {
  const std::string reply = "^RVM01.23;";
  for (std::uint32_t seed : {1u, 2u, 77u}) {
    for (std::size_t k = 0; k < reply.size(); ++k) {
      SCOPED_TRACE("seed " + std::to_string(seed) + " byte " + std::to_string(k));
      AmplifierConfig config;
      config.faults.seed = seed;
      config.faults.frames = {{0, Kind::kCorruptByte, k}};
      Amplifier amplifier(config);
      const Replies replies = Converse(amplifier, {"^RVM;"});
      ASSERT_EQ(replies.size(), 1u);
      const std::string& corrupted = replies.front();
      ASSERT_EQ(corrupted.size(), reply.size());
      for (std::size_t i = 0; i < reply.size(); ++i) {
        if (i != k) {
          EXPECT_EQ(corrupted[i], reply[i]);
        }
      }
      EXPECT_NE(corrupted[k], reply[k]);
      EXPECT_EQ(kReplyEnds.find(corrupted[k]), std::string_view::npos);
      // The same seed corrupts the same way.
      Amplifier again(config);
      EXPECT_EQ(Converse(again, {"^RVM;"}), replies);
    }
  }
}

TEST(FaultInjectionTest, NoiseBurstsLeaveAtTheirTimeUnpromptedAndReproducibly) {
  AmplifierConfig config;
  config.faults.noise = {{300, 20}, {100, 500}};
  config.faults.seed = 5;
  Amplifier amplifier(config);
  EXPECT_EQ(amplifier.NextWakeMicros(), 100'000u);
  EXPECT_TRUE(amplifier.Advance(99'999).empty());
  const std::vector<Transmission> first = amplifier.Advance(100'000);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].atMicros, 100'000u);
  EXPECT_EQ(first[0].rate, 38400u);
  EXPECT_EQ(first[0].bytes.size(), 500u);
  EXPECT_EQ(first[0].bytes.find_first_of(kReplyEnds), std::string::npos);
  // Not one byte value over and over.
  EXPECT_GT(std::count_if(first[0].bytes.begin(), first[0].bytes.end(),
                          [&](char b) { return b != first[0].bytes[0]; }),
            400);
  EXPECT_EQ(amplifier.NextWakeMicros(), 300'000u);

  // A late caller gets the burst at once; a command's reply comes behind it.
  const std::vector<Transmission> second = amplifier.Receive(";", 38400, 1'000'000);
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0].bytes.size(), 20u);
  EXPECT_EQ(second[0].atMicros, 1'000'000u);
  EXPECT_EQ(second[1].bytes, ";");
  EXPECT_EQ(amplifier.NextWakeMicros(), std::nullopt);

  Amplifier same(config);
  EXPECT_EQ(same.Advance(100'000), first);
  config.faults.seed = 6;
  Amplifier other(config);
  EXPECT_NE(other.Advance(100'000)[0].bytes, first[0].bytes);
}

}  // namespace
}  // namespace vlxsim
