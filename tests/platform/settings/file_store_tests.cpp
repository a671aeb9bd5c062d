// The program's own files on the real file system: whole-file reads up to a cap, and writes that
// replace a file only once the new one is complete, keeping its permissions.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/FileReplace.h"
#include "settings/SystemFileStore.h"
#include "support/FileContents.h"
#include "support/platform/FailingFileCalls.h"
#include "support/platform/FullDisk.h"

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

  EXPECT_EQ(EntriesIn(folder), 1u);  // no temporary file

  const FileOutcome write = test::WhileDiskIsFull(
      [&] { return files.ReplaceWholeFile(folder + "/plain", std::string(100, 'x')); });
  EXPECT_NE(write.code, err::kSuccess);
  EXPECT_STREQ(write.step, "WriteFile");
  EXPECT_EQ(test::FileContents(folder + "/plain"), "old");
  EXPECT_EQ(EntriesIn(folder), 1u);
}

TEST_F(SystemFileStoreTest, ReplacingSyncsTheFileBeforeTheRenameAndTheFolderAfterIt) {
  Put(folder + "/file", "old");
  test::FailingFileCalls calls;
  EXPECT_TRUE(ReplaceFile(folder + "/file", "new", 0666, calls).Succeeded());
  const std::vector<std::string> expected = {"open file",   "write file",  "sync file",
                                             "close file",  "rename file", "open folder",
                                             "sync folder", "close folder"};
  EXPECT_EQ(calls.Made(), expected);
  EXPECT_EQ(test::FileContents(folder + "/file"), "new");
}

// One system call of a replace fails. Up to the rename the old file stands; after it the new one
// does, and a folder sync the disk failed is still reported: the new name may not survive a power
// cut. A system that cannot sync a file or a folder at all, or a folder we may not open, only
// loses that guarantee.
struct FailedCall {
  const char* label;
  test::FileCall call;
  int nth;
  int error;
  ErrorCode code;
  const char* step;
  const char* contents;
};

const FailedCall kFailedCalls[] = {
    {"CreatingTheTemporaryFile", test::FileCall::kOpen, 1, EACCES, err::kAccessDenied, "CreateFile",
     "old"},
    {"Writing", test::FileCall::kWrite, 1, ENOSPC, err::kDiskFull, "WriteFile", "old"},
    {"SyncingTheFile", test::FileCall::kSync, 1, EIO, err::kWriteFault, "FlushFileBuffers", "old"},
    {"ClosingTheFile", test::FileCall::kClose, 1, EIO, err::kWriteFault, "CloseHandle", "old"},
    {"Renaming", test::FileCall::kRename, 1, EACCES, err::kAccessDenied, "MoveFileEx", "old"},
    {"SyncingTheFolder", test::FileCall::kSync, 2, EIO, err::kWriteFault, "FlushFileBuffers",
     "new"},
    {"OpeningTheFolder", test::FileCall::kOpen, 2, EACCES, err::kSuccess, "", "new"},
    {"AFileTheSystemCannotSync", test::FileCall::kSync, 1, EINVAL, err::kSuccess, "", "new"},
    {"AFolderTheSystemCannotSync", test::FileCall::kSync, 2, EINVAL, err::kSuccess, "", "new"},
};

class ReplacingWhenACallFails : public ::testing::TestWithParam<FailedCall> {};

TEST_P(ReplacingWhenACallFails, KeepsOneWholeFileAndNoTemporary) {
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString();
  const std::string path = folder + "/file";
  Put(path, "old");
  ::chmod(path.c_str(), 0640);
  test::FailingFileCalls calls(GetParam().call, GetParam().nth, GetParam().error);

  const FileOutcome outcome = ReplaceFile(path, "new", 0666, calls);

  EXPECT_EQ(outcome.code, GetParam().code);
  EXPECT_STREQ(outcome.step, GetParam().step);
  EXPECT_EQ(test::FileContents(path), GetParam().contents);
  EXPECT_EQ(ModeOf(path), 0640u);
  EXPECT_EQ(EntriesIn(folder), 1u);
}

INSTANTIATE_TEST_SUITE_P(Steps, ReplacingWhenACallFails, ::testing::ValuesIn(kFailedCalls),
                         [](const auto& info) { return std::string(info.param.label); });

// Only a regular file is replaced; whatever else stands at the path is refused and left as it
// is, links included (never followed).
struct ExistingKind {
  const char* label;
  // Makes the thing at `path` in `folder`; false when this run cannot make it.
  bool (*make)(const std::string& folder, const std::string& path);
  bool replaced;
};

const ExistingKind kExistingKinds[] = {
    {"RegularFile",
     [](const std::string&, const std::string& path) {
       Put(path, "old");
       return true;
     },
     true},
    {"Folder",
     [](const std::string&, const std::string& path) {
       return std::filesystem::create_directory(path);
     },
     false},
    {"LinkToARegularFile",
     [](const std::string& folder, const std::string& path) {
       Put(folder + "/target", "old");
       return ::symlink("target", path.c_str()) == 0;
     },
     false},
    {"DanglingLink",
     [](const std::string&, const std::string& path) {
       return ::symlink("nowhere", path.c_str()) == 0;
     },
     false},
    {"Fifo",
     [](const std::string&, const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; },
     false},
    // A node like /dev/null, made in the test's own folder; only root may make one.
    {"CharacterDevice",
     [](const std::string&, const std::string& path) {
       return ::mknod(path.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
     },
     false},
};

class ReplacingWhatExists : public ::testing::TestWithParam<ExistingKind> {};

TEST_P(ReplacingWhatExists, ReplacesOnlyARegularFile) {
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString();
  const std::string path = folder + "/file";
  if (!GetParam().make(folder, path)) {
    GTEST_SKIP() << "cannot make a " << GetParam().label << " here";
  }
  struct stat before {};
  ::lstat(path.c_str(), &before);
  const std::size_t entries = EntriesIn(folder);

  SystemFileStore files;
  const FileOutcome outcome = files.ReplaceWholeFile(path, "new");

  EXPECT_EQ(EntriesIn(folder), entries);  // no temporary file left
  if (GetParam().replaced) {
    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_EQ(test::FileContents(path), "new");
    return;
  }
  EXPECT_EQ(outcome.code, err::kAccessDenied);
  EXPECT_STREQ(outcome.step, "CreateFile");
  struct stat after {};
  ASSERT_EQ(::lstat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
  if (std::filesystem::exists(folder + "/target")) {
    EXPECT_EQ(test::FileContents(folder + "/target"), "old");
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ReplacingWhatExists, ::testing::ValuesIn(kExistingKinds),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace vlx
