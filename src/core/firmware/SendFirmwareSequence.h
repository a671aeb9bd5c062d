#pragma once
// What surrounds a firmware load, from "Send Firmware to VLX750" (or `vlxctl firmware load`) to
// "Ready": the checks, the switch to 38400 bit/s and back, and a new test of the link. Each host
// brings its own log and runs the load itself.

#include <cstdint>
#include <string>

#include "firmware/FirmwareFolder.h"

namespace vlx {

class AppSettings;

enum class LoadOutcome {
  kSucceeded,  // the load and the check of the new revision succeeded
  kFailed,     // the load ran and failed, or was abandoned
  kNotRun,     // a check stopped the sequence before the load, or the host could not run it
};

class SendFirmwareHost {
 public:
  virtual ~SendFirmwareHost() = default;
  // A line for the page's Activity Log alone (not the status line).
  virtual void AppendLogLine(const std::string& line) = 0;
  // Runs the load of the file published in AppSettings to its end (the Sending Firmware
  // dialog, or vlxctl's progress display) and tells how it went.
  virtual LoadOutcome RunLoad() = 0;
  // Whether the end of the sequence puts "Ready" on the status line. The window's status bar
  // says it; on a command line, where the test of the link the sequence begins goes on, it
  // would not be true yet.
  virtual bool ShowsReady() const { return true; }
};

class SendFirmwareSequence {
 public:
  SendFirmwareSequence(AppSettings& app, SendFirmwareHost& host) : app_(app), host_(host) {}

  // Sends `firmware` (no path: none was found), naming `folder` as where it comes from. Boxes
  // go through the model's prompts, lines to its status sink and the host's log.
  LoadOutcome Send(const std::string& folder, const FirmwareFileInfo& firmware);

  // Whole seconds, rounded to the nearest: 1,499 ms is 1 second, 1,500 ms 2.
  static std::uint32_t RoundedSeconds(std::uint32_t milliseconds) {
    return (milliseconds + 500) / 1000;
  }

 private:
  // Checks, switches to the load rate and runs the load; `rateToRestore` may change.
  LoadOutcome CheckAndLoad(const std::string& folder, const FirmwareFileInfo& firmware,
                           std::uint32_t& rateToRestore);
  // Amplifier (while it operates) and port to `bitsPerSecond`, unless the port runs at it.
  void SetAmplifierSpeed(std::uint32_t bitsPerSecond);

  AppSettings& app_;
  SendFirmwareHost& host_;
};

}  // namespace vlx
