#include "RegistrySettingsStore.h"

#include <vector>

#include "WideText.h"
#include "model/Setting.h"

namespace vlx {

namespace {

// KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY: read, write values and make "Window".
constexpr REGSAM kApplicationKeyAccess = 0x2001F;

// The largest text data read, in bytes of UTF-16: as many characters as the store allows.
constexpr DWORD kMaxTextDataBytes = kMaxStoredStringBytes * sizeof(wchar_t);

std::optional<SettingsStore::StoredValue> ReadDword(HKEY key, const std::wstring& name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD type = REG_NONE;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value) {
    return std::nullopt;
  }
  return SettingsStore::StoredValue{SettingsStore::Type::kDword, value, {}};
}

std::optional<SettingsStore::StoredValue> ReadText(HKEY key, const std::wstring& name, DWORD size) {
  // The value may grow between the calls: ask again with the size it has then.
  std::vector<wchar_t> buffer;
  LSTATUS status = ERROR_MORE_DATA;
  DWORD type = REG_NONE;
  while (status == ERROR_MORE_DATA) {
    if (size > kMaxTextDataBytes) {
      return std::nullopt;
    }
    buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
    status = RegQueryValueExW(key, name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer.data()), &size);
  }
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  // Zero bytes are the empty text; anything else must end in its NUL.
  const std::size_t length = size / sizeof(wchar_t);
  if (size != 0 && (size % sizeof(wchar_t) != 0 || buffer[length - 1] != L'\0')) {
    return std::nullopt;
  }
  const std::wstring_view text(buffer.data(), length == 0 ? 0 : length - 1);
  return SettingsStore::StoredValue{SettingsStore::Type::kString, 0, Utf8FromWide(text)};
}

}  // namespace

RegistrySettingsStore::RegistrySettingsStore(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  openError_ = static_cast<ErrorCode>(
      RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      kApplicationKeyAccess, nullptr, &key, nullptr));
  if (openError_ == err::kSuccess) {
    key_ = RegistryKey(key);
  }
}

std::optional<SettingsStore::StoredValue> RegistrySettingsStore::Read(
    const std::string& subkey, const std::string& name) const {
  if (!key_) {
    return std::nullopt;
  }
  HKEY key = key_.Get();
  RegistryKey opened;
  if (!subkey.empty()) {
    if (RegOpenKeyExW(key_.Get(), WideFromUtf8(subkey).c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    opened = RegistryKey(key);
  }
  const std::wstring valueName = WideFromUtf8(name);
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  switch (type) {
    case REG_DWORD:
      return ReadDword(key, valueName);
    case REG_SZ:
    case REG_EXPAND_SZ:  // read as it is: nothing is expanded
      return ReadText(key, valueName, size);
    default:
      return std::nullopt;
  }
}

ErrorCode RegistrySettingsStore::WriteDword(const std::string& subkey, const std::string& name,
                                            std::uint32_t value) {
  const DWORD data = value;
  return Write(subkey, name, REG_DWORD, &data, sizeof data);
}

ErrorCode RegistrySettingsStore::WriteString(const std::string& subkey, const std::string& name,
                                             const std::string& value) {
  const std::wstring text = WideFromUtf8(value);
  // With the terminating NUL, as readers of REG_SZ expect.
  return Write(subkey, name, REG_SZ, text.c_str(),
               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

ErrorCode RegistrySettingsStore::Write(const std::string& subkey, const std::string& name,
                                       DWORD type, const void* data, DWORD size) {
  if (!key_) {
    return openError_;
  }
  HKEY key = key_.Get();
  RegistryKey created;
  if (!subkey.empty()) {
    if (const LSTATUS status =
            RegCreateKeyExW(key_.Get(), WideFromUtf8(subkey).c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr)) {
      return static_cast<ErrorCode>(status);
    }
    created = RegistryKey(key);
  }
  return static_cast<ErrorCode>(RegSetValueExW(key, WideFromUtf8(name).c_str(), 0, type,
                                               static_cast<const BYTE*>(data), size));
}

}  // namespace vlx
