#pragma once
// What the serial port announces to the window that routes it: characters have arrived.

namespace vlx {

class SerialEvents {
 public:
  virtual ~SerialEvents() = default;
  virtual void OnSerialEvent() = 0;
};

}  // namespace vlx
