#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AmplifierConfig.h"
#include "CommandTable.h"
#include "Line.h"

namespace vlxsim {

// The amplifier's side of the serial protocol: assembles commands from the bytes that reach its
// UART, answers them from the command table of its current mode and reports what it sends back
// as timed transmissions. It keeps no clock of its own; whoever carries the bytes (the in-process
// link of the tests, the pseudo-terminal daemon) delivers them at the right time.
class Amplifier {
 public:
  explicit Amplifier(AmplifierConfig config = {});
  Amplifier(const Amplifier&) = delete;  // the command tables point back into this object
  Amplifier& operator=(const Amplifier&) = delete;

  // Bytes arriving together, sent at senderRate. Bytes sent at another rate than the amplifier
  // listens at reach it garbled: they are lost and so is the command being assembled.
  std::vector<Transmission> Receive(std::string_view bytes, std::uint32_t senderRate);

  // The rate it listens and sends at now: the operating rate, or 38400 while off / in its loader.
  std::uint32_t Rate() const;
  std::uint32_t OperatingRate() const { return operatingRate_; }
  PowerMode Mode() const { return mode_; }

  // Faults can change in the middle of a conversation; the reply count keeps running.
  void SetFaults(const Faults& faults) { config_.faults = faults; }

 private:
  // Longer than any command the amplifier takes; a run of bytes without ";" beyond this is noise.
  static constexpr std::size_t kMaxCommandLength = 256;
  static constexpr std::uint32_t kLoaderRate = 38400;

  void BuildOperatingCommands();
  void BuildLoaderCommands();
  void Dispatch(std::string_view command, std::vector<Transmission>& out);
  void Send(std::string reply, std::uint32_t rate, std::vector<Transmission>& out);

  std::optional<std::string> OperatingIdentity() const;
  std::string LoaderIdentity() const;
  std::string RevisionReply() const;
  std::optional<std::string> SetOperatingRate(std::string_view command);

  AmplifierConfig config_;
  PowerMode mode_;
  std::uint32_t operatingRate_;
  std::string command_;
  std::uint32_t replyCount_ = 0;
  CommandTable operatingCommands_;
  CommandTable loaderCommands_;
};

}  // namespace vlxsim
