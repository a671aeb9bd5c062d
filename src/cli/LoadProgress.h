#pragma once
// How vlxctl shows a firmware load going on: on a terminal one line redrawn in place (percent,
// packet n of N, retries, time elapsed and left), into a pipe or a file a line at every tenth.

#include <cstdint>
#include <string>

namespace vlx::cli {

class LoadProgress {
 public:
  explicit LoadProgress(bool terminal) : terminal_(terminal) {}

  void Begin(std::uint32_t nowMs);
  // `position` of `range` in the load machine's progress units (four per packet).
  void Update(std::uint32_t position, std::uint32_t range, std::uint32_t retries,
              std::uint32_t nowMs);
  // The load has ended: the terminal line becomes an ordinary line.
  void End();

 private:
  bool terminal_;
  std::uint32_t startMs_ = 0;
  std::uint32_t firstPacketMs_ = 0;
  std::uint32_t lastDrawMs_ = 0;
  std::uint32_t tenthsShown_ = 0;
  std::string line_;
};

}  // namespace vlx::cli
