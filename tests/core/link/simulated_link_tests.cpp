// The in-process line to the simulated amplifier: when the amplifier hears each byte and when its
// answers reach the port, which the firmware load's timing rests on.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "support/LinkTestBed.h"

namespace vlx::test {
namespace {

// Time on the line for `count` bytes at 38400 bit/s.
std::uint64_t Bytes(std::size_t count) {
  return vlxsim::LineTimeMicros(count, 38400);
}

class SimulatedLinkTest : public ::testing::Test {
 protected:
  explicit SimulatedLinkTest(vlxsim::AmplifierConfig config = {}) : bed(config) {}

  void SetUp() override { ASSERT_EQ(bed.link.Open(SimulatedLink::kPortName).code, err::kSuccess); }

  void Write(const std::string& bytes) {
    std::size_t written = 0;
    ASSERT_EQ(bed.link.Write(bytes, written), err::kSuccess);
  }

  // Runs until `expected` has arrived whole; when it did.
  std::uint64_t ArrivalOf(const std::string& expected) {
    EXPECT_TRUE(bed.time.RunUntil(
        [&] {
          std::array<std::uint8_t, 256> buffer{};
          std::size_t count = 0;
          bed.link.Read(buffer.data(), buffer.size(), count);
          received_.append(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(count));
          return received_.find(expected) != std::string::npos;
        },
        5000))
        << received_;
    return bed.time.NowMicros();
  }

  // How many bytes have reached the port and not been read yet.
  std::size_t Waiting() {
    std::array<std::uint8_t, 256> buffer{};
    std::size_t count = 0;
    EXPECT_EQ(bed.link.Read(buffer.data(), buffer.size(), count), err::kSuccess);
    return count;
  }

  LinkTestBed bed;

 private:
  std::string received_;
};

TEST_F(SimulatedLinkTest, CommandsEarlyInAWriteAreAnsweredBeforeItEndsAndAnswersQueue) {
  Write("^RVM;;");
  // "^RVM;" is heard after its fifth byte and answered 2 ms later; the probe's answer waits
  // behind the ten bytes of the revision.
  const std::uint64_t revision = Bytes(5) + 2000 + Bytes(10);
  EXPECT_EQ(ArrivalOf("^RVM01.23;"), revision);
  EXPECT_EQ(ArrivalOf("^RVM01.23;;"), revision + Bytes(1));
}

TEST_F(SimulatedLinkTest, AnAnswerOnItsWayDiesWithThePowerAndTheAmplifierComesBack) {
  Write("^RVM;");
  bed.time.RunFor(4);  // the answer has started
  bed.link.PowerCycle();
  bed.time.RunFor(100);
  EXPECT_EQ(Waiting(), 0u);
  Write("^RVM;");
  ArrivalOf("^RVM01.23;");
}

TEST_F(SimulatedLinkTest, TheEepromIsReachableBothWaysAndTheReloadEndsOnTime) {
  bed.link.Eeprom().Write(0, 0x50, std::string("TEST\0", 5));
  Write("^ER005005AB;");
  ArrivalOf("^ER00500554455354006B;");
  Write("^EW005001416E;");
  ArrivalOf("^EW005001AF;");
  EXPECT_EQ(bed.link.Eeprom().Read(0, 0x50, 2), "AE");
  EXPECT_TRUE(bed.link.Eeprom().RefusedWrites().empty());

  // Deaf for 60 ms from the end of "^rpm;": a probe within them is not answered.
  Write("^rpm;");
  bed.time.RunFor(30);
  Write(";");
  bed.time.RunFor(100);
  EXPECT_EQ(Waiting(), 0u);
  Write("^sn;");
  ArrivalOf("^SN1234;");
  EXPECT_EQ(bed.link.Model().Mode(), vlxsim::AmplifierMode::kOperating);
}

class SimulatedLoaderLinkTest : public SimulatedLinkTest {
 protected:
  SimulatedLoaderLinkTest() : SimulatedLinkTest(Off()) {}
  static vlxsim::AmplifierConfig Off() {
    vlxsim::AmplifierConfig config;
    config.mode = vlxsim::PowerMode::kOff;
    return config;
  }
};

TEST_F(SimulatedLoaderLinkTest, APacketIsJudgedWhenItsLastByteHasArrived) {
  Write("D");
  const std::uint64_t echoed = ArrivalOf("D");
  // The loader's own first block, so the image stays good.
  std::string packet(bed.link.Model().Images().Read(0x000800, 64));
  packet += std::string("\x00\x08\x00", 3);
  unsigned sum = 0;
  for (const char b : packet) {
    sum += static_cast<unsigned char>(b);
  }
  packet.push_back(static_cast<char>((256 - sum % 256) % 256));
  Write(packet);
  // 68 bytes on the line, 0.2 ms to judge it, one byte back.
  EXPECT_EQ(ArrivalOf("DA") - echoed, Bytes(68) + 200 + Bytes(1));
}

}  // namespace
}  // namespace vlx::test
