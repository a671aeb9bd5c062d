#pragma once
// UTF-8 in both directions for the text readers: encoding a code point, checking a byte string.

#include <string>
#include <string_view>

namespace vlx {

void AppendUtf8(std::string& out, char32_t cp);

// Well-formed UTF-8: no stray continuation bytes, overlong forms, surrogates or code points
// beyond U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

}  // namespace vlx
