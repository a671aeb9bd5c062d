// The telemetry log: its rows parse back, its names and times, and a failing write that leaves
// the file at its last whole row and stops the log, told once to its owner.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FakeFileSystem.h"
#include "MemoryTelemetryFiles.h"
#include "VirtualTime.h"
#include "faults/FaultRecord.h"
#include "operate/TelemetryCsvLog.h"
#include "operate/TelemetryRecorder.h"
#include "report/ErrorText.h"

namespace vlx {
namespace {

using test::FakeFileSystem;
using test::MemoryFile;
using test::MemoryOpener;
using test::VirtualTime;

// RFC 4180 read back: rows end in CRLF, quoted fields may hold commas, quotes (doubled) and line
// breaks. An empty vector marks a malformed text.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '"') {
      for (++i;; ++i) {
        if (i >= text.size())
          return {};
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            ++i;
          } else {
            ++i;
            break;
          }
        } else {
          field += text[i];
        }
      }
    }
    if (text.compare(i, 2, "\r\n") == 0) {
      row.push_back(field);
      rows.push_back(row);
      row.clear();
      field.clear();
      i += 2;
    } else if (text[i] == ',') {
      row.push_back(field);
      field.clear();
      ++i;
    } else if (text[i] == '"' || text[i] == '\r' || text[i] == '\n') {
      return {};
    } else {
      field += text[i++];
    }
  }
  return row.empty() && field.empty() ? rows : std::vector<std::vector<std::string>>{};
}

const LocalTime kTime{2026, 12, 10, 19, 55, 47, 123, 60};

TelemetrySample Operating(std::uint32_t tick) {
  TelemetrySample sample;
  sample.time = kTime;
  sample.tick = tick;
  sample.deviceState = device_state::kOperating;
  sample.readings = OperateReadings{5, 1, 0x23, 512, 13, 41, 724, 185};
  return sample;
}

TEST(TelemetryCsvTest, ARowOfEachKindParsesBack) {
  TelemetrySample standby = Operating(0);
  standby.readings = OperateReadings{99, 0, 0, 0, 10, 35, 730, 5};
  TelemetrySample loader;
  loader.time = kTime;
  loader.deviceState = device_state::kWaitingInLoader;
  TelemetrySample failed;
  failed.time = kTime;
  failed.error = err::kNoResponseToWriteEepromBlock;
  // A text with a comma and a quote must come back whole.
  const std::string errorText = FormatErrorText(failed.error);

  const std::string text = std::string(kTelemetryCsvHeader) + TelemetryCsvRow(Operating(0), 1500) +
                           TelemetryCsvRow(standby, 2000) + TelemetryCsvRow(loader, 62001) +
                           TelemetryCsvRow(failed, 3600000);
  const auto rows = ParseCsv(text);
  ASSERT_EQ(rows.size(), 5u) << text;
  using Row = std::vector<std::string>;
  EXPECT_EQ(rows[0],
            (Row{"time", "elapsed_s", "device_state", "band_mhz", "mode", "fault_code", "fault",
                 "power_w", "swr", "temperature_c", "pa_voltage_v", "pa_current_a", "error"}));
  const std::string time = "2026-12-10T19:55:47.123+01:00";
  EXPECT_EQ(rows[1], (Row{time, "1.500", "3", "14", "OPER", "35", CurrentFaultText(0x23), "512",
                          "1.3", "41", "72.4", "18.5", ""}));
  EXPECT_EQ(rows[2],
            (Row{time, "2.000", "3", "", "STBY", "0", "", "0", "1.0", "35", "73.0", "0.5", ""}));
  EXPECT_EQ(rows[3], (Row{time, "62.001", "2", "", "OFF", "", "", "", "", "", "", "", ""}));
  EXPECT_EQ(rows[4], (Row{time, "3600.000", "0", "", "", "", "", "", "", "", "", "", errorText}));
  EXPECT_FALSE(errorText.empty());
}

TEST(TelemetryCsvTest, FieldsWithCommasQuotesAndLineBreaksAreQuoted) {
  InstallSystemErrorTexts([](ErrorCode) { return std::string("disk \"A\", gone\r\nnow"); });
  TelemetrySample failed;
  failed.error = 1117;
  const auto rows = ParseCsv(TelemetryCsvRow(failed, 0));
  InstallSystemErrorTexts(nullptr);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].back(), "disk \"A\", gone\r\nnow");
}

TEST(TelemetryCsvTest, TimesCarryMillisecondsAndTheOffset) {
  const struct {
    LocalTime time;
    const char* text;
  } cases[] = {
      {kTime, "2026-12-10T19:55:47.123+01:00"},
      {{2027, 1, 2, 3, 4, 5, 7, 0}, "2027-01-02T03:04:05.007+00:00"},
      {{2026, 6, 30, 23, 59, 59, 999, -330}, "2026-06-30T23:59:59.999-05:30"},
      {{2026, 6, 30, 0, 0, 0, 0, 765}, "2026-06-30T00:00:00.000+12:45"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TelemetryTimeText(c.time), c.text);
  }
}

