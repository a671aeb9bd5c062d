#include "Amplifier.h"

#include "EepromCommands.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

namespace vlxsim {

namespace {

constexpr std::string_view kUnknownCommandReply = "?;";

// The fault ring files bands by its own index ("160 " is 2, " 60 " is 1); the panel numbers them
// by frequency, 1.8 MHz first.
constexpr std::array<std::uint8_t, PowerStage::kBands> kRingBandOfPanelBand = {2, 3, 1, 4,  5, 6,
                                                                               7, 8, 9, 10, 11};
constexpr std::uint8_t kMaxFaultCode = 15;
constexpr std::uint32_t kTimeStampMask = 0xFFFFFF;
constexpr std::uint8_t kNoFaultAsFF = 0xFF;

// What a trip files as its record's data: the reading the protection acted on.
std::uint16_t TripData(std::uint8_t code, const Readings& r) {
  switch (code) {
    case 0x2:  // high current
      return static_cast<std::uint16_t>(r.paCurrentTenths);
    case 0x4:  // high temperature
      return static_cast<std::uint16_t>(r.temperatureC);
    case 0x8:  // 60 V supply high
    case 0xD:  // 60 V supply failed
      return static_cast<std::uint16_t>(r.paVoltageTenths);
    case 0x9:  // reflected power
      return static_cast<std::uint16_t>(r.swrTenths);
    case 0x6:  // drive
    case 0xB:  // dissipation
    case 0xC:  // output
      return static_cast<std::uint16_t>(r.powerW);
    default:
      return 0;
  }
}

template <typename... Args>
std::string Formatted(const char* format, Args... args) {
  std::array<char, 48> text{};
  std::snprintf(text.data(), text.size(), format, args...);
  return text.data();
}

EepromStore InitialEeprom(const AmplifierConfig& config, std::uint32_t rate) {
  EepromStore eeprom =
      config.eeprom ? EepromStore(*config.eeprom) : EepromStore::Factory(config.serialNumber, rate);
  if (config.nextIndex) {
    eeprom.Write(0, EepromStore::kNextIndexAddress,
                 std::string(1, static_cast<char>(*config.nextIndex)));
  }
  return eeprom;
}

}  // namespace

Amplifier::Amplifier(AmplifierConfig config)
    : config_(config),
      mode_(config.mode == PowerMode::kOff ? AmplifierMode::kOff : AmplifierMode::kOperating),
      operatingRate_(IsLineRate(config.operatingRate) ? config.operatingRate : kLoaderRate),
      faults_(config.faults),
      images_(config.revision),
      eeprom_(InitialEeprom(config, operatingRate_)),
      revision_(config.revision),
      loader_(config.loader, images_),
      stage_(config.faults.seed, config.band, config.key),
      firstTimeStamp_(eeprom_.NewestTimeStamp()),
      lastTimeStamp_(firstTimeStamp_),
      operatingText_(";"),
      // The loader takes its download command "D" without a terminator.
      loaderText_(";D") {
  BuildOperatingCommands();
  BuildLoaderCommands();
  stage_.SetOperate(config.operate, 0);
  if (config.fault != 0) {
    Trip(config.fault, 0);
  }
}

void Amplifier::BuildOperatingCommands() {
  CommandTable& t = operatingCommands_;
  t.Add(";", [](std::string_view) { return std::string(";"); });
  t.Add("I;", [this](std::string_view) { return OperatingIdentity(); });
  t.Add("^RVM;", [this](std::string_view) { return RevisionReply(); });
  t.Add("^sn;",
        [this](std::string_view) { return "^SN" + std::to_string(config_.serialNumber) + ";"; });
  t.AddPrefix("^brp", [this](std::string_view command) { return SetOperatingRate(command); });
  t.Add("^os;", [this](std::string_view) { return Formatted("^OS%u;", InOperate() ? 1u : 0u); });
  t.AddPrefix("^os", [this](std::string_view command) { return SetOperate(command); });
  t.Add("^on0;", [this](std::string_view) -> std::optional<std::string> {
    Enter(AmplifierMode::kOff);
    return std::nullopt;
  });
  // Already on: the power button command changes nothing and is not answered.
  t.Add("P;", [](std::string_view) -> std::optional<std::string> { return std::nullopt; });
  t.Add("^LDM;", [this](std::string_view) -> std::optional<std::string> {
    Enter(AmplifierMode::kLoader);
    return std::nullopt;
  });
  t.AddPrefix("^ER", [this](std::string_view command) {
    return AnswerEepromRead(eeprom_, command).value_or(std::string(kUnknownCommandReply));
  });
  t.AddPrefix("^EW", [this](std::string_view command) {
    return AnswerEepromWrite(eeprom_, command).value_or(std::string(kUnknownCommandReply));
  });
  t.Add("^rpm;", [this](std::string_view) { return Reload(); });
  t.Add("^bn;", [this](std::string_view) { return Formatted("^BN%02u;", unsigned{Band()}); });
  t.AddPrefix("^bn", [this](std::string_view command) { return SetBand(command); });
  t.Add("^fl;", [this](std::string_view) { return Formatted("^FL%u;", unsigned{CurrentFault()}); });
  t.Add("^flc;", [this](std::string_view) -> std::optional<std::string> {
    ClearFault();
    return std::nullopt;
  });
  t.Add("^ws;", [this](std::string_view) {
    const Readings r = Read();
    return Formatted("^WS%u %u;", r.powerW, r.swrTenths);
  });
  t.Add("^tm;", [this](std::string_view) { return Formatted("^TM%u;", Read().temperatureC); });
  t.Add("^vi;", [this](std::string_view) {
    const Readings r = Read();
    return Formatted("^VI%u %u;", r.paVoltageTenths, r.paCurrentTenths);
  });
}

void Amplifier::BuildLoaderCommands() {
  CommandTable& t = loaderCommands_;
  t.Add(";", [](std::string_view) { return std::string(";"); });
  t.Add("I;", [this](std::string_view) { return LoaderIdentity(); });
  // The power button starts the firmware only from a good image.
  t.Add("P;", [this](std::string_view) -> std::optional<std::string> {
    Boot(AmplifierMode::kOperating, {});
    return std::nullopt;
  });
  t.Add("D", [this](std::string_view) -> std::optional<std::string> {
    loader_.Begin();
    Enter(AmplifierMode::kDownloading);
    return std::string("D");
  });
}

std::uint32_t Amplifier::Rate() const {
  switch (mode_) {
    case AmplifierMode::kOperating:
    case AmplifierMode::kResetting:
    case AmplifierMode::kReloading:
      return operatingRate_;
    case AmplifierMode::kOff:
    case AmplifierMode::kLoader:
    case AmplifierMode::kDownloading:
      break;
  }
  return kLoaderRate;
}

void Amplifier::Enter(AmplifierMode mode) {
  // Whatever it enters, the firmware (re)starts in standby or does not run at all.
  stage_.SetOperate(false, nowMicros_ / kMicrosPerMs);
  busyUntilMicros_ = 0;
  if (mode == AmplifierMode::kResetting) {
    resetEndsMicros_ = nowMicros_ + std::uint64_t{config_.resetMs} * kMicrosPerMs;
  } else if (mode == AmplifierMode::kReloading) {
    resetEndsMicros_ = nowMicros_ + std::uint64_t{config_.reloadMs} * kMicrosPerMs;
  }
  mode_ = mode;
  ClearInput();
}

void Amplifier::Boot(AmplifierMode running, const BootFaults& faults) {
  if (faults.noBoot || !images_.SumsToZero()) {
    Enter(AmplifierMode::kLoader);
    return;
  }
  revision_ = faults.revision.value_or(images_.Revision());
  fault_ = 0;  // a fresh start holds no fault
  if (IsLineRate(faults.rate)) {
    operatingRate_ = faults.rate;
  }
  Enter(running);
}

void Amplifier::PowerCycle(std::uint64_t nowMicros) {
  nowMicros_ = std::max(nowMicros_, nowMicros);
  Boot(config_.mode == PowerMode::kOff ? AmplifierMode::kOff : AmplifierMode::kOperating, {});
}

void Amplifier::ClearInput() {
  operatingText_.Clear();
  loaderText_.Clear();
  loader_.Clear();
}

std::vector<Transmission> Amplifier::Advance(std::uint64_t nowMicros) {
  nowMicros_ = std::max(nowMicros_, nowMicros);
  if (mode_ == AmplifierMode::kResetting && nowMicros_ >= resetEndsMicros_) {
    Boot(AmplifierMode::kOperating, faults_.Current().boot);
  } else if (mode_ == AmplifierMode::kReloading && nowMicros_ >= resetEndsMicros_ &&
             !faults_.Current().reload.silent) {
    EndReload();
  }
  std::vector<Transmission> out;
  if (mode_ == AmplifierMode::kDownloading) {
    if (const std::optional<Loader::Frame> fill = loader_.Advance(nowMicros_)) {
      DispatchPacket(*fill, out);
    }
  }
  for (const NoiseBurst& burst : faults_.TakeDueNoise(nowMicros_ / kMicrosPerMs)) {
    out.push_back(
        {faults_.NoiseBytes(burst), std::max(burst.atMs * kMicrosPerMs, nowMicros_), Rate()});
  }
  return out;
}

std::optional<std::uint64_t> Amplifier::NextWakeMicros() const {
  std::optional<std::uint64_t> wake;
  if (mode_ == AmplifierMode::kResetting ||
      (mode_ == AmplifierMode::kReloading && !faults_.Current().reload.silent)) {
    wake = resetEndsMicros_;
  } else if (mode_ == AmplifierMode::kDownloading) {
    wake = loader_.NextWakeMicros();
  }
  if (const auto noise = faults_.NextNoiseMs()) {
    wake = std::min(wake.value_or(UINT64_MAX), *noise * kMicrosPerMs);
  }
  return wake;
}

std::vector<Transmission> Amplifier::Receive(std::string_view bytes, std::uint32_t senderRate,
                                             std::uint64_t nowMicros) {
  std::vector<Transmission> out = Advance(nowMicros);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    // Checked per byte: a rate change takes effect right after the command that asked for it.
    if (mode_ == AmplifierMode::kResetting || mode_ == AmplifierMode::kReloading) {
      continue;
    }
    if (senderRate != Rate()) {
      ClearInput();
      continue;
    }
    if (mode_ == AmplifierMode::kDownloading) {
      const bool more = i + 1 < bytes.size();
      if (const std::optional<Loader::Frame> packet =
              loader_.Take(bytes[i], nowMicros_, more, faults_.Current().packets)) {
        DispatchPacket(*packet, out);
      }
      continue;
    }
    TextAssembler& text = mode_ == AmplifierMode::kOperating ? operatingText_ : loaderText_;
    if (const std::optional<std::string> frame = text.Take(bytes[i])) {
      Dispatch(*frame, out);
    }
  }
  return out;
}

