#include "Options.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "model/ControlLine.h"
#include "model/Line.h"
#include "model/Loader.h"

namespace vlxsim {

namespace {

constexpr std::uint32_t kMaxRevision = 9999;
constexpr std::uint32_t kMaxSerial = 65535;
constexpr std::uint32_t kMaxReplyDelayMs = 600'000;
constexpr std::uint32_t kMaxCount = 0xFFFFFFFF;
constexpr std::uint32_t kMaxNoise = 1'000'000;

bool ParseNumber(std::string_view text, std::uint32_t max, std::uint32_t& value) {
  std::uint32_t parsed = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || parsed > max) {
    return false;
  }
  value = parsed;
  return true;
}

bool ParseIdentity(std::string_view text, Identity& identity) {
  static const std::map<std::string_view, Identity> kIdentities = {{"vlx750", Identity::kVlx750},
                                                                   {"rq7", Identity::kRq7},
                                                                   {"tnr750", Identity::kTnr750},
                                                                   {"qmv1200", Identity::kQmv1200}};
  const auto found = kIdentities.find(text);
  if (found == kIdentities.end()) {
    return false;
  }
  identity = found->second;
  return true;
}

// An option that takes a value: stores it, or returns the reason it was refused.
using ValueOption = std::function<bool(Options&, std::string_view)>;

ValueOption Number(std::uint32_t max, std::uint32_t AmplifierConfig::*field) {
  return [max, field](Options& o, std::string_view v) {
    return ParseNumber(v, max, o.amplifier.*field);
  };
}

ValueOption FaultNumber(std::uint32_t max, std::uint32_t Faults::*field) {
  return [max, field](Options& o, std::string_view v) {
    return ParseNumber(v, max, o.amplifier.faults.*field);
  };
}

// "N" or "N:REST": a frame number and what follows the colon.
bool SplitFrame(std::string_view text, std::uint32_t& frame,
                std::optional<std::string_view>& rest) {
  const auto colon = text.find(':');
  if (colon != std::string_view::npos) {
    rest = text.substr(colon + 1);
  }
  return ParseNumber(text.substr(0, colon), kMaxCount, frame);
}

// A fault on one frame, given as "N" or, for the faults that name a byte or a text, "N:K" or
// "N:TEXT". Repeated options add up.
ValueOption Frame(FrameFault::Kind kind) {
  return [kind](Options& o, std::string_view v) {
    FrameFault fault;
    fault.kind = kind;
    std::optional<std::string_view> rest;
    if (!SplitFrame(v, fault.frame, rest)) {
      return false;
    }
    switch (kind) {
      case FrameFault::Kind::kNoAnswer:
      case FrameFault::Kind::kReject:
        if (rest) {
          return false;
        }
        break;
      case FrameFault::Kind::kReplace:
        if (!rest || rest->empty()) {
          return false;
        }
        fault.bytes = *rest;
        break;
      default: {
        std::uint32_t byte = 0;
        if (!rest || !ParseNumber(*rest, kMaxCount, byte)) {
          return false;
        }
        fault.byte = byte;
      }
    }
    o.amplifier.faults.frames.push_back(fault);
    return true;
  };
}

ValueOption PacketNumber(std::uint32_t PacketFaults::*field) {
  return [field](Options& o, std::string_view v) {
    std::uint32_t packet = 0;
    if (!ParseNumber(v, kMaxCount, packet) || packet == 0) {
      return false;
    }
    o.amplifier.faults.packets.*field = packet;
    return true;
  };
}

// "K:N": packet K (from 1) and a number for it; `optional` allows "K" alone, keeping the default.
ValueOption PacketWith(std::uint32_t PacketFaults::*packetField,
                       std::uint32_t PacketFaults::*numberField, std::uint32_t max, bool optional) {
  return [=](Options& o, std::string_view v) {
    PacketFaults& faults = o.amplifier.faults.packets;
    std::uint32_t packet = 0;
    std::optional<std::string_view> rest;
    if (!SplitFrame(v, packet, rest) || packet == 0 || (!rest && !optional)) {
      return false;
    }
    if (rest && !ParseNumber(*rest, max, faults.*numberField)) {
      return false;
    }
    faults.*packetField = packet;
    return true;
  };
}

bool ParseLoader(Options& o, std::string_view v) {
  static const std::map<std::string_view, LoaderKind> kKinds = {
      {"standard", LoaderKind::kFramesFillBytes}, {"resync-n", LoaderKind::kAnswersFillBytes}};
  const auto found = kKinds.find(v);
  if (found == kKinds.end()) {
    return false;
  }
  o.amplifier.loader = found->second;
  return true;
}

// "KIND:COMMAND" or "KIND:COMMAND:SKIP": a fault on the replies to every command that starts with
// COMMAND, from the (SKIP+1)th on; "replace:COMMAND[:SKIP]=TEXT" scripts the reply as TEXT.
bool ParseCommandFault(Options& o, std::string_view v) {
  using Kind = FrameFault::Kind;
  static const std::map<std::string_view, Kind> kKinds = {
      {"silence", Kind::kNoAnswer},           {"garbage", Kind::kGarbage},
      {"short-garbage", Kind::kShortGarbage}, {"one-byte-short", Kind::kOneByteShort},
      {"lower-case", Kind::kLowerCase},       {"replace", Kind::kReplace}};
  std::optional<std::string_view> text;
  if (const auto equals = v.find('='); equals != std::string_view::npos) {
    text = v.substr(equals + 1);
    v = v.substr(0, equals);
  }
  const auto colon = v.find(':');
  if (colon == std::string_view::npos) {
    return false;
  }
  const auto kind = kKinds.find(v.substr(0, colon));
  std::string_view command = v.substr(colon + 1);
  CommandFault fault;
  if (const auto second = command.find(':'); second != std::string_view::npos) {
    std::string_view skip = command.substr(second + 1);
    if (const auto third = skip.find(':'); third != std::string_view::npos) {
      if (!ParseNumber(skip.substr(third + 1), kMaxCount, fault.count) || fault.count == 0) {
        return false;
      }
      skip = skip.substr(0, third);
    }
    if (!ParseNumber(skip, kMaxCount, fault.skip)) {
      return false;
    }
    command = command.substr(0, second);
  }
  if (kind == kKinds.end() || command.empty() ||
      (kind->second == Kind::kReplace) != (text && !text->empty())) {
    return false;
  }
  fault.kind = kind->second;
  fault.bytes = text.value_or("");
  fault.command = command;
  o.amplifier.faults.commands.push_back(fault);
  return true;
}

bool ParseKey(Options& o, std::string_view v) {
  const std::optional<KeyMode> key = ParseKeyMode(v);
  if (!key) {
    return false;
  }
  o.amplifier.key = *key;
  return true;
}

// A small number for a byte-sized field of the amplifier, from `min` to `max`.
ValueOption SmallNumber(std::uint32_t min, std::uint32_t max,
                        std::uint8_t AmplifierConfig::*field) {
  return [=](Options& o, std::string_view v) {
    std::uint32_t value = 0;
    if (!ParseNumber(v, max, value) || value < min) {
      return false;
    }
    o.amplifier.*field = static_cast<std::uint8_t>(value);
    return true;
  };
}

bool ParseNoise(Options& o, std::string_view v) {
  std::uint32_t atMs = 0;
  std::uint32_t length = 0;
  std::optional<std::string_view> rest;
  if (!SplitFrame(v, atMs, rest) || !rest || !ParseNumber(*rest, kMaxNoise, length)) {
    return false;
  }
  o.amplifier.faults.noise.push_back({atMs, length});
  return true;
}

const std::map<std::string_view, ValueOption>& ValueOptions() {
  static const std::map<std::string_view, ValueOption> kOptions = {
      {"--link",
       [](Options& o, std::string_view v) {
         o.linkPath = v;
         return !v.empty();
       }},
      {"--rate",
       [](Options& o, std::string_view v) {
         std::uint32_t rate = 0;
         if (!ParseNumber(v, kMaxCount, rate) || !IsLineRate(rate)) {
           return false;
         }
         o.amplifier.operatingRate = rate;
         return true;
       }},
      {"--identity",
       [](Options& o, std::string_view v) { return ParseIdentity(v, o.amplifier.identity); }},
      {"--revision",
       [](Options& o, std::string_view v) {
         std::uint32_t revision = 0;
         if (!ParseNumber(v, kMaxRevision, revision)) {
           return false;
         }
         o.amplifier.revision = static_cast<std::uint16_t>(revision);
         return true;
       }},
      {"--serial",
       [](Options& o, std::string_view v) {
         std::uint32_t serial = 0;
         if (!ParseNumber(v, kMaxSerial, serial)) {
           return false;
         }
         o.amplifier.serialNumber = static_cast<std::uint16_t>(serial);
         return true;
       }},
      {"--drop-every", FaultNumber(kMaxCount, &Faults::dropEveryNth)},
      {"--corrupt-every", FaultNumber(kMaxCount, &Faults::corruptEveryNth)},
      {"--reply-delay", FaultNumber(kMaxReplyDelayMs, &Faults::replyDelayMs)},
      {"--processing-delay", Number(kMaxReplyDelayMs, &AmplifierConfig::processingDelayMs)},
      {"--reset-time", Number(kMaxReplyDelayMs, &AmplifierConfig::resetMs)},
      {"--reload-time", Number(kMaxReplyDelayMs, &AmplifierConfig::reloadMs)},
      {"--reload-rate",
       [](Options& o, std::string_view v) {
         std::uint32_t rate = 0;
         if (!ParseNumber(v, kMaxCount, rate) || !IsLineRate(rate)) {
           return false;
         }
         o.amplifier.faults.reload.rate = rate;
         return true;
       }},
      {"--next-index",
       [](Options& o, std::string_view v) {
         std::uint32_t index = 0;
         if (!ParseNumber(v, 0xFF, index)) {
           return false;
         }
         o.amplifier.nextIndex = static_cast<std::uint8_t>(index);
         return true;
       }},
      {"--load-eeprom",
       [](Options& o, std::string_view v) {
         o.loadEepromPath = v;
         return !v.empty();
       }},
      {"--dump-eeprom",
       [](Options& o, std::string_view v) {
         o.dumpEepromPath = v;
         return !v.empty();
       }},
      {"--command-fault", ParseCommandFault},
      {"--band", SmallNumber(0, PowerStage::kBands - 1, &AmplifierConfig::band)},
      {"--fault", SmallNumber(1, 15, &AmplifierConfig::fault)},
      {"--band-switch-ms", Number(kMaxReplyDelayMs, &AmplifierConfig::bandSwitchMs)},
      {"--key", ParseKey},
      {"--control",
       [](Options& o, std::string_view v) {
         o.controlPath = v;
         return !v.empty();
       }},
      {"--seed", FaultNumber(kMaxCount, &Faults::seed)},
      {"--no-answer", Frame(FrameFault::Kind::kNoAnswer)},
      {"--reject", Frame(FrameFault::Kind::kReject)},
      {"--drop-byte", Frame(FrameFault::Kind::kDropByte)},
      {"--corrupt-byte", Frame(FrameFault::Kind::kCorruptByte)},
      {"--cut-reply", Frame(FrameFault::Kind::kCutAfter)},
      {"--replace-reply", Frame(FrameFault::Kind::kReplace)},
      {"--noise", ParseNoise},
      {"--loader", ParseLoader},
      {"--packet-time", Number(kMaxReplyDelayMs, &AmplifierConfig::packetProcessingMicros)},
      {"--reject-packets",
       [](Options& o, std::string_view v) {
         return ParseNumber(v, kMaxCount, o.amplifier.faults.packets.rejectFirst);
       }},
      {"--lose-packet", PacketWith(&PacketFaults::lose, &PacketFaults::loseBytes,
                                   std::uint32_t{Loader::kPacketSize}, true)},
      {"--corrupt-packet", PacketNumber(&PacketFaults::corrupt)},
      {"--lose-ack", PacketNumber(&PacketFaults::loseAck)},
      {"--late-ack",
       PacketWith(&PacketFaults::lateAck, &PacketFaults::lateAckMs, kMaxReplyDelayMs, false)},
      {"--silent-from-packet", PacketNumber(&PacketFaults::silentFrom)},
      {"--boot-rate",
       [](Options& o, std::string_view v) {
         std::uint32_t rate = 0;
         if (!ParseNumber(v, kMaxCount, rate) || !IsLineRate(rate)) {
           return false;
         }
         o.amplifier.faults.boot.rate = rate;
         return true;
       }},
      {"--boot-revision",
       [](Options& o, std::string_view v) {
         std::uint32_t revision = 0;
         if (!ParseNumber(v, kMaxRevision, revision)) {
           return false;
         }
         o.amplifier.faults.boot.revision = static_cast<std::uint16_t>(revision);
         return true;
       }},
  };
  return kOptions;
}

const std::map<std::string_view, std::function<void(Options&)>>& FlagOptions() {
  static const std::map<std::string_view, std::function<void(Options&)>> kFlags = {
      {"--off", [](Options& o) { o.amplifier.mode = PowerMode::kOff; }},
      {"--operate", [](Options& o) { o.amplifier.operate = true; }},
      {"--standby", [](Options& o) { o.amplifier.operate = false; }},
      {"--no-fault-reads-ff", [](Options& o) { o.amplifier.noFaultReadsFF = true; }},
      {"--pace", [](Options& o) { o.pace = true; }},
      {"--silent", [](Options& o) { o.amplifier.faults.silent = true; }},
      {"--no-boot", [](Options& o) { o.amplifier.faults.boot.noBoot = true; }},
      {"--silent-after-reload", [](Options& o) { o.amplifier.faults.reload.silent = true; }},
      {"--verbose", [](Options& o) { o.verbose = true; }},
      {"--help", [](Options& o) { o.help = true; }},
  };
  return kFlags;
}

}  // namespace

bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    std::string_view name = arg;
    std::optional<std::string_view> value;
    if (const auto equals = arg.find('='); equals != std::string_view::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
    }
    if (const auto flag = FlagOptions().find(name); flag != FlagOptions().end() && !value) {
      flag->second(options);
      continue;
    }
    const auto option = ValueOptions().find(name);
    if (option == ValueOptions().end()) {
      error = "unknown option '" + std::string(arg) + "'";
      return false;
    }
    if (!value) {
      if (i + 1 >= argc) {
        error = "option " + std::string(name) + " needs a value";
        return false;
      }
      value = argv[++i];
    }
    if (!option->second(options, *value)) {
      error = "bad value '" + std::string(*value) + "' for " + std::string(name);
      return false;
    }
  }
  return true;
}

std::string_view Usage() {
  return "Usage: vlx750-sim [options]\n"
         "Serves a simulated VLX750 amplifier on a pseudo-terminal. Prints the terminal's path\n"
         "as its first line and keeps a symbolic link to it.\n"
         "\n"
         "  --link PATH            symbolic link to the terminal (default /tmp/vlx750-sim)\n"
         "  --rate RATE            operating rate: 4800, 9600, 19200 or 38400 (default 38400)\n"
         "  --off                  start switched off, waiting in the loader\n"
         "  --operate              start in operate rather than standby\n"
         "  --standby              start in standby (the default)\n"
         "  --identity NAME        vlx750, rq7, tnr750 or qmv1200 (default vlx750)\n"
         "  --revision NNNN        firmware revision, major * 100 + minor, 0..9999 (default 123)\n"
         "  --serial N             serial number, 0..65535 (default 1234)\n"
         "  --pace                 carry bytes at the real line rate both ways: replies leave\n"
         "                         at the amplifier's rate, and each byte of the program's\n"
         "                         reaches the amplifier its line time after the one before,\n"
         "                         at the rate the program's side runs at when the daemon reads\n"
         "                         it; this relies on the program waiting for a rate change to\n"
         "                         settle before it writes at the new rate\n"
         "  --processing-delay MS  the amplifier's own time to answer (default 2)\n"
         "  --reset-time MS        time from the last firmware packet to the firmware running\n"
         "                         (default 3000)\n"
         "  --packet-time US       the loader's time to judge a packet, in microseconds\n"
         "                         (default 200)\n"
         "  --reload-time MS       time from \"^rpm;\" until the amplifier listens again, at the\n"
         "                         rate its settings hold (default 60)\n"
         "  --load-eeprom FILE     take the EEPROM's contents from FILE: 1024 bytes, banks 0 to 3\n"
         "                         (default: made up from the serial number and the rate)\n"
         "  --dump-eeprom FILE     write the EEPROM's contents to FILE on exit, in that form\n"
         "  --next-index N         put N (0..255) in the fault ring's next index (bank 0, 0xFE)\n"
         "  --loader KIND          how the bootstrap loader takes the fill byte \";\": standard\n"
         "                         (it fills the 68-byte packet like any byte) or resync-n (a\n"
         "                         \";\" followed by 2 ms of quiet is answered \"N\" at once and\n"
         "                         the partial packet dropped) (default standard)\n"
         "\n"
         "Front panel (the readings of \"^ws;\", \"^tm;\" and \"^vi;\" follow from the seed, the\n"
         "time and the settings alone, however often they are asked for):\n"
         "  --band N               band 0..10, 1.8 to 50 MHz, as \"^bnNN;\" sets it (default 5)\n"
         "  --fault CODE           start tripped by fault code CODE (1..15): in standby, operate\n"
         "                         refused until \"^flc;\", the fault filed in the fault ring\n"
         "  --no-fault-reads-ff    \"^fl;\" reads 255 rather than 0 while no fault is held\n"
         "  --band-switch-ms MS    a band change keeps the amplifier busy for MS: what comes in\n"
         "                         meanwhile (the \"^bn;\" behind \"^bnNN;\") is answered after\n"
         "                         it (default 0)\n"
         "  --key MODE             who keys it: auto (the exciter, on and off for seconds at a\n"
         "                         time, from the seed), on or off (default auto); output only\n"
         "                         in operate\n"
         "  --control PATH         read control lines from the named pipe PATH (made if missing,\n"
         "                         removed on exit if made): \"trip CODE\", \"clear\",\n"
         "                         \"key on|off|auto\"\n"
         "\"^fl;\" reads a held fault as the fault ring files it: the band in the high four\n"
         "bits (2 for 1.8 MHz up to 11 for 50 MHz, 1 for 5 MHz), the code in the low four.\n"
         "\n"
         "Faults (frames are the commands and firmware packets the amplifier receives, counted\n"
         "from 0 at start; options that name frames may be repeated):\n"
         "  --silent               never reply\n"
         "  --drop-every N         lose every Nth reply\n"
         "  --corrupt-every N      flip a bit in every Nth reply\n"
         "  --reply-delay MS       answer MS milliseconds later than usual (at most 600000)\n"
         "  --no-answer N          frame N acts but is not answered\n"
         "  --reject N             refuse frame N: the loader answers \"N\", the firmware \"?;\"\n"
         "  --drop-byte N:K        lose byte K (from 0) of the reply to frame N\n"
         "  --corrupt-byte N:K     change byte K of the reply to frame N\n"
         "  --cut-reply N:K        send only the first K bytes of the reply to frame N\n"
         "  --replace-reply N:TEXT send TEXT instead of the reply to frame N\n"
         "  --noise MS:LEN         send LEN bytes of noise MS milliseconds after start\n"
         "  --command-fault KIND:COMMAND[:SKIP[:COUNT]]\n"
         "                         shape the reply to every command that starts with COMMAND,\n"
         "                         after the first SKIP of them (only COUNT of them when\n"
         "                         given): silence, garbage (as many bytes, no \";\"),\n"
         "                         short-garbage (three bytes and \";\"), one-byte-short (the\n"
         "                         byte before the checksum lost) or lower-case\n"
         "  --command-fault replace:COMMAND[:SKIP[:COUNT]]=TEXT\n"
         "                         answer TEXT instead to every such command (a scripted reply)\n"
         "  --silent-after-reload  after \"^rpm;\" never listen or answer again (until SIGHUP)\n"
         "  --reload-rate RATE     after \"^rpm;\" come back at RATE instead\n"
         "\n"
         "Loader faults (packets are the 68-byte frames the loader gathers after \"D\", counted\n"
         "from 1, fill bytes included):\n"
         "  --reject-packets N     answer the first N packets \"N\" unread\n"
         "  --lose-packet K[:M]    lose packet K on the line, or only its first M bytes\n"
         "  --corrupt-packet K     packet K arrives with a byte changed\n"
         "  --lose-ack K           packet K acts, but its acknowledgement is lost\n"
         "  --late-ack K:MS        acknowledge packet K MS milliseconds late\n"
         "  --silent-from-packet K from packet K on the loader hears and answers nothing\n"
         "  --boot-rate RATE       after a download's reset run at RATE instead\n"
         "  --boot-revision NNNN   after a download's reset report revision NNNN instead\n"
         "  --no-boot              after a download's reset stay in the loader\n"
         "\n"
         "Other:\n"
         "  --seed N               seed of the readings, corrupted bytes and noise (default 1);\n"
         "                         noise and corrupted bytes never hold \";\", \"A\", \"B\", "
         "\"D\"\n"
         "                         or \"N\"\n"
         "  --verbose              log every command and reply on standard error\n"
         "  --help                 show this text\n"
         "\n"
         "Signals: SIGUSR1 pulls the adapter out, SIGUSR2 plugs it back in (new terminal, link\n"
         "re-pointed, path printed again); SIGHUP switches the mains off and on (the firmware\n"
         "image is kept: a good one starts, in standby and without a held fault, a bad one\n"
         "leaves the amplifier in its loader); SIGTERM or SIGINT remove the link and the\n"
         "control pipe it made, write the --dump-eeprom file and exit.\n"
         "\n"
         "EEPROM: bank 0 0x00..0xDF holds the settings (the rate at 0x0F: 0..3 for 4800..38400),\n"
         "the banner from 0x50, the unit data at 0xE0..0xEF and the fault ring's next index at\n"
         "0xFE; banks 1 to 3 hold the ring of 128 six-byte records. \"^EW\" writes only bank 0\n"
         "0x00..0xEF; other writes, bad checksums and blocks past a bank's end get \"?;\".\n"
         "\n"
         "The amplifier starts with a good image of its revision. A loaded image runs after the\n"
         "reset when its big-endian words at 0x000800..0x01FD7F sum to 0 modulo 65536, and\n"
         "reports as its revision the word at 0x000802.\n";
}

}  // namespace vlxsim
