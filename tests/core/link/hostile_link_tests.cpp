// Every machine on every hostile link: it reaches its final state within its bound of virtual
// time, with the code the failure calls for, at most the box a failed write gives, no timer left
// armed and the port as the model says it is. A new machine joins with one line in kMachines.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <tuple>

#include "config/BannerMachine.h"
#include "config/ConfigurationRestoreMachine.h"
#include "config/ConfigurationSaveMachine.h"
#include "faults/FaultTableMachine.h"
#include "firmware/FirmwareLoadMachine.h"
#include "link/EstablishContactMachine.h"
#include "operate/OperateMachine.h"
#include "support/FirmwareLoadBed.h"
#include "support/HostileLink.h"
#include "support/LinkTestBed.h"
#include "support/ProbeMachine.h"

namespace vlx::test {
namespace {

struct MachineUnderTest {
  const char* label;
  // Prepares the bed (an open port where the machine expects one) and starts a run.
  std::function<Machine&(LinkTestBed&)> start;
  std::uint32_t boundMs;  // every run ends within this much virtual time
  ErrorCode noReply;      // the code when no usable reply comes
  ErrorCode slowReplies;  // the code when every reply comes after its time-out
  // The code when every reply arrives cut or corrupted: a machine whose replies are single
  // bytes (the loader's) meets the damage only where its replies are longer.
  ErrorCode garbledReplies;
  bool searchesForever;  // the contact search: silence and noise keep it cycling
  vlxsim::LoaderKind loader = vlxsim::LoaderKind::kFramesFillBytes;
  // A run of one command: the write failure row would fail its second write, which never
  // comes, so its first one fails instead.
  bool oneCommand = false;
  // The code when every reply is a bare ";", where that answers one of the machine's queries
  // (none: as noReply).
  std::optional<ErrorCode> loneTerminator;
};

Machine& StartProbe(LinkTestBed& bed, TimeoutPolicy policy) {
  bed.OpenPortAsContactLeavesIt();
  ProbeMachine& machine =
      *bed.app.InstallTransientMachine(std::make_unique<ProbeMachine>(bed.app, policy)).get();
  machine.BeginProbe();
  return machine;
}

// A load as the Firmware page starts it: the amplifier was found operating at 38400 bit/s.
Machine& StartLoad(LinkTestBed& bed) {
  static const std::string path =
      FirmwareLoadBed::WriteFirmwareFile(vlxsim::MakeTestFirmwareHex(TestFirmware(124))).string();
  static struct : FirmwareTextSink {
    void FirmwareText(const std::string&) override {}
  } sink;
  bed.OpenPortAsContactLeavesIt();
  bed.app.deviceType.Set(device_type::kVlx750);
  bed.app.SetDeviceState(device_state::kOperating);
  bed.app.SetAvailableFirmware(124, path);
  FirmwareLoadMachine& machine =
      *bed.app.InstallTransientMachine(std::make_unique<FirmwareLoadMachine>(bed.app)).get();
  machine.StartLoad(sink);
  return machine;
}

// The banner sheet's two runs, on the port as the establish-contact machine leaves it.
Machine& StartBanner(LinkTestBed& bed, bool write) {
  if (!bed.app.Serial().IsOpen()) {
    bed.OpenPortAsContactLeavesIt();
  }
  BannerMachine& machine =
      *bed.app.InstallTransientMachine(std::make_unique<BannerMachine>(bed.app)).get();
  write ? machine.StartBannerWrite("HELLO") : machine.StartBannerRead();
  return machine;
}

// A machine of the Configuration page as the page starts it: an operating amplifier found at
// 38400 bit/s.
template <typename M>
M& InstallOnOperatingAmplifier(LinkTestBed& bed) {
  bed.OpenPortAsContactLeavesIt();
  bed.app.SetDeviceState(device_state::kOperating);
  return *bed.app.InstallTransientMachine(std::make_unique<M>(bed.app)).get();
}

Machine& StartSave(LinkTestBed& bed) {
  auto& machine = InstallOnOperatingAmplifier<ConfigurationSaveMachine>(bed);
  machine.StartSave();
  return machine;
}

// A restore of a whole configuration.
Machine& StartRestore(LinkTestBed& bed) {
  auto& machine = InstallOnOperatingAmplifier<ConfigurationRestoreMachine>(bed);
  for (std::uint32_t address = 0; address < 0xE0; ++address) {
    machine.AddByte(0, static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address));
  }
  machine.StartRestore();
  return machine;
}

Machine& StartFaultTable(LinkTestBed& bed) {
  auto& machine = InstallOnOperatingAmplifier<FaultTableMachine>(bed);
  machine.StartRead();
  return machine;
}

// An operate poll cycle on the port as the contact search leaves it, with the amplifier last
// seen operating (the plain cycle) or lost (the probe first).
Machine& StartOperate(LinkTestBed& bed, std::uint32_t deviceState) {
  bed.OpenPortAsContactLeavesIt();
  bed.app.SetDeviceState(deviceState);
  auto& machine = *bed.app.InstallTransientMachine(std::make_unique<OperateMachine>(bed.app)).get();
  machine.Poll();
  return machine;
}

Machine& StartContact(LinkTestBed& bed) {
  bed.contact().BeginTestCommunications();
  return bed.contact();
}

const MachineUnderTest kMachines[] = {
    {"EngineRetry",
     [](LinkTestBed& bed) -> Machine& { return StartProbe(bed, TimeoutPolicy::kRetry); }, 5000,
     kNoProbeReply, err::kSuccess, kNoProbeReply, false},
    {"EngineSpeedSearch",
     [](LinkTestBed& bed) -> Machine& { return StartProbe(bed, TimeoutPolicy::kSpeedSearch); },
     20000, kNoProbeReply, err::kSuccess, kNoProbeReply, false},
    {"EstablishContact", StartContact, 60000, err::kNoResponseToRevisionQuery,
     err::kNoResponseToSerialNumberQuery, err::kNoResponseToRevisionQuery, true},
    // Slow acknowledgements still come within the packet time-out, so the slow run is long.
    {"FirmwareLoad", StartLoad, 1800000, err::kLoaderNoD, err::kNoResponseAfterReset,
     err::kNoResponseToRevisionQuery, false},
    {"FirmwareLoadAnsweringFillBytes", StartLoad, 1800000, err::kLoaderNoD,
     err::kNoResponseAfterReset, err::kNoResponseToRevisionQuery, false,
     vlxsim::LoaderKind::kAnswersFillBytes},
    // Ten sends of 2000 ms each; a slow reply still comes within one of them.
    {"BannerRead", [](LinkTestBed& bed) -> Machine& { return StartBanner(bed, false); }, 30000,
     err::kNoResponseToReadEepromBlock, err::kSuccess, err::kNoResponseToReadEepromBlock, false,
     vlxsim::LoaderKind::kFramesFillBytes, true},
    {"BannerWrite", [](LinkTestBed& bed) -> Machine& { return StartBanner(bed, true); }, 30000,
     err::kNoResponseToWriteEepromBlock, err::kSuccess, err::kNoResponseToWriteEepromBlock, false,
     vlxsim::LoaderKind::kFramesFillBytes, true},
    {"ConfigurationSave", StartSave, 60000, err::kNoResponseToReadEepromBlock, err::kSuccess,
     err::kNoResponseToReadEepromBlock, false},
    // Slow replies still acknowledge every block, but the probes after the reload are answered
    // only when the search has moved on to another rate.
    {"ConfigurationRestore", StartRestore, 60000, err::kNoResponseToWriteEepromBlock,
     err::kNoResponseAfterReset, err::kNoResponseToWriteEepromBlock, false},
    // Replies 600 ms late still come within the blocks' 2000 ms.
    {"FaultTableRead", StartFaultTable, 60000, err::kNoResponseToReadEepromBlock, err::kSuccess,
     err::kNoResponseToReadEepromBlock, false},
    // A reply 600 ms late answers the send before: each reading state takes it on its retry.
    {"OperatePoll",
     [](LinkTestBed& bed) -> Machine& { return StartOperate(bed, device_state::kOperating); },
     10000, err::kNoResponseToBandQuery, err::kSuccess, err::kNoResponseToBandQuery, false},
    // A probe's answer 600 ms late comes when the search has moved on to another rate; a bare
    // ";" answers the probe, and the revision query then fails.
    {"OperateProbe",
     [](LinkTestBed& bed) -> Machine& { return StartOperate(bed, device_state::kNotResponding); },
     20000, err::kNoResponseToSemicolonPoll, err::kNoResponseToSemicolonPoll,
     err::kNoResponseToRevisionQuery, false, vlxsim::LoaderKind::kFramesFillBytes, false,
     err::kNoResponseToRevisionQuery},
};

ErrorCode ExpectedCode(const MachineUnderTest& machine, LinkFault fault) {
  switch (fault) {
    case LinkFault::kSlowReply:
      return machine.slowReplies;
    case LinkFault::kCutReply:
    case LinkFault::kCorruptedReply:
      return machine.garbledReplies;
    case LinkFault::kDroppedThenGood:
      return err::kSuccess;
    case LinkFault::kWriteFailure:
      return err::kWriteFault;
    case LinkFault::kAdapterPulled:
      return err::kDeviceRemoved;
    case LinkFault::kLoneTerminator:
      return machine.loneTerminator.value_or(machine.noReply);
    default:
      return machine.noReply;
  }
}

using HostileCase = std::tuple<MachineUnderTest, HostileLinkRow>;

class HostileLink : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileLink, EndsInItsFinalStateWithItsCode) {
  const auto& [machineUnderTest, row] = GetParam();
  vlxsim::AmplifierConfig amplifier;
  amplifier.loader = machineUnderTest.loader;
  LinkTestBed bed(amplifier);
  row.beforeStart(bed);
  if (machineUnderTest.oneCommand && row.fault == LinkFault::kWriteFailure) {
    bed.OpenPortAsContactLeavesIt();
    bed.link.FailNextCall(err::kWriteFault);
  }
  Machine& machine = machineUnderTest.start(bed);
  row.afterStart(bed);

