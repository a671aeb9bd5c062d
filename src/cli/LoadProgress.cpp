#include "LoadProgress.h"

#include "ConsoleReporting.h"
#include "report/TextFormat.h"

namespace vlx::cli {
namespace {

constexpr std::uint32_t kUnitsPerPacket = 4;
// A terminal line is redrawn at most this often; every packet would be thousands of redraws.
constexpr std::uint32_t kRedrawMs = 100;

std::string MinutesAndSeconds(std::uint32_t milliseconds) {
  const std::uint32_t seconds = (milliseconds + 500) / 1000;
  return FormatText("%u:%02u", {seconds / 60, seconds % 60});
}

}  // namespace

void LoadProgress::Begin(std::uint32_t nowMs) {
  startMs_ = nowMs;
  firstPacketMs_ = nowMs;
  lastDrawMs_ = 0;
  tenthsShown_ = 0;
  line_.clear();
}

void LoadProgress::Update(std::uint32_t position, std::uint32_t range, std::uint32_t retries,
                          std::uint32_t nowMs) {
  if (range == 0) {
    return;
  }
  // The position is published as each packet goes out; the last packet follows the last block.
  const std::uint32_t packets = range / kUnitsPerPacket + 1;
  const std::uint32_t packet = std::min(position / kUnitsPerPacket + 1, packets);
  const std::uint32_t percent = static_cast<std::uint32_t>(std::uint64_t{position} * 100 / range);
  const std::uint32_t elapsedMs = nowMs - startMs_;
  if (terminal_) {
    const std::uint32_t done = packet - 1;
    const std::string left = done == 0 ? std::string("?:??")
                                       : MinutesAndSeconds(static_cast<std::uint32_t>(
                                             std::uint64_t{elapsedMs} * (packets - done) / done));
    line_ = FormatText("%3u%% packet %u of %u, %u retries, %s elapsed, %s left",
                       {percent, packet, packets, retries, MinutesAndSeconds(elapsedMs), left});
    ShowProgressLine(line_);
    return;
  }
  if (percent / 10 > tenthsShown_) {
    tenthsShown_ = percent / 10;
    PrintError(
        FormatText("Sent %u%%: packet %u of %u, %u retries, %s elapsed",
                   {tenthsShown_ * 10, packet, packets, retries, MinutesAndSeconds(elapsedMs)}));
  }
}

void LoadProgress::End() {
  if (terminal_ && !line_.empty()) {
    ShowProgressLine({});
    PrintError(line_);
    line_.clear();
  }
}

}  // namespace vlx::cli
