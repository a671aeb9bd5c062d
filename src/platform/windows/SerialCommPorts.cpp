#include "SerialCommPorts.h"

#include <array>

#include "RegistryKey.h"
#include "WideText.h"

namespace vlx {

namespace {

// Value names are device paths ("\Device\Serial0"); port names are short ("COM256").
constexpr DWORD kValueNameChars = 256;
constexpr std::size_t kPortNameChars = 16;

}  // namespace

std::vector<std::string> ListSerialCommPorts(HKEY root, const std::wstring& path) {
  std::vector<std::string> ports;
  HKEY raw = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) {
    return ports;
  }
  const RegistryKey key(raw);
  for (DWORD index = 0;; ++index) {
    std::array<wchar_t, kValueNameChars> name{};
    std::array<wchar_t, kPortNameChars> data{};
    DWORD nameChars = kValueNameChars;
    DWORD dataBytes = sizeof data;
    DWORD type = REG_NONE;
    const LSTATUS status = RegEnumValueW(key.Get(), index, name.data(), &nameChars, nullptr, &type,
                                         reinterpret_cast<BYTE*>(data.data()), &dataBytes);
    if (status == ERROR_MORE_DATA) {
      continue;  // not a port name; the values after it still count
    }
    if (status != ERROR_SUCCESS) {
      break;  // ERROR_NO_MORE_ITEMS, or the key went away
    }
    // Up to the first NUL: the data need not end in one.
    const std::wstring_view port(data.data(), dataBytes / sizeof(wchar_t));
    const std::wstring_view portName = port.substr(0, port.find(L'\0'));
    if (type != REG_SZ || portName.empty() ||
        CompareStringOrdinal(name.data(), static_cast<int>(nameChars), L"winachsf0", -1, TRUE) ==
            CSTR_EQUAL) {
      continue;
    }
    ports.push_back(Utf8FromWide(portName));
  }
  return ports;
}

}  // namespace vlx
