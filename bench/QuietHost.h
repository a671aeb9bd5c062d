#pragma once
// What a benchmark gives the engine where a window would show lines and boxes: nothing is shown,
// so only the conversation itself is timed.

#include <cstdint>
#include <string>

#include "report/Prompts.h"
#include "report/StatusSink.h"

namespace vlx::bench {

class NullStatus final : public StatusSink {
 public:
  void StatusText(const std::string&) override {}
  void VerboseText(const std::string&) override {}
  void TraceText(const std::string&) override {}
};

// Every box is answered with 0, as if dismissed.
class NullPrompts final : public Prompts {
 public:
  int MessageBox(const std::string&, const std::string&, std::uint32_t) override { return 0; }
};

}  // namespace vlx::bench
