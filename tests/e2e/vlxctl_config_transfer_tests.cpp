// `vlxctl config save` and `vlxctl config restore` against vlx750-sim on a pseudo-terminal: a
// configuration saved from one amplifier and restored into another of the same serial number
// leaves the second one's EEPROM equal to the first's in the configuration range and unchanged
// elsewhere; and the refusals, which send nothing.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/CaseNames.h"
#include "support/FileContents.h"
#include "support/e2e/FinishedRun.h"
#include "support/e2e/SimulatedAmplifier.h"
#include "support/e2e/TemporaryFolder.h"

namespace vlx::test {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kConfigurationBytes = 0xE0;
constexpr std::size_t kRateAddress = 0x0F;  // the simulator keeps its line rate there

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

Finished Vlxctl(const std::string& port, std::vector<std::string> verb) {
  std::vector<std::string> arguments{"--port", port, "--timeout", "20", "config"};
  arguments.insert(arguments.end(), verb.begin(), verb.end());
  return RunProgram(VLXCTL_PATH, arguments);
}

// Saves the configuration of an amplifier made up for serial number 1234, and its EEPROM.
struct SavedAmplifier {
  explicit SavedAmplifier(const TemporaryFolder& folder) {
    dump = folder.Path() / "first.eeprom";
    SimulatedAmplifier amplifier({"--dump-eeprom", dump.string()});
    EXPECT_TRUE(amplifier.Ready());
    run = Vlxctl(amplifier.Link(), {"save", folder.Path().string()});
  }
  fs::path dump;
  Finished run;
};

fs::path OnlyConfigurationFile(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".VLXConfig") {
      return entry.path();
    }
  }
  return {};
}

TEST(VlxctlConfigTransfer, SavedFromOneAmplifierAndRestoredIntoAnother) {
  TemporaryFolder folder("vlxctl-config-transfer");
  SavedAmplifier first(folder);
  ASSERT_EQ(first.run.exitCode, 0) << first.run.err;
  const fs::path saved = OnlyConfigurationFile(folder.Path());
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(saved.filename().string().rfind("SN01234.", 0), 0u);
  EXPECT_EQ(first.run.out, "saved " + saved.string() + "\n");  // what a script takes from it
  const std::string firstEeprom = FileContents(first.dump);
  ASSERT_EQ(firstEeprom.size(), 1024u);

  // A second unit of the same serial number holding other settings.
  std::string otherEeprom = firstEeprom;
  for (std::size_t a = 0; a < kConfigurationBytes; ++a) {
    if (a != kRateAddress) {
      otherEeprom[a] = static_cast<char>(otherEeprom[a] ^ 0x5A);
    }
  }
  const fs::path load = folder.Path() / "second.eeprom";
  const fs::path after = folder.Path() / "second-after.eeprom";
  WriteAll(load, otherEeprom);
  {
    SimulatedAmplifier second({"--load-eeprom", load.string(), "--dump-eeprom", after.string()});
    ASSERT_TRUE(second.Ready());
    const Finished restore = Vlxctl(second.Link(), {"restore", "--yes", saved.string()});
    EXPECT_EQ(restore.exitCode, 0) << restore.err;
    EXPECT_NE(restore.err.find("Configuration was restored"), std::string::npos) << restore.err;
    // A scripted restore's record names what went in.
    EXPECT_NE(
        restore.err.find("File:          " + saved.string() + "\nSerial number: 01234\nSaved:"),
        std::string::npos)
        << restore.err;
  }
  const std::string restored = FileContents(after);
  ASSERT_EQ(restored.size(), 1024u);
  EXPECT_EQ(restored.substr(0, kConfigurationBytes), firstEeprom.substr(0, kConfigurationBytes));
  EXPECT_EQ(restored.substr(kConfigurationBytes), otherEeprom.substr(kConfigurationBytes));

  // The same name again is refused without --force, and replaced with it.
  SimulatedAmplifier third({});
  ASSERT_TRUE(third.Ready());
  const Finished refused = Vlxctl(third.Link(), {"save", saved.string()});
  EXPECT_EQ(refused.exitCode, 2) << refused.err;
  EXPECT_NE(refused.err.find("--force"), std::string::npos);
  const Finished forced = Vlxctl(third.Link(), {"save", "--force", saved.string()});
  EXPECT_EQ(forced.exitCode, 0) << forced.err;
}

