// vlxctl monitor through QSerialPort against vlx750-sim: lines of readings, the telemetry log
// beside them, a pulled adapter, a reader that goes away and the signals that end it.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/CaseNames.h"
#include "support/e2e/SimulatedAmplifier.h"
#include "support/e2e/TemporaryFolder.h"
#include "support/process/ChildProcess.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const char* const kHeader = "time band_mhz mode fault power_w swr temp_c pa_v pa_a";
const char* const kCsvHeader =
    "time,elapsed_s,device_state,band_mhz,mode,fault_code,fault,power_w,swr,temperature_c,"
    "pa_voltage_v,pa_current_a,error";
const std::regex kTime(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)");

std::vector<std::string> Monitor(const std::string& port, std::vector<std::string> extra) {
  std::vector<std::string> arguments{"--port", port, "--timeout", "20", "monitor"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  return arguments;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> Tokens(const std::string& line) {
  std::vector<std::string> tokens;
  std::istringstream in(line);
  for (std::string token; in >> token;) {
    tokens.push_back(token);
  }
  return tokens;
}

// The log's rows as RFC 4180 has them: quoted fields may hold commas, quotes and line breaks;
// every record ends in CRLF. A file that does not end in a whole record fails the test.
std::vector<std::vector<std::string>> CsvRecords(const std::string& text) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      record.push_back(field);
      field.clear();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      record.push_back(field);
      records.push_back(record);
      record.clear();
      field.clear();
      ++i;
    } else {
      field += c;
    }
  }
  EXPECT_TRUE(record.empty() && field.empty() && !quoted) << "the log ends in a partial row";
  return records;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

double Number(const std::string& token) {
  return std::strtod(token.c_str(), nullptr);
}

// The readings of a line, where it has them, are what a VLX750 can show.
void ExpectPlausible(const std::vector<std::string>& tokens) {
  ASSERT_EQ(tokens.size(), 9u);
  EXPECT_LE(Number(tokens[4]), 1500) << "power_w";
  EXPECT_GE(Number(tokens[5]), 1.0) << "swr";
  EXPECT_LE(Number(tokens[5]), 10.0) << "swr";
  EXPECT_GE(Number(tokens[6]), 0) << "temp_c";
  EXPECT_LE(Number(tokens[6]), 100) << "temp_c";
  EXPECT_GT(Number(tokens[7]), 20) << "pa_v";
  EXPECT_LT(Number(tokens[7]), 80) << "pa_v";
  EXPECT_LE(Number(tokens[8]), 60) << "pa_a";
}

// What a few runs print for an amplifier in one state, and the rows the log holds for them.
struct ReadingCase {
  std::string label;
  std::vector<std::string> simulatorOptions;
  std::string band;  // the line's tokens 1 to 3
  std::string mode;
  std::string fault;
  bool keyed;  // output power above zero
};

void PrintTo(const ReadingCase& reading, std::ostream* out) {
  *out << reading.label;
}

class MonitorReadings : public ::testing::TestWithParam<ReadingCase> {};

TEST_P(MonitorReadings, PrintsALinePerRunAndTheLogHoldsTheSameRows) {
  const ReadingCase& reading = GetParam();
  SimulatedAmplifier amplifier(reading.simulatorOptions);
  ASSERT_TRUE(amplifier.Ready());
  TemporaryFolder folder("vlxctl-monitor-e2e");
  const fs::path log = folder.Path() / "new folder" / "log.csv";

  ChildProcess vlxctl(VLXCTL_PATH, Monitor(amplifier.Link(), {"--count", "3", "--interval", "100",
                                                              "--csv", log.string()}));
  ASSERT_EQ(vlxctl.WaitForExit(30s), 0) << vlxctl.Stderr();

  const std::vector<std::string> lines = Lines(vlxctl.Stdout());
  ASSERT_EQ(lines.size(), 4u) << vlxctl.Stdout();
  EXPECT_EQ(lines[0], kHeader);
  const std::vector<std::vector<std::string>> rows = CsvRecords(ReadFile(log));
  ASSERT_EQ(rows.size(), 4u) << ReadFile(log);
  std::ostringstream header;
  for (std::size_t i = 0; i < rows[0].size(); ++i) {
    header << (i > 0 ? "," : "") << rows[0][i];
  }
  EXPECT_EQ(header.str(), kCsvHeader);

  for (std::size_t i = 1; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    const std::vector<std::string> tokens = Tokens(lines[i]);
    ASSERT_EQ(tokens.size(), 9u);
    EXPECT_TRUE(std::regex_match(tokens[0], kTime));
    EXPECT_EQ(tokens[1], reading.band);
    EXPECT_EQ(tokens[2], reading.mode);
    EXPECT_EQ(tokens[3], reading.fault);
    if (reading.mode == "OFF") {
      EXPECT_EQ(lines[i], tokens[0] + " - OFF - - - - - -");
    } else {
      ExpectPlausible(tokens);
      EXPECT_EQ(Number(tokens[4]) > 0, reading.keyed) << "power_w";
    }

    // The same run in the log: its time, and each reading the line shows ("-": empty).
    const std::vector<std::string>& row = rows[i];
    ASSERT_EQ(row.size(), 13u);
    EXPECT_EQ(row[0], tokens[0]);
    EXPECT_EQ(row[12], "") << "error";
    const std::size_t columns[] = {3, 4, 0, 7, 8, 9, 10, 11};  // band_mhz .. pa_current_a
    for (std::size_t token = 1; token < tokens.size(); ++token) {
      if (token == 3) {
        continue;  // the line has the fault's code as the page shows it, the log its number
      }
      EXPECT_EQ(row[columns[token - 1]], tokens[token] == "-" ? "" : tokens[token]) << token;
    }
    // The log's fault text opens with the code the line shows; "no fault" ("00") and "not read"
    // ("-") are both empty there, told apart by the fault code column.
    const bool noFault = reading.fault == "00";
    EXPECT_EQ(row[6].substr(0, row[6].find(' ')),
              reading.fault == "-" || noFault ? "" : reading.fault);
    EXPECT_EQ(row[5] == "0", noFault) << "fault_code";
  }
}

