// The amplifier's front panel as the operate conversation sees it: its readings, band, fault and
// operate/standby, and the fault ring a trip writes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "faults/FaultRing.h"
#include "model/Amplifier.h"
#include "model/ControlLine.h"

namespace vlxsim {
namespace {

constexpr std::uint64_t kMs = 1000;  // model time is in microseconds

AmplifierConfig Panel(bool operate, KeyMode key = KeyMode::kAuto, std::uint32_t seed = 7) {
  AmplifierConfig config;
  config.operate = operate;
  config.key = key;
  config.faults.seed = seed;
  return config;
}

// Every reply to `commands`, sent at `atMs`, each with the time it leaves.
std::vector<Transmission> At(Amplifier& amplifier, std::uint64_t atMs, std::string_view commands) {
  return amplifier.Receive(commands, amplifier.Rate(), atMs * kMs);
}

std::string Replies(Amplifier& amplifier, std::uint64_t atMs, std::string_view commands) {
  std::string text;
  for (const Transmission& t : At(amplifier, atMs, commands)) {
    text += t.bytes;
  }
  return text;
}

struct Sample {
  unsigned power = 0, swr = 0, temperature = 0, volts = 0, amps = 0;
};

Sample Poll(Amplifier& amplifier, std::uint64_t atMs) {
  const std::string text = Replies(amplifier, atMs, "^ws;^tm;^vi;");
  Sample s;
  EXPECT_EQ(std::sscanf(text.c_str(), "^WS%u %u;^TM%u;^VI%u %u;", &s.power, &s.swr, &s.temperature,
                        &s.volts, &s.amps),
            5)
      << text;
  return s;
}

TEST(FrontPanelTest, ReadingsAtATimeAreTheSameWhateverThePollRate) {
  Amplifier often(Panel(true));
  Amplifier seldom(Panel(true));
  Amplifier otherSeed(Panel(true, KeyMode::kAuto, 8));
  std::set<std::string> seen;
  bool differsBySeed = false;
  for (std::uint64_t ms = 0; ms <= 180'000; ms += 100) {
    const std::string fast = Replies(often, ms, "^ws;^tm;^vi;");
    if (ms % 1000 == 0) {
      ASSERT_EQ(Replies(seldom, ms, "^ws;^tm;^vi;"), fast) << "at " << ms << " ms";
      differsBySeed = differsBySeed || Replies(otherSeed, ms, "^ws;^tm;^vi;") != fast;
    }
    seen.insert(fast);
  }
  EXPECT_TRUE(differsBySeed);
  EXPECT_GT(seen.size(), 100u);  // the readings move
}

TEST(FrontPanelTest, AFirstReadingAfterHoursIsThatOfAPollThatNeverStopped) {
  Amplifier polled(Panel(true));
  Amplifier left(Panel(true));
  for (std::uint64_t ms = 0; ms < 3 * 3'600'000; ms += 60'000) {
    Poll(polled, ms);
  }
  EXPECT_EQ(Replies(left, 3 * 3'600'000, "^ws;^tm;^vi;"),
            Replies(polled, 3 * 3'600'000, "^ws;^tm;^vi;"));
}

TEST(FrontPanelTest, ReadingsArePlausibleAndOutputComesOnlyInOperate) {
  Amplifier operating(Panel(true));
  Amplifier standby(Panel(false));
  std::size_t keyed = 0;
  std::size_t unkeyed = 0;
  unsigned firstTemperature = 0;
  Sample last;
  for (std::uint64_t ms = 0; ms <= 600'000; ms += 500) {
    const Sample s = Poll(operating, ms);
    firstTemperature = ms == 0 ? s.temperature : firstTemperature;
    EXPECT_LE(s.volts, 560u);
    EXPECT_GE(s.volts, 480u);
    EXPECT_GE(s.temperature, 15u);
    EXPECT_LE(s.temperature, 90u);
    if (s.power > 0) {
      ++keyed;
      EXPECT_GE(s.power, 400u);
      EXPECT_LE(s.power, 720u);
      EXPECT_GE(s.swr, 10u);
      EXPECT_LE(s.swr, 25u);
      EXPECT_GE(s.amps, 120u);  // the supply sags under the load
      EXPECT_LE(s.amps, 250u);
      EXPECT_LT(s.volts, 540u);
    } else {
      ++unkeyed;
      EXPECT_EQ(s.swr, 10u);
      EXPECT_LE(s.amps, 25u);
    }
    const Sample idle = Poll(standby, ms);
    EXPECT_EQ(idle.power, 0u);
    EXPECT_EQ(idle.amps, 3u);
    last = s;
    if (ms == 600'000) {
      // Ten minutes of keying have warmed the heat sink; standby has hardly.
      EXPECT_GE(last.temperature, firstTemperature + 8);
      EXPECT_LE(idle.temperature, firstTemperature + 2);
    }
  }
  // The exciter keys for seconds at a time, on and off.
  EXPECT_GT(keyed, 200u);
  EXPECT_GT(unkeyed, 200u);
}

TEST(FrontPanelTest, KeyModesHoldTheExciterOnOrOff) {
  Amplifier amplifier(Panel(true, KeyMode::kOn));
  for (std::uint64_t ms = 0; ms < 20'000; ms += 700) {
    EXPECT_GT(Poll(amplifier, ms).power, 0u);
  }
  amplifier.SetKey(KeyMode::kOff, 20'000 * kMs);
  for (std::uint64_t ms = 20'000; ms < 40'000; ms += 700) {
    EXPECT_EQ(Poll(amplifier, ms).power, 0u);
  }
}

TEST(FrontPanelTest, BandIsSetAndReadAndTheSwrGoesWithIt) {
  Amplifier amplifier(Panel(true, KeyMode::kOn));
  EXPECT_EQ(Replies(amplifier, 0, "^bn;"), "^BN05;");
  std::set<unsigned> swrs;
  for (unsigned band = 0; band <= 10; ++band) {
    char command[16];
    std::snprintf(command, sizeof command, "^bn%02u;^bn;", band);
    char reply[16];
    std::snprintf(reply, sizeof reply, "^BN%02u;", band);
    // Glued on the wire, as the program sends them: two commands, one reply.
    EXPECT_EQ(Replies(amplifier, 1000 + band, command), reply);
    swrs.insert(Poll(amplifier, 1000 + band).swr / 3);
  }
  EXPECT_GE(swrs.size(), 2u);
  for (const char* refused : {"^bn11;", "^bn5;", "^bn005;", "^bn-1;", "^bnx5;"}) {
    EXPECT_EQ(Replies(amplifier, 2000, refused), "?;") << refused;
  }
  EXPECT_EQ(Replies(amplifier, 2000, "^bn;"), "^BN10;");
}

TEST(FrontPanelTest, ABandChangeKeepsItBusyForTheSwitchTime) {
  AmplifierConfig config = Panel(false);
  config.bandSwitchMs = 300;
  config.processingDelayMs = 2;
  Amplifier amplifier(config);
  // The program's first "^bn;" rides behind the change; its 50 ms are long gone when the answer
  // comes, and so is its plain "^bn;" sent after them.
  EXPECT_EQ(At(amplifier, 1000, "^bn07;^bn;"),
            (std::vector<Transmission>{{"^BN07;", 1302 * kMs, 38400}}));
  EXPECT_EQ(At(amplifier, 1050, "^bn;"),
            (std::vector<Transmission>{{"^BN07;", 1302 * kMs, 38400}}));
  EXPECT_EQ(At(amplifier, 1400, "^fl;"), (std::vector<Transmission>{{"^FL0;", 1402 * kMs, 38400}}));
}

TEST(FrontPanelTest, ATripDropsToStandbyAndRefusesOperateUntilCleared) {
  Amplifier amplifier(Panel(true, KeyMode::kOn));
  EXPECT_EQ(Replies(amplifier, 0, "^fl;^os;"), "^FL0;^OS1;");
  ASSERT_TRUE(amplifier.Trip(0x2, 5000 * kMs));
  // Band 5 (14 MHz) is the ring's band 6 (" 20 "), in the high nibble beside the code.
  EXPECT_EQ(Replies(amplifier, 5001, "^fl;^os;"), "^FL98;^OS0;");
  EXPECT_EQ(Poll(amplifier, 5002).power, 0u);
  EXPECT_EQ(Replies(amplifier, 5003, "^os1;^os;"), "^OS0;");
  EXPECT_EQ(Replies(amplifier, 5004, "^flc;^fl;^os1;^os;"), "^FL0;^OS1;");
  EXPECT_GT(Poll(amplifier, 5005).power, 0u);

  // No code 0 or above 15, and nothing while the firmware is off.
  EXPECT_FALSE(amplifier.Trip(0, 6000 * kMs));
  EXPECT_FALSE(amplifier.Trip(16, 6000 * kMs));
  EXPECT_EQ(Replies(amplifier, 6001, "^on0;"), "");
  EXPECT_FALSE(amplifier.Trip(2, 6002 * kMs));

  // Coming on again clears a held fault.
  AmplifierConfig tripped = Panel(true);
  tripped.fault = 0xD;
  tripped.band = 0;
  tripped.noFaultReadsFF = true;
  Amplifier started(tripped);
  EXPECT_EQ(Replies(started, 0, "^fl;^os;^on0;"), "^FL45;^OS0;");
  EXPECT_EQ(Replies(started, 10, "P;"), "");
  EXPECT_EQ(Replies(started, 20, "^fl;"), "^FL255;");
}

TEST(FrontPanelTest, ATripIsFiledInTheFaultRingAsTheProgramReadsIt) {
  AmplifierConfig config = Panel(true, KeyMode::kOn);
  config.band = 7;  // 21 MHz, the ring's " 15 "
  Amplifier amplifier(config);
  const auto snapshotOf = [](const Amplifier& a) {
    vlx::FaultSnapshot snapshot{};
    const std::string& dump = a.Eeprom().Dump();
    std::copy(dump.begin(), dump.end(), snapshot.begin());
    return snapshot;
  };
  const vlx::FaultSnapshot before = snapshotOf(amplifier);
  const vlx::FaultTable old = vlx::ListFaults(before);
  ASSERT_FALSE(old.rows.empty());

  const Sample atTrip = Poll(amplifier, 90'000);
  ASSERT_TRUE(amplifier.Trip(0x9, 90'000 * kMs));
  ASSERT_TRUE(amplifier.Trip(0x4, 90'000 * kMs));
  const vlx::FaultSnapshot after = snapshotOf(amplifier);
  EXPECT_EQ(vlx::NextIndex(after), (vlx::NextIndex(before) + 2) % 128);

  const vlx::FaultTable table = vlx::ListFaults(after);
  ASSERT_GE(table.rows.size(), 2u);
  EXPECT_TRUE(table.notice.empty());
  const vlx::FaultRow& newest = table.rows[0];
  const vlx::FaultRow& second = table.rows[1];
  EXPECT_EQ(newest.faultCode, "04 HI TEMP");
  EXPECT_EQ(second.faultCode, "09 REFL HI");
  EXPECT_EQ(second.band, " 15 ");
  char swr[8];
  std::snprintf(swr, sizeof swr, "%04X", atTrip.swr);
  EXPECT_EQ(second.data, swr);
  // Time stamps go on from the newest record the ring had, and rise.
  EXPECT_GT(std::stoul(second.timeStamp), std::stoul(old.rows[0].timeStamp));
  EXPECT_GT(std::stoul(newest.timeStamp), std::stoul(second.timeStamp));
  // The newest record before them comes next.
  ASSERT_GE(table.rows.size(), 3u);
  EXPECT_EQ(table.rows[2].timeStamp, old.rows[0].timeStamp);
}

TEST(FrontPanelTest, ControlLinesTripClearAndKey) {
  struct Case {
    const char* line;
    bool understood;
  };
  for (const Case& c : {Case{"trip 9", true}, Case{"  trip\t15 \r", true}, Case{"clear", true},
                        Case{"key on", true}, Case{"key auto", true}, Case{"key off", true},
                        Case{"trip 0", false}, Case{"trip 16", false}, Case{"trip 9x", false},
                        Case{"trip", false}, Case{"clear now", false}, Case{"key sideways", false},
                        Case{"Trip 9", false}, Case{"", false}}) {
    EXPECT_EQ(ParseControlLine(c.line).has_value(), c.understood) << c.line;
  }
  Amplifier amplifier(Panel(true));
  ASSERT_TRUE(ApplyControlLine(*ParseControlLine("key on"), amplifier, 0));
  EXPECT_GT(Poll(amplifier, 10).power, 0u);
  ASSERT_TRUE(ApplyControlLine(*ParseControlLine("trip 12"), amplifier, 20 * kMs));
  EXPECT_EQ(Replies(amplifier, 30, "^fl;"), "^FL108;");
  ASSERT_TRUE(ApplyControlLine(*ParseControlLine("clear"), amplifier, 40 * kMs));
  EXPECT_EQ(Replies(amplifier, 50, "^fl;"), "^FL0;");
}

TEST(FrontPanelTest, AScriptedReplyStandsInForAsManyRepliesAsItIsGiven) {
  AmplifierConfig config;
  config.faults.commands.push_back({"^bn;", FrameFault::Kind::kReplace, 1, 2, 0, "^BN11;"});
  Amplifier amplifier(config);
  EXPECT_EQ(Replies(amplifier, 0, "^bn;^bn;^bn;^bn;^bn05;"), "^BN05;^BN11;^BN11;^BN05;");
}

}  // namespace
}  // namespace vlxsim
