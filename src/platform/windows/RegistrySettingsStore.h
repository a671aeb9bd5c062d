#pragma once
// The settings store of a Windows build: the application key under HKEY_CURRENT_USER, created
// if missing and held open for the store's lifetime, with its subkeys ("Window"). Numbers are
// REG_DWORD values, texts REG_SZ (UTF-16 in the registry, UTF-8 in the program); a value of any
// other type, a REG_DWORD that is not four bytes or a text without its terminating NUL reads as
// absent, so the setting keeps its default.

#include <windows.h>

#include <string>

#include "RegistryKey.h"
#include "model/SettingsStore.h"

namespace vlx {

inline constexpr wchar_t kApplicationKeyPath[] = L"Software\\Velqorin\\VLX Utility";

class RegistrySettingsStore final : public SettingsStore {
 public:
  explicit RegistrySettingsStore(HKEY root = HKEY_CURRENT_USER,
                                 const std::wstring& path = kApplicationKeyPath);

  std::optional<StoredValue> Read(const std::string& subkey,
                                  const std::string& name) const override;
  ErrorCode WriteDword(const std::string& subkey, const std::string& name,
                       std::uint32_t value) override;
  ErrorCode WriteString(const std::string& subkey, const std::string& name,
                        const std::string& value) override;

  // Why the application key could not be opened; 0 when it is open. Without it every read
  // finds nothing and every write fails with this code.
  ErrorCode OpenError() const { return openError_; }

 private:
  ErrorCode Write(const std::string& subkey, const std::string& name, DWORD type, const void* data,
                  DWORD size);

  RegistryKey key_;
  ErrorCode openError_ = err::kSuccess;
};

}  // namespace vlx
