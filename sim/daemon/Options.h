#pragma once
// What the command line asks of the daemon.

#include <string>
#include <string_view>

#include "model/AmplifierConfig.h"

namespace vlxsim {

struct Options {
  std::string linkPath = "/tmp/vlx750-sim";
  AmplifierConfig amplifier;
  std::string loadEepromPath;  // the EEPROM's contents come from here...
  std::string dumpEepromPath;  // ...and go here on exit (raw, 1024 bytes, bank 0 first)
  std::string controlPath;     // a named pipe taking control lines while it runs
  bool pace = false;
  bool verbose = false;
  bool help = false;
};

// Fills `options` from the arguments; on a bad argument returns false with a one-line reason.
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);

std::string_view Usage();

}  // namespace vlxsim
