#pragma once
// What the serial port announces to the window that routes it: characters have arrived, or the
// device went away while open.

namespace vlx {

class SerialEvents {
 public:
  virtual ~SerialEvents() = default;
  virtual void OnSerialEvent() = 0;
  virtual void OnPortLost() {}
};

}  // namespace vlx