TEST(TelemetryCsvTest, TheFileNameNamesTheSerialNumberOnlyWhenItIsKnown) {
  EXPECT_EQ(TelemetryLogFileName(42, kTime), "SN00042.20261210T195547.csv");
  EXPECT_EQ(TelemetryLogFileName(0, kTime), "SN00000.20261210T195547.csv");
  EXPECT_EQ(TelemetryLogFileName(kUnknownSerialNumber, kTime), "20261210T195547.csv");
}

class TelemetryLogTest : public ::testing::Test {
 protected:
  TelemetryLogTest() { files.AddDirectory("/logs"); }

  FakeFileSystem files;
  MemoryOpener opener;
  VirtualTime time;
  TelemetryRecorder recorder{time, files, opener};
};

TEST_F(TelemetryLogTest, AFailingWriteCutsBackToTheLastRowAndStopsTheLogOnce) {
  std::vector<std::pair<std::string, ErrorCode>> failures;
  recorder.SetLogFailureHandler(
      [&](const std::string& path, ErrorCode code) { failures.emplace_back(path, code); });
  ASSERT_EQ(recorder.StartLog("/logs/a.csv"), err::kSuccess);
  recorder.OnSample(Operating(100));
  recorder.OnSample(Operating(200));
  EXPECT_EQ(recorder.LogRows(), 2u);

  for (const ErrorCode error : {err::kDiskFull, err::kWriteFault}) {
    SCOPED_TRACE(error);
    MemoryFile& file = opener.files["/logs/a.csv"];
    const std::string twoRows = file.bytes;
    file.failAppend = error;
    file.bytesBeforeFailure = 17;
    recorder.OnSample(Operating(300));
    EXPECT_EQ(file.bytes, twoRows);
    EXPECT_FALSE(recorder.Logging());
    EXPECT_EQ(recorder.LogRows(), 0u);
    recorder.OnSample(Operating(400));
    EXPECT_EQ(file.bytes, twoRows) << "a stopped log writes nothing more";

    file.failAppend = err::kSuccess;
    ASSERT_EQ(recorder.StartLog("/logs/a.csv"), err::kSuccess);
    recorder.OnSample(Operating(500));
    recorder.OnSample(Operating(600));
  }
  EXPECT_EQ(failures, (std::vector<std::pair<std::string, ErrorCode>>{
                          {"/logs/a.csv", err::kDiskFull}, {"/logs/a.csv", err::kWriteFault}}));
  EXPECT_EQ(recorder.History().Size(), 10u) << "the history keeps every run whatever the log did";
  EXPECT_NE(TelemetryLogStoppedText("/logs/a.csv", err::kDiskFull).find("/logs/a.csv"),
            std::string::npos);
}

TEST_F(TelemetryLogTest, ElapsedTimeCountsFromTheStartAcrossTheTickWrap) {
  time.RunFor(0xFFFFFC18u);  // one second before the tick count wraps
  ASSERT_EQ(recorder.StartLog("/logs/b.csv"), err::kSuccess);
  recorder.OnSample(Operating(500));
  recorder.OnSample(Operating(1500));
  const auto rows = ParseCsv(opener.files["/logs/b.csv"].bytes);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1][1], "1.500");
  EXPECT_EQ(rows[2][1], "2.500");
}

TEST_F(TelemetryLogTest, StartingMakesTheFolderAndReportsWhatFails) {
  ASSERT_EQ(recorder.StartLog("/logs/new/deeper/c.csv"), err::kSuccess);
  EXPECT_TRUE(files.IsDirectory("/logs/new/deeper"));
  EXPECT_EQ(opener.files["/logs/new/deeper/c.csv"].bytes, kTelemetryCsvHeader);
  EXPECT_EQ(recorder.LogPath(), "/logs/new/deeper/c.csv");

  files.FailCreationOf("/logs/other", err::kAccessDenied);
  EXPECT_EQ(recorder.StartLog("/logs/other/d.csv"), err::kAccessDenied);
  EXPECT_FALSE(recorder.Logging()) << "a failed start leaves no log, not even the one before";
  EXPECT_FALSE(opener.files.contains("/logs/other/d.csv"));

  opener.createError = err::kAccessDenied;
  EXPECT_EQ(recorder.StartLog("/logs/e.csv"), err::kAccessDenied);

  opener.createError = err::kSuccess;
  opener.files["/logs/f.csv"].failAppend = err::kDiskFull;
  opener.files["/logs/f.csv"].bytesBeforeFailure = 5;
  EXPECT_EQ(recorder.StartLog("/logs/f.csv"), err::kDiskFull);
  EXPECT_EQ(opener.files["/logs/f.csv"].bytes, "") << "no half header is left behind";
  EXPECT_FALSE(recorder.Logging());
}

}  // namespace
}  // namespace vlx
