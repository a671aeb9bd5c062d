#pragma once
// The amplifier's receive buffer in one of its modes: gathers bytes into the frames that mode
// acts on. The text modes frame at terminators; the loader's download frames by length, since a
// packet may hold any byte.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vlxsim {

class Receiver {
 public:
  virtual ~Receiver() = default;
  // The frame this byte completes, if it completes one.
  virtual std::optional<std::string> Take(char byte) = 0;
  // Garbled input or a change of mode: the partial frame is lost.
  void Clear() { partial_.clear(); }
  // Bytes of the partial frame.
  std::size_t Size() const { return partial_.size(); }

 protected:
  std::string partial_;
};

// Commands ending in one of `terminators`; a run longer than any command is noise and dropped.
class TextAssembler final : public Receiver {
 public:
  explicit TextAssembler(std::string terminators) : terminators_(std::move(terminators)) {}
  std::optional<std::string> Take(char byte) override;

  static constexpr std::size_t kMaxCommandLength = 256;

 private:
  std::string terminators_;
};

// Fixed-size binary packets, whatever bytes they hold.
class PacketFramer final : public Receiver {
 public:
  explicit PacketFramer(std::size_t size) : size_(size) {}
  std::optional<std::string> Take(char byte) override;

 private:
  std::size_t size_;
};

}  // namespace vlxsim
