#pragma once
// The question a verb asks before it changes the amplifier for good (a restore, a firmware
// load): asked on a terminal, answered in advance by --yes, and refused where no one can answer
// it, before the port is used.

#include <string>

namespace vlx::cli {

// Whether vlxctl can ask: its input and its messages are on a terminal.
bool CanAsk();

// Asks `question` on the terminal and waits for the answer: y or yes is yes, anything else (an
// empty line, the end of the input) is no. Ctrl+C ends vlxctl while it waits.
bool Ask(const std::string& question);

// Whether the question can be answered, by --yes or on a terminal. When it cannot, says so:
// `consequence` is what --yes agrees to, `verb` what it lets go ahead unasked.
bool ConfirmationPossible(bool yes, const std::string& consequence, const std::string& verb);

// With --yes, true; otherwise asks `question` and, when the answer is no, says `declined`.
bool Confirmed(bool yes, const std::string& question, const std::string& declined);

}  // namespace vlx::cli