void Amplifier::Dispatch(std::string_view frame, std::vector<Transmission>& out) {
  const std::uint32_t rate = Rate();
  const std::uint32_t number = faults_.CountFrame();
  std::optional<std::string> reply =
      faults_.Has(number, FrameFault::Kind::kReject) ? Refusal() : Answer(frame);
  reply = faults_.Shape(number, frame, std::move(reply));
  if (reply) {
    const std::uint64_t delayMs =
        std::uint64_t{config_.processingDelayMs} + faults_.Current().replyDelayMs;
    // Commands that came in while it switched bands are taken up when it is done.
    const std::uint64_t takenUp = std::max(nowMicros_, busyUntilMicros_);
    out.push_back({std::move(*reply), takenUp + delayMs * kMicrosPerMs, rate});
  }
}

void Amplifier::DispatchPacket(const Loader::Frame& frame, std::vector<Transmission>& out) {
  const PacketFaults& packets = faults_.Current().packets;
  if (packets.IsSilentAt(frame.packet)) {
    return;
  }
  const std::uint32_t number = faults_.CountFrame();
  std::optional<std::string> reply =
      faults_.Has(number, FrameFault::Kind::kReject) ? Refusal() : JudgePacket(frame);
  // Fill bytes are no packets: the acknowledgement faults are not theirs.
  const bool isPacket = !frame.bytes.empty();
  if (isPacket && frame.packet == packets.loseAck) {
    reply.reset();
  }
  reply = faults_.Shape(number, {}, std::move(reply));
  if (!reply) {
    return;
  }
  std::uint64_t delayMicros =
      config_.packetProcessingMicros + std::uint64_t{faults_.Current().replyDelayMs} * kMicrosPerMs;
  if (isPacket && frame.packet == packets.lateAck) {
    delayMicros += std::uint64_t{packets.lateAckMs} * kMicrosPerMs;
  }
  out.push_back({std::move(*reply), frame.atMicros + delayMicros, kLoaderRate});
}

