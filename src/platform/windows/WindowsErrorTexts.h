#pragma once
// The system's own words for the codes the program has none of its own for, in a Windows build.

#include <string>

#include "report/ErrorCode.h"

namespace vlx {

// FormatMessage's text for `code` in the user's language, as the system gives it (with its line
// break; FormatErrorText removes that). FTP codes are looked up in the system's Internet library
// when a part of the program has loaded it (it is never loaded for this). Empty when the system
// knows no text.
std::string WindowsSystemText(ErrorCode code);

// Makes WindowsSystemText the system-text source of FormatErrorText; called once at start-up.
void InstallWindowsErrorTexts();

}  // namespace vlx
