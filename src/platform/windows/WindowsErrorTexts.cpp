#include "WindowsErrorTexts.h"

#include <windows.h>

#include "WideText.h"
#include "report/ErrorText.h"

namespace vlx {

std::string WindowsSystemText(ErrorCode code) {
  DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS;
  HMODULE module = nullptr;
  if (code >= err::kFtpFirst && code <= err::kFtpLast) {
    module = GetModuleHandleW(L"wininet.dll");
    if (module == nullptr) {
      return {};
    }
    flags |= FORMAT_MESSAGE_FROM_HMODULE;
  } else {
    flags |= FORMAT_MESSAGE_FROM_SYSTEM;
  }
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(flags, module, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (buffer != nullptr) {
    text = Utf8FromWide(std::wstring_view(buffer, length));
    LocalFree(buffer);
  }
  return text;
}

void InstallWindowsErrorTexts() {
  InstallSystemErrorTexts(&WindowsSystemText);
}

}  // namespace vlx
