#include "FaultInjector.h"

#include "Hash.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace vlxsim {

namespace {

// Bytes that end a reply in some mode of the conversation; made-up bytes never take these values.
constexpr std::string_view kReplyEnds = ";ABDN";

bool EndsReplies(char byte) {
  return kReplyEnds.find(byte) != std::string_view::npos;
}

std::uint64_t Salt(std::uint64_t a, std::uint64_t b) {
  return (a << 32) ^ b;
}

}  // namespace

void FaultInjector::Set(Faults faults) {
  faults_ = std::move(faults);
  frameCount_ = 0;
  commandMatches_.assign(faults_.commands.size(), 0);
  noiseSent_.assign(faults_.noise.size(), false);
}

bool FaultInjector::Has(std::uint32_t frame, FrameFault::Kind kind) const {
  return std::any_of(faults_.frames.begin(), faults_.frames.end(),
                     [&](const FrameFault& f) { return f.frame == frame && f.kind == kind; });
}

std::optional<std::string> FaultInjector::Shape(std::uint32_t frame, std::string_view command,
                                                std::optional<std::string> reply) {
  if (faults_.silent || Has(frame, FrameFault::Kind::kNoAnswer)) {
    return std::nullopt;
  }
  if (reply) {
    ++replyCount_;
    if (faults_.dropEveryNth != 0 && replyCount_ % faults_.dropEveryNth == 0) {
      return std::nullopt;
    }
    if (faults_.corruptEveryNth != 0 && replyCount_ % faults_.corruptEveryNth == 0 &&
        !reply->empty()) {
      reply->front() = static_cast<char>(reply->front() ^ 0x01);
    }
  }
  for (const FrameFault& fault : faults_.frames) {
    if (fault.frame == frame) {
      reply = Apply(fault, std::move(reply));
    }
  }
  for (std::size_t i = 0; i < faults_.commands.size(); ++i) {
    const CommandFault& fault = faults_.commands[i];
    if (command.empty() || !command.starts_with(fault.command) ||
        fault.kind == FrameFault::Kind::kReject) {
      continue;
    }
    const std::uint32_t match = commandMatches_[i]++;
    if (match < fault.skip || (fault.count != 0 && match - fault.skip >= fault.count)) {
      continue;
    }
    reply = Apply({frame, fault.kind, fault.byte, fault.bytes}, std::move(reply));
  }
  if (reply && reply->empty()) {
    return std::nullopt;
  }
  return reply;
}

std::optional<std::string> FaultInjector::Apply(const FrameFault& fault,
                                                std::optional<std::string> reply) const {
  const std::uint64_t salt = Salt(fault.frame, fault.byte);
  switch (fault.kind) {
    case FrameFault::Kind::kNoAnswer:
      return std::nullopt;
    case FrameFault::Kind::kReplace:
      return fault.bytes;
    case FrameFault::Kind::kReject:
      return reply;
    default:
      break;
  }
  if (!reply) {
    return reply;
  }
  switch (fault.kind) {
    case FrameFault::Kind::kDropByte:
      if (fault.byte < reply->size()) {
        reply->erase(fault.byte, 1);
      }
      break;
    case FrameFault::Kind::kCorruptByte:
      if (fault.byte < reply->size()) {
        (*reply)[fault.byte] = Corrupt((*reply)[fault.byte], salt);
      }
      break;
    case FrameFault::Kind::kCutAfter:
      if (fault.byte < reply->size()) {
        reply->resize(fault.byte);
      }
      break;
    case FrameFault::Kind::kGarbage:
      return Garbage(salt, reply->size());
    case FrameFault::Kind::kShortGarbage:
      return Garbage(salt, 3) + ";";
    case FrameFault::Kind::kOneByteShort:
      // "...DDCC;": the DD before the checksum goes.
      if (reply->size() >= 5) {
        reply->erase(reply->size() - 5, 2);
      }
      break;
    case FrameFault::Kind::kLowerCase:
      for (char& c : *reply) {
        if (c >= 'A' && c <= 'Z') {
          c = static_cast<char>(c - 'A' + 'a');
        }
      }
      break;
    default:
      break;
  }
  return reply;
}

char FaultInjector::Corrupt(char byte, std::uint64_t salt) const {
  // A non-zero mask always changes the byte; draw again until the result ends no reply.
  for (std::uint64_t draw = 0;; ++draw) {
    const auto mask = static_cast<unsigned char>(1 + Mix(faults_.seed, salt + (draw << 48)) % 255);
    const auto corrupted = static_cast<char>(static_cast<unsigned char>(byte) ^ mask);
    if (!EndsReplies(corrupted)) {
      return corrupted;
    }
  }
}

std::vector<NoiseBurst> FaultInjector::TakeDueNoise(std::uint64_t nowMs) {
  std::vector<NoiseBurst> due;
  for (std::size_t i = 0; i < faults_.noise.size(); ++i) {
    if (!noiseSent_[i] && faults_.noise[i].atMs <= nowMs) {
      noiseSent_[i] = true;
      due.push_back(faults_.noise[i]);
    }
  }
  std::sort(due.begin(), due.end(),
            [](const NoiseBurst& a, const NoiseBurst& b) { return a.atMs < b.atMs; });
  return due;
}

std::string FaultInjector::NoiseBytes(const NoiseBurst& burst) const {
  return Garbage(burst.atMs, burst.length);
}

std::string FaultInjector::Garbage(std::uint64_t salt, std::size_t length) const {
  // Every byte value that ends no reply, in order.
  static const std::vector<char> kAllowed = [] {
    std::vector<char> allowed;
    for (int value = 0; value < 256; ++value) {
      if (!EndsReplies(static_cast<char>(value))) {
        allowed.push_back(static_cast<char>(value));
      }
    }
    return allowed;
  }();
  std::string bytes;
  bytes.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    bytes.push_back(kAllowed[Mix(faults_.seed, Salt(salt, i)) % kAllowed.size()]);
  }
  return bytes;
}

std::optional<std::uint64_t> FaultInjector::NextNoiseMs() const {
  std::optional<std::uint64_t> next;
  for (std::size_t i = 0; i < faults_.noise.size(); ++i) {
    if (!noiseSent_[i] && (!next || faults_.noise[i].atMs < *next)) {
      next = faults_.noise[i].atMs;
    }
  }
  return next;
}

}  // namespace vlxsim
