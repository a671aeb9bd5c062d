#pragma once
// The simulated amplifier: its side of the serial protocol in each of its modes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AmplifierConfig.h"
#include "CommandTable.h"
#include "EepromStore.h"
#include "FaultInjector.h"
#include "ImageStore.h"
#include "Line.h"
#include "Loader.h"
#include "PowerStage.h"
#include "Receiver.h"

namespace vlxsim {

// Where the amplifier's processor is.
enum class AmplifierMode {
  kOperating,    // running its firmware, in operate or standby
  kOff,          // switched off: its loader waits for the power button
  kLoader,       // its loader, entered by "^LDM;", waits for a download
  kDownloading,  // its loader takes the packets of a download
  kResetting,    // after the last packet, deaf and mute until the firmware runs (or, from a bad
                 // image, the loader takes over again)
  kReloading,    // after "^rpm;", deaf and mute while the firmware reloads its settings; it comes
                 // back in standby at the rate they hold
};

// The amplifier's side of the serial protocol: frames what reaches its UART and answers each frame
// as timed transmissions. It is pure (bytes and time in, transmissions out): whoever carries the
// bytes delivers them at the right time and asks again at NextWakeMicros.
class Amplifier {
 public:
  explicit Amplifier(AmplifierConfig config = {});
  Amplifier(const Amplifier&) = delete;  // the command tables point back into this object
  Amplifier& operator=(const Amplifier&) = delete;

  // Bytes whose last one arrived at nowMicros, sent at senderRate. Bytes sent at another rate than
  // the amplifier listens at reach it garbled: they are lost and so is the frame being gathered.
  std::vector<Transmission> Receive(std::string_view bytes, std::uint32_t senderRate,
                                    std::uint64_t nowMicros);
  // Time has passed with nothing received: what the amplifier sends by itself by then.
  std::vector<Transmission> Advance(std::uint64_t nowMicros);
  // When the amplifier next does something by itself (ends a reset, sends noise); nothing when
  // it only waits for bytes.
  std::optional<std::uint64_t> NextWakeMicros() const;

  // The rate it listens and sends at now: the operating rate, or 38400 in its loader.
  std::uint32_t Rate() const;
  std::uint32_t OperatingRate() const { return operatingRate_; }
  AmplifierMode Mode() const { return mode_; }
  bool InOperate() const { return stage_.InOperate(); }
  std::uint8_t Band() const { return stage_.Band(); }
  // The current fault as "^FL" reports it: byte 3 of its record (band and code), or, while there
  // is none, 0 (255 where no fault reads so).
  std::uint8_t CurrentFault() const;
  // The revision the running firmware reports.
  std::uint16_t Revision() const { return revision_; }
  // The program memory, which the loader writes and which survives resets and power cycles.
  const ImageStore& Images() const { return images_; }
  ImageStore& Images() { return images_; }
  // The EEPROM, which "^ER" reads, "^EW" writes and "^rpm;" reloads the settings from.
  const EepromStore& Eeprom() const { return eeprom_; }
  EepromStore& Eeprom() { return eeprom_; }

  // Mains off and on again at nowMicros: whatever was going on is lost; the amplifier comes up as
  // configured (operating, or off) if its image is good, else it waits in its loader.
  void PowerCycle(std::uint64_t nowMicros);

  // Which way the loader takes fill bytes, for the next byte on; a test bed built once can so
  // run the same conversation against both.
  void SetLoader(LoaderKind kind) { loader_.SetKind(kind); }

  // Faults can change in the middle of a conversation; frames are counted again from here.
  void SetFaults(Faults faults) { faults_.Set(std::move(faults)); }

  // The protection trips at nowMicros with fault code `code` (1..15): the amplifier drops to
  // standby, holds the fault (refusing operate) until "^flc;", and files it in the fault ring.
  // Only the running firmware trips; false when it is not running or the code is no fault code.
  bool Trip(std::uint8_t code, std::uint64_t nowMicros);
  // As "^flc;".
  void ClearFault() { fault_ = 0; }
  void SetKey(KeyMode key, std::uint64_t nowMicros);

 private:
  static constexpr std::uint32_t kLoaderRate = 38400;
  static constexpr std::uint64_t kMicrosPerMs = 1000;

  void BuildOperatingCommands();
  void BuildLoaderCommands();
  void Enter(AmplifierMode mode);
  // The firmware starts if the image is good (and the faults let it), else the loader waits.
  void Boot(AmplifierMode running, const BootFaults& faults);
  void ClearInput();
  void Dispatch(std::string_view frame, std::vector<Transmission>& out);
  void DispatchPacket(const Loader::Frame& frame, std::vector<Transmission>& out);
  std::string JudgePacket(const Loader::Frame& frame);
  std::optional<std::string> Answer(std::string_view frame);
  std::optional<std::string> Refusal() const;

  std::optional<std::string> OperatingIdentity() const;
  std::string LoaderIdentity() const;
  std::string RevisionReply() const;
  std::optional<std::string> SetOperatingRate(std::string_view command);
  std::optional<std::string> SetOperate(std::string_view command);
  std::optional<std::string> SetBand(std::string_view command);
  Readings Read() { return stage_.Read(nowMicros_ / kMicrosPerMs); }
  std::optional<std::string> Reload();
  void EndReload();

  AmplifierConfig config_;
  AmplifierMode mode_;
  std::uint32_t operatingRate_;
  std::uint64_t nowMicros_ = 0;
  std::uint64_t resetEndsMicros_ = 0;  // of a reset or a reload
  std::uint64_t busyUntilMicros_ = 0;  // switching bands: what comes in is answered after
  FaultInjector faults_;
  ImageStore images_;
  EepromStore eeprom_;
  std::uint16_t revision_;
  Loader loader_;
  PowerStage stage_;
  std::uint8_t fault_ = 0;        // byte 3 of the held fault's record; 0: none
  std::uint32_t firstTimeStamp_;  // the fault ring's newest time stamp when built
  std::uint32_t lastTimeStamp_;   // of the newest record filed since
  TextAssembler operatingText_;
  TextAssembler loaderText_;
  CommandTable operatingCommands_;
  CommandTable loaderCommands_;
};

}  // namespace vlxsim
