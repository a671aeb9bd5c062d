#pragma once
// Finds the amplifier on the chosen port and publishes what it found (DeviceType, DeviceState,
// Revision, SerialNumber, PortOpen, BaudRate); also closes the port on request. It lives as long as
// AppSettings.

#include <cstdint>

#include "link/ContactStates.h"
#include "link/Machine.h"

namespace vlx {

constexpr TimerId kEstablishContactTimerId = 23;

class EstablishContactMachine final : public Machine {
 public:
  explicit EstablishContactMachine(AppSettings& owner);

  // Controller operations of this machine.
  void BeginClosePort();
  // Re-opens the stored port and searches again, abandoning a run in progress.
  void BeginTestCommunications();
  // Only when idle: reads revision and serial number again. Returns whether it started.
  bool BeginQueryRevision();

 private:
  class ClosePortState final : public SimpleState {
   public:
    ClosePortState(Machine& machine, MachineState* next);
    void Execute() override;
  };

  class OpenPortState final : public SimpleState {
   public:
    OpenPortState(Machine& machine, MachineState* next);
    void Execute() override;
  };

  // The search with no end of its own: it runs until the amplifier answers, the port is closed
  // or a new test starts.
  class EstablishContactState final : public QueryState {
   public:
    EstablishContactState(Machine& machine, MachineState* next, MachineState& operatingNext);
    void Reset() override;
    void OnSuccess() override;

   private:
    MachineState& operatingNext_;
  };

  void PublishResult() override;

  // Built in this order; a state may name one built after it as its next state.
  ClosePortState closePort_;
  OpenPortState openPort_;
  QueryRevisionState queryRevision_;
  EstablishContactState establishContact_;
  QueryIState queryI_;
  QuerySerialNumberState querySerialNumber_;
};

}  // namespace vlx
