#include "model/PersistedSettings.h"

#include <string_view>
#include <utility>

#include "model/DataFolders.h"
#include "report/SettingsTextIds.h"
#include "report/TextFormat.h"

namespace vlx {

PersistedSettings::PersistedSettings(SettingsStore& store, FileSystem& fileSystem)
    : store_(store),
      fileSystem_(fileSystem),
      settings_{&activePage,
                &advancedMode,
                &commandCaption,
                &commandText,
                &configurationFolder,
                &firmwareFolder,
                &firmwareLoadRetryLimit,
                &loaderFlags,
                &port,
                &trace,
                &verboseLogging,
                &configurationRestoreOption,
                &faultTableFolder,
                &operatePollInterval,
                &telemetryFolder,
                &operatePlotMinutes,
                &operatePlotVisible,
                &ftpServer} {}

void PersistedSettings::LoadSettings() {
  for (Setting* setting : settings_) {
    setting->Load(store_);
  }
  FillDefaultCaptions();
  FillDefaultFolders();
}

void PersistedSettings::SaveSettings() {
  for (Setting* setting : settings_) {
    setting->Save(store_);
  }
}

void PersistedSettings::FillDefaultCaptions() {
  for (std::size_t i = 0; i < kStringArraySize; ++i) {
    if (commandCaption.Get()[i].empty()) {
      commandCaption.SetAt(i, FormatText(ids::kMacroCaption, {static_cast<std::uint32_t>(i + 1)}));
      commandCaption.Notify(i);
    }
  }
}

void PersistedSettings::FillDefaultFolders() {
  const std::pair<StringSetting*, std::string_view> folders[] = {
      {&firmwareFolder, kFirmwareLeaf},
      {&configurationFolder, kConfigurationLeaf},
      {&faultTableFolder, kFaultTablesLeaf},
      {&telemetryFolder, kTelemetryLeaf}};
  for (const auto& [setting, leaf] : folders) {
    // Computed even when a folder is stored: the default folders are created on every start.
    std::string folder = DefaultDataFolder(fileSystem_, leaf);
    if (setting->Get().empty()) {
      setting->Set(std::move(folder));
      setting->Notify(0);
    }
  }
}

}  // namespace vlx
