// The firmware load on a loader that misbehaves, on both simulated loaders: every run ends in
// bounded virtual time with its code, leaves no timer armed, and never reports success unless
// the amplifier holds the image and runs it.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

#include "firmware/FirmwareLoadMachine.h"
#include "support/FirmwareLoadBed.h"

namespace vlx::test {
namespace {

using vlxsim::LoaderKind;
using vlxsim::PacketFaults;

constexpr std::uint32_t kBoundMs = 300000;
constexpr std::uint32_t kLateAckMs = 2500;  // after the packet time-out

struct LoaderFaultRow {
  const char* label;
  vlxsim::Faults faults;  // from the load's start
  // Runs once the load has started; may wait for a moment and break the line then.
  std::function<void(FirmwareLoadBed&)> during;
  ErrorCode code;
  std::size_t boxes;
};

vlxsim::Faults PacketFaultsOnly(PacketFaults packets) {
  vlxsim::Faults faults;
  faults.packets = packets;
  return faults;
}

// The loader accepts packet `packet` (its first send) but the reply reads `reply`.
vlxsim::Faults ReplyToPacket(std::uint32_t packet, const std::string& reply,
                             PacketFaults packets = {}) {
  vlxsim::Faults faults = PacketFaultsOnly(packets);
  // The frames of a load from an operating amplifier: "I;", "^LDM;", "D", then the packets.
  faults.frames.push_back({2 + packet, vlxsim::FrameFault::Kind::kReplace, 0, reply});
  return faults;
}

vlxsim::Faults NoiseDuringPackets() {
  vlxsim::Faults faults;
  for (std::uint64_t at = 3000; at < 40000; at += 70) {
    faults.noise.push_back({at, 5});
  }
  return faults;
}

void Nothing(FirmwareLoadBed&) {}

// Once `packets` packets are out, `act` breaks the line.
std::function<void(FirmwareLoadBed&)> AtPacket(std::size_t packets,
                                               std::function<void(FirmwareLoadBed&)> act) {
  return [packets, act](FirmwareLoadBed& bed) {
    ASSERT_TRUE(bed.time.RunUntil([&] { return bed.PacketsSent() >= packets; }, kBoundMs));
    act(bed);
  };
}

std::function<void(FirmwareLoadBed&)> InState(const std::string& state,
                                              std::function<void(FirmwareLoadBed&)> act) {
  return [state, act](FirmwareLoadBed& bed) {
    ASSERT_TRUE(bed.RunUntilState(state, kBoundMs));
    act(bed);
  };
}

void FailNextWrite(FirmwareLoadBed& bed) {
  bed.link.FailNextCall(err::kWriteFault);
}

const LoaderFaultRow kRows[] = {
    {"SilentBeforeTheEcho", LinkTestBed::SilentAmplifier().faults, Nothing, err::kLoaderNoD, 0},
    {"SilentAfterTheEcho", PacketFaultsOnly({.silentFrom = 1}), Nothing,
     err::kNoResponseWhileSynchronizing, 0},
    {"SilentFromPacket1000", PacketFaultsOnly({.silentFrom = 1000}), Nothing,
     err::kNoResponseWhileSynchronizing, 0},
    // Noise without the loader's letters mixes into the acknowledgements, which still count.
    {"GarbageWithoutLetters", NoiseDuringPackets(), Nothing, err::kSuccess, 0},
    // A stray "N" or "B" for an accepted packet costs a resend or a resynchronisation.
    {"StrayRejection", ReplyToPacket(500, "N"), Nothing, err::kSuccess, 0},
    {"StrayB", ReplyToPacket(500, "xB"), Nothing, err::kSuccess, 0},
    // An "A" for a packet the loader threw away: the image is holed, the amplifier stays in its
    // loader after the reset and never answers the revision query.
    {"FalseAcknowledgement", ReplyToPacket(500, "A", {.corrupt = 500}), Nothing,
     err::kNoResponseToRevisionQuery, 0},
    {"RejectionStorm", PacketFaultsOnly({.rejectFirst = 5000}), Nothing, err::kRetryLimitExhausted,
     0},
    {"LostBytes", PacketFaultsOnly({.lose = 700, .loseBytes = 10}), Nothing, err::kSuccess, 0},
    {"LostAcknowledgement", PacketFaultsOnly({.loseAck = 1000}), Nothing, err::kSuccess, 0},
    {"LateAcknowledgement", PacketFaultsOnly({.lateAck = 1000, .lateAckMs = kLateAckMs}), Nothing,
     err::kSuccess, 0},
    {"Corruption", PacketFaultsOnly({.corrupt = 1000}), Nothing, err::kSuccess, 0},
    {"WriteErrorInThePackets", {}, AtPacket(1000, FailNextWrite), err::kWriteFault, 1},
    {"WriteErrorInTheResync", PacketFaultsOnly({.loseAck = 5}),
     InState("LoadResyncInitialState", FailNextWrite), err::kWriteFault, 1},
    {"WriteErrorForTheFinalPacket", {}, AtPacket(2006, FailNextWrite), err::kWriteFault, 1},
    {"UnplugInThePackets",
     {},
     AtPacket(1000, [](FirmwareLoadBed& bed) { bed.link.Unplug(); }),
     err::kDeviceRemoved,
     0},
    {"UnplugInTheResetWait",
     {},
     InState("LoadWaitResetState", [](FirmwareLoadBed& bed) { bed.link.Unplug(); }),
     err::kDeviceRemoved,
     0},
};

using LoaderFaultCase = std::tuple<LoaderKind, LoaderFaultRow>;

class LoaderFaults : public ::testing::TestWithParam<LoaderFaultCase> {};

TEST_P(LoaderFaults, EndInBoundedTimeWithTheirCodeAndNoFalseSuccess) {
  const auto& [loader, row] = GetParam();
  vlxsim::AmplifierConfig config = FirmwareLoadBed::Amplifier();
  config.loader = loader;
  FirmwareLoadBed bed(config);
  bed.Connect();
  bed.link.SetFaults(row.faults);
  ASSERT_TRUE(bed.StartLoad());
  row.during(bed);
  ASSERT_TRUE(bed.RunLoadToEnd(kBoundMs));

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{row.code});
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kFirmwareLoadTimerId));
  EXPECT_EQ(bed.prompts.boxes.size(), row.boxes);
  if (row.code == err::kSuccess) {
    EXPECT_TRUE(bed.link.Model().Images().SumsToZero());
    EXPECT_EQ(bed.app.revision.Get(), FirmwareLoadBed::kLoaded);
    EXPECT_EQ(bed.Load().VerifyRevision(false), err::kSuccess);
  } else {
    EXPECT_EQ(bed.app.deviceState.Get(), device_state::kNotResponding);
  }
}

INSTANTIATE_TEST_SUITE_P(BothLoaders, LoaderFaults,
                         ::testing::Combine(::testing::Values(LoaderKind::kFramesFillBytes,
                                                              LoaderKind::kAnswersFillBytes),
                                            ::testing::ValuesIn(kRows)),
                         [](const ::testing::TestParamInfo<LoaderFaultCase>& info) {
                           const char* loader =
                               std::get<0>(info.param) == LoaderKind::kFramesFillBytes
                                   ? "FramingFillBytes"
                                   : "AnsweringFillBytes";
                           return std::string(std::get<1>(info.param).label) + "On" + loader;
                         });

}  // namespace
}  // namespace vlx::test
