#pragma once
// The user's settings: the model values that also live in the settings store, loaded once when
// the main window is created and saved once when it is destroyed. The application model derives
// from this class and adds the values that live only for the run.

#include <vector>

#include "model/FileSystem.h"
#include "model/MessageIds.h"
#include "model/Setting.h"
#include "model/SettingsStore.h"

namespace vlx {

class PersistedSettings {
 public:
  PersistedSettings(SettingsStore& store, FileSystem& fileSystem);
  virtual ~PersistedSettings() = default;
  PersistedSettings(const PersistedSettings&) = delete;
  PersistedSettings& operator=(const PersistedSettings&) = delete;

  // Loads every setting, then fills in the default macro captions and data folders. Those
  // defaults differ from what was stored, so the next save writes them.
  void LoadSettings();
  // Writes every setting that changed since it was loaded or last written; failures are ignored.
  void SaveSettings();

  // In load and save order.
  const std::vector<Setting*>& Settings() const { return settings_; }
  SettingsStore& Store() const { return store_; }
  FileSystem& Files() const { return fileSystem_; }

  DwordSetting activePage{kMsgActivePage, "ActivePage", 0};
  DwordSetting advancedMode{kMsgAdvancedMode, "AdvancedMode", 0};
  StringArraySetting commandCaption{kMsgCommandCaption, "CommandCaption%u"};
  StringArraySetting commandText{kMsgCommandText, "CommandText%u"};
  StringSetting configurationFolder{kMsgConfigurationFolder, "ConfigurationFolder"};
  StringSetting firmwareFolder{kMsgFirmwareFolder, "FirmwareFolder"};
  BoundedDwordSetting firmwareLoadRetryLimit{kMsgFirmwareLoadRetryLimit, "FirmwareLoadRetryLimit",
                                             10, 5, 25};
  DwordSetting loaderFlags{kMsgLoaderFlags, "LoaderFlags", 0};
  StringSetting port{kMsgPort, "Port"};
  DwordSetting trace{kMsgTrace, "Trace", 0};
  DwordSetting verboseLogging{kMsgVerboseLogging, "VerboseLogging", 0};
  DwordSetting configurationRestoreOption{kMsgConfigurationRestoreOption,
                                          "ConfigurationRestoreOption", 0};
  StringSetting faultTableFolder{kMsgFaultTableFolder, "FaultTableFolder"};
  BoundedDwordSetting operatePollInterval{kMsgOperatePollInterval, "OperatePollInterval", 1000, 100,
                                          30000};
  StringSetting telemetryFolder{kMsgTelemetryFolder, "TelemetryFolder"};
  ChoiceDwordSetting operatePlotMinutes{
      kMsgOperatePlotMinutes, "OperatePlotMinutes", 5, {1, 5, 15, 60}};
  DwordSetting operatePlotVisible{kMsgOperatePlotVisible, "OperatePlotVisible", 1};
  // "host", "host:port" or "[v6]:port"; empty means the maker's server (ResolveFtpServer).
  StringSetting ftpServer{kMsgFtpServer, "FtpServer"};

 private:
  void FillDefaultCaptions();
  void FillDefaultFolders();

  SettingsStore& store_;
  FileSystem& fileSystem_;
  std::vector<Setting*> settings_;
};

}  // namespace vlx