std::string Amplifier::JudgePacket(const Loader::Frame& frame) {
  switch (loader_.Judge(frame, faults_.Current().packets)) {
    case Loader::Verdict::kAccepted:
      return "A";
    case Loader::Verdict::kLast:
      Enter(AmplifierMode::kResetting);
      return "B";
    case Loader::Verdict::kRejected:
      break;
  }
  return "N";
}

std::optional<std::string> Amplifier::Answer(std::string_view frame) {
  switch (mode_) {
    case AmplifierMode::kOperating:
      if (const CommandTable::Handler* handler = operatingCommands_.Find(frame)) {
        return (*handler)(frame);
      }
      return std::string(kUnknownCommandReply);
    case AmplifierMode::kOff:
    case AmplifierMode::kLoader:
      // The loader ignores what it does not know.
      if (const CommandTable::Handler* handler = loaderCommands_.Find(frame)) {
        return (*handler)(frame);
      }
      return std::nullopt;
    case AmplifierMode::kDownloading:
    case AmplifierMode::kResetting:
    case AmplifierMode::kReloading:
      break;
  }
  return std::nullopt;
}

std::optional<std::string> Amplifier::Refusal() const {
  switch (mode_) {
    case AmplifierMode::kOperating:
      return std::string(kUnknownCommandReply);
    case AmplifierMode::kDownloading:
      return std::string("N");
    case AmplifierMode::kOff:
    case AmplifierMode::kLoader:
    case AmplifierMode::kResetting:
    case AmplifierMode::kReloading:
      break;
  }
  return std::nullopt;
}

