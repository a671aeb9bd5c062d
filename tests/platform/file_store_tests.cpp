// The program's own files on the real file system: whole-file reads up to a cap, and writes that
// replace a file only once the new one is complete, keeping its permissions.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>

#include "FullDisk.h"
#include "settings/SystemFileStore.h"
#include "support/FileContents.h"

namespace vlx {
namespace {

void Put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::size_t EntriesIn(const std::string& folder) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                std::filesystem::directory_iterator()));
}

unsigned ModeOf(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

struct SystemFileStoreTest : ::testing::Test {
  QTemporaryDir dir;
  std::string folder = dir.path().toStdString();
  SystemFileStore files;
};

TEST_F(SystemFileStoreTest, ReadsWholeFilesUpToTheCap) {
  Put(folder + "/small", "a\r\nb");
  std::string bytes;
  EXPECT_TRUE(files.ReadWholeFile(folder + "/small", 4, bytes).Succeeded());
  EXPECT_EQ(bytes, "a\r\nb");

  const FileOutcome big = files.ReadWholeFile(folder + "/small", 3, bytes);
  EXPECT_EQ(big.code, err::kFileTooLarge);
  EXPECT_STREQ(big.step, "ReadFile");
  EXPECT_EQ(bytes, "");

  const FileOutcome missing = files.ReadWholeFile(folder + "/none", 4, bytes);
  EXPECT_EQ(missing.code, err::kFileNotFound);
  EXPECT_STREQ(missing.step, "CreateFile");
  EXPECT_EQ(files.ReadWholeFile(folder + "/no/none", 4, bytes).code, err::kPathNotFound);
  EXPECT_EQ(files.ReadWholeFile(folder, 4, bytes).code, err::kAccessDenied);
}

TEST_F(SystemFileStoreTest, ReplacingKeepsPermissionsAndLeavesNoTemporaryFile) {
  const std::string path = folder + "/kept";
  Put(path, "old");
  ::chmod(path.c_str(), 0640);
  EXPECT_TRUE(files.ReplaceWholeFile(path, "new").Succeeded());
  EXPECT_EQ(test::FileContents(path), "new");
  EXPECT_EQ(ModeOf(path), 0640u);
  EXPECT_EQ(EntriesIn(folder), 1u);

  const mode_t mask = ::umask(022);
  EXPECT_TRUE(files.ReplaceWholeFile(folder + "/fresh", "x").Succeeded());
  ::umask(mask);
  EXPECT_EQ(ModeOf(folder + "/fresh"), 0644u);
}

TEST_F(SystemFileStoreTest, AFailedStepKeepsWhatWasThere) {
  // The folder is a file: the temporary file cannot be made.
  Put(folder + "/plain", "old");
  const FileOutcome create = files.ReplaceWholeFile(folder + "/plain/file", "new");
  EXPECT_NE(create.code, err::kSuccess);
  EXPECT_STREQ(create.step, "CreateFile");
  EXPECT_EQ(test::FileContents(folder + "/plain"), "old");

  // A folder of that name cannot be replaced by a file: the rename fails.
  std::filesystem::create_directory(folder + "/taken");
  Put(folder + "/taken/inside", "old");
  const FileOutcome move = files.ReplaceWholeFile(folder + "/taken", "new");
  EXPECT_NE(move.code, err::kSuccess);
  EXPECT_STREQ(move.step, "MoveFileEx");
  EXPECT_EQ(test::FileContents(folder + "/taken/inside"), "old");
  EXPECT_EQ(EntriesIn(folder), 2u);  // "plain" and "taken": no temporary file

  const FileOutcome write = test::WhileDiskIsFull(
      [&] { return files.ReplaceWholeFile(folder + "/plain", std::string(100, 'x')); });
  EXPECT_NE(write.code, err::kSuccess);
  EXPECT_STREQ(write.step, "WriteFile");
  EXPECT_EQ(test::FileContents(folder + "/plain"), "old");
  EXPECT_EQ(EntriesIn(folder), 2u);
}

}  // namespace
}  // namespace vlx
