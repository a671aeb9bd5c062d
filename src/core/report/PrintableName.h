#pragma once
// A name (of a file, a folder, a server entry) as it may appear inside a message or a line on a
// terminal: control characters and DEL become "\xNN" and a backslash "\\", so a name can neither
// break a line nor send the terminal an escape sequence, and the shown form maps back to one
// name. Other bytes, UTF-8 among them, are kept.

#include <string>
#include <string_view>

namespace vlx {

std::string PrintableName(std::string_view name);

}  // namespace vlx
