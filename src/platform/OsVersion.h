#pragma once
// The operating-system line the program writes at the head of its logs: "OS Version" with the
// running kernel's major, minor and build numbers, followed directly by the system's name.

#include <string>
#include <string_view>

namespace vlx {

// The line for a kernel release such as "6.1.0-27-amd64" (its first three numbers; a missing
// one counts as 0) and the text of an os-release file, whose PRETTY_NAME names the system. An
// os-release text without a usable PRETTY_NAME leaves the name out.
std::string FormatOsVersionLine(std::string_view kernelRelease, std::string_view osReleaseText);

// The same for the running system: its kernel release and /etc/os-release (or
// /usr/lib/os-release when the first is missing).
std::string OsVersionLine();

}  // namespace vlx
