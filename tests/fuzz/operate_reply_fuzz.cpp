// Fuzz target of the operate cycle's reply readers. The input is one reply as it came off the
// line, terminator included.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "link/ReplyText.h"
#include "operate/OperateReplies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using vlx::fuzz::Check;
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  for (const std::string_view prefix : {"^WS", "^VI", "^BN", "^FL"}) {
    const auto number = vlx::SignedNumberReply(reply, prefix);
    Check(number.has_value() == reply.starts_with(prefix), "a number follows its prefix only");
    const auto fields = vlx::TwoFieldReply(reply, prefix);
    if (!fields) {
      continue;
    }
    Check(reply.starts_with(prefix), "two fields after another prefix");
    // Exactly two runs of non-blanks after the prefix.
    std::string_view rest = reply.substr(prefix.size());
    int runs = 0;
    for (std::size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] != ' ' && (i == 0 || rest[i - 1] == ' ')) {
        ++runs;
      }
    }
    Check(runs == 2, "two fields from another count");
    const std::size_t first = rest.find_first_not_of(' ');
    const std::string_view field = rest.substr(first, rest.find(' ', first) - first);
    Check((*fields)[0] == (static_cast<std::uint32_t>(vlx::ParseSignedDecimal(field)) & 0xFFFF),
          "first field read as its own number");
  }
  return 0;
}
