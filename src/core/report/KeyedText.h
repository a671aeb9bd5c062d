#pragma once
// The shape of the program's fixed text tables (string table, message table, system texts):
// {number, text} pairs in ascending order, searched by halves.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

namespace vlx {

struct KeyedText {
  std::uint32_t key;
  std::string_view text;
};

// For static_assert next to each table: a table out of order would make lookups miss silently.
constexpr bool IsStrictlyAscending(std::span<const KeyedText> table) {
  return std::adjacent_find(table.begin(), table.end(), [](const KeyedText& a, const KeyedText& b) {
           return a.key >= b.key;
         }) == table.end();
}

// The text stored under key; empty when the table has none.
constexpr std::string_view FindKeyedText(std::span<const KeyedText> table, std::uint32_t key) {
  const auto found = std::lower_bound(
      table.begin(), table.end(), key,
      [](const KeyedText& entry, std::uint32_t wanted) { return entry.key < wanted; });
  return found != table.end() && found->key == key ? found->text : std::string_view{};
}

}  // namespace vlx