std::optional<std::string> Amplifier::OperatingIdentity() const {
  switch (config_.identity) {
    case Identity::kVlx750:
      return std::nullopt;  // the running amplifier keeps quiet; only its loader names itself
    case Identity::kRq7:
      return LoaderIdentity();  // it has no other form
    case Identity::kTnr750:
      return std::string("TNR750;");
    case Identity::kQmv1200:
      return std::string("QMV1200;");
  }
  return std::nullopt;
}

std::string Amplifier::LoaderIdentity() const {
  switch (config_.identity) {
    case Identity::kVlx750:
      return "VLX750;";
    case Identity::kRq7:
      return "RQ7;";
    case Identity::kTnr750:
      return "tnr750;";
    case Identity::kQmv1200:
      return "qmv1200;";
  }
  return {};
}

std::string Amplifier::RevisionReply() const {
  return Formatted("^RVM%02u.%02u;", revision_ / 100u, revision_ % 100u);
}

std::optional<std::string> Amplifier::SetOperatingRate(std::string_view command) {
  // Exactly "^brp" + one selector digit + ";".
  if (command.size() != 6 || command[4] < '0' || command[4] > '3') {
    return std::string(kUnknownCommandReply);
  }
  operatingRate_ = kRateBySelector[static_cast<std::size_t>(command[4] - '0')];
  return std::nullopt;
}

