#pragma once
// The states a machine is built from. The virtual operations keep one order throughout:
// MachineState has the slots every state has, CommandState adds Send, QueryState adds the
// points where concrete queries differ (OnAccepted, GetTerminators, OnSuccess, Accept).

#include <cstdint>
#include <string>

#include "report/ErrorCode.h"

namespace vlx {

class Machine;

class MachineState {
 public:
  MachineState(const MachineState&) = delete;
  MachineState& operator=(const MachineState&) = delete;

  virtual const std::string& GetName() const;
  // Enters the next state: its Reset, then Execute of whatever state is current after it.
  virtual void GoToNext();
  virtual void GoToFinal();
  // A complete reply is in the machine's receive buffer.
  virtual void OnReply();
  virtual void Execute() = 0;
  virtual void Reset();
  virtual void OnTimeout();
  virtual void TraceSend();
  // Stores the error of the run and ends it.
  virtual void Fail(ErrorCode code);

  MachineState* Next() const { return next_; }
  void SetNext(MachineState* next) { next_ = next; }
  std::uint32_t Timeout() const { return timeout_; }
  void SetTimeout(std::uint32_t milliseconds) { timeout_ = milliseconds; }
  const std::string& Command() const { return command_; }
  ErrorCode NoResponseError() const { return noResponseError_; }
  void SetNoResponseError(ErrorCode code) { noResponseError_ = code; }
  std::uint32_t RetryCount() const { return retryCount_; }

 protected:
  MachineState(Machine& machine, std::string name, MachineState* next, std::uint32_t timeout = 0,
               std::string command = {});
  // States are members of their machine and die with it; nothing deletes them through this type.
  ~MachineState() = default;
  void Enter(MachineState& state);

  Machine& machine_;
  const std::string name_;
  MachineState* next_;
  std::uint32_t timeout_;
  std::string command_;
  ErrorCode noResponseError_ = err::kSuccess;
  std::uint32_t retryCount_ = 0;
};

// A state without a command or timer; its Execute is its whole action.
class SimpleState : public MachineState {
 protected:
  using MachineState::MachineState;
  ~SimpleState() = default;
};

// Sends its command and, when its timer elapses, goes on to the next state.
class CommandState : public MachineState {
 public:
  CommandState(Machine& machine, std::string command, std::string name, MachineState* next,
               std::uint32_t timeout)
      : MachineState(machine, std::move(name), next, timeout, std::move(command)) {}

  void Execute() override;
  void OnTimeout() override;
  void TraceSend() override;
  // Purges the receive queue, writes the command and arms the timer; a pending cancellation or
  // failure ends the run here instead.
  virtual void Send();

 protected:
  ~CommandState() = default;
};

// What a query state does when its timer elapses without an accepted reply.
enum class TimeoutPolicy {
  kMoveOn,       // the reply was optional: GoToNext
  kFailAtOnce,   // Fail with the state's no-response error
  kRetry,        // send again, up to the machine's retry limit, then fail
  kSpeedSearch,  // 4 sends per rate, at most 20 rates, then fail
};

// Sends its command and waits for a reply that Accept takes.
class QueryState : public CommandState {
 public:
  QueryState(Machine& machine, std::string command, std::string name, MachineState* next,
             std::uint32_t timeout, TimeoutPolicy policy = TimeoutPolicy::kMoveOn)
      : CommandState(machine, std::move(command), std::move(name), next, timeout),
        policy_(policy) {}

  void OnReply() override;
  void Reset() override;
  void OnTimeout() override;
  virtual void OnAccepted();
  virtual std::string GetTerminators() const;
  virtual void OnSuccess();
  // Whether the reply in the receive buffer is the one this state waits for; a state that
  // parses the reply stores its value here.
  virtual bool Accept();

 protected:
  ~QueryState() = default;

 private:
  void SearchSpeed();

  TimeoutPolicy policy_;
  std::uint32_t speedChanges_ = 0;
};

}  // namespace vlx
