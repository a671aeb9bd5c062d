#pragma once
// The application model: the user's persisted settings, the live facts about the amplifier and
// the link, the serial port and the two machine slots. Every value is observable; pages redraw
// from the messages they subscribed to and never poll.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/DeferredPrompts.h"
#include "link/EngineDispatch.h"
#include "link/MachineHandle.h"
#include "link/MachineTimers.h"
#include "link/SerialPort.h"
#include "model/DeviceFacts.h"
#include "model/MessageIds.h"
#include "model/Observable.h"
#include "model/PersistedSettings.h"

namespace vlx {

class Clock;
class EstablishContactMachine;
class FileSystem;
class Machine;
class Prompts;
class SerialDevice;
class SettingsStore;
class StatusSink;
class TimerService;
class TimerTarget;

// What AppSettings needs of the platform (or of a test).
struct Services {
  SettingsStore& store;
  FileSystem& fileSystem;
  SerialDevice& serialDevice;
  TimerService& timers;
  Clock& clock;
  StatusSink& status;
  Prompts& prompts;
};

class AppSettings : public PersistedSettings {
 public:
  explicit AppSettings(const Services& services);
  virtual ~AppSettings();
  AppSettings(const AppSettings&) = delete;
  AppSettings& operator=(const AppSettings&) = delete;

  // Gives the link up: no device type, revision and serial number unknown, device state 0. The
  // device type is what answered on this link; kept, it would be taken for the next device's.
  virtual void ForgetDevice();
  virtual bool IsAmplifierPresent() const;
  virtual void Load();
  virtual void Save();

  // The window that receives every machine timer (the main window, or the command-line host);
  // none while it does not exist.
  void SetMainWindow(TimerTarget* window) { timers_.SetTarget(window); }

  SerialPort& Serial() { return serialPort_; }
  const SerialPort& Serial() const { return serialPort_; }
  EstablishContactMachine& EstablishContact() { return *establishContact_; }
  Machine* TransientMachine() const { return transient_.get(); }
  // Puts a newly made machine in the transient slot and gives its holder a handle to it, which
  // tells `runEnded` the end of each run. An idle previous machine is given up; one still
  // running is kept until its holder releases it.
  template <typename M>
  MachineHandle<M> InstallTransientMachine(std::unique_ptr<M> machine,
                                           typename MachineHandle<M>::RunEnded runEnded = {}) {
    std::shared_ptr<M> installed(std::move(machine));
    PutInTransientSlot(installed);
    return MachineHandle<M>(installed, std::move(runEnded));
  }
  // Gives up a transient machine whose holder releases it; it is destroyed once the engine
  // dispatch that released it has returned. The establish-contact machine stays.
  void ReleaseMachine(Machine& machine);
  // Ends every running machine through its final state with `code`.
  void AbortRunningMachines(ErrorCode code);

  MachineTimers& Timers() { return timers_; }
  Clock& Time() const { return services_.clock; }
  TimerService& TimerServices() const { return services_.timers; }
  StatusSink& Status() const { return services_.status; }
  // Message boxes as the engine and the pages should raise them (see DeferredPrompts).
  Prompts& Boxes() { return boxes_; }
  EngineDispatch& Dispatch() { return dispatch_; }

  // Closes the port and tells the PortOpen listeners.
  bool ClosePort();
  // Moves the port to `bitsPerSecond` and purges what came in at the old rate. The caller
  // notifies the BaudRate listeners.
  bool SetPortSpeed(std::uint32_t bitsPerSecond);
  // Tells an operating amplifier to switch its line to `bitsPerSecond`; no reply is awaited.
  bool SendSpeedCommand(std::uint32_t bitsPerSecond);
  // Stores 0 whatever was asked while the port is closed; tells listeners only on a change.
  void SetDeviceState(std::uint32_t state);
  // The firmware file the Firmware page found, held with its revision: the path is stored
  // before the AvailableRevision listeners are told. An empty path means no file.
  void SetAvailableFirmware(std::uint16_t revision, std::string path);
  const std::string& AvailableFirmwarePath() const { return availableFirmwarePath_; }

  Observable<std::uint32_t> deviceState{kMsgDeviceState, device_state::kNotResponding};
  Observable<std::uint32_t> band{kMsgBand};
  Observable<std::uint32_t> deviceType{kMsgDeviceType, device_type::kNone};
  Observable<std::uint16_t> availableRevision{kMsgAvailableRevision};
  Observable<std::uint16_t> revision{kMsgRevision};
  Observable<std::uint32_t> progressPosition{kMsgProgressPosition};
  Observable<std::uint32_t> progressRange{kMsgProgressRange};
  Subscribers machineDone{kMsgMachineDone};
  Observable<std::uint16_t> serialNumber{kMsgSerialNumber, kUnknownSerialNumber};
  Observable<std::uint32_t> portOpen{kMsgPortOpen};
  Subscribers baudRate{kMsgBaudRate};  // the value is the serial port's current speed
  Observable<std::uint32_t> mainWindowReady{kMsgMainWindowReady};
  Observable<std::string> bannerText{kMsgBannerText};
  Observable<std::uint16_t> paCurrent{kMsgPaCurrent};
  Observable<std::uint8_t> currentFault{kMsgCurrentFault};
  Observable<std::uint32_t> operateMode{kMsgOperateMode};
  Observable<std::uint16_t> power{kMsgPower};
  Observable<std::uint16_t> swr{kMsgSwr};
  Observable<std::uint16_t> temperature{kMsgTemperature};
  Observable<std::uint16_t> paVoltage{kMsgPaVoltage};

 private:
  void PutInTransientSlot(std::shared_ptr<Machine> machine);

  // Declared before the machines: they use all of these until they are gone.
  Services services_;
  EngineDispatch dispatch_;
  DeferredPrompts boxes_;
  MachineTimers timers_;
  SerialPort serialPort_;
  std::unique_ptr<EstablishContactMachine> establishContact_;
  std::shared_ptr<Machine> transient_;
  std::string availableFirmwarePath_;
  // Running machines a newer installation pushed out of the slot; their holders release them.
  std::vector<std::shared_ptr<Machine>> displaced_;
};

}  // namespace vlx
