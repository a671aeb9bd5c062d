#include "Options.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "model/Line.h"

namespace vlxsim {

namespace {

constexpr std::uint32_t kMaxRevision = 9999;
constexpr std::uint32_t kMaxSerial = 65535;
constexpr std::uint32_t kMaxReplyDelayMs = 600'000;
constexpr std::uint32_t kMaxCount = 0xFFFFFFFF;

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
  };
  return kOptions;
}

const std::map<std::string_view, std::function<void(Options&)>>& FlagOptions() {
  static const std::map<std::string_view, std::function<void(Options&)>> kFlags = {
      {"--off", [](Options& o) { o.amplifier.mode = PowerMode::kOff; }},
      {"--pace", [](Options& o) { o.pace = true; }},
      {"--silent", [](Options& o) { o.amplifier.faults.silent = true; }},
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
         "  --identity NAME        vlx750, rq7, tnr750 or qmv1200 (default vlx750)\n"
         "  --revision NNNN        firmware revision, major * 100 + minor, 0..9999 (default 123)\n"
         "  --serial N             serial number, 0..65535 (default 1234)\n"
         "  --pace                 deliver replies at the real line rate\n"
         "  --drop-every N         lose every Nth reply\n"
         "  --corrupt-every N      flip a bit in every Nth reply\n"
         "  --silent               never reply\n"
         "  --reply-delay MS       answer MS milliseconds later than usual (at most 600000)\n"
         "  --processing-delay MS  the amplifier's own time to answer (default 2)\n"
         "  --verbose              log every command and reply on standard error\n"
         "  --help                 show this text\n"
         "\n"
         "Signals: SIGUSR1 pulls the adapter out, SIGUSR2 plugs it back in (new terminal, link\n"
         "re-pointed, path printed again); SIGTERM or SIGINT remove the link and exit.\n";
}

}  // namespace vlxsim
