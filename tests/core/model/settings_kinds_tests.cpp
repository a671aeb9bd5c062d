// Load and save rules of the persisted setting kinds.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "InMemorySettingsStore.h"
#include "model/Setting.h"

namespace vlx {
namespace {

using test::InMemorySettingsStore;

constexpr MessageId kId = 0x8000;

TEST(DwordSettingTest, LoadUsesOnlyStoredDwordsElseTheDefault) {
  struct Case {
    const char* label;
    std::optional<std::uint32_t> dword;
    std::optional<std::string> text;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {"absent", std::nullopt, std::nullopt, 5},
      {"dword", 7u, std::nullopt, 7},
      {"zero", 0u, std::nullopt, 0},
      {"string", std::nullopt, "7", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    InMemorySettingsStore store;
    if (c.dword)
      store.PutDword("Value", *c.dword);
    if (c.text)
      store.PutString("Value", *c.text);
    DwordSetting setting(kId, "Value", 5);
    setting.Load(store);
    EXPECT_EQ(setting.Get(), c.expected);
    // What was loaded counts as stored: saving an unchanged value writes nothing.
    setting.Save(store);
    EXPECT_TRUE(store.WriteLog().empty());
  }
}

TEST(DwordSettingTest, SaveWritesOnlyAChangedValueAndRetriesAFailedWrite) {
  InMemorySettingsStore store;
  store.PutDword("Value", 7);
  DwordSetting setting(kId, "Value", 5);
  setting.Load(store);

  setting.Set(8);
  store.FailWritesOf("Value");
  setting.Save(store);
  EXPECT_EQ(store.Read("", "Value")->number, 7u);

  // The failed write left the last-stored copy alone, so the next save tries again.
  store.ClearFailures();
  setting.Save(store);
  setting.Save(store);
  EXPECT_EQ(store.WriteLog(), (std::vector<std::string>{"Value", "Value"}));
  EXPECT_EQ(store.Read("", "Value")->number, 8u);

  // Back to a value that was stored before is still a change against the last write.
  setting.Set(7);
  setting.Save(store);
  EXPECT_EQ(store.Read("", "Value")->number, 7u);
}

TEST(StringSettingTest, LoadAcceptsOnlyReadableStrings) {
  struct Case {
    const char* label;
    std::optional<std::string> text;
    std::optional<std::uint32_t> dword;
    std::string expected;
  };
  const std::string longest(kMaxStoredStringBytes - 1, 'x');
  const Case cases[] = {
      {"absent", std::nullopt, std::nullopt, ""},
      {"string", "/dev/ttyUSB0", std::nullopt, "/dev/ttyUSB0"},
      {"empty", "", std::nullopt, ""},
      {"dword", std::nullopt, 3u, ""},
      {"embedded NUL", std::string("COM3\0junk", 9), std::nullopt, "COM3"},
      {"longest", longest, std::nullopt, longest},
      {"too long", longest + "x", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    InMemorySettingsStore store;
    if (c.text)
      store.PutString("Port", *c.text);
    if (c.dword)
      store.PutDword("Port", *c.dword);
    StringSetting setting(kId, "Port");
    setting.Load(store);
    EXPECT_EQ(setting.Get(), c.expected);
  }
}

TEST(StringSettingTest, SaveComparesCaseSensitively) {
  InMemorySettingsStore store;
  store.PutString("Port", "COM3");
  StringSetting setting(kId, "Port");
  setting.Load(store);

  setting.Set("COM3");
  setting.Save(store);
  EXPECT_TRUE(store.WriteLog().empty());

  setting.Set("com3");
  setting.Save(store);
  EXPECT_EQ(store.Read("", "Port")->text, "com3");
}

TEST(StringArraySettingTest, EntriesAreLoadedAndWrittenOneByOne) {
  InMemorySettingsStore store;
  store.PutString("CommandText1", "^bn;");
  store.PutString("CommandText16", "^os;");
  store.PutDword("CommandText2", 1);
  StringArraySetting setting(kId, "CommandText%u");
  EXPECT_EQ(setting.EntryName(15), "CommandText16");

  setting.Load(store);
  EXPECT_EQ(setting.Get()[0], "^bn;");
  EXPECT_EQ(setting.Get()[1], "");
  EXPECT_EQ(setting.Get()[15], "^os;");

  setting.SetAt(2, "^fl;");
  setting.SetAt(16, "out of range");
  setting.Save(store);
  EXPECT_EQ(store.WriteLog(), std::vector<std::string>{"CommandText3"});
  EXPECT_EQ(store.Read("", "CommandText3")->text, "^fl;");
  // The entry stored with the wrong type was not touched.
  EXPECT_EQ(store.Read("", "CommandText2")->type, SettingsStore::Type::kDword);
}

}  // namespace
}  // namespace vlx
