// vlxctl: the command-line companion of VLX Utility, on the same core as the window program.

#include <QCoreApplication>

#include "BuildInfo.h"
#include "CommandLine.h"
#include "Output.h"
#include "Verb.h"

int main(int argc, char* argv[]) {
  vlx::cli::GuardStandardStreams();
  QCoreApplication application(argc, argv);
  // The window's About box and title name the program and its version the same way.
  const std::string version =
      "vlxctl - " + vlx::build::ProgramRevisionText() + "\n" + vlx::build::kLegalCopyright;
  vlx::cli::CommandLine commandLine(vlx::cli::MakeVerbs(), version);
  vlx::cli::Verb* verb = commandLine.Parse(argc, argv);
  return vlx::cli::FinishOutput(verb != nullptr ? verb->Run(commandLine.Options())
                                                : commandLine.ExitCode());
}
