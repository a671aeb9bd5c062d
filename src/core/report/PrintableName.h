#pragma once
// A name as it may appear in a message or on a terminal: control characters and DEL as "\xNN" and a
// backslash as "\\", so a name can neither break a line nor send an escape sequence, and the shown
// form maps back to one name. Other bytes, UTF-8 among them, are kept.

#include <string>
#include <string_view>

namespace vlx {

std::string PrintableName(std::string_view name);

}  // namespace vlx
