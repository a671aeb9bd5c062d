#pragma once
// Conversions between the program's UTF-8 texts and the UTF-16 of the wide Win32 calls.

#include <string>
#include <string_view>

namespace vlx {

// Bytes that are not UTF-8 become U+FFFD.
std::wstring WideFromUtf8(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

}  // namespace vlx
