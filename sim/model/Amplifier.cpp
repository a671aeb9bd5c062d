#include "Amplifier.h"

#include "EepromCommands.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

namespace vlxsim {

namespace {

constexpr std::string_view kUnknownCommandReply = "?;";

constexpr std::uint64_t kMicrosPerMs = 1000;

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
      operate_(config.operate),
      operatingRate_(IsLineRate(config.operatingRate) ? config.operatingRate : kLoaderRate),
      faults_(config.faults),
      images_(config.revision),
      eeprom_(InitialEeprom(config, operatingRate_)),
      revision_(config.revision),
      loader_(config.loader, images_),
      operatingText_(";"),
      // The loader takes its download command "D" without a terminator.
      loaderText_(";D") {
  BuildOperatingCommands();
  BuildLoaderCommands();
}

void Amplifier::BuildOperatingCommands() {
  CommandTable& t = operatingCommands_;
  t.Add(";", [](std::string_view) { return std::string(";"); });
  t.Add("I;", [this](std::string_view) { return OperatingIdentity(); });
  t.Add("^RVM;", [this](std::string_view) { return RevisionReply(); });
  t.Add("^sn;",
        [this](std::string_view) { return "^SN" + std::to_string(config_.serialNumber) + ";"; });
  t.AddPrefix("^brp", [this](std::string_view command) { return SetOperatingRate(command); });
  t.Add("^os;", [this](std::string_view) { return std::string(operate_ ? "^OS1;" : "^OS0;"); });
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
  if (mode == AmplifierMode::kOperating) {
    operate_ = false;  // it comes on in standby
  } else if (mode == AmplifierMode::kResetting) {
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
    out.push_back({std::move(*reply), nowMicros_ + delayMs * kMicrosPerMs, rate});
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
  const std::uint16_t revision = revision_;
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "^RVM%02u.%02u;", revision / 100u, revision % 100u);
  return text.data();
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
  // "^os0;" standby, "^os1;" operate; the program asks "^os;" behind it for the new mode.
  if (command != "^os0;" && command != "^os1;") {
    return std::string(kUnknownCommandReply);
  }
  operate_ = command[3] == '1';
  return std::nullopt;
}

}  // namespace vlxsim
