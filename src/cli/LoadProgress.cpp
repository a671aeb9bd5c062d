#include "LoadProgress.h"

#include <unistd.h>

#include "ConsoleReporting.h"
#include "report/TextFormat.h"

namespace vlx::cli {
namespace {

constexpr std::uint32_t kUnitsPerPacket = 4;

std::string MinutesAndSeconds(std::uint32_t milliseconds) {
  const std::uint32_t seconds = (milliseconds + 500) / 1000;
  return FormatText("%u:%02u", {seconds / 60, seconds % 60});
}

// The position is published as each packet goes out; the last packet follows the last block.
std::uint32_t Packets(std::uint32_t range) {
  return range / kUnitsPerPacket + 1;
}
std::uint32_t Packet(std::uint32_t position, std::uint32_t range) {
  return std::min(position / kUnitsPerPacket + 1, Packets(range));
}
std::uint32_t Percent(std::uint32_t position, std::uint32_t range) {
  return static_cast<std::uint32_t>(std::uint64_t{position} * 100 / range);
}

}  // namespace

ProgressStyle ProgressStyleOfStderr(bool quiet) {
  if (quiet) {
    return ProgressStyle::kNone;
  }
  return ::isatty(STDERR_FILENO) != 0 ? ProgressStyle::kTerminalLine : ProgressStyle::kLines;
}

void LoadProgress::Begin(std::uint32_t nowMs) {
  startMs_ = nowMs;
  tenthsShown_ = 0;
  position_ = 0;
  range_ = 0;
  retries_ = 0;
  activity_.clear();
  line_.clear();
}

void LoadProgress::Update(std::uint32_t position, std::uint32_t range, std::uint32_t retries,
                          std::uint32_t nowMs) {
  if (range == 0 || style_ == ProgressStyle::kNone) {
    return;
  }
  position_ = position;
  range_ = range;
  retries_ = retries;
  if (style_ == ProgressStyle::kTerminalLine) {
    DrawTerminalLine(nowMs);
    return;
  }
  const std::uint32_t percent = Percent(position, range);
  if (percent / 10 > tenthsShown_) {
    tenthsShown_ = percent / 10;
    PrintError(FormatText("Sent %u%%: packet %u of %u, %u retries, %s elapsed",
                          {tenthsShown_ * 10, Packet(position, range), Packets(range), retries,
                           MinutesAndSeconds(nowMs - startMs_)}));
  }
}

void LoadProgress::SetActivity(const std::string& activity, std::uint32_t retries,
                               std::uint32_t nowMs) {
  activity_ = activity;
  retries_ = retries;
  if (style_ == ProgressStyle::kTerminalLine && range_ != 0) {
    DrawTerminalLine(nowMs);
  }
}

void LoadProgress::DrawTerminalLine(std::uint32_t nowMs) {
  const std::uint32_t elapsedMs = nowMs - startMs_;
  const std::uint32_t packets = Packets(range_);
  const std::uint32_t packet = Packet(position_, range_);
  std::string state;
  if (!activity_.empty()) {
    state = activity_;
  } else {
    const std::uint32_t done = packet - 1;
    state = (done == 0 ? std::string("?:??")
                       : MinutesAndSeconds(static_cast<std::uint32_t>(std::uint64_t{elapsedMs} *
                                                                      (packets - done) / done))) +
            " left";
  }
  line_ = FormatText(
      "%3u%% packet %u of %u, %u retries, %s elapsed, %s",
      {Percent(position_, range_), packet, packets, retries_, MinutesAndSeconds(elapsedMs), state});
  ShowProgressLine(line_);
}

void LoadProgress::End() {
  if (style_ == ProgressStyle::kTerminalLine && !line_.empty()) {
    ShowProgressLine({});
    PrintError(line_);
    line_.clear();
  }
}

}  // namespace vlx::cli
