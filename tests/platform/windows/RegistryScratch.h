#pragma once
// A registry key of the tests' own under HKEY_CURRENT_USER, deleted with everything in it when
// the test ends. Each one has a name of its own, so tests never see each other's values.

#include <windows.h>

#include <string>

namespace vlx::test {

class RegistryScratch {
 public:
  RegistryScratch()
      : path_(L"Software\\Velqorin\\VLX Utility Tests\\" + std::to_wstring(next_++)) {}
  ~RegistryScratch() { RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str()); }
  RegistryScratch(const RegistryScratch&) = delete;
  RegistryScratch& operator=(const RegistryScratch&) = delete;

  const std::wstring& Path() const { return path_; }

  // Stores raw data under `subpath` (created when missing), as another program might.
  void Put(const std::wstring& subpath, const std::wstring& name, DWORD type, const void* data,
           DWORD size) const {
    RegSetKeyValueW(HKEY_CURRENT_USER, (path_ + subpath).c_str(), name.c_str(), type, data, size);
  }

 private:
  static inline int next_ = 0;
  std::wstring path_;
};

}  // namespace vlx::test
