// The registry as the settings store: the table every store runs, and what only the registry
// can hold.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "RegistryScratch.h"
#include "RegistrySettingsStore.h"
#include "support/platform/SettingsStoreBehaviour.h"

namespace vlx::test {

class RegistryStoreBed {
 public:
  static constexpr const char* kName = "Registry";

  std::unique_ptr<SettingsStore> Open() {
    return std::make_unique<RegistrySettingsStore>(HKEY_CURRENT_USER, scratch_.Path());
  }

  // The system refuses a lasting key under a volatile one, as it refuses a key the user has no
  // rights to.
  std::unique_ptr<SettingsStore> OpenUnwritable() {
    HKEY key = nullptr;
    const std::wstring volatileKey = scratch_.Path() + L"\\Volatile";
    RegCreateKeyExW(HKEY_CURRENT_USER, volatileKey.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegCloseKey(key);
    return std::make_unique<RegistrySettingsStore>(HKEY_CURRENT_USER,
                                                   volatileKey + L"\\VLX Utility");
  }

  void PutForeign(const std::string& name) {
    const BYTE one[] = {1, 0, 0, 0};
    scratch_.Put(L"", std::wstring(name.begin(), name.end()), REG_BINARY, one, sizeof one);
  }

 private:
  RegistryScratch scratch_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Windows, SettingsStoreBehaviour, ::testing::Types<RegistryStoreBed>,
                               SettingsStoreName);

namespace {

TEST(RegistrySettingsStoreTest, CreatesItsKeyAndWritesDwordsAndTextsWithTheirNul) {
  RegistryScratch scratch;
  RegistrySettingsStore store(HKEY_CURRENT_USER, scratch.Path());
  EXPECT_EQ(store.OpenError(), err::kSuccess);
  ASSERT_EQ(store.WriteDword("Window", "showCmd", 3), err::kSuccess);
  ASSERT_EQ(store.WriteString("", "Port", "COM12"), err::kSuccess);

  DWORD type = REG_NONE;
  DWORD number = 0;
  DWORD size = sizeof number;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, (scratch.Path() + L"\\Window").c_str(), L"showCmd",
                         RRF_RT_ANY, &type, &number, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(number, 3u);
  wchar_t text[16] = {};
  size = sizeof text;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, scratch.Path().c_str(), L"Port",
                         RRF_RT_ANY | RRF_NOEXPAND, &type, text, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, sizeof L"COM12");
  EXPECT_EQ(std::wstring(text), L"COM12");
}

// Values another program (or a hand in the registry editor) may have left.
TEST(RegistrySettingsStoreTest, ReadsOnlyWellFormedDwordsAndTexts) {
  struct Case {
    const char* what;
    DWORD type;
    std::vector<BYTE> data;
    std::optional<SettingsStore::StoredValue> read;
  };
  const auto dword = [](std::uint32_t n) {
    return SettingsStore::StoredValue{SettingsStore::Type::kDword, n, {}};
  };
  const auto text = [](std::string t) {
    return SettingsStore::StoredValue{SettingsStore::Type::kString, 0, std::move(t)};
  };
  const Case cases[] = {
      {"dword", REG_DWORD, {0x10, 0x27, 0, 0}, dword(10000)},
      {"dword of two bytes", REG_DWORD, {0x10, 0x27}, std::nullopt},
      {"text", REG_SZ, {'C', 0, 'O', 0, 'M', 0, '1', 0, 0, 0}, text("COM1")},
      {"text without its NUL", REG_SZ, {'C', 0, 'O', 0, 'M', 0, '1', 0}, std::nullopt},
      {"text of an odd length", REG_SZ, {'C', 0, 0, 0, 0}, std::nullopt},
      {"no bytes at all", REG_SZ, {}, text("")},
      {"expandable text, not expanded", REG_EXPAND_SZ, {'%', 0, 'A', 0, '%', 0, 0, 0}, text("%A%")},
      {"several texts", REG_MULTI_SZ, {'A', 0, 0, 0, 0, 0}, std::nullopt},
      {"a 64-bit number", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, std::nullopt},
  };
  RegistryScratch scratch;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    scratch.Put(L"", L"Value", c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
    const RegistrySettingsStore store(HKEY_CURRENT_USER, scratch.Path());
    const auto read = store.Read("", "Value");
    ASSERT_EQ(read.has_value(), c.read.has_value());
    if (read) {
      EXPECT_EQ(read->type, c.read->type);
      EXPECT_EQ(read->number, c.read->number);
      EXPECT_EQ(read->text, c.read->text);
    }
  }
}

TEST(RegistrySettingsStoreTest, ATextAsLongAsTheStoreAllowsIsReadWhole) {
  RegistryScratch scratch;
  RegistrySettingsStore store(HKEY_CURRENT_USER, scratch.Path());
  const std::string longText(70000, 'x');
  ASSERT_EQ(store.WriteString("", "CommandText1", longText), err::kSuccess);
  EXPECT_EQ(store.Read("", "CommandText1")->text, longText);
}

}  // namespace
}  // namespace vlx::test
