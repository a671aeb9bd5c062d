// What vlxctl can judge without the amplifier it judges before the port is opened: a firmware
// file that cannot load, a missing --yes where no one can be asked, and a destination a save
// could not write. Each is told in one line, and the simulator records that nothing arrived.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/e2e/FinishedRun.h"
#include "support/e2e/MadeFirmware.h"
#include "support/e2e/ScopedDataFolders.h"
#include "support/e2e/SimulatedAmplifier.h"
#include "support/e2e/TemporaryFolder.h"

namespace vlx::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Refusal {
  std::vector<std::string> arguments;  // after --port and --timeout
  int exitCode;
  std::string says;  // a part of the one line on stderr
};

struct CheckedFirstCase {
  const char* label;
  // Lays out what the case needs under `root`; nothing when this run cannot (as root, every
  // folder is writable).
  std::optional<Refusal> (*make)(const fs::path& root);
};

std::string Text(const fs::path& path) {
  return path.string();
}

// A firmware file whose second record is damaged.
fs::path Malformed(const fs::path& folder, const std::string& name) {
  fs::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary) << ":020000040000FA\n:10080000FFFF\n";
  return folder / name;
}

const CheckedFirstCase kCases[] = {
    {"MissingFirmwareFile",
     [](const fs::path& root) -> std::optional<Refusal> {
       const fs::path file = root / "VLX750fp0124.hex";
       return Refusal{{"firmware", "load", "--yes", Text(file)}, 1, Text(file) + ": error 0x"};
     }},
    {"FirmwareFileThatIsAFolder",
     [](const fs::path& root) -> std::optional<Refusal> {
       const fs::path file = root / "VLX750fp0124.hex";
       fs::create_directory(file);
       return Refusal{{"firmware", "load", "--yes", Text(file)}, 1, Text(file) + ": error 0x"};
     }},
    {"MalformedFirmwareFile",
     [](const fs::path& root) -> std::optional<Refusal> {
       const fs::path file = Malformed(root, "VLX750fp0124.hex");
       return Refusal{{"firmware", "load", "--yes", Text(file)}, 1, Text(file) + ":2: error 0x"};
     }},
    {"FirmwareFileTooLarge",
     [](const fs::path& root) -> std::optional<Refusal> {
       const fs::path file = root / "VLX750fp0124.hex";
       std::ofstream(file, std::ios::binary).close();
       fs::resize_file(file, 17 * 1024 * 1024);
       return Refusal{
           {"firmware", "load", "--yes", Text(file)}, 1, Text(file) + ": error 0x000000DF"};
     }},
    {"NewestOfTheFolderMalformed",
     [](const fs::path& root) -> std::optional<Refusal> {
       const fs::path folder = ScopedDataFolders::FirmwareFolder(root);
       MakeFirmware(folder, 123);
       const fs::path newest = Malformed(folder, "VLX750fp0124.hex");
       return Refusal{{"firmware", "load", "--yes"}, 1, Text(newest) + ":2: error 0x"};
     }},
    {"NoFileInTheFirmwareFolder",
     [](const fs::path& root) -> std::optional<Refusal> {
       fs::create_directories(ScopedDataFolders::FirmwareFolder(root));
       return Refusal{{"firmware", "load", "--yes"}, 1, "holds no firmware file"};
     }},
    {"FirmwareLoadWithoutYesAndNoTerminal",
     [](const fs::path& root) -> std::optional<Refusal> {
       const std::string file = MakeFirmware(root, 124);
       return Refusal{{"firmware", "load", file}, 2, "give --yes to load without being asked"};
     }},
    {"ConfigSaveIntoAMissingFolder",
     [](const fs::path& root) -> std::optional<Refusal> {
       const fs::path file = root / "missing" / "saved.VLXConfig";
       return Refusal{{"config", "save", Text(file)}, 2, "does not exist"};
     }},
    {"ConfigSaveOverAFileWithoutForce",
     [](const fs::path& root) -> std::optional<Refusal> {
       const fs::path file = root / "saved.VLXConfig";
       std::ofstream(file, std::ios::binary) << "old";
       return Refusal{{"config", "save", Text(file)}, 2, "exists; add --force to replace it"};
     }},
    {"FaultsSaveIntoAMissingFolder",
     [](const fs::path& root) -> std::optional<Refusal> {
       const fs::path file = root / "missing" / "saved.VLXFaultTable";
       return Refusal{{"faults", "--save", Text(file)}, 2, "does not exist"};
     }},
    {"FaultsSaveOverAFileWithoutForce",
     [](const fs::path& root) -> std::optional<Refusal> {
       const fs::path file = root / "saved.VLXFaultTable";
       std::ofstream(file, std::ios::binary) << "old";
       return Refusal{{"faults", "--save", Text(file)}, 2, "exists; add --force to replace it"};
     }},
    {"SaveIntoAFolderThatTakesNoFiles",
     [](const fs::path& root) -> std::optional<Refusal> {
       if (::geteuid() == 0) {
         return std::nullopt;
       }
       const fs::path folder = root / "read-only";
       fs::create_directory(folder);
       fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
       return Refusal{{"config", "save", "--force", Text(folder)}, 2, "cannot write into"};
     }},
};

// What reached the simulated amplifier: its log of every byte that arrived, once it has ended.
std::string Arrived(SimulatedAmplifier& amplifier) {
  amplifier.Process().Signal(SIGTERM);
  amplifier.Process().WaitForExit(5s);
  std::string arrived;
  const std::string& log = amplifier.Process().Stderr();
  for (auto at = log.find("<- "); at != std::string::npos; at = log.find("<- ", at + 1)) {
    arrived += log.substr(at, log.find('\n', at) - at) + "\n";
  }
  return arrived;
}

std::vector<std::string> OnThePort(const SimulatedAmplifier& amplifier,
                                   const std::vector<std::string>& arguments) {
  std::vector<std::string> all{"--port", amplifier.Link(), "--timeout", "5"};
  all.insert(all.end(), arguments.begin(), arguments.end());
  return all;
}

class VlxctlCheckedFirst : public ::testing::TestWithParam<CheckedFirstCase> {};

TEST_P(VlxctlCheckedFirst, RefusesInOneLineAndSendsNothing) {
  TemporaryFolder root(std::string("vlxctl-checked-first-") + GetParam().label);
  const ScopedDataFolders folders(root.Path());
  const std::optional<Refusal> refusal = GetParam().make(root.Path());
  if (!refusal) {
    GTEST_SKIP() << "this run cannot lay out the case";
  }
  SimulatedAmplifier amplifier({"--verbose"});
  ASSERT_TRUE(amplifier.Ready());

  const Finished run = RunProgram(VLXCTL_PATH, OnThePort(amplifier, refusal->arguments));

  EXPECT_EQ(run.exitCode, refusal->exitCode) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_NE(run.err.find(refusal->says), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(Arrived(amplifier), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, VlxctlCheckedFirst, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.label); });

// The record the cases rely on: a run that does talk to the amplifier shows in it.
TEST(VlxctlCheckedFirstLog, RecordsWhatArrives) {
  SimulatedAmplifier amplifier({"--verbose"});
  ASSERT_TRUE(amplifier.Ready());
  const Finished info = RunProgram(VLXCTL_PATH, OnThePort(amplifier, {"info"}));
  EXPECT_EQ(info.exitCode, 0) << info.err;
  EXPECT_NE(Arrived(amplifier).find("<- "), std::string::npos);
}

}  // namespace
}  // namespace vlx::test
