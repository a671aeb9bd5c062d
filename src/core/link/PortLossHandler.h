#pragma once
// Told when the open port's device goes away (a USB adapter pulled out, the far end of a
// pseudo-terminal closed). The port is silent from then on until it is closed and opened again.

namespace vlx {

class PortLossHandler {
 public:
  virtual ~PortLossHandler() = default;
  virtual void OnPortLost() = 0;
};

}  // namespace vlx
