#pragma once
// How vlxctl shows a firmware load going on: on a terminal one line redrawn in place (percent,
// packet n of N, retries, time elapsed and left, or what the load works through while it meets
// faults), into a pipe or a file a line at every tenth.

#include <cstdint>
#include <string>

namespace vlx::cli {

// How a run shows its progress on stderr: a line redrawn in place on a terminal, else a line now
// and then, and none with --quiet.
enum class ProgressStyle { kTerminalLine, kLines, kNone };
ProgressStyle ProgressStyleOfStderr(bool quiet);

class LoadProgress {
 public:
  explicit LoadProgress(ProgressStyle style) : style_(style) {}

  void Begin(std::uint32_t nowMs);
  // `position` of `range` in the load machine's progress units (four per packet).
  void Update(std::uint32_t position, std::uint32_t range, std::uint32_t retries,
              std::uint32_t nowMs);
  // What the load works through now (a retry, a resynchronisation); empty once packets flow
  // again. The terminal line shows it instead of the time left, which a fault makes a guess.
  void SetActivity(const std::string& activity, std::uint32_t retries, std::uint32_t nowMs);
  // The load has ended: the terminal line becomes an ordinary line.
  void End();

 private:
  void DrawTerminalLine(std::uint32_t nowMs);

  ProgressStyle style_;
  std::uint32_t startMs_ = 0;
  std::uint32_t tenthsShown_ = 0;
  std::uint32_t position_ = 0;
  std::uint32_t range_ = 0;
  std::uint32_t retries_ = 0;
  std::string activity_;
  std::string line_;
};

}  // namespace vlx::cli
