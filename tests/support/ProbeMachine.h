#pragma once
// A small transient machine of the tests' own: it asks for the revision with the time-out policy
// under test, then for the serial number (an optional reply), and reports its error through
// MachineDone like every transient machine.

#include <cstddef>
#include <string>

#include "link/Machine.h"
#include "link/ReplyText.h"
#include "model/AppSettings.h"

namespace vlx::test {

constexpr TimerId kProbeTimerId = 99;
constexpr std::uint32_t kProbeTimeoutMs = 200;
constexpr ErrorCode kNoProbeReply = err::kNoResponseToRevisionQuery;
constexpr ErrorCode kNoFollowReply = err::kNoResponseToSerialNumberQuery;

class ProbeMachine final : public Machine {
 public:
  ProbeMachine(AppSettings& owner, TimeoutPolicy policy)
      : Machine(owner, kProbeTimerId),
        follow_(*this, "^sn;", "FollowState", &Final(), TimeoutPolicy::kMoveOn, kNoFollowReply),
        probe_(*this, "^RVM;", "ProbeState", &follow_, policy, kNoProbeReply) {}

  void BeginProbe() { Start(probe_); }
  // How often each state's early-end action ran.
  std::size_t ProbeEndedEarly() const { return probe_.endedEarly; }
  std::size_t FollowEndedEarly() const { return follow_.endedEarly; }

 private:
  class RevisionQuery final : public QueryState {
   public:
    RevisionQuery(Machine& machine, std::string command, std::string name, MachineState* next,
                  TimeoutPolicy policy, ErrorCode noResponse)
        : QueryState(machine, std::move(command), std::move(name), next, kProbeTimeoutMs, policy,
                     noResponse) {}
    bool Accept() override { return ParseRevisionReply(machine_.ReceiveBuffer()).has_value(); }
    void OnRunEndsEarly() override { ++endedEarly; }

    std::size_t endedEarly = 0;
  };

  void PublishResult() override { Owner().machineDone.Notify(Error()); }

  RevisionQuery follow_;
  RevisionQuery probe_;
};

}  // namespace vlx::test
