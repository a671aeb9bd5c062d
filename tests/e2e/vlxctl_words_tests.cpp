// What vlxctl prints about the files it is given: a terminal's words where the window has its
// own, names shown so that they can neither break a line nor steer the terminal, and messages
// whole however long the path in them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "support/CaseNames.h"
#include "support/e2e/FinishedRun.h"
#include "support/e2e/TemporaryFolder.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A path of about 1500 characters below `folder`, its folders made.
fs::path LongFolder(const fs::path& folder) {
  fs::path path = folder;
  for (int i = 0; i < 6; ++i) {
    path /= std::string(240, static_cast<char>('a' + i));
  }
  fs::create_directories(path);
  return path;
}

struct FileCase {
  const char* label;
  // Makes the file in the folder and returns its path as given to vlxctl.
  std::function<std::string(const fs::path&)> make;
  std::vector<std::string> verb;  // the path goes last
  int exitCode;
  std::string err;             // with PATH for the path as shown
  std::string shownPath = "";  // how the path is shown, when not as given
};

class VlxctlFileWords : public ::testing::TestWithParam<FileCase> {};

TEST_P(VlxctlFileWords, TellWhatHappenedInOneLine) {
  const FileCase& c = GetParam();
  TemporaryFolder folder("vlxctl-words");
  const std::string path = c.make(folder.Path());
  std::vector<std::string> arguments = c.verb;
  arguments.push_back(path);
  const Finished run = RunProgram(VLXCTL_PATH, arguments, 20s);
  EXPECT_EQ(run.exitCode, c.exitCode);
  std::string err = c.err;
  const std::string shown =
      c.shownPath.empty() ? path : (fs::path(path).parent_path() / c.shownPath).string();
  err.replace(err.find("PATH"), 4, shown);
  EXPECT_EQ(run.err, err);
}

std::string Write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VlxctlFileWords,
    ::testing::Values(
        FileCase{"FolderAsConfiguration",
                 [](const fs::path& folder) { return folder.string(); },
                 {"config", "show"},
                 2,
                 "vlxctl: \"PATH\": it is a folder, not a file\n"},
        FileCase{"FolderToRestore",
                 [](const fs::path& folder) { return folder.string(); },
                 {"--port", "/dev/null", "config", "restore", "--yes"},
                 2,
                 "vlxctl: \"PATH\": it is a folder, not a file\n"},
        FileCase{"ConfigurationTooLarge",
                 [](const fs::path& folder) {
                   return Write(folder / "big.VLXConfig", std::string(3 << 20, ';'));
                 },
                 {"config", "show"},
                 2,
                 "vlxctl: \"PATH\": the file is larger than any configuration file can be\n"},
        FileCase{
            "EscapeSequenceInAName",
            [](const fs::path& folder) { return (folder / "none\x1B[31m.VLXConfig").string(); },
            {"config", "show"},
            2,
            "vlxctl: \"PATH\": no such file\n",
            "none\\x1B[31m.VLXConfig"},
        FileCase{"LineBreakInAName",
                 [](const fs::path& folder) { return Write(folder / "bad\nname.hex", "x"); },
                 {"hex"},
                 1,
                 "PATH:1: error 0xE2000023: Missing intel hex end-of-file record\n",
                 "bad\\x0Aname.hex"},
        FileCase{"LongPath",
                 [](const fs::path& folder) { return Write(LongFolder(folder) / "bad.hex", "x"); },
                 {"hex"},
                 1,
                 "PATH:1: error 0xE2000023: Missing intel hex end-of-file record\n"}),
    ByLabel());

}  // namespace
}  // namespace vlx::test
