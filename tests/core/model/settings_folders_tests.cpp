// The default data folders and the folder helpers the pages share.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeFileSystem.h"
#include "InMemorySettingsStore.h"
#include "RecordingSinks.h"
#include "model/DataFolders.h"
#include "model/FileChoice.h"

namespace vlx {
namespace {

using test::FakeFileSystem;
using test::InMemorySettingsStore;
using test::ScriptedPrompts;

TEST(PathHelpersTest, JoinPath) {
  struct Case {
    const char* folder;
    const char* name;
    const char* expected;
  };
  const Case cases[] = {
      {"/a/b", "c.hex", "/a/b/c.hex"},
      {"/a/b//", "c.hex", "/a/b/c.hex"},
      {"/", "c.hex", "/c.hex"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JoinPath(c.folder, c.name), c.expected) << c.folder << " + " << c.name;
  }
}

TEST(PathHelpersTest, FolderOf) {
  struct Case {
    const char* path;
    const char* expected;
  };
  const Case cases[] = {
      {"/a/b/c.hex", "/a/b"}, {"/a/b/", "/a/b"}, {"/a//b", "/a"}, {"/c.hex", "/"}, {"/", "/"},
      {"c.hex", ""},          {"", ""},          {"a/b", "a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderOf(c.path), c.expected) << '"' << c.path << '"';
  }
}

// Windows paths are understood on every platform, so these run everywhere.
TEST(WindowsPathHelpersTest, JoinPathKeepsTheFoldersSeparator) {
  struct Case {
    const char* folder;
    const char* name;
    const char* expected;
  };
  const Case cases[] = {
      {R"(C:\Users\op)", "fw", R"(C:\Users\op\fw)"},
      {R"(C:\Users\op\\)", "fw", R"(C:\Users\op\fw)"},
      {R"(C:\)", "fw", R"(C:\fw)"},
      {"C:", "fw", R"(C:\fw)"},
      {R"(\\srv\share\)", "fw", R"(\\srv\share\fw)"},
      {"C:/Users/op/", "fw", "C:/Users/op/fw"},
      {"/data", "fw", "/data/fw"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JoinPath(c.folder, c.name, PathStyle::kWindows), c.expected) << c.folder;
  }
}

TEST(WindowsPathHelpersTest, FolderOfStopsAtTheDriveOrShare) {
  struct Case {
    const char* path;
    const char* expected;
  };
  const Case cases[] = {
      {R"(C:\a\b\VLX750fp0152.hex)", R"(C:\a\b)"},
      {R"(C:\a\b\)", R"(C:\a\b)"},
      {"C:/a/b.hex", "C:/a"},
      {R"(C:\a/b.hex)", R"(C:\a)"},
      {R"(C:\b.hex)", R"(C:\)"},
      {R"(C:\)", R"(C:\)"},
      {"C:b.hex", "C:"},
      {R"(\\srv\share\fw\a.hex)", R"(\\srv\share\fw)"},
      {R"(\\srv\share\a.hex)", R"(\\srv\share)"},
      {R"(\\srv\share)", R"(\\srv\share)"},
      {R"(\b.hex)", R"(\)"},
      {"b.hex", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderOf(c.path, PathStyle::kWindows), c.expected) << c.path;
  }
  // A backslash is an ordinary character of a POSIX name.
  EXPECT_EQ(FolderOf(R"(/home/op/a\b.hex)", PathStyle::kPosix), "/home/op");
}

TEST(WindowsPathHelpersTest, CreateFolderPathTakesDrivesAndSharesAsTheyAre) {
  FakeFileSystem files;
  files.AddDirectory(R"(C:\Users)");
  EXPECT_EQ(CreateFolderPath(files, R"(C:\Users\op\fw\)", PathStyle::kWindows), err::kSuccess);
  EXPECT_EQ(CreateFolderPath(files, R"(\\srv\share\fw/new)", PathStyle::kWindows), err::kSuccess);
  EXPECT_EQ(CreateFolderPath(files, "D:", PathStyle::kWindows), err::kSuccess);
  EXPECT_EQ(CreateFolderPath(files, R"(\\srv\share)", PathStyle::kWindows), err::kSuccess);
  EXPECT_EQ(files.CreationLog(),
            (std::vector<std::string>{R"(C:\Users\op)", R"(C:\Users\op\fw)", R"(\\srv\share\fw)",
                                      R"(\\srv\share\fw/new)"}));
}

TEST(WindowsPathHelpersTest, DefaultDataFolderUnderTheApplicationDataFolder) {
  FakeFileSystem files;
  files.userDataFolder = R"(C:\Users\op\AppData\Roaming\)";
  files.AddDirectory(R"(C:\Users\op\AppData\Roaming)");
  EXPECT_EQ(DefaultDataFolder(files, kFirmwareLeaf, PathStyle::kWindows),
            R"(C:\Users\op\AppData\Roaming\Velqorin\VLX Firmware)");
  EXPECT_TRUE(files.IsDirectory(R"(C:\Users\op\AppData\Roaming\Velqorin\VLX Firmware)"));
}

TEST(DefaultDataFolderTest, CreatesBothLevelsUnderTheUserDataFolder) {
  FakeFileSystem files;
  files.userDataFolder = "/home/op/.local/share/";
  files.documentsFolder = "/home/op/Documents";
  files.AddDirectory("/home/op/.local/share");

  EXPECT_EQ(DefaultDataFolder(files, kFirmwareLeaf), "/home/op/.local/share/Velqorin/VLX Firmware");
  EXPECT_TRUE(files.IsDirectory("/home/op/.local/share/Velqorin/VLX Firmware"));
}

TEST(DefaultDataFolderTest, FallsBackToDocumentsThenToNothing) {
  FakeFileSystem files;
  files.documentsFolder = "/home/op/Documents";
  files.AddDirectory("/home/op/Documents");
  EXPECT_EQ(DefaultDataFolder(files, kFaultTablesLeaf),
            "/home/op/Documents/Velqorin/VLX Fault Tables");

  FakeFileSystem nowhere;
  EXPECT_EQ(DefaultDataFolder(nowhere, kConfigurationLeaf), "");
  EXPECT_TRUE(nowhere.CreationLog().empty());
}

TEST(DefaultDataFolderTest, ReturnsThePathEvenWhenItCouldNotBeCreated) {
  FakeFileSystem files;
  files.userDataFolder = "/data";
  files.AddDirectory("/data");
  files.FailCreationOf("/data/Velqorin");
  EXPECT_EQ(DefaultDataFolder(files, kFirmwareLeaf), "/data/Velqorin/VLX Firmware");
  EXPECT_FALSE(files.IsDirectory("/data/Velqorin/VLX Firmware"));
}

TEST(CreateFolderPathTest, CreatesEachMissingLevelInOrder) {
  FakeFileSystem files;
  files.AddDirectory("/home/op");
  EXPECT_EQ(CreateFolderPath(files, "/home/op/x/y/z/"), err::kSuccess);
  EXPECT_EQ(files.CreationLog(),
            (std::vector<std::string>{"/home/op/x", "/home/op/x/y", "/home/op/x/y/z"}));
  EXPECT_TRUE(files.IsDirectory("/home/op/x/y/z"));
}

TEST(CreateFolderPathTest, StopsAtTheFirstLevelThatCannotBeCreated) {
  FakeFileSystem files;
  files.AddDirectory("/srv");
  files.FailCreationOf("/srv/a", err::kAccessDenied);
  EXPECT_EQ(CreateFolderPath(files, "/srv/a/b"), err::kAccessDenied);
  EXPECT_EQ(files.CreationLog(), std::vector<std::string>{"/srv/a"});
}

TEST(CreateFolderPathTest, RootEmptyAndRelativePaths) {
  FakeFileSystem files;
  EXPECT_EQ(CreateFolderPath(files, "/"), err::kSuccess);
  EXPECT_NE(CreateFolderPath(files, ""), err::kSuccess);
  EXPECT_TRUE(files.CreationLog().empty());

  EXPECT_EQ(CreateFolderPath(files, "rel/sub"), err::kSuccess);
  EXPECT_TRUE(files.IsDirectory("rel/sub"));
}

class EnsureFolderExistsTest : public ::testing::Test {
 protected:
  EnsureFolderExistsTest() { files.AddDirectory("/home/op"); }

  FakeFileSystem files;
  ScriptedPrompts prompts;
  const std::string path = "/home/op/fw";
};

TEST_F(EnsureFolderExistsTest, ExistingFolderAsksNothing) {
  files.AddDirectory(path);
  EXPECT_TRUE(EnsureFolderExists(files, prompts, path));
  EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(EnsureFolderExistsTest, AsksAndCreatesOnlyOnYes) {
  prompts.answers = {mb::kIdNo};
  EXPECT_FALSE(EnsureFolderExists(files, prompts, path));
  EXPECT_FALSE(files.IsDirectory(path));
  ASSERT_EQ(prompts.boxes.size(), 1u);
  EXPECT_EQ(prompts.boxes[0].text,
            "Folder \"/home/op/fw\" does not exist. Do you want to create it now?");
  EXPECT_EQ(prompts.boxes[0].caption, "Create folder");
  EXPECT_EQ(prompts.boxes[0].style, 0x44u);

  prompts.answers = {mb::kIdYes};
  EXPECT_TRUE(EnsureFolderExists(files, prompts, path));
  EXPECT_TRUE(files.IsDirectory(path));
}

TEST_F(EnsureFolderExistsTest, FailedCreationAsksAgainUntilTheUserGivesUp) {
  files.FailCreationOf(path);
  prompts.answers = {mb::kIdYes, mb::kIdYes, mb::kIdNo};
  EXPECT_FALSE(EnsureFolderExists(files, prompts, path));
  EXPECT_EQ(prompts.boxes.size(), 3u);
}

class FileChoiceTest : public ::testing::Test {
 protected:
  static constexpr const char* kDefault = "/data/Velqorin/VLX Configuration";

  FileChoiceTest() {
    files.userDataFolder = "/data";
    files.AddDirectory("/data");
  }

  FileQuestion Question() {
    return {settings.configurationFolder, kConfigurationLeaf, "SN01234.x.VLXConfig", "filter|*.x|",
            "VLXConfig"};
  }

  std::optional<std::string> StoredFolder() const {
    const auto value = store.Read({}, "ConfigurationFolder");
    if (!value) {
      return std::nullopt;
    }
    return value->text;
  }

  InMemorySettingsStore store;
  FakeFileSystem files;
  PersistedSettings settings{store, files};
  ScriptedPrompts prompts;
};

TEST_F(FileChoiceTest, AnEmptyFolderIsDefaultedAndStoredBeforeTheBoxOpens) {
  prompts.fileAnswers.push_back({FileBoxEnd::kChosen, "/data/x.VLXConfig"});

  EXPECT_EQ(AskFileToSave(prompts, settings, Question()), "/data/x.VLXConfig");

  ASSERT_EQ(prompts.fileBoxes.size(), 1u);
  const FileBoxRequest& request = prompts.fileBoxes[0].request;
  EXPECT_EQ(prompts.fileBoxes[0].kind, "SaveAs");
  EXPECT_EQ(request.folder, kDefault);
  EXPECT_EQ(request.proposedName, "SN01234.x.VLXConfig");
  EXPECT_EQ(request.defaultExtension, "VLXConfig");
  EXPECT_EQ(StoredFolder(), kDefault);
  EXPECT_TRUE(files.IsDirectory(kDefault));
}

TEST_F(FileChoiceTest, AFolderThatIsGoneIsForgottenAndTheBoxOpensOnceMoreInTheDefault) {
  settings.configurationFolder.Set("/gone");
  prompts.fileAnswers.push_back({FileBoxEnd::kInvalidFileName, {}});
  prompts.fileAnswers.push_back({FileBoxEnd::kInvalidFileName, {}});

  EXPECT_EQ(AskFileToOpen(prompts, settings, Question()), std::nullopt);

  ASSERT_EQ(prompts.fileBoxes.size(), 2u);
  EXPECT_EQ(prompts.fileBoxes[0].kind, "Open");
  EXPECT_EQ(prompts.fileBoxes[0].request.folder, "/gone");
  EXPECT_EQ(prompts.fileBoxes[1].request.folder, kDefault);
  EXPECT_EQ(StoredFolder(), "") << "the second failure leaves no folder that fails again";
}

TEST_F(FileChoiceTest, CancelAsksOnceAndKeepsTheFolder) {
  settings.configurationFolder.Set("/kept");

  EXPECT_EQ(AskFileToSave(prompts, settings, Question()), std::nullopt);

  EXPECT_EQ(prompts.fileBoxes.size(), 1u);
  EXPECT_EQ(settings.configurationFolder.Get(), "/kept");
  EXPECT_EQ(StoredFolder(), std::nullopt);
}

TEST(FileFilterTest, FillsTheProgramsNameAndTheExtension) {
  EXPECT_EQ(FileFilter(330, "VLXConfig"),
            "VLX Configuration File (*.VLXConfig)|*.VLXConfig|All files (*.*)|*.*|");
}

}  // namespace
}  // namespace vlx
