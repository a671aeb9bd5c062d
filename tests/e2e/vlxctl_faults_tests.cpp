// `vlxctl faults` against vlx750-sim on a pseudo-terminal: the history listed newest first, the
// file --save writes, and the files it refuses to replace.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/FileContents.h"
#include "support/e2e/FinishedRun.h"
#include "support/e2e/SimulatedAmplifier.h"
#include "support/e2e/TemporaryFolder.h"

namespace vlx::test {
namespace {

namespace fs = std::filesystem;

// An EEPROM whose ring holds two faults: record 0 (the older) and record 1, the next index 2.
std::string TwoFaultEeprom() {
  std::string eeprom(1024, '\xFF');
  eeprom[0xFE] = 2;
  eeprom.replace(0x100, 6, std::string("\x40\xE2\x01\x6F\x34\x12", 6));
  eeprom.replace(0x106, 6, std::string("\x01\x00\x00\x2E\x00\x00", 6));
  return eeprom;
}

std::vector<std::string> SplitLines(const std::string& text, const std::string& end) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(end, from)) != std::string::npos; from = at + end.size()) {
    lines.push_back(text.substr(from, at - from));
  }
  return lines;
}

class VlxctlFaults : public ::testing::Test {
 protected:
  VlxctlFaults() {
    eepromPath_ = folder.Path() / "eeprom.bin";
    std::ofstream(eepromPath_, std::ios::binary) << TwoFaultEeprom();
  }

  Finished Faults(SimulatedAmplifier& amplifier, std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments{"--port", amplifier.Link(), "--timeout", "20", "faults"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunProgram(VLXCTL_PATH, arguments, std::chrono::seconds(60));
  }

  std::vector<std::string> Simulator() const {
    return {"--serial", "1234", "--load-eeprom", eepromPath_.string()};
  }

  TemporaryFolder folder{"vlxctl-faults"};
  fs::path eepromPath_;
};

TEST_F(VlxctlFaults, ListsTheRingNewestFirstAndSavesTheFileIntoAFolder) {
  SimulatedAmplifier amplifier(Simulator());
  ASSERT_TRUE(amplifier.Ready());
  const fs::path saves = folder.Path() / "saves";
  fs::create_directory(saves);

  const Finished run = Faults(amplifier, {"--save", saves.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::vector<fs::path> written(fs::directory_iterator(saves), fs::directory_iterator{});
  ASSERT_EQ(written.size(), 1u);
  // The table, then the file the run created.
  EXPECT_EQ(run.out,
            "Timestamp  Fault Code   Band  Data  Description\n"
            "00000001   0E 270V ERR  160   0000  270V supply failure\n"
            "00123456   0F GAIN ERR   20   1234  Excessive overall amplifier gain\n"
            "saved " +
                written[0].string() + "\n");

  const std::string name = written[0].filename().string();
  EXPECT_EQ(name.substr(0, 8), "SN01234.");
  EXPECT_EQ(name.substr(name.size() - 14), ".VLXFaultTable");
  const std::string text = FileContents(written[0]);
  EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
  const std::vector<std::string> lines = SplitLines(text, "\r\n");
  ASSERT_EQ(lines.size(), 4u + 32u + 1u + 2u) << text;
  EXPECT_EQ(lines[0].substr(0, 26), "*VLX Fault table saved on ");
  EXPECT_EQ(lines[1].substr(0, 23), "VLX Utility Revision = ");
  EXPECT_EQ(lines[3], "VLX Serial Number = 01234");
  EXPECT_EQ(lines[4].substr(0, 9), ":20000000");
  EXPECT_EQ(lines[35].substr(0, 9), ":2003E000");
  EXPECT_EQ(lines[36], ":00000001FF");
  EXPECT_EQ(lines[37], "FAULT 01 0106 00000001 0E 270V ERR   160  0000");
  EXPECT_EQ(lines[38], "FAULT 00 0100 00123456 0F GAIN ERR    20  1234");
}

TEST_F(VlxctlFaults, JsonHoldsTheRingAsNumbersAndTheFileSaved) {
  SimulatedAmplifier amplifier(Simulator());
  ASSERT_TRUE(amplifier.Ready());
  const fs::path target = folder.Path() / "table.VLXFaultTable";

  const Finished run = Faults(amplifier, {"--json", "--save", target.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const QJsonObject report = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
  EXPECT_EQ(report.value("saved").toString().toStdString(), target.string()) << run.out;
  const QJsonArray faults = report.value("faults").toArray();
  ASSERT_EQ(faults.size(), 2) << run.out;
  EXPECT_EQ(faults[0].toObject(), (QJsonObject{{"index", 1},
                                               {"timeStamp", 1},
                                               {"fault", "0E 270V ERR"},
                                               {"band", "160"},
                                               {"data", 0},
                                               {"description", "270V supply failure"}}));
  EXPECT_EQ(faults[1].toObject().value("timeStamp"), 123456);
  EXPECT_EQ(faults[1].toObject().value("data"), 0x1234);
}

TEST_F(VlxctlFaults, ReplacesAnExistingFileOnlyWithForce) {
  const fs::path target = folder.Path() / "old.VLXFaultTable";
  std::ofstream(target, std::ios::binary) << "old";
  {
    // Refused before the port is used: no amplifier is needed to be told.
    const Finished refused =
        RunProgram(VLXCTL_PATH, {"--port", "/dev/null-none", "faults", "--save", target.string()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("exists; add --force to replace it"), std::string::npos)
        << refused.err;
    EXPECT_EQ(refused.err.find("Attempting to contact"), std::string::npos);
    EXPECT_EQ(FileContents(target), "old");
  }
  {
    const Finished refused =
        RunProgram(VLXCTL_PATH, {"--port", "/dev/null-none", "faults", "--save",
                                 (folder.Path() / "missing" / "x.VLXFaultTable").string()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("does not exist"), std::string::npos) << refused.err;
  }
  SimulatedAmplifier amplifier(Simulator());
  ASSERT_TRUE(amplifier.Ready());
  const Finished forced = Faults(amplifier, {"--save", target.string(), "--force"});
  ASSERT_EQ(forced.exitCode, 0) << forced.err;
  EXPECT_EQ(FileContents(target).substr(0, 26), "*VLX Fault table saved on ");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator{}), 2)
      << "a temporary file was left";
}

TEST_F(VlxctlFaults, AmplifierThatStopsAnsweringFailsWithTheError) {
  SimulatedAmplifier amplifier({"--serial", "1234", "--load-eeprom", eepromPath_.string(),
                                "--command-fault", "silence:^ER01"});
  ASSERT_TRUE(amplifier.Ready());
  const fs::path target = folder.Path() / "none.VLXFaultTable";
  const Finished run = Faults(amplifier, {"--save", target.string()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("No response to Read EEPROM block"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(fs::exists(target));
}

}  // namespace
}  // namespace vlx::test
