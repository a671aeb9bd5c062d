#include "CommandTable.h"

#include <utility>

namespace vlxsim {

void CommandTable::Add(std::string command, Handler handler) {
  entries_.push_back({std::move(command), true, std::move(handler)});
}

void CommandTable::AddPrefix(std::string prefix, Handler handler) {
  entries_.push_back({std::move(prefix), false, std::move(handler)});
}

const CommandTable::Handler* CommandTable::Find(std::string_view command) const {
  const Entry* best = nullptr;
  for (const Entry& entry : entries_) {
    if (entry.whole) {
      if (command == entry.text) {
        return &entry.handler;
      }
    } else if (command.starts_with(entry.text) &&
               (best == nullptr || entry.text.size() > best->text.size())) {
      best = &entry;
    }
  }
  return best == nullptr ? nullptr : &best->handler;
}

}  // namespace vlxsim
