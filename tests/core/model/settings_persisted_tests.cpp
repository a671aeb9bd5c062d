// The user's settings as a whole: first run, corrections of stored values, what is written at
// exit, and the main window's placement.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "FakeFileSystem.h"
#include "InMemorySettingsStore.h"
#include "model/PersistedSettings.h"
#include "model/WindowPlacement.h"

namespace vlx {
namespace {

using test::FakeFileSystem;
using test::InMemorySettingsStore;

class RecordingListener : public Listener {
 public:
  void OnMessage(MessageId id, MessageParam wParam) override { messages.emplace_back(id, wParam); }
  std::vector<std::pair<MessageId, MessageParam>> messages;
};

constexpr char kData[] = "/home/op/.local/share";

class PersistedSettingsTest : public ::testing::Test {
 protected:
  PersistedSettingsTest() {
    files.userDataFolder = kData;
    files.AddDirectory(kData);
  }

  std::vector<std::string> CaptionNames() const {
    std::vector<std::string> names;
    for (unsigned n = 1; n <= 16; ++n)
      names.push_back("CommandCaption" + std::to_string(n));
    return names;
  }

  InMemorySettingsStore store;
  FakeFileSystem files;
  PersistedSettings settings{store, files};
};

TEST_F(PersistedSettingsTest, FirstRunShowsDefaultsAndWritesOnlyCaptionsAndFolders) {
  RecordingListener listener;
  settings.commandCaption.Subscribe(listener);
  settings.firmwareFolder.Subscribe(listener);
  settings.configurationFolder.Subscribe(listener);
  settings.faultTableFolder.Subscribe(listener);
  settings.telemetryFolder.Subscribe(listener);

  settings.LoadSettings();

  for (unsigned n = 1; n <= 16; ++n) {
    EXPECT_EQ(settings.commandCaption.Get()[n - 1], "Macro " + std::to_string(n));
  }
  EXPECT_EQ(settings.port.Get(), "");
  EXPECT_EQ(settings.activePage.Get(), 0u);
  EXPECT_EQ(settings.operatePollInterval.Get(), 1000u);
  EXPECT_EQ(settings.firmwareLoadRetryLimit.Get(), 10u);
  EXPECT_EQ(settings.operatePlotMinutes.Get(), 5u);
  EXPECT_EQ(settings.operatePlotVisible.Get(), 1u);
  const std::string vendor = std::string(kData) + "/Velqorin";
  EXPECT_EQ(settings.firmwareFolder.Get(), vendor + "/VLX Firmware");
  EXPECT_EQ(settings.configurationFolder.Get(), vendor + "/VLX Configuration");
  EXPECT_EQ(settings.faultTableFolder.Get(), vendor + "/VLX Fault Tables");
  EXPECT_EQ(settings.telemetryFolder.Get(), vendor + "/VLX Telemetry");
  EXPECT_TRUE(files.IsDirectory(vendor + "/VLX Fault Tables"));

  std::vector<std::pair<MessageId, MessageParam>> expected;
  for (MessageParam i = 0; i < 16; ++i)
    expected.emplace_back(kMsgCommandCaption, i);
  expected.emplace_back(kMsgFirmwareFolder, 0);
  expected.emplace_back(kMsgConfigurationFolder, 0);
  expected.emplace_back(kMsgFaultTableFolder, 0);
  expected.emplace_back(kMsgTelemetryFolder, 0);
  EXPECT_EQ(listener.messages, expected);

  settings.SaveSettings();
  std::vector<std::string> written = CaptionNames();
  written.insert(written.end(),
                 {"ConfigurationFolder", "FirmwareFolder", "FaultTableFolder", "TelemetryFolder"});
  EXPECT_EQ(store.WriteLog(), written);

  store.ClearWriteLog();
  settings.SaveSettings();
  EXPECT_TRUE(store.WriteLog().empty());
}

TEST_F(PersistedSettingsTest, ChangedSettingsAreWrittenInRegistrationOrder) {
  settings.LoadSettings();
  settings.SaveSettings();  // the first run's defaults are out of the way
  store.ClearWriteLog();
  for (DwordSetting* dword :
       {&settings.activePage, &settings.advancedMode, &settings.loaderFlags, &settings.trace,
        &settings.verboseLogging, &settings.configurationRestoreOption}) {
    dword->Set(1);
  }
  settings.firmwareLoadRetryLimit.Set(20);
  settings.operatePollInterval.Set(500);
  settings.operatePlotMinutes.Set(15);
  settings.operatePlotVisible.Set(0);
  settings.commandCaption.SetAt(0, "Band");
  settings.commandText.SetAt(0, "^bn;");
  for (StringSetting* text :
       {&settings.configurationFolder, &settings.firmwareFolder, &settings.port,
        &settings.faultTableFolder, &settings.telemetryFolder, &settings.ftpServer}) {
    text->Set("/x");
  }

  settings.SaveSettings();
  EXPECT_EQ(
      store.WriteLog(),
      (std::vector<std::string>{
          "ActivePage", "AdvancedMode", "CommandCaption1", "CommandText1", "ConfigurationFolder",
          "FirmwareFolder", "FirmwareLoadRetryLimit", "LoaderFlags", "Port", "Trace",
          "VerboseLogging", "ConfigurationRestoreOption", "FaultTableFolder", "OperatePollInterval",
          "TelemetryFolder", "OperatePlotMinutes", "OperatePlotVisible", "FtpServer"}));
}

// The plot's span takes only the spans the page offers; anything else is the default.
TEST_F(PersistedSettingsTest, OutOfRangeValuesAreCorrectedAndWrittenBack) {
  struct Case {
    const char* name;
    std::uint32_t stored;
    std::uint32_t used;
  };
  const Case cases[] = {
      {"OperatePollInterval", 50, 100},   {"OperatePollInterval", 40000, 30000},
      {"OperatePollInterval", 100, 100},  {"FirmwareLoadRetryLimit", 3, 5},
      {"FirmwareLoadRetryLimit", 99, 25}, {"FirmwareLoadRetryLimit", 25, 25},
      {"OperatePlotMinutes", 7, 5},       {"OperatePlotMinutes", 0, 5},
      {"OperatePlotMinutes", 60, 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.stored));
    InMemorySettingsStore caseStore;
    caseStore.PutDword(c.name, c.stored);
    PersistedSettings caseSettings(caseStore, files);
    caseSettings.LoadSettings();
    const auto& all = caseSettings.Settings();
    const auto named = std::find_if(
        all.begin(), all.end(), [&](const Setting* setting) { return setting->Name() == c.name; });
    ASSERT_NE(named, all.end());
    EXPECT_EQ(dynamic_cast<const DwordSetting&>(**named).Get(), c.used);

    caseSettings.SaveSettings();
    EXPECT_EQ(caseStore.Read("", c.name)->number, c.used);
    const auto& log = caseStore.WriteLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), c.name), c.stored == c.used ? 0 : 1);
  }
}

