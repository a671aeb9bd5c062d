#include "Amplifier.h"

#include <array>
#include <cstdio>
#include <utility>

namespace vlxsim {

namespace {

constexpr char kTerminator = ';';
constexpr std::string_view kUnknownCommandReply = "?;";

// "^brpN;" selects the rate by its digit.
constexpr std::array<std::uint32_t, 4> kRateBySelector = {4800, 9600, 19200, 38400};

}  // namespace

Amplifier::Amplifier(AmplifierConfig config)
    : config_(config),
      mode_(config.mode),
      operatingRate_(IsLineRate(config.operatingRate) ? config.operatingRate : kLoaderRate) {
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
  t.Add("^on0;", [this](std::string_view) -> std::optional<std::string> {
    mode_ = PowerMode::kOff;
    return std::nullopt;
  });
  // Already on: the power button command changes nothing and is not answered.
  t.Add("P;", [](std::string_view) -> std::optional<std::string> { return std::nullopt; });
}

void Amplifier::BuildLoaderCommands() {
  CommandTable& t = loaderCommands_;
  t.Add(";", [](std::string_view) { return std::string(";"); });
  t.Add("I;", [this](std::string_view) { return LoaderIdentity(); });
  t.Add("P;", [this](std::string_view) -> std::optional<std::string> {
    mode_ = PowerMode::kOperating;
    return std::nullopt;
  });
}

std::uint32_t Amplifier::Rate() const {
  return mode_ == PowerMode::kOperating ? operatingRate_ : kLoaderRate;
}

std::vector<Transmission> Amplifier::Receive(std::string_view bytes, std::uint32_t senderRate) {
  std::vector<Transmission> out;
  for (const char byte : bytes) {
    // Checked per byte: a rate change takes effect right after the command that asked for it.
    if (senderRate != Rate()) {
      command_.clear();
      continue;
    }
    command_.push_back(byte);
    if (byte == kTerminator) {
      const std::string command = std::exchange(command_, {});
      Dispatch(command, out);
    } else if (command_.size() > kMaxCommandLength) {
      command_.clear();
    }
  }
  return out;
}

void Amplifier::Dispatch(std::string_view command, std::vector<Transmission>& out) {
  const std::uint32_t rate = Rate();
  const bool operating = mode_ == PowerMode::kOperating;
  const CommandTable::Handler* handler =
      (operating ? operatingCommands_ : loaderCommands_).Find(command);
  std::optional<std::string> reply;
  if (handler != nullptr) {
    reply = (*handler)(command);
  } else if (operating) {
    reply = std::string(kUnknownCommandReply);  // the loader ignores what it does not know
  }
  if (reply) {
    Send(std::move(*reply), rate, out);
  }
}

void Amplifier::Send(std::string reply, std::uint32_t rate, std::vector<Transmission>& out) {
  const Faults& faults = config_.faults;
  if (faults.silent) {
    return;
  }
  ++replyCount_;
  if (faults.dropEveryNth != 0 && replyCount_ % faults.dropEveryNth == 0) {
    return;
  }
  if (faults.corruptEveryNth != 0 && replyCount_ % faults.corruptEveryNth == 0 && !reply.empty()) {
    reply.front() = static_cast<char>(reply.front() ^ 0x01);
  }
  out.push_back({std::move(reply), config_.processingDelayMs + faults.replyDelayMs, rate});
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
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "^RVM%02u.%02u;", config_.revision / 100u,
                config_.revision % 100u);
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

}  // namespace vlxsim
