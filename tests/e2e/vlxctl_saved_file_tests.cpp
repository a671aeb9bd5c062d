// The files vlxctl saves never replace anything but a regular file: a device node, a pipe or a
// symbolic link at the target is refused before the port is used, --force or not, and left as
// it was.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/FileContents.h"
#include "support/e2e/FinishedRun.h"
#include "support/e2e/TemporaryFolder.h"

namespace vlx::test {
namespace {

namespace fs = std::filesystem;

struct TargetKind {
  const char* label;
  // Makes the target in `folder`; false when this run cannot (a device node needs root).
  bool (*make)(const fs::path& folder, const fs::path& target);
};

const TargetKind kTargetKinds[] = {
    {"LinkToARegularFile",
     [](const fs::path& folder, const fs::path& target) {
       std::ofstream(folder / "kept", std::ios::binary) << "old";
       return ::symlink("kept", target.c_str()) == 0;
     }},
    {"DanglingLink",
     [](const fs::path&, const fs::path& target) {
       return ::symlink("nowhere", target.c_str()) == 0;
     }},
    {"Fifo",
     [](const fs::path&, const fs::path& target) { return ::mkfifo(target.c_str(), 0600) == 0; }},
    {"CharacterDevice",
     [](const fs::path&, const fs::path& target) {
       return ::mknod(target.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
     }},
};

struct SavingVerb {
  const char* label;
  std::vector<std::string> (*arguments)(const std::string& target);
};

const SavingVerb kSavingVerbs[] = {
    {"ConfigSave",
     [](const std::string& target) {
       return std::vector<std::string>{"config", "save", "--force", target};
     }},
    {"FaultsSave",
     [](const std::string& target) {
       return std::vector<std::string>{"faults", "--save", target, "--force"};
     }},
};

class VlxctlSavedFile : public ::testing::TestWithParam<std::tuple<SavingVerb, TargetKind>> {};

TEST_P(VlxctlSavedFile, RefusesAnythingButARegularFileBeforeThePort) {
  const auto& [verb, kind] = GetParam();
  TemporaryFolder folder(std::string("vlxctl-saved-") + verb.label + kind.label);
  const fs::path target = folder.Path() / "target";
  if (!kind.make(folder.Path(), target)) {
    GTEST_SKIP() << "cannot make a " << kind.label << " here";
  }
  const fs::file_type before = fs::symlink_status(target).type();

  std::vector<std::string> arguments{"--port", "/dev/null-none"};
  for (const std::string& argument : verb.arguments(target.string())) {
    arguments.push_back(argument);
  }
  const Finished refused = RunProgram(VLXCTL_PATH, arguments);

  EXPECT_EQ(refused.exitCode, 2) << refused.err;
  EXPECT_NE(refused.err.find("is not a regular file; it is never replaced"), std::string::npos)
      << refused.err;
  EXPECT_EQ(refused.err.find("Attempting to contact"), std::string::npos) << refused.err;
  EXPECT_EQ(fs::symlink_status(target).type(), before);
  if (fs::exists(folder.Path() / "kept")) {
    EXPECT_EQ(FileContents((folder.Path() / "kept").string()), "old");
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, VlxctlSavedFile,
                         ::testing::Combine(::testing::ValuesIn(kSavingVerbs),
                                            ::testing::ValuesIn(kTargetKinds)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).label) + "_" +
                                  std::get<1>(info.param).label;
                         });

}  // namespace
}  // namespace vlx::test