INSTANTIATE_TEST_SUITE_P(
    States, MonitorReadings,
    ::testing::Values(
        ReadingCase{"OperatingAndKeyed",
                    {"--operate", "--key", "on", "--band", "3"},
                    "7",
                    "OPER",
                    "00",
                    true},
        ReadingCase{"Standby", {"--standby", "--band", "10"}, "50", "STBY", "00", false},
        // The fault byte carries the band in its high four bits; the page shows the code.
        ReadingCase{"Tripped", {"--fault", "6", "--band", "5"}, "14", "STBY", "06", false},
        ReadingCase{"NoFaultReadAsFF", {"--no-fault-reads-ff"}, "14", "STBY", "FF", false},
        ReadingCase{"SwitchedOff", {"--off"}, "-", "OFF", "-", false}),
    ByLabel{});

// Pulled while it polls: the failure goes to stderr and into the log once (not at every poll
// while the adapter is out), vlxctl says it waits, and lines resume once the adapter is back;
// SIGTERM then ends it with exit 0 and the log whole.
TEST(VlxctlMonitor, AdapterPulledAndPutBackDuringMonitorResumesTheLines) {
  SimulatedAmplifier amplifier({"--operate", "--key", "on"});
  ASSERT_TRUE(amplifier.Ready());
  TemporaryFolder folder("vlxctl-monitor-e2e");
  const fs::path log = folder.Path() / "log.csv";
  ChildProcess vlxctl(VLXCTL_PATH, Monitor(amplifier.Link(), {"--interval", "200", "--csv",
                                                              log.string(), "--no-header"}));
  ASSERT_TRUE(vlxctl.WaitForStdout(" OPER ", 20s)) << vlxctl.Stderr();

  amplifier.Process().Signal(SIGUSR1);
  ASSERT_TRUE(vlxctl.WaitForStderr("to come back (Ctrl+C to stop)", 10s)) << vlxctl.Stderr();
  std::this_thread::sleep_for(1s);
  const std::size_t linesWhilePulled = Lines(vlxctl.Stdout()).size();
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(Lines(vlxctl.Stdout()).size(), linesWhilePulled);  // nothing printed while it is out

  amplifier.Process().Signal(SIGUSR2);
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (Lines(vlxctl.Stdout()).size() < linesWhilePulled + 3 &&
         std::chrono::steady_clock::now() < deadline) {
    vlxctl.WaitForStdout("\n\n", 200ms);  // reads what has come meanwhile
  }
  ASSERT_GE(Lines(vlxctl.Stdout()).size(), linesWhilePulled + 3) << vlxctl.Stderr();

  vlxctl.Signal(SIGTERM);
  ASSERT_EQ(vlxctl.WaitForExit(10s), 0) << vlxctl.Stderr();
  // The port watch alone picks the port up again: nothing tries to open it while it is away.
  EXPECT_EQ(vlxctl.Stderr().find("Unable to open"), std::string::npos) << vlxctl.Stderr();
  const std::string text = ReadFile(log);
  const std::vector<std::vector<std::string>> rows = CsvRecords(text);
  ASSERT_FALSE(rows.empty());
  int failed = 0;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 13u);
    failed += rows[i][12].empty() ? 0 : 1;
  }
  EXPECT_EQ(failed, 1) << text;  // the run that met the pulled adapter
  int failuresTold = 0;
  for (const std::string& line : Lines(vlxctl.Stderr())) {
    failuresTold += std::regex_search(line, kTime) ? 1 : 0;
  }
  EXPECT_EQ(failuresTold, 1) << vlxctl.Stderr();
  EXPECT_EQ(rows.size() - 1 - failed, Lines(vlxctl.Stdout()).size()) << text;
  for (const std::string& line : Lines(vlxctl.Stdout())) {
    ExpectPlausible(Tokens(line));
  }
}

