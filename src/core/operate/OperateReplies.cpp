#include "operate/OperateReplies.h"

#include <vector>

#include "link/ReplyText.h"

namespace vlx {
namespace {
constexpr std::int32_t kMaxField = 0xFFFF;

bool StartsWith(std::string_view reply, std::string_view prefix) {
  return reply.substr(0, prefix.size()) == prefix;
}
}  // namespace

std::optional<std::int32_t> SignedNumberReply(std::string_view reply, std::string_view prefix) {
  if (!StartsWith(reply, prefix)) {
    return std::nullopt;
  }
  return ParseSignedDecimal(reply.substr(prefix.size()));
}

std::optional<std::array<std::uint16_t, 2>> TwoFieldReply(std::string_view reply,
                                                          std::string_view prefix) {
  if (!StartsWith(reply, prefix)) {
    return std::nullopt;
  }
  // Runs of blanks separate fields; none is empty.
  std::vector<std::string_view> fields;
  std::string_view rest = reply.substr(prefix.size());
  while (!rest.empty()) {
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) {
      break;
    }
    rest.remove_prefix(start);
    const std::size_t end = rest.find(' ');
    fields.push_back(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
  }
  if (fields.size() != 2) {
    return std::nullopt;
  }
  std::array<std::uint16_t, 2> values{};
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::int32_t value = ParseSignedDecimal(fields[i]);
    if (value > kMaxField) {
      return std::nullopt;
    }
    values[i] = static_cast<std::uint16_t>(static_cast<std::uint32_t>(value) & 0xFFFF);
  }
  return values;
}

}  // namespace vlx