// Restores refused before anything is written: the file, the missing confirmation, another
// unit's file.
TEST(VlxctlConfigTransfer, RefusedRestoresWriteNothing) {
  TemporaryFolder folder("vlxctl-config-refusals");
  SavedAmplifier first(folder);
  ASSERT_EQ(first.run.exitCode, 0) << first.run.err;
  const fs::path saved = OnlyConfigurationFile(folder.Path());
  const fs::path altered = folder.Path() / "altered.VLXConfig";
  std::string text = FileContents(saved);
  text[text.find("MEM2 00 00 20 ") + 14] ^= 1;
  WriteAll(altered, text);

  const fs::path after = folder.Path() / "other-after.eeprom";
  {
    SimulatedAmplifier other({"--serial", "4321", "--dump-eeprom", after.string()});
    ASSERT_TRUE(other.Ready());

    const Finished bad = Vlxctl(other.Link(), {"restore", "--yes", altered.string()});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("The configuration file has been altered after it was saved."),
              std::string::npos)
        << bad.err;

    const Finished unconfirmed = Vlxctl(other.Link(), {"restore", saved.string()});
    EXPECT_EQ(unconfirmed.exitCode, 2);
    EXPECT_NE(unconfirmed.err.find("--yes"), std::string::npos) << unconfirmed.err;

    const Finished otherUnit = Vlxctl(other.Link(), {"restore", "--yes", saved.string()});
    EXPECT_EQ(otherUnit.exitCode, 2);
    EXPECT_NE(otherUnit.err.find("Restore cannot continue."), std::string::npos) << otherUnit.err;
    EXPECT_NE(otherUnit.err.find("--other-serial"), std::string::npos);
  }
  const std::string eeprom = FileContents(after);
  ASSERT_EQ(eeprom.size(), 1024u);
  // Nothing of the first unit's configuration reached this one.
  EXPECT_NE(eeprom.substr(0, kConfigurationBytes),
            FileContents(first.dump).substr(0, kConfigurationBytes));
}

// A restore that stops says what the amplifier holds; exit 3 when part of the file is written,
// 1 when none or all of it is.
struct StoppedRestoreCase {
  const char* label;
  std::vector<std::string> simulatorOptions;
  int exitCode;
  const char* told;
};

class VlxctlStoppedRestore : public ::testing::TestWithParam<StoppedRestoreCase> {};

TEST_P(VlxctlStoppedRestore, SaysWhatTheAmplifierHolds) {
  const StoppedRestoreCase& c = GetParam();
  TemporaryFolder folder("vlxctl-config-stopped");
  SavedAmplifier first(folder);
  ASSERT_EQ(first.run.exitCode, 0) << first.run.err;
  const fs::path saved = OnlyConfigurationFile(folder.Path());

  SimulatedAmplifier failing(c.simulatorOptions);
  ASSERT_TRUE(failing.Ready());
  const Finished restore = Vlxctl(failing.Link(), {"restore", "--yes", saved.string()});
  EXPECT_EQ(restore.exitCode, c.exitCode) << restore.err;
  EXPECT_NE(restore.err.find("Failed to restore configuration"), std::string::npos) << restore.err;
  EXPECT_NE(restore.err.find(c.told), std::string::npos) << restore.err;
}

INSTANTIATE_TEST_SUITE_P(
    Stops, VlxctlStoppedRestore,
    ::testing::Values(StoppedRestoreCase{"SilentFromTheFirstBlock",
                                         {"--command-fault", "silence:^EW"},
                                         1,
                                         "The restore stopped before any byte was written. The "
                                         "VLX holds the configuration it held before."},
                      StoppedRestoreCase{"SilentAfterTheFirstBlock",
                                         {"--command-fault", "silence:^EW:1"},
                                         3,
                                         "The restore stopped after 64 of 224 bytes were written."},
                      StoppedRestoreCase{
                          "SilentAfterTheReload",
                          {"--silent-after-reload"},
                          1,
                          "vlxctl: all 224 bytes were written, but the VLX750 did not answer "
                          "after reloading them; check it, then run 'vlxctl info'\n"}),
    ByLabel());

}  // namespace
}  // namespace vlx::test
