// The telemetry log on the real disk: a log replaces the file the user chose, makes its folder,
// and a disk that fills up mid-row leaves the file ending with its last whole row.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>
#include <string>

#include "operate/TelemetryCsvLog.h"
#include "settings/QtFileSystem.h"
#include "settings/SystemTelemetryFile.h"
#include "support/FileContents.h"
#include "support/platform/FullDisk.h"

namespace vlx {
namespace {

TelemetrySample Operating(std::uint32_t tick) {
  TelemetrySample sample;
  sample.tick = tick;
  sample.deviceState = device_state::kOperating;
  sample.readings.power = 500;
  return sample;
}

TEST(SystemTelemetryFileTest, AFullDiskLeavesTheLastWholeRow) {
  QTemporaryDir dir;
  const std::string path = dir.path().toStdString() + "/made/log.csv";
  QtFileSystem fileSystem;
  SystemTelemetryFileOpener opener;
  std::unique_ptr<TelemetryCsvLog> log;
  ASSERT_EQ(TelemetryCsvLog::Open(fileSystem, opener, path, 0, log), err::kSuccess);
  ASSERT_EQ(log->Write(Operating(100)), err::kSuccess);
  const std::string oneRow = test::FileContents(path);
  ASSERT_EQ(oneRow, kTelemetryCsvHeader + TelemetryCsvRow(Operating(100), 100));

  const ErrorCode full = test::WhileDiskIsFull([&] { return log->Write(Operating(200)); });
  EXPECT_NE(full, err::kSuccess);
  EXPECT_TRUE(log->Stopped());
  EXPECT_EQ(test::FileContents(path), oneRow);

  // Started again on the same name, the log replaces the file.
  ASSERT_EQ(TelemetryCsvLog::Open(fileSystem, opener, path, 0, log), err::kSuccess);
  EXPECT_EQ(test::FileContents(path), kTelemetryCsvHeader);
}

TEST(SystemTelemetryFileTest, AFolderInTheWayIsReported) {
  QTemporaryDir dir;
  SystemTelemetryFileOpener opener;
  std::unique_ptr<TelemetryFile> file;
  EXPECT_EQ(opener.Create(dir.path().toStdString(), file), err::kAccessDenied);
  EXPECT_EQ(file, nullptr);
}

}  // namespace
}  // namespace vlx
