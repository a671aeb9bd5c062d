#pragma once
// Building and reading the conversations the core tests compare: what the program sent, with the
// rate it sent at, as "text@rate".

#include <initializer_list>
#include <string>
#include <vector>

#include "support/SimulatedLink.h"

namespace vlx::test {

inline std::vector<std::string> Conversation(const SimulatedLink& link) {
  std::vector<std::string> sent;
  for (const auto& command : link.SentCommands()) {
    sent.push_back(command.bytes + "@" + std::to_string(command.rate));
  }
  return sent;
}

inline std::vector<std::string> Repeat(const std::string& item, int times) {
  return std::vector<std::string>(times, item);
}

inline std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

}  // namespace vlx::test
