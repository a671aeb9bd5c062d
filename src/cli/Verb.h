#pragma once
// One verb of vlxctl ("ports", "info", ...): its name, its line in the help, its own arguments
// and what it does. The command line gives each verb a subcommand of its own.

#include <memory>
#include <string>
#include <vector>

#include "CliOptions.h"

namespace CLI {
class App;
}

namespace vlx::cli {

class Verb {
 public:
  virtual ~Verb() = default;
  virtual std::string Name() const = 0;
  // One line for the list of verbs and the verb's own help.
  virtual std::string Summary() const = 0;
  // Declares the verb's own arguments on its subcommand; most verbs have none.
  virtual void AddArguments(CLI::App& /*subcommand*/) {}
  // Runs the verb after a successful parse; returns the exit code.
  virtual int Run(const CliOptions& options) = 0;
};

// Every verb, in the order the help lists them.
std::vector<std::unique_ptr<Verb>> MakeVerbs();

}  // namespace vlx::cli
