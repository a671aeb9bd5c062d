#pragma once
// How a simulated amplifier is made: which device it is, how it starts, the faults it shows.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "PowerStage.h"

namespace vlxsim {

// The device on the far end of the line: the amplifier itself, or another of the maker's devices
// that answers the identity query in its own words.
enum class Identity { kVlx750, kRq7, kTnr750, kQmv1200 };

// How the amplifier starts: operating, or switched off and waiting in its loader for the power
// button.
enum class PowerMode { kOperating, kOff };

// What can happen to the frame the amplifier received as number `frame`, or to its reply.
struct FrameFault {
  enum class Kind {
    kNoAnswer,      // the frame acts, but its reply never leaves
    kReject,        // the frame is refused unread: "N" from the downloading loader, "?;" while
                    // operating, nothing from the idle loader
    kDropByte,      // byte `byte` of the reply is lost
    kCorruptByte,   // byte `byte` of the reply arrives as another byte (see Faults)
    kCutAfter,      // only the first `byte` bytes of the reply leave, the terminator among the lost
    kReplace,       // `bytes` leave instead of the reply, even where the frame has no reply
    kGarbage,       // as many made-up bytes as the reply had leave instead, without a terminator
    kShortGarbage,  // three made-up bytes and ";" leave instead of the reply
    kOneByteShort,  // the byte before the reply's checksum (its two hex digits) is lost, the
                    // checksum and ";" arrive: "^ER" data one byte short
    kLowerCase,     // the reply leaves in lower case, its echo and hex digits too
  };
  std::uint32_t frame = 0;
  Kind kind = Kind::kNoAnswer;
  std::size_t byte = 0;
  std::string bytes;
};

// A fault on the replies to a command, whatever frame it comes in: every command that starts with
// `command` ("^ER", "^EW005006", "^rpm;"), after the first `skip` of them, has its reply shaped
// as a frame fault of `kind` would (`byte` and `bytes` as there); with a `count`, only that many
// are, and the ones after get their own replies again. kReplace so scripts a command's reply.
// kReject does not apply here.
struct CommandFault {
  std::string command;
  FrameFault::Kind kind = FrameFault::Kind::kNoAnswer;
  std::uint32_t skip = 0;
  std::uint32_t count = 0;  // 0: all of them
  std::size_t byte = 0;
  std::string bytes;
};

// Misbehaviour of the bootstrap loader during a download. Packets are the 68-byte frames the
// loader gathers after "D", counted from 1; a frame completed by fill bytes counts like any other.
// A number of 0 names no packet.
struct PacketFaults {
  std::uint32_t rejectFirst = 0;  // the first N packets are answered "N" unread
  std::uint32_t lose = 0;         // packet K is lost on the line...
  std::uint32_t loseBytes = 68;   // ...this many of its bytes, from its first (68: all of it)
  std::uint32_t corrupt = 0;      // packet K arrives with its first byte changed
  std::uint32_t loseAck = 0;      // packet K acts, but its acknowledgement is lost
  std::uint32_t lateAck = 0;      // packet K is acknowledged...
  std::uint32_t lateAckMs = 0;    // ...this much later than usual
  std::uint32_t silentFrom = 0;   // from packet K on the loader hears and answers nothing

