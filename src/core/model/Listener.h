#pragma once
// A window (or anything standing in for one) that receives the model's change messages.

#include <cstdint>

namespace vlx {

using MessageId = std::uint32_t;
using MessageParam = std::uintptr_t;

class Listener {
 public:
  virtual ~Listener() = default;
  // Called synchronously by the writer of a value, once per notification.
  virtual void OnMessage(MessageId id, MessageParam wParam) = 0;
};

}  // namespace vlx
