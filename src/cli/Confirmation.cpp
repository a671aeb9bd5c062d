#include "Confirmation.h"

#include <unistd.h>

#include <csignal>
#include <iostream>

#include "ConsoleReporting.h"

namespace vlx::cli {
namespace {

// While the question waits, Ctrl+C and SIGTERM end vlxctl as they would anywhere else: a
// watcher set up for the run to come would only note them, and the read would go on waiting.
class DefaultStopSignals {
 public:
  DefaultStopSignals() {
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    ::sigaction(SIGINT, &byDefault, &interrupt_);
    ::sigaction(SIGTERM, &byDefault, &terminate_);
  }
  ~DefaultStopSignals() {
    ::sigaction(SIGINT, &interrupt_, nullptr);
    ::sigaction(SIGTERM, &terminate_, nullptr);
  }
  DefaultStopSignals(const DefaultStopSignals&) = delete;
  DefaultStopSignals& operator=(const DefaultStopSignals&) = delete;

 private:
  struct sigaction interrupt_ {};
  struct sigaction terminate_ {};
};

}  // namespace

bool CanAsk() {
  return ::isatty(STDIN_FILENO) != 0 && ::isatty(STDERR_FILENO) != 0;
}

bool Ask(const std::string& question) {
  const DefaultStopSignals signals;
  PrintError(question + " [y/N]");
  std::string answer;
  if (!std::getline(std::cin, answer)) {
    return false;
  }
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "YES" || answer == "Yes";
}

bool ConfirmationPossible(bool yes, const std::string& consequence, const std::string& verb) {
  if (yes || CanAsk()) {
    return true;
  }
  PrintError("vlxctl: " + consequence + "; give --yes to " + verb + " without being asked");
  return false;
}

bool Confirmed(bool yes, const std::string& question, const std::string& declined) {
  if (yes || Ask(question)) {
    return true;
  }
  PrintError(declined);
  return false;
}

}  // namespace vlx::cli
