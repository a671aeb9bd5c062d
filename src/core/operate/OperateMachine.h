#pragma once
// The Operate front panel's conversation: one run is one poll cycle that finds the amplifier if
// need be and reads every quantity the panel shows.
// A held band, fault-clear or operate/standby request goes in front of the query of the same
// quantity when its state is next entered; a power toggle is a run of its own.

#include <cstdint>
#include <string>
#include <string_view>

#include "link/ContactStates.h"
#include "link/Machine.h"

namespace vlx {

constexpr TimerId kOperateTimerId = 24;

class OperateMachine final : public Machine {
 public:
  explicit OperateMachine(AppSettings& owner);
  ~OperateMachine() override;

  // Controller operations of this machine, in their slot order. The three requests send
  // nothing now and always return true; Poll and TogglePower start a run only when the machine
  // is idle and return whether they did (a refused power toggle is not kept).
  bool SelectBand(std::uint8_t bandCode);
  bool ClearFault();
  bool Poll();
  bool ToggleOperateStandby();
  bool TogglePower();

  // The last run asked for operate, and the amplifier stayed in standby while it held a fault:
  // it takes operate only once the fault is cleared.
  bool OperateRefused() const { return operateRefused_; }

 private:
  // Sends "P;" (switch on) or "^on0;" (switch off) as DeviceState calls for, then waits 2000 ms
  // with replies dropped; after a switch-off it asks who is on the line, else probes for the
  // amplifier.
  class TogglePowerState final : public CommandState {
   public:
    TogglePowerState(OperateMachine& machine, MachineState* next, MachineState& switchedOffNext);
    void Reset() override;
    void GoToNext() override;

   private:
    MachineState& switchedOffNext_;
  };

  // Chooses the cycle's path by what the amplifier was last seen doing.
  class OperateStartState final : public SimpleState {
   public:
    OperateStartState(OperateMachine& machine, MachineState* next, MachineState& probe,
                      MachineState& identity);
    void Execute() override;

   private:
    MachineState& probe_;
    MachineState& identity_;
  };

  // ";" once per 100 ms over the four rates from 38400 down, four at each; an answer at 38400
  // may come from the loader, so it leads to the identity query, any other to the revision.
  class OperateDetermineSpeedState final : public QueryState {
   public:
    OperateDetermineSpeedState(OperateMachine& machine, MachineState* next,
                               MachineState& loaderRateNext);
    void Reset() override;
    void OnSuccess() override;

   private:
    MachineState& loaderRateNext_;
  };

  // "^RVM;" once: a valid reply sets Revision and the machine's device state 3; DeviceType is
  // left as it is.
  class OperateQueryRevisionState final : public QueryState {
   public:
    OperateQueryRevisionState(OperateMachine& machine, MachineState& next);
    bool Accept() override;
  };

  // A reading's query, sent up to the retry limit 500 ms apart. A held request goes once in
  // front of the first send, which then waits only 50 ms: the reply to a setting command comes
  // late, and the plain query that follows collects it.
  class ReadingState : public QueryState {
   public:
    void Reset() override;
    void OnTimeout() override;

   protected:
    ReadingState(OperateMachine& machine, std::string query, std::string name, MachineState& next,
                 ErrorCode noResponseError);
    ~ReadingState() = default;
    // The setting command of a held request, which is then no longer held; empty when none.
    virtual std::string TakeRequest() { return {}; }

    OperateMachine& operate_;

   private:
    const std::string query_;
  };

  class SetQueryBandState final : public ReadingState {
   public:
    SetQueryBandState(OperateMachine& machine, MachineState& next);
    bool Accept() override;

   private:
    std::string TakeRequest() override;
  };

  class ClearQueryCurrentFaultState final : public ReadingState {
   public:
    ClearQueryCurrentFaultState(OperateMachine& machine, MachineState& next);
    bool Accept() override;

   private:
    std::string TakeRequest() override;
  };

  class ToggleQueryOperateStandbyState final : public ReadingState {
   public:
    ToggleQueryOperateStandbyState(OperateMachine& machine, MachineState& next);
    bool Accept() override;

   private:
    std::string TakeRequest() override;
  };

  class QueryPowerSwrState final : public ReadingState {
   public:
    QueryPowerSwrState(OperateMachine& machine, MachineState& next);
    bool Accept() override;
  };

  class QueryTemperatureState final : public ReadingState {
   public:
    QueryTemperatureState(OperateMachine& machine, MachineState& next);
    bool Accept() override;
  };

  class QueryVoltageCurrentState final : public ReadingState {
   public:
    QueryVoltageCurrentState(OperateMachine& machine, MachineState& next);
    bool Accept() override;
  };

  void PublishResult() override;

  bool bandPending_ = false;
  bool clearPending_ = false;
  bool operateTogglePending_ = false;
  // "^os1;" went out in this run; its answer tells whether operate was taken.
  bool operateAsked_ = false;
  bool operateRefused_ = false;
  std::uint32_t bandCode_ = 0;

  // Built in the order the trace names them; a state may name one built after it.
  TogglePowerState togglePower_;
  OperateStartState operateStart_;
  OperateDetermineSpeedState determineSpeed_;
  OperateQueryRevisionState queryRevision_;
  QuerySerialNumberState querySerialNumber_;
  QueryIState queryI_;
  SetQueryBandState queryBand_;
  ClearQueryCurrentFaultState queryFault_;
  ToggleQueryOperateStandbyState queryOperate_;
  QueryPowerSwrState queryPowerSwr_;
  QueryTemperatureState queryTemperature_;
  QueryVoltageCurrentState queryVoltageCurrent_;
};

}  // namespace vlx