std::optional<std::string> Amplifier::Reload() {
  Enter(AmplifierMode::kReloading);
  return std::nullopt;
}

// Only the running rate changes with "^brpN;"; the reload takes the one the settings hold.
void Amplifier::EndReload() {
  const std::uint32_t rate = faults_.Current().reload.rate;
  operatingRate_ = IsLineRate(rate) ? rate : eeprom_.SettingsRate();
  Enter(AmplifierMode::kOperating);
}

std::optional<std::string> Amplifier::SetOperate(std::string_view command) {
  // "^os0;" standby, "^os1;" operate; the program asks "^os;" behind it for the new mode. A held
  // fault keeps it in standby: operate is refused without a word until the fault is cleared.
  if (command != "^os0;" && command != "^os1;") {
    return std::string(kUnknownCommandReply);
  }
  const bool operate = command[3] == '1';
  if (!operate || fault_ == 0) {
    stage_.SetOperate(operate, nowMicros_ / kMicrosPerMs);
  }
  return std::nullopt;
}

std::optional<std::string> Amplifier::SetBand(std::string_view command) {
  // Exactly "^bn" + two digits + ";", a band number 0..10.
  const auto digit = [&command](std::size_t i) {
    return command[i] >= '0' && command[i] <= '9' ? command[i] - '0' : -1;
  };
  if (command.size() != 6 || command[5] != ';' || digit(3) < 0 || digit(4) < 0 ||
      digit(3) * 10 + digit(4) >= PowerStage::kBands) {
    return std::string(kUnknownCommandReply);
  }
  stage_.SetBand(static_cast<std::uint8_t>(digit(3) * 10 + digit(4)), nowMicros_ / kMicrosPerMs);
  if (config_.bandSwitchMs != 0) {
    busyUntilMicros_ = nowMicros_ + std::uint64_t{config_.bandSwitchMs} * kMicrosPerMs;
  }
  return std::nullopt;
}

std::uint8_t Amplifier::CurrentFault() const {
  if (fault_ != 0) {
    return fault_;
  }
  return config_.noFaultReadsFF ? kNoFaultAsFF : 0;
}

bool Amplifier::Trip(std::uint8_t code, std::uint64_t nowMicros) {
  nowMicros_ = std::max(nowMicros_, nowMicros);
  if (mode_ != AmplifierMode::kOperating || code == 0 || code > kMaxFaultCode) {
    return false;
  }
  const std::uint64_t nowMs = nowMicros_ / kMicrosPerMs;
  const Readings readings = stage_.Read(nowMs);
  fault_ = static_cast<std::uint8_t>(kRingBandOfPanelBand[Band()] << 4 | code);
  stage_.SetOperate(false, nowMs);
  // Its clock counts seconds on from the newest record it had when it came on.
  lastTimeStamp_ = static_cast<std::uint32_t>(
      std::max<std::uint64_t>(lastTimeStamp_ + 1, firstTimeStamp_ + 1 + nowMs / 1000) &
      kTimeStampMask);
  eeprom_.FileFault(lastTimeStamp_, fault_, TripData(code, readings));
  return true;
}

void Amplifier::SetKey(KeyMode key, std::uint64_t nowMicros) {
  nowMicros_ = std::max(nowMicros_, nowMicros);
  stage_.SetKey(key, nowMicros_ / kMicrosPerMs);
}

}  // namespace vlxsim
