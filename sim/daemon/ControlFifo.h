#pragma once
// The daemon's control channel: a named pipe anybody may write lines into while the amplifier
// runs. It keeps a writer of its own open, so that the pipe never reads as ended between two
// writers; a pipe it made itself it removes again.

#include <memory>
#include <string>
#include <vector>

namespace vlxsim {

class ControlFifo {
 public:
  // Opens the pipe at `path`, making it if nothing is there; nullptr with the reason in `error`
  // when something else is there or it cannot be opened.
  static std::unique_ptr<ControlFifo> Open(const std::string& path, std::string& error);
  ~ControlFifo();
  ControlFifo(const ControlFifo&) = delete;
  ControlFifo& operator=(const ControlFifo&) = delete;

  int Fd() const { return reader_; }
  // The complete lines written since the last call, without their line ends. A line longer than
  // any control line is dropped.
  std::vector<std::string> TakeLines();

 private:
  ControlFifo(std::string path, bool made, int reader, int keeper);

  std::string path_;
  bool made_;
  int reader_;
  int keeper_;
  std::string partial_;
};

}  // namespace vlxsim