// Ctrl+C while it runs ends it with exit 0 and a log that holds every printed run, whole.
TEST(VlxctlMonitor, InterruptEndsItWithTheLogWhole) {
  SimulatedAmplifier amplifier({"--operate"});
  ASSERT_TRUE(amplifier.Ready());
  TemporaryFolder folder("vlxctl-monitor-e2e");
  const fs::path log = folder.Path() / "log.csv";
  ChildProcess vlxctl(VLXCTL_PATH,
                      Monitor(amplifier.Link(), {"--interval", "100", "--csv", log.string()}));
  ASSERT_TRUE(vlxctl.WaitForStdout(" OPER ", 20s)) << vlxctl.Stderr();
  std::this_thread::sleep_for(500ms);

  vlxctl.Signal(SIGINT);
  ASSERT_EQ(vlxctl.WaitForExit(10s), 0) << vlxctl.Stderr();
  const std::vector<std::vector<std::string>> rows = CsvRecords(ReadFile(log));
  EXPECT_EQ(rows.size(), Lines(vlxctl.Stdout()).size());  // the headers, and a row per line
}

// `vlxctl monitor | head -1`: head takes the header and goes; the next line meets the closed
// pipe, and vlxctl ends at once with exit 0, saying nothing about it.
TEST(VlxctlMonitor, AReaderThatGoesAwayEndsItQuietly) {
  SimulatedAmplifier amplifier({});
  ASSERT_TRUE(amplifier.Ready());
  TemporaryFolder folder("vlxctl-monitor-e2e");
  const fs::path err = folder.Path() / "stderr";
  const std::string script = std::string("'") + VLXCTL_PATH + "' --port '" + amplifier.Link() +
                             "' --timeout 20 monitor --interval 100 2>'" + err.string() +
                             "' | head -1; echo \"exit ${PIPESTATUS[0]}\"";
  ChildProcess shell("/bin/bash", {"-c", script});
  ASSERT_EQ(shell.WaitForExit(30s), 0) << shell.Stderr();
  EXPECT_EQ(shell.Stdout(), std::string(kHeader) + "\nexit 0\n");
  // Only the search's status lines, which come before any reading.
  const std::string said = ReadFile(err);
  for (const std::string& line : Lines(said)) {
    EXPECT_TRUE(line == "Serial Port " + amplifier.Link() + " is open" ||
                line.starts_with("Attempting to contact VLX on port "))
        << said;
  }
}

TEST(VlxctlMonitor, NoAmplifierWithinTheTimeoutFailsWithoutAHeader) {
  SimulatedAmplifier amplifier({"--silent"});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, {"--port", amplifier.Link(), "--timeout", "1", "monitor"});
  EXPECT_EQ(vlxctl.WaitForExit(20s), 1);
  EXPECT_EQ(vlxctl.Stdout(), "");
  EXPECT_NE(vlxctl.Stderr().find("no VLX750 answered"), std::string::npos) << vlxctl.Stderr();
}

// Refused before any port is touched: the port named does not exist.
struct UsageCase {
  std::string label;
  std::vector<std::string> arguments;
  std::string message;  // the first line of stderr
};

void PrintTo(const UsageCase& usage, std::ostream* out) {
  *out << usage.label;
}

class MonitorUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(MonitorUsage, IsRefusedWithExitCode2) {
  const UsageCase& usage = GetParam();
  std::vector<std::string> arguments{"--port", "/tmp/vlx750-e2e-missing", "monitor"};
  arguments.insert(arguments.end(), usage.arguments.begin(), usage.arguments.end());
  ChildProcess vlxctl(VLXCTL_PATH, arguments);
  ASSERT_EQ(vlxctl.WaitForExit(10s), 2) << vlxctl.Stderr();
  EXPECT_EQ(vlxctl.Stderr(), usage.message + "\nRun 'vlxctl help monitor' for more.\n");
  EXPECT_EQ(vlxctl.Stdout(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MonitorUsage,
    ::testing::Values(
        UsageCase{"IntervalBelow100",
                  {"--interval", "99"},
                  "vlxctl: --interval: takes a whole number of milliseconds from 100 to 30000, "
                  "not \"99\""},
        UsageCase{"IntervalAbove30000",
                  {"--interval=30001"},
                  "vlxctl: --interval: takes a whole number of milliseconds from 100 to 30000, "
                  "not \"30001\""},
        UsageCase{"CountZero",
                  {"--count", "0"},
                  "vlxctl: --count: takes a whole number of lines from 1 to 4294967295, not "
                  "\"0\""}),
    ByLabel{});

TEST(VlxctlMonitor, LogThatCannotBeCreatedFailsBeforeTheSearch) {
  TemporaryFolder folder("vlxctl-monitor-e2e");
  const fs::path log = folder.Path() / "log.csv";
  fs::create_directories(log);  // a folder where the file should be
  ChildProcess vlxctl(VLXCTL_PATH,
                      {"--port", "/tmp/vlx750-e2e-missing", "monitor", "--csv", log.string()});
  EXPECT_EQ(vlxctl.WaitForExit(10s), 1);
  EXPECT_NE(vlxctl.Stderr().find("vlxctl: the telemetry log \"" + log.string() +
                                 "\" could not be written: "),
            std::string::npos)
      << vlxctl.Stderr();
  EXPECT_EQ(vlxctl.Stderr().find("Attempting to contact"), std::string::npos);
}

}  // namespace
}  // namespace vlx::test
