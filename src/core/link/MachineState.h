#pragma once
// The states a machine is built from. The virtual operations keep one order throughout:
// MachineState has the slots every state has, CommandState adds Send, QueryState adds the
// points where concrete queries differ (OnAccepted, Terminators, OnSuccess, Accept).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/RateSearch.h"
#include "report/ErrorCode.h"

namespace vlx {

class Machine;

class MachineState {
 public:
  MachineState(const MachineState&) = delete;
  MachineState& operator=(const MachineState&) = delete;

  virtual const std::string& Name() const;
  // Enters the next state: its Reset, then Execute of whatever state is current after it.
  virtual void GoToNext();
  // Ends the run from this state: its OnRunEndsEarly, then the final state.
  void GoToFinal();
  // A complete reply is in the machine's receive buffer.
  virtual void OnReply();
  virtual void Execute() = 0;
  virtual void Reset();
  virtual void OnTimeout();
  virtual void TraceSend();
  // Stores the error of the run and ends it.
  virtual void Fail(ErrorCode code);

  Machine& OwningMachine() const { return machine_; }
  MachineState* Next() const { return next_; }
  std::uint32_t Timeout() const { return timeout_; }
  const std::string& Command() const { return command_; }
  std::uint32_t RetryCount() const { return retryCount_; }

 protected:
  MachineState(Machine& machine, std::string name, MachineState* next, std::uint32_t timeout = 0,
               std::string command = {}, ErrorCode noResponseError = err::kSuccess);
  // States are members of their machine and die with it; nothing deletes them through this type.
  ~MachineState() = default;
  void Enter(MachineState& state);
  // Makes `state` current again without its Reset or Execute, for a state that stood in for it
  // a while: `state` keeps its counts and goes on from where it was.
  void ReturnTo(MachineState& state);
  // What the state does on its way out when the run ends while it is current, short of its
  // normal path (a failure, a cancellation, an abort): called once, before the final state
  // publishes the result. A normal end reaches the final state as a next state and skips it.
  virtual void OnRunEndsEarly();

  Machine& machine_;
  const std::string name_;
  MachineState* next_;
  std::uint32_t timeout_;
  std::string command_;
  ErrorCode noResponseError_;
  std::uint32_t retryCount_ = 0;
};

// A state without a command; its Execute is its whole action.
class SimpleState : public MachineState {
 protected:
  using MachineState::MachineState;
  ~SimpleState() = default;
};

// A simple state that waits: Execute arms the machine's timer (noting the time), the time-out
// goes on to the next state, and replies meanwhile are dropped.
class TimedState : public SimpleState {
 public:
  TimedState(Machine& machine, std::string name, MachineState* next, std::uint32_t milliseconds)
      : SimpleState(machine, std::move(name), next, milliseconds) {}

  void Execute() override;
  void OnTimeout() override;

 protected:
  ~TimedState() = default;
};

// Sends its command and, when its timer elapses, goes on to the next state.
class CommandState : public MachineState {
 public:
  CommandState(Machine& machine, std::string command, std::string name, MachineState* next,
               std::uint32_t timeout, ErrorCode noResponseError = err::kSuccess)
      : MachineState(machine, std::move(name), next, timeout, std::move(command), noResponseError) {
  }

  void Execute() override;
  void OnTimeout() override;
  void TraceSend() override;
  // Traces and transmits the command; a pending cancellation or failure ends the run here
  // instead.
  virtual void Send();

 protected:
  ~CommandState() = default;
  // Purges the receive queue, writes `bytes` as they are (any byte value) and arms the timer
  // for `timeout`. It looks at no pending error and writes no trace line; a write that fails
  // ends the run with the port's code.
  void Transmit(std::string_view bytes, std::uint32_t timeout);
};

// What a query state does when its timer elapses without an accepted reply.
enum class TimeoutPolicy {
  kMoveOn,       // the reply was optional: GoToNext
  kFailAtOnce,   // Fail with the state's no-response error
  kRetry,        // send again, up to the machine's retry limit, then fail
  kSpeedSearch,  // search the line speed (the engine's rules unless the state gives its own)
};

// Sends its command and waits for a reply that Accept takes.
class QueryState : public CommandState {
 public:
  QueryState(Machine& machine, std::string command, std::string name, MachineState* next,
             std::uint32_t timeout, TimeoutPolicy policy = TimeoutPolicy::kMoveOn,
             ErrorCode noResponseError = err::kSuccess)
      : CommandState(machine, std::move(command), std::move(name), next, timeout, noResponseError),
        policy_(policy) {
    if (policy == TimeoutPolicy::kSpeedSearch) {
      rateSearch_.emplace(RateSearchRules::SpeedSearch());
    }
  }
  // A query state that searches the line speed by rules of its own.
  QueryState(Machine& machine, std::string command, std::string name, MachineState* next,
             std::uint32_t timeout, RateSearchRules rules,
             ErrorCode noResponseError = err::kSuccess)
      : CommandState(machine, std::move(command), std::move(name), next, timeout, noResponseError),
        policy_(TimeoutPolicy::kSpeedSearch),
        rateSearch_(rules) {}

  void OnReply() override;
  void Reset() override;
  void OnTimeout() override;
  virtual void OnAccepted();
  virtual std::string Terminators() const;
  virtual void OnSuccess();
  // Whether the reply in the receive buffer is the one this state waits for; a state that
  // parses the reply stores its value here.
  virtual bool Accept();

 protected:
  ~QueryState() = default;

 private:
  TimeoutPolicy policy_;
  std::optional<RateSearch> rateSearch_;
};

}  // namespace vlx