  bool LosesBytesOf(std::uint32_t packet) const { return lose != 0 && packet == lose; }
  bool IsSilentAt(std::uint32_t packet) const { return silentFrom != 0 && packet >= silentFrom; }
};

// What the amplifier does when it comes out of the reset after a download, instead of booting
// the image it was given at its own rate.
struct BootFaults {
  std::uint32_t rate = 0;                 // runs at this rate (0: its operating rate)
  std::optional<std::uint16_t> revision;  // reports this revision (none: the image's)
  bool noBoot = false;                    // stays in its loader whatever the image
};

// What the amplifier does when it has reloaded its settings after "^rpm;", instead of coming
// back at the rate its settings hold.
struct ReloadFaults {
  std::uint32_t rate = 0;  // comes back at this rate (0: the settings' rate)
  bool silent = false;     // stays deaf and mute until the mains go off
};

// Unprompted bytes from the amplifier: `length` bytes sent at model time `atMs`.
struct NoiseBurst {
  std::uint64_t atMs = 0;
  std::size_t length = 0;
};

// Misbehaviour to inject. Frames (commands, the loader's packets) are counted from 0 when the
// faults are set; the every-Nth counts run over every reply since the amplifier was built, the
// first reply counting 1. A reply due for dropping and corrupting is dropped. Several frame faults
// on one reply apply in their order here. Corrupted bytes and noise never hold a byte that ends a
// reply in any mode (";", and the loader's "A", "B", "D" and "N"), so a corrupted terminator no
// longer ends its reply and noise never ends one; both come from `seed`, reproducibly.
struct Faults {
  std::uint32_t dropEveryNth = 0;  // every Nth reply is lost (0: none)
  std::uint32_t corruptEveryNth =
      0;                           // every Nth reply has its first byte's low bit flipped (0: none)
  bool silent = false;             // commands still act, but no reply leaves the amplifier
  std::uint32_t replyDelayMs = 0;  // slow replies: added to the processing delay
  std::vector<FrameFault> frames;
  std::vector<CommandFault> commands;
  std::vector<NoiseBurst> noise;
  std::uint32_t seed = 1;  // also of the meters' readings, taken when the amplifier is built
  PacketFaults packets;
  BootFaults boot;
  ReloadFaults reload;
};

// How the bootstrap loader takes the fill bytes (";") the program sends to find the start of a
// packet after a loss. Either way a fill byte ends up answered "N" once the loader's buffer is at
// a packet boundary; the program must cope with both.
enum class LoaderKind {
  kFramesFillBytes,   // every byte, ";" too, fills the 68-byte frame; a full frame is judged
  kAnswersFillBytes,  // a ";" after which the line falls quiet is answered "N" at once, and the
                      // partial frame is dropped; a ";" inside a packet is just a byte
};

struct AmplifierConfig {
  Identity identity = Identity::kVlx750;
  PowerMode mode = PowerMode::kOperating;
  bool operate = false;                 // on in operate rather than standby
  std::uint32_t operatingRate = 38400;  // not one of the four line rates: 38400
  std::uint16_t revision = 123;         // of the firmware it holds, major * 100 + minor
  std::uint16_t serialNumber = 1234;    // "^SN1234;"
  Faults faults;
  std::uint32_t processingDelayMs = 2;  // time the firmware takes to answer a command
  std::uint32_t resetMs = 3000;         // from the last packet's "B" until it runs its firmware
  std::uint32_t reloadMs = 60;          // from "^rpm;" until it listens again
  // The EEPROM's contents, kSize bytes (none: the factory contents for the serial number and
  // the operating rate), and a next index of the fault ring to put in them.
  std::optional<std::string> eeprom;
  std::optional<std::uint8_t> nextIndex;
  std::uint32_t packetProcessingMicros = 200;  // time the loader takes to judge a packet
  LoaderKind loader = LoaderKind::kFramesFillBytes;
  // The front panel: the band it is on (0..10, 1.8 to 50 MHz), the fault code it starts tripped
  // by (1..15; 0: none), whether "no fault" reads 255 rather than 0, how long a band change
  // keeps the firmware busy before it answers again, and who keys it.
  std::uint8_t band = 5;
  std::uint8_t fault = 0;
  bool noFaultReadsFF = false;
  std::uint32_t bandSwitchMs = 0;
  KeyMode key = KeyMode::kAuto;
};

// Something the amplifier sends: `bytes` start to leave it at model time `atMicros`, at line rate
// `rate`.
struct Transmission {
  std::string bytes;
  std::uint64_t atMicros;
  std::uint32_t rate;

  bool operator==(const Transmission&) const = default;
};

}  // namespace vlxsim
