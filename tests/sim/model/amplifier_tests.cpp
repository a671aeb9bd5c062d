#include "model/Amplifier.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vlxsim {
namespace {

AmplifierConfig Config(Identity identity, PowerMode mode) {
  AmplifierConfig config;
  config.identity = identity;
  config.mode = mode;
  return config;
}

// The only reply to one command sent at the amplifier's own rate, or nothing.
std::optional<std::string> Ask(Amplifier& amplifier, std::string_view command) {
  const std::vector<Transmission> sent = amplifier.Receive(command, amplifier.Rate(), 0);
  EXPECT_LE(sent.size(), 1u) << command;
  if (sent.empty()) {
    return std::nullopt;
  }
  return sent.front().bytes;
}

TEST(AmplifierTest, AnswersEachCommandByModeAndIdentity) {
  constexpr auto kOn = PowerMode::kOperating;
  constexpr auto kOff = PowerMode::kOff;
  struct Case {
    Identity identity;
    PowerMode mode;
    const char* command;
    std::optional<std::string> reply;
  };
  const Case cases[] = {
      {Identity::kVlx750, kOn, ";", ";"},
      {Identity::kVlx750, kOn, "I;", std::nullopt},
      {Identity::kVlx750, kOn, "^RVM;", "^RVM01.23;"},
      {Identity::kVlx750, kOn, "^sn;", "^SN1234;"},
      {Identity::kVlx750, kOn, "^SN;", "?;"},
      {Identity::kVlx750, kOn, "^brp4;", "?;"},
      {Identity::kVlx750, kOn, "^brp10;", "?;"},
      {Identity::kVlx750, kOn, "P;", std::nullopt},
      {Identity::kVlx750, kOn, "^os;", "^OS0;"},
      {Identity::kVlx750, kOn, "^os1;", std::nullopt},
      {Identity::kVlx750, kOn, "^os2;", "?;"},
      {Identity::kVlx750, kOn, "^os01;", "?;"},
      {Identity::kRq7, kOn, "I;", "RQ7;"},
      {Identity::kTnr750, kOn, "I;", "TNR750;"},
      {Identity::kQmv1200, kOn, "I;", "QMV1200;"},
      {Identity::kQmv1200, kOn, "^RVM;", "^RVM01.23;"},
      {Identity::kVlx750, kOff, ";", ";"},
      {Identity::kVlx750, kOff, "I;", "VLX750;"},
      {Identity::kRq7, kOff, "I;", "RQ7;"},
      {Identity::kTnr750, kOff, "I;", "tnr750;"},
      {Identity::kQmv1200, kOff, "I;", "qmv1200;"},
      {Identity::kVlx750, kOff, "^RVM;", std::nullopt},
      {Identity::kVlx750, kOff, "^sn;", std::nullopt},
      {Identity::kVlx750, kOff, "^brp1;", std::nullopt},
      {Identity::kVlx750, kOff, "^on0;", std::nullopt},
      {Identity::kVlx750, kOff, "^LDM;", std::nullopt},
      {Identity::kVlx750, kOff, "^os;", std::nullopt},
      {Identity::kVlx750, kOff, "XYZ;", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.command) + " identity " +
                 std::to_string(static_cast<int>(c.identity)) +
                 (c.mode == kOn ? " operating" : " off"));
    Amplifier amplifier(Config(c.identity, c.mode));
    EXPECT_EQ(Ask(amplifier, c.command), c.reply);
    EXPECT_EQ(amplifier.Mode(), c.mode == kOn ? AmplifierMode::kOperating : AmplifierMode::kOff);
    EXPECT_EQ(amplifier.Rate(), 38400u);
  }
}

TEST(AmplifierTest, ReportsRevisionAndSerialNumberInTheirFormats) {
  struct Case {
    std::uint16_t revision;
    std::uint16_t serial;
    const char* revisionReply;
    const char* serialReply;
  };
  for (const Case& c :
       {Case{5, 0, "^RVM00.05;", "^SN0;"}, Case{1234, 65535, "^RVM12.34;", "^SN65535;"},
        Case{9999, 7, "^RVM99.99;", "^SN7;"}}) {
    AmplifierConfig config;
    config.revision = c.revision;
    config.serialNumber = c.serial;
    Amplifier amplifier(config);
    EXPECT_EQ(Ask(amplifier, "^RVM;"), c.revisionReply);
    EXPECT_EQ(Ask(amplifier, "^sn;"), c.serialReply);
  }
}

TEST(AmplifierTest, RepliesAfterTheProcessingDelayAtItsOwnRate) {
  AmplifierConfig config;
  config.operatingRate = 19200;
  config.processingDelayMs = 4;
  Amplifier amplifier(config);
  EXPECT_EQ(amplifier.Receive("^sn;", 19200, 5000),
            (std::vector<Transmission>{{"^SN1234;", 9000, 19200}}));
}

TEST(AmplifierTest, AssemblesCommandsAcrossChunksAndAnswersEachInABurst) {
  Amplifier amplifier;
  EXPECT_TRUE(amplifier.Receive("^R", 38400, 0).empty());
  const std::vector<Transmission> sent = amplifier.Receive("VM;;^sn;", 38400, 0);
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].bytes, "^RVM01.23;");
  EXPECT_EQ(sent[1].bytes, ";");
  EXPECT_EQ(sent[2].bytes, "^SN1234;");
}

