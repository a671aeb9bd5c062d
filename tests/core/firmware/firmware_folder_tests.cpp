// Which firmware file and which release notes a folder offers, found by name.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "CaseNames.h"
#include "FakeFileSystem.h"
#include "firmware/FirmwareFolder.h"

namespace vlx {
namespace {

using test::FakeFileSystem;

constexpr const char* kFolder = "/home/user/fw";

struct Entry {
  const char* name;
  EntryKind kind = EntryKind::kRegularFile;
};

struct FolderCase {
  const char* label;
  std::vector<Entry> entries;
  const char* firmware;  // the name the scan picks; nullptr: none
  std::uint16_t revision;
  const char* notes = nullptr;
};

class FirmwareFolderScanTest : public ::testing::TestWithParam<FolderCase> {};

TEST_P(FirmwareFolderScanTest, PicksTheNewestFirmwareAndTheNotes) {
  const FolderCase& c = GetParam();
  FakeFileSystem files;
  files.AddDirectory(kFolder);
  for (const Entry& entry : c.entries) {
    const std::string path = std::string(kFolder) + "/" + entry.name;
    if (entry.kind == EntryKind::kDirectory) {
      files.AddDirectory(path);
    } else {
      files.AddEntry(path, entry.kind);
    }
  }

  const FirmwareFolderScan scan = ScanFirmwareFolder(files, kFolder);

  if (c.firmware == nullptr) {
    EXPECT_FALSE(scan.firmware.Found()) << scan.firmware.path;
  } else {
    EXPECT_EQ(scan.firmware.path, std::string(kFolder) + "/" + c.firmware);
    EXPECT_EQ(scan.firmware.revision, c.revision);
  }
  EXPECT_EQ(scan.notes.path, c.notes == nullptr ? "" : std::string(kFolder) + "/" + c.notes);
}

// The fake lists a folder backwards, so a pick that followed the listing order would differ.
INSTANTIATE_TEST_SUITE_P(
    Folders, FirmwareFolderScanTest,
    ::testing::Values(
        FolderCase{"HighestRevisionWins",
                   {{"VLX750fp0146.hex"}, {"VLX750fp0152.hex"}},
                   "VLX750fp0152.hex",
                   152},
        FolderCase{
            "NameInAnyCase", {{"vlx750FP0150.HEX"}, {"VLX750fp0149.hex"}}, "vlx750FP0150.HEX", 150},
        FolderCase{"EqualRevisionsFirstInNameOrderIgnoringCase",
                   {{"vlx750fp150.hex"}, {"VLX750FP0150.hex"}, {"VLX750fp00150.hex"}},
                   "VLX750fp00150.hex",
                   150},
        FolderCase{"OtherExtensionIsMissing", {{"VLX750fp0150.bin"}}, nullptr, 0},
        FolderCase{"LetterAfterTheDigits", {{"VLX750fp0150a.hex"}}, "VLX750fp0150a.hex", 150},
        FolderCase{"NoRevisionDigits", {{"VLX750fp.hex"}}, nullptr, 0},
        FolderCase{"PointInTheRevision", {{"VLX750fp01.50.hex"}}, nullptr, 0},
        FolderCase{"OtherPrefix", {{"VLX751fp0150.hex"}, {"xVLX750fp0150.hex"}}, nullptr, 0},
        FolderCase{"RevisionAbove9999TakesNoPart",
                   {{"VLX750fp99999.hex"},
                    {"VLX750fp10000.hex"},
                    {"VLX750fp0140.hex"},
                    {"VLX750fp99999999999999999999.hex"}},
                   "VLX750fp0140.hex",
                   140},
        FolderCase{"Revision9999IsTheHighest", {{"VLX750fp9999.hex"}}, "VLX750fp9999.hex", 9999},
        FolderCase{"OnlyRegularFilesAndLinksToOneCompete",
                   {{"VLX750fp0160.hex", EntryKind::kDirectory},
                    {"VLX750fp0170.hex", EntryKind::kOther},
                    {"VLX750fp0150.hex"},
                    {"vlxfwnotes.rtf", EntryKind::kDirectory}},
                   "VLX750fp0150.hex",
                   150},
        FolderCase{"ReleaseNotesInAnyCase",
                   {{"VLXFWNotes.RTF"}, {"vlxfwnotes.rtf"}, {"vlxfwnotes.rtf.bak"}},
                   nullptr,
                   0,
                   "VLXFWNotes.RTF"},
        FolderCase{"EmptyFolder", {}, nullptr, 0}),
    test::ByLabel());

TEST(FirmwareFolderScanTest, AFolderThatCannotBeReadOffersNothing) {
  FakeFileSystem files;
  files.AddEntry("/fw/VLX750fp0150.hex");
  files.AddEntry("/fw/vlxfwnotes.rtf");
  files.FailListingOf("/fw");

  for (const std::string folder : {"/fw", "/missing", ""}) {
    const FirmwareFolderScan scan = ScanFirmwareFolder(files, folder);
    EXPECT_FALSE(scan.firmware.Found()) << folder;
    EXPECT_FALSE(scan.notes.Found()) << folder;
  }
}

TEST(FirmwareFileNameTest, RevisionAndPrefixOfANamedFile) {
  struct Case {
    const char* path;
    std::optional<std::uint16_t> revision;
    bool prefix;
  };
  const Case cases[] = {
      {"/a/VLX750fp0152.hex", 152, true},
      {"VLX750fp0150a.hex", 150, true},
      {"/a/vlx750FP1.hex", 1, true},
      {"/a/other0152.hex", 152, false},
      {"/a/VLX750fp.hex", 750, true},
      {"/a/0152.hex", 0, false},
      {"/a/VLX750fp12345.hex", std::nullopt, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RevisionOfFileName(FileNameOf(c.path)), c.revision) << c.path;
    EXPECT_EQ(HasFirmwarePrefix(FileNameOf(c.path)), c.prefix) << c.path;
  }
  EXPECT_EQ(FirmwareFileFromPath("/a/VLX750fp12345.hex").revision, 0);
}

}  // namespace
}  // namespace vlx
