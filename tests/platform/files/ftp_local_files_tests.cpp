// The FTP copy's local file operations on real files in a temporary folder: a fetch's own file
// is created under a fresh name, synced and renamed over the real one, and every refusal comes
// back as the program's code with nothing changed.

#include <gtest/gtest.h>

#include <unistd.h>

#include <QTemporaryDir>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "files/PosixFtpLocalFiles.h"
#include "firmware/ByteSource.h"
#include "firmware/FtpNames.h"
#include "support/FileContents.h"
#include "support/platform/FailingFileCalls.h"

namespace vlx {
namespace {

struct PosixFtpLocalFilesTest : ::testing::Test {
  void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  QTemporaryDir dir;
  std::string folder = dir.path().toStdString();
  PosixFtpLocalFiles files;
};

TEST_F(PosixFtpLocalFilesTest, AFetchIsCreatedFreshThenPutInPlace) {
  const std::string target = folder + "/VLX750fp0152.hex";
  Put(target, "old");
  std::string first;
  std::string second;
  ASSERT_EQ(files.CreateExclusive(folder, "VLX750fp0152.hex", first), err::kSuccess);
  ASSERT_EQ(files.CreateExclusive(folder, "VLX750fp0152.hex", second), err::kSuccess);
  EXPECT_NE(first, second);
  const std::string name = std::filesystem::path(first).filename().string();
  EXPECT_TRUE(name.starts_with(".VLX750fp0152.hex.part-")) << name;
  EXPECT_TRUE(IsFtpLeftover(name));
  std::uint64_t size = 1;
  EXPECT_EQ(files.Size(first, size), err::kSuccess);
  EXPECT_EQ(size, 0U);

  Put(first, "new bytes");
  EXPECT_EQ(files.Size(first, size), err::kSuccess);
  EXPECT_EQ(size, 9U);
  std::unique_ptr<ByteSource> source;
  ASSERT_EQ(files.OpenForReading(first, source), err::kSuccess);
  std::string_view chunk;
  EXPECT_EQ(source->Next(chunk), err::kSuccess);
  EXPECT_EQ(chunk, "new bytes");
  source.reset();
  EXPECT_EQ(files.Sync(first), err::kSuccess);
  EXPECT_EQ(files.Rename(first, target), err::kSuccess);
  EXPECT_EQ(files.Remove(second), err::kSuccess);

  EXPECT_EQ(test::FileContents(target), "new bytes");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(PosixFtpLocalFilesTest, RefusalsComeBackAsCodesAndChangeNothing) {
  std::string path;
  EXPECT_EQ(files.CreateExclusive(folder + "/missing", "a.hex", path), err::kPathNotFound);
  EXPECT_EQ(path, "");
  Put(folder + "/plain", "x");
  EXPECT_EQ(files.CreateExclusive(folder + "/plain", "a.hex", path), err::kPathNotFound);

  std::uint64_t size = 0;
  EXPECT_EQ(files.Size(folder + "/none", size), err::kFileNotFound);
  EXPECT_EQ(files.Size(folder, size), err::kAccessDenied);
  EXPECT_EQ(files.Remove(folder + "/none"), err::kFileNotFound);
  EXPECT_EQ(files.Sync(folder + "/none"), err::kFileNotFound);
  std::unique_ptr<ByteSource> source;
  EXPECT_EQ(files.OpenForReading(folder + "/none", source), err::kFileNotFound);

  // A folder where the real name should be is never replaced by a fetch.
  std::filesystem::create_directory(folder + "/VLX750fp0152.hex");
  ASSERT_EQ(files.CreateExclusive(folder, "VLX750fp0152.hex", path), err::kSuccess);
  EXPECT_EQ(files.Rename(path, folder + "/VLX750fp0152.hex"), err::kAccessDenied);
  EXPECT_TRUE(std::filesystem::is_directory(folder + "/VLX750fp0152.hex"));
  EXPECT_TRUE(std::filesystem::exists(path));
  // Nor is a link, which would otherwise be turned into a plain file.
  ASSERT_EQ(::symlink("elsewhere.hex", (folder + "/vlxfwnotes.rtf").c_str()), 0);
  EXPECT_EQ(files.Rename(path, folder + "/vlxfwnotes.rtf"), err::kAccessDenied);
  EXPECT_TRUE(std::filesystem::is_symlink(folder + "/vlxfwnotes.rtf"));
  EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(PosixFtpLocalFilesTest, TheRenameIsMadeDurableByAFolderSync) {
  const std::string target = folder + "/vlxfwnotes.rtf";
  for (const bool folderFails : {false, true}) {
    SCOPED_TRACE(folderFails ? "the disk fails the folder sync" : "all goes well");
    test::FailingFileCalls calls(folderFails ? test::FileCall::kSync : test::FileCall::kNone, 2,
                                 EIO);
    PosixFtpLocalFiles synced(calls);
    std::string path;
    ASSERT_EQ(synced.CreateExclusive(folder, "vlxfwnotes.rtf", path), err::kSuccess);
    Put(path, "notes");

    EXPECT_EQ(synced.Sync(path), err::kSuccess);
    EXPECT_EQ(synced.Rename(path, target), folderFails ? err::kWriteFault : err::kSuccess);

    const std::vector<std::string> expected = {"open file",   "sync file",   "close file",
                                               "rename file", "open folder", "sync folder",
                                               "close folder"};
    EXPECT_EQ(calls.Made(), expected);
    EXPECT_EQ(test::FileContents(target), "notes");  // in place either way
  }
}

}  // namespace
}  // namespace vlx
