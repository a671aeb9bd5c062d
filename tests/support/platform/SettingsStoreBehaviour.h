#pragma once
// What every settings store must do for the persisted settings, one table for all of them: the
// JSON file of the Linux build and the registry of the Windows build each run it through a bed
// that opens the store, as a new run of the program would. A bed provides
//
//   static constexpr const char* kName;               // the store's name in the test names
//   std::unique_ptr<SettingsStore> Open();             // the store over its place
//   std::unique_ptr<SettingsStore> OpenUnwritable();   // a store over a place that takes nothing
//   void PutForeign(const std::string& name);          // stores a 4-byte value of neither type
//
// and cleans its place up when it goes.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "FakeFileSystem.h"
#include "model/PersistedSettings.h"
#include "model/SettingsStore.h"

namespace vlx::test {

template <typename Bed>
class SettingsStoreBehaviour : public ::testing::Test {
 protected:
  SettingsStoreBehaviour() {
    files.userDataFolder = "/data";
    files.AddDirectory("/data");
  }

  // The settings of one run of the program over `store`, loaded.
  std::unique_ptr<PersistedSettings> Load(SettingsStore& store) {
    auto settings = std::make_unique<PersistedSettings>(store, files);
    settings->LoadSettings();
    return settings;
  }

  Bed bed;
  FakeFileSystem files;
};

// Names the instantiations after the store ("Registry/SettingsStoreBehaviour/...").
struct SettingsStoreName {
  template <typename Bed>
  static std::string GetName(int) {
    return Bed::kName;
  }
};

TYPED_TEST_SUITE_P(SettingsStoreBehaviour);

TYPED_TEST_P(SettingsStoreBehaviour, ValuesKeepTheirTypesAcrossRuns) {
  {
    auto store = this->bed.Open();
    EXPECT_EQ(store->WriteString("", "Port", "COM3 Zürich"), err::kSuccess);
    EXPECT_EQ(store->WriteString("", "CommandText1", ""), err::kSuccess);
    EXPECT_EQ(store->WriteDword("", "OperatePollInterval", 0xFFFFFFFFu), err::kSuccess);
    EXPECT_EQ(store->WriteDword("Window", "left", 0xFFFFFFF8u), err::kSuccess);
  }
  auto store = this->bed.Open();
  const auto port = store->Read("", "Port");
  ASSERT_TRUE(port);
  EXPECT_EQ(port->type, SettingsStore::Type::kString);
  EXPECT_EQ(port->text, "COM3 Zürich");
  const auto text = store->Read("", "CommandText1");
  ASSERT_TRUE(text);
  EXPECT_EQ(text->type, SettingsStore::Type::kString);
  EXPECT_EQ(text->text, "");
  const auto interval = store->Read("", "OperatePollInterval");
  ASSERT_TRUE(interval);
  EXPECT_EQ(interval->type, SettingsStore::Type::kDword);
  EXPECT_EQ(interval->number, 0xFFFFFFFFu);
  const auto left = store->Read("Window", "left");
  ASSERT_TRUE(left);
  EXPECT_EQ(left->number, 0xFFFFFFF8u);
  // A subkey's values and the application key's are apart.
  EXPECT_FALSE(store->Read("", "left"));
  EXPECT_FALSE(store->Read("Window", "Port"));
}

TYPED_TEST_P(SettingsStoreBehaviour, AFirstRunUsesDefaultsAndWritesOnlyCaptionsAndFolders) {
  {
    auto store = this->bed.Open();
    EXPECT_FALSE(store->Read("", "Port"));
    EXPECT_FALSE(store->Read("Window", "flags"));
    auto settings = this->Load(*store);
    EXPECT_EQ(settings->port.Get(), "");
    EXPECT_EQ(settings->operatePollInterval.Get(), 1000u);
    EXPECT_EQ(settings->firmwareLoadRetryLimit.Get(), 10u);
    EXPECT_EQ(settings->commandCaption.Get()[15], "Macro 16");
    settings->SaveSettings();
  }
  auto store = this->bed.Open();
  EXPECT_EQ(store->Read("", "CommandCaption3")->text, "Macro 3");
  EXPECT_EQ(store->Read("", "FirmwareFolder")->text, "/data/Velqorin/VLX Firmware");
  EXPECT_FALSE(store->Read("", "OperatePollInterval"));
  EXPECT_FALSE(store->Read("", "Trace"));
  EXPECT_FALSE(store->Read("", "Port"));
}

TYPED_TEST_P(SettingsStoreBehaviour, NumbersOutOfBoundsAreClampedAndWrittenBack) {
  struct Case {
    const char* name;
    BoundedDwordSetting PersistedSettings::*setting;
    std::uint32_t stored;
    std::uint32_t used;
  };
  const Case cases[] = {
      {"OperatePollInterval", &PersistedSettings::operatePollInterval, 50, 100},
      {"OperatePollInterval", &PersistedSettings::operatePollInterval, 40000, 30000},
      {"OperatePollInterval", &PersistedSettings::operatePollInterval, 250, 250},
      {"FirmwareLoadRetryLimit", &PersistedSettings::firmwareLoadRetryLimit, 3, 5},
      {"FirmwareLoadRetryLimit", &PersistedSettings::firmwareLoadRetryLimit, 99, 25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " = " + std::to_string(c.stored));
    {
      auto store = this->bed.Open();
      ASSERT_EQ(store->WriteDword("", c.name, c.stored), err::kSuccess);
      auto settings = this->Load(*store);
      EXPECT_EQ(((*settings).*c.setting).Get(), c.used);
      settings->SaveSettings();
    }
    EXPECT_EQ(this->bed.Open()->Read("", c.name)->number, c.used);
  }
}

TYPED_TEST_P(SettingsStoreBehaviour, AValueOfTheWrongTypeIsIgnored) {
  {
    auto store = this->bed.Open();
    ASSERT_EQ(store->WriteDword("", "Port", 3), err::kSuccess);
    ASSERT_EQ(store->WriteString("", "OperatePollInterval", "500"), err::kSuccess);
    ASSERT_EQ(store->WriteString("", "CommandCaption3", ""), err::kSuccess);
  }
  this->bed.PutForeign("Trace");
  this->bed.PutForeign("FaultTableFolder");

  auto store = this->bed.Open();
  EXPECT_FALSE(store->Read("", "Trace"));
  auto settings = this->Load(*store);
  EXPECT_EQ(settings->port.Get(), "");
  EXPECT_EQ(settings->operatePollInterval.Get(), 1000u);
  EXPECT_EQ(settings->trace.Get(), 0u);
  EXPECT_EQ(settings->commandCaption.Get()[2], "Macro 3");
  EXPECT_EQ(settings->faultTableFolder.Get(), "/data/Velqorin/VLX Fault Tables");
}

TYPED_TEST_P(SettingsStoreBehaviour, AnUnwritableStoreReadsNothingAndRefusesEveryWrite) {
  auto store = this->bed.OpenUnwritable();
  EXPECT_NE(store->WriteDword("", "Trace", 1), err::kSuccess);
  EXPECT_NE(store->WriteString("", "Port", "COM4"), err::kSuccess);
  EXPECT_NE(store->WriteDword("Window", "flags", 0), err::kSuccess);
  EXPECT_FALSE(store->Read("", "Trace"));
  EXPECT_FALSE(store->Read("Window", "flags"));

  auto settings = this->Load(*store);
  EXPECT_EQ(settings->operatePollInterval.Get(), 1000u);
  settings->port.Set("COM4");
  settings->SaveSettings();  // the failures are not reported
  EXPECT_FALSE(store->Read("", "Port"));
}

REGISTER_TYPED_TEST_SUITE_P(SettingsStoreBehaviour, ValuesKeepTheirTypesAcrossRuns,
                            AFirstRunUsesDefaultsAndWritesOnlyCaptionsAndFolders,
                            NumbersOutOfBoundsAreClampedAndWrittenBack,
                            AValueOfTheWrongTypeIsIgnored,
                            AnUnwritableStoreReadsNothingAndRefusesEveryWrite);

}  // namespace vlx::test
