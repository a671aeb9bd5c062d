#pragma once
// Maps the commands one mode of the amplifier's firmware understands to their handlers. A command
// is matched whole ("^RVM;") or, when it carries parameters ("^brp2;"), by its leading text; a
// whole match wins over a leading one, and a longer leading text over a shorter one.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vlxsim {

class CommandTable {
 public:
  // Gets the complete command, ";" included; returns the reply, or nothing when the command is
  // answered with silence.
  using Handler = std::function<std::optional<std::string>(std::string_view command)>;

  void Add(std::string command, Handler handler);
  void AddPrefix(std::string prefix, Handler handler);

  // The handler for a complete command, or nullptr when this mode does not know it.
  const Handler* Find(std::string_view command) const;

 private:
  struct Entry {
    std::string text;
    bool whole;
    Handler handler;
  };
  std::vector<Entry> entries_;
};

}  // namespace vlxsim
