#pragma once

#include <string>
#include <string_view>

#include "model/AmplifierConfig.h"

namespace vlxsim {

// What the command line asks of the daemon.
struct Options {
  std::string linkPath = "/tmp/vlx750-sim";
  AmplifierConfig amplifier;
  bool pace = false;
  bool verbose = false;
  bool help = false;
};

// Fills `options` from the arguments; on a bad argument returns false with a one-line reason.
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);

std::string_view Usage();

}  // namespace vlxsim