  const bool cycles = machineUnderTest.searchesForever &&
                      (row.fault == LinkFault::kSilence || row.fault == LinkFault::kNoise);
  if (cycles) {
    // No end of its own: it keeps going round the rates with ever longer waits, up to 5 s.
    bed.time.RunFor(machineUnderTest.boundMs);
    EXPECT_FALSE(machine.IsIdle());
    const auto& sent = bed.link.SentCommands();
    ASSERT_GT(sent.size(), 40u);
    for (std::size_t i = 1; i < sent.size(); ++i) {
      if (sent[i].rate != sent[i - 1].rate) {
        EXPECT_EQ(sent[i].rate, sent[i - 1].rate == 4800 ? 38400u : sent[i - 1].rate / 2) << i;
      }
    }
    const std::uint64_t lastWait = sent.back().atMicros - sent[sent.size() - 2].atMicros;
    EXPECT_LE(lastWait, 5000000u);
    EXPECT_EQ(std::count(bed.status.statusLines.begin(), bed.status.statusLines.end(),
                         "Attempting to contact VLX on port /dev/ttySIM0 at 4800 bit/s"),
              std::count(bed.status.statusLines.begin(), bed.status.statusLines.end(),
                         "Attempting to contact VLX on port /dev/ttySIM0 at 9600 bit/s"));
    bed.contact().BeginClosePort();
  } else {
    EXPECT_TRUE(bed.time.RunUntil([&] { return machine.IsIdle(); }, machineUnderTest.boundMs));
    EXPECT_EQ(machine.Error(), ExpectedCode(machineUnderTest, row.fault));
  }

  EXPECT_TRUE(machine.IsIdle());
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, machine.Timer()));
  EXPECT_EQ(bed.prompts.boxes.size(), row.fault == LinkFault::kWriteFailure ? 1u : 0u);
  EXPECT_EQ(bed.app.portOpen.Get() != 0, bed.app.Serial().IsOpen());
  if (machine.Error() != err::kSuccess &&
      (&machine == &bed.contact() || dynamic_cast<OperateMachine*>(&machine) != nullptr)) {
    EXPECT_EQ(bed.app.deviceState.Get(), device_state::kNotResponding);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryMachine, HostileLink,
                         ::testing::Combine(::testing::ValuesIn(kMachines),
                                            ::testing::ValuesIn(HostileLinkRows())),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                           return std::string(std::get<0>(info.param).label) + "On" +
                                  std::get<1>(info.param).label;
                         });

}  // namespace
}  // namespace vlx::test
