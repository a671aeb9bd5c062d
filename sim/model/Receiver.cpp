#include "Receiver.h"

#include <utility>

namespace vlxsim {

std::optional<std::string> TextAssembler::Take(char byte) {
  partial_.push_back(byte);
  if (terminators_.find(byte) != std::string::npos) {
    return std::exchange(partial_, {});
  }
  if (partial_.size() > kMaxCommandLength) {
    partial_.clear();
  }
  return std::nullopt;
}

std::optional<std::string> PacketFramer::Take(char byte) {
  partial_.push_back(byte);
  if (partial_.size() < size_) {
    return std::nullopt;
  }
  return std::exchange(partial_, {});
}

}  // namespace vlxsim
