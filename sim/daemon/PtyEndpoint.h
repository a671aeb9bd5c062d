#pragma once
// One pseudo-terminal standing in for the USB-serial adapter: the master is the amplifier's end,
// the slave path the port the program opens. It holds a slave descriptor of its own so the program
// can reopen the port without a hang-up; destroying it is the adapter being pulled out.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vlxsim {

class PtyEndpoint {
 public:
  // A new terminal in raw mode at 38400 bit/s, or nullptr with the reason in `error`.
  static std::unique_ptr<PtyEndpoint> Open(std::string& error);
  ~PtyEndpoint();
  PtyEndpoint(const PtyEndpoint&) = delete;
  PtyEndpoint& operator=(const PtyEndpoint&) = delete;

  int MasterFd() const { return master_; }
  const std::string& SlavePath() const { return slavePath_; }

  // The rate the program set on its side: the slave's termios, which the master reads directly.
  // 0 when it cannot be read or is not a rate (B0 hangs the line up).
  std::uint32_t ProgramRate() const;

  // Everything the program has written so far; false when the master cannot be read.
  bool Read(std::string& bytes);
  // Bytes that do not fit into the program's receive queue are lost, as on a real UART overrun.
  void Write(std::string_view bytes);

 private:
  PtyEndpoint(int master, int slave, std::string slavePath);

  int master_;
  int slave_;
  std::string slavePath_;
};

}  // namespace vlxsim