TEST_F(PersistedSettingsTest, PortStoredAsNumberIsIgnoredAndLeftAlone) {
  store.PutDword("Port", 3);
  settings.LoadSettings();
  EXPECT_EQ(settings.port.Get(), "");

  settings.SaveSettings();
  EXPECT_EQ(store.Read("", "Port")->type, SettingsStore::Type::kDword);
}

TEST_F(PersistedSettingsTest, EmptyStoredCaptionGetsItsDefault) {
  for (unsigned n = 1; n <= 16; ++n) {
    store.PutString("CommandCaption" + std::to_string(n), "M" + std::to_string(n));
  }
  store.PutString("CommandCaption3", "");
  RecordingListener listener;
  settings.commandCaption.Subscribe(listener);

  settings.LoadSettings();
  EXPECT_EQ(settings.commandCaption.Get()[2], "Macro 3");
  EXPECT_EQ(settings.commandCaption.Get()[3], "M4");
  EXPECT_EQ(listener.messages,
            (std::vector<std::pair<MessageId, MessageParam>>{{kMsgCommandCaption, 2}}));

  settings.SaveSettings();
  EXPECT_EQ(store.Read("", "CommandCaption3")->text, "Macro 3");
}

TEST_F(PersistedSettingsTest, StoredFoldersAreKeptWhileTheDefaultFoldersAreStillCreated) {
  store.PutString("FirmwareFolder", "/srv/firmware");
  settings.LoadSettings();
  EXPECT_EQ(settings.firmwareFolder.Get(), "/srv/firmware");
  EXPECT_TRUE(files.IsDirectory(std::string(kData) + "/Velqorin/VLX Firmware"));
}

TEST_F(PersistedSettingsTest, ValuesEditedElsewhereDuringTheRunSurviveUnlessChangedHere) {
  store.PutString("Port", "/dev/ttyUSB0");
  settings.LoadSettings();
  settings.SaveSettings();  // the first run's defaults are out of the way

  store.PutDword("Trace", 1);
  store.PutString("Port", "/dev/ttyUSB1");
  store.PutString("CommandText4", "^tm;");
  settings.commandText.SetAt(3, "^vi;");
  settings.SaveSettings();

  EXPECT_EQ(store.Read("", "Trace")->number, 1u);
  EXPECT_EQ(store.Read("", "Port")->text, "/dev/ttyUSB1");
  EXPECT_EQ(store.Read("", "CommandText4")->text, "^vi;");
}

TEST(WindowPlacementTest, RoundTripKeepsNegativeCoordinates) {
  InMemorySettingsStore store;
  const WindowPlacement placement{2, 3, -32000, -32000, -8, -8, -1200, 40, 900, 700};
  EXPECT_EQ(SaveWindowPlacement(store, placement), err::kSuccess);
  EXPECT_EQ(store.WriteLog(),
            (std::vector<std::string>{"flags", "showCmd", "minPosX", "minPosY", "maxPosX",
                                      "maxPosY", "bottom", "left", "right", "top"}));
  EXPECT_EQ(store.Read(kWindowSubkey, "left")->number, 0xFFFFFB50u);
  EXPECT_FALSE(store.Read("", "left"));
  EXPECT_EQ(RestoreWindowPlacement(store), placement);
}

TEST(WindowPlacementTest, AnyMissingOrMistypedValueRestoresNothing) {
  const char* names[] = {"flags",   "showCmd", "minPosX", "minPosY", "maxPosX",
                         "maxPosY", "bottom",  "left",    "right",   "top"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    InMemorySettingsStore store;
    ASSERT_EQ(SaveWindowPlacement(store, WindowPlacement{}), err::kSuccess);
    store.Remove(name, kWindowSubkey);
    EXPECT_FALSE(RestoreWindowPlacement(store));
    store.PutString(name, "0", kWindowSubkey);
    EXPECT_FALSE(RestoreWindowPlacement(store));
  }
}

TEST(WindowPlacementTest, SavingStopsAtTheFirstFailedWrite) {
  InMemorySettingsStore store;
  store.FailWritesOf("maxPosX", err::kAccessDenied);
  EXPECT_EQ(SaveWindowPlacement(store, WindowPlacement{}), err::kAccessDenied);
  EXPECT_EQ(store.WriteLog().back(), "maxPosX");
  EXPECT_FALSE(store.Read(kWindowSubkey, "maxPosY"));
}

}  // namespace
}  // namespace vlx