TEST(AmplifierTest, BytesAtAnotherRateAreLostWithThePartialCommand) {
  AmplifierConfig config;
  config.operatingRate = 9600;
  Amplifier amplifier(config);
  EXPECT_TRUE(amplifier.Receive(";", 38400, 0).empty());
  EXPECT_TRUE(amplifier.Receive("^RVM;", 19200, 0).empty());
  // The garble leaves nothing behind: the first probe at the right rate is answered.
  EXPECT_EQ(amplifier.Receive(";", 9600, 0), (std::vector<Transmission>{{";", 2000, 9600}}));
  // A command whose tail comes at the wrong rate is not completed by a later terminator.
  EXPECT_TRUE(amplifier.Receive("^RV", 9600, 0).empty());
  EXPECT_TRUE(amplifier.Receive("M", 4800, 0).empty());
  EXPECT_EQ(Ask(amplifier, ";"), ";");
}

TEST(AmplifierTest, RateCommandMovesTheLineRightAfterIt) {
  const std::uint32_t rates[] = {4800, 9600, 19200, 38400};
  for (char selector = '0'; selector <= '3'; ++selector) {
    const std::uint32_t rate = rates[selector - '0'];
    SCOPED_TRACE(rate);
    AmplifierConfig config;
    config.operatingRate = rate == 38400 ? 4800 : 38400;
    Amplifier amplifier(config);
    const std::uint32_t before = amplifier.Rate();
    // The query behind the rate command in the same burst still comes at the old rate.
    EXPECT_TRUE(amplifier.Receive(std::string("^brp") + selector + ";^RVM;", before, 0).empty());
    EXPECT_EQ(amplifier.Rate(), rate);
    EXPECT_EQ(amplifier.OperatingRate(), rate);
    EXPECT_EQ(amplifier.Receive("^RVM;", rate, 0),
              (std::vector<Transmission>{{"^RVM01.23;", 2000, rate}}));
  }
}

TEST(AmplifierTest, SwitchesOffIntoTheLoaderAndBackOnAtItsOperatingRate) {
  AmplifierConfig config;
  config.operatingRate = 9600;
  Amplifier amplifier(config);
  EXPECT_EQ(Ask(amplifier, "^on0;"), std::nullopt);
  EXPECT_EQ(amplifier.Mode(), AmplifierMode::kOff);
  EXPECT_EQ(amplifier.Rate(), 38400u);
  EXPECT_EQ(amplifier.OperatingRate(), 9600u);
  EXPECT_EQ(Ask(amplifier, "I;"), "VLX750;");

  EXPECT_EQ(Ask(amplifier, "P;"), std::nullopt);
  EXPECT_EQ(amplifier.Mode(), AmplifierMode::kOperating);
  EXPECT_EQ(amplifier.Rate(), 9600u);
  EXPECT_EQ(Ask(amplifier, "I;"), std::nullopt);
  EXPECT_EQ(Ask(amplifier, "^RVM;"), "^RVM01.23;");
}

TEST(AmplifierTest, NoiseWithoutTerminatorDoesNotSwallowTheNextCommand) {
  Amplifier amplifier;
  EXPECT_TRUE(amplifier.Receive(std::string(10'000, 'x'), 38400, 0).empty());
  // The noise still in the buffer spoils the first command; the next one is clean.
  EXPECT_EQ(Ask(amplifier, "^RVM;"), "?;");
  EXPECT_EQ(Ask(amplifier, "^RVM;"), "^RVM01.23;");
}

std::vector<std::string> Probe(Amplifier& amplifier, int times) {
  std::vector<std::string> replies;
  for (int i = 0; i < times; ++i) {
    for (const Transmission& t : amplifier.Receive(";", amplifier.Rate(), 0)) {
      replies.push_back(t.bytes);
    }
  }
  return replies;
}

TEST(AmplifierTest, InjectsDroppedCorruptedSlowAndMissingReplies) {
  {
    AmplifierConfig config;
    config.faults.dropEveryNth = 3;
    config.faults.corruptEveryNth = 2;
    Amplifier amplifier(config);
    // Replies 2 and 4 corrupted, 3 and 6 dropped (dropping wins at 6).
    EXPECT_EQ(Probe(amplifier, 6), (std::vector<std::string>{";", ":", ":", ";"}));
  }
  {
    AmplifierConfig config;
    config.faults.silent = true;
    Amplifier amplifier(config);
    EXPECT_TRUE(Probe(amplifier, 3).empty());
    // Silence is only on the way back: commands still act.
    EXPECT_TRUE(amplifier.Receive("^brp1;", 38400, 0).empty());
    EXPECT_EQ(amplifier.Rate(), 9600u);
    amplifier.SetFaults({});
    EXPECT_EQ(Probe(amplifier, 1), (std::vector<std::string>{";"}));
  }
  {
    AmplifierConfig config;
    config.faults.replyDelayMs = 700;
    Amplifier amplifier(config);
    EXPECT_EQ(amplifier.Receive(";", 38400, 0), (std::vector<Transmission>{{";", 702000, 38400}}));
  }
}

TEST(AmplifierTest, ReplacesAnOperatingRateThatIsNoLineRate) {
  AmplifierConfig config;
  config.operatingRate = 57600;
  Amplifier amplifier(config);
  EXPECT_EQ(amplifier.Rate(), 38400u);
}

}  // namespace
}  // namespace vlxsim
