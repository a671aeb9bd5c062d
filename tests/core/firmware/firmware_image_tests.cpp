// The Intel HEX reader and the firmware image: records, their errors and lines, the image's
// bounds, the counts `vlxctl hex` prints, and the checksum reconciliation word.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "firmware/ByteSource.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareName.h"
#include "firmware/TestFirmware.h"
#include "support/CaseNames.h"

namespace vlx {
namespace {

namespace fs = std::filesystem;

std::string Record(std::uint8_t type, std::uint16_t address, std::vector<std::uint8_t> data) {
  return vlxsim::HexRecord(type, address, data);
}
const std::string kEnd = ":00000001FF";

std::uint8_t At(const FirmwareImage& image, std::uint32_t address) {
  return image.Data()[address - image.StartAddress()];
}

struct ReadCase {
  const char* label;
  std::string text;
  ErrorCode code;
  std::uint32_t line;
  // An address of the image and the byte it must hold afterwards.
  std::optional<std::pair<std::uint32_t, std::uint8_t>> probe = std::nullopt;
};

class HexRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(HexRead, GivesItsCodeLineAndBytesWholeAndByteByByte) {
  const ReadCase& c = GetParam();
  FirmwareImage whole;
  FirmwareImage trickled;
  // One byte at a time, so every record, line end and byte-order mark is cut at every place a
  // file's chunks could cut it.
  MemorySource trickle(c.text, 1);
  const ErrorCode wholeCode = whole.LoadText(c.text);
  const ErrorCode trickledCode = trickled.Load(trickle, "trickled");
  for (const FirmwareImage* image : {&whole, &trickled}) {
    const ErrorCode code = image == &whole ? wholeCode : trickledCode;
    EXPECT_EQ(code, c.code) << std::hex << code;
    EXPECT_EQ(image->Loaded(), c.code == err::kSuccess);
    if (c.code != err::kSuccess) {
      EXPECT_EQ(image->ErrorLine(), c.line);
    }
    if (c.probe) {
      EXPECT_EQ(At(*image, c.probe->first), c.probe->second) << std::hex << c.probe->first;
    }
  }
}

const std::string kBadChecksum = ":0208000001020F";  // sums to 0x0C, not 0

INSTANTIATE_TEST_SUITE_P(
    Records, HexRead,
    ::testing::Values(
        ReadCase{"DataThenEnd", Record(0, 0x0800, {1, 2}) + "\n" + kEnd, 0, 0, {{0x0801, 2}}},
        ReadCase{"LowerCaseDigits", ":02080000abcd7e\n:00000001ff", 0, 0, {{0x0801, 0xCD}}},
        ReadCase{"RecordBrokenBetweenDigits", ":020800000\r\n102F3\n" + kEnd, 0, 0, {{0x0801, 2}}},
        ReadCase{"BlankTextAndTrailingTextSkipped",
                 "\n; built 2024\n" + Record(0, 0x0800, {7}) + " trailing text\n\n" + kEnd,
                 0,
                 0,
                 {{0x0800, 7}}},
        ReadCase{"ColonAfterTextIsText",
                 "note " + Record(0, 0x0800, {7}) + "\n" + kEnd,
                 0,
                 0,
                 {{0x0800, 0xFF}}},
        ReadCase{"TextAfterEndOfFileIsNotRead", kEnd + "\n:zz garbage\n  :", 0, 0},
        ReadCase{"LaterRecordWins",
                 Record(0, 0x0900, {1}) + "\n" + Record(0, 0x0900, {2}) + "\n" + kEnd,
                 0,
                 0,
                 {{0x0900, 2}}},
        ReadCase{"DataBelowImageIgnored", Record(0, 0x0000, {1, 2, 3}) + "\n" + kEnd, 0, 0},
        ReadCase{"RecordStartingBelowImageIgnoredWhole",
                 Record(0, 0x07F8, std::vector<std::uint8_t>(16, 0)) + "\n" + kEnd,
                 0,
                 0,
                 {{0x0800, 0xFF}}},
        ReadCase{"RecordPastImageEndIsCut",
                 Record(4, 0, {0, 1}) + "\n" +
                     Record(0, 0xFD78, std::vector<std::uint8_t>(16, 0x11)) + "\n" + kEnd,
                 0,
                 0,
                 {{0x01FD7F, 0x11}}},
        ReadCase{"ExtendedAddressUsesFirstTwoOfThreeBytes",
                 Record(4, 0, {0, 1, 0x55}) + "\n" + Record(0, 0xFD70, {7}) + "\n" + kEnd,
                 0,
                 0,
                 {{0x01FD70, 7}}},
        ReadCase{"SegmentAddressTimesSixteen",
                 Record(2, 0, {0x10, 0}) + "\n" + Record(0, 0xFD70, {7}) + "\n" + kEnd,
                 0,
                 0,
                 {{0x01FD70, 7}}},
        ReadCase{"IndentedRecordIsAnError", "\n  " + Record(0, 0x0800, {7}) + "\n" + kEnd,
                 err::kHexMissingColon, 2},
        ReadCase{"RecordBehindTabIsAnError", "\t" + kEnd, err::kHexMissingColon, 1},
        ReadCase{"ByteOrderMarkAtStartSkipped",
                 "\xEF\xBB\xBF" + Record(0, 0x0800, {7}) + "\n" + kEnd,
                 0,
                 0,
                 {{0x0800, 7}}},
        ReadCase{"TypeSixUnknown", "\n" + Record(6, 0, {}), err::kHexUnknownRecordType, 2},
        ReadCase{"TypeFFUnknown", Record(0xFF, 0, {}), err::kHexUnknownRecordType, 1},
        ReadCase{"ChecksumOffByOne", "\n\n" + kBadChecksum + "\n" + kEnd, err::kHexLineChecksum, 3},
        ReadCase{"SegmentRecordWithoutBytes", Record(2, 0, {}) + "\n" + kEnd,
                 err::kHexDataRecordLength, 1},
        ReadCase{"LinearRecordWithOneByte", "\n" + Record(4, 0, {1}) + "\n" + kEnd,
                 err::kHexDataRecordLength, 2},
        ReadCase{"NoEndOfFileNamesTheLastLine", Record(0, 0x0800, {7}) + "\n\n",
                 err::kHexMissingEndOfFile, 3},
        ReadCase{"EmptyText", "", err::kHexMissingEndOfFile, 1},
        ReadCase{"EndsInsideRecord", "\n:020800", err::kUnexpectedHexCharacter, 2},
        ReadCase{"NonHexDigit", ":0208000001G2F3\n" + kEnd, err::kUnexpectedHexCharacter, 1},
        ReadCase{"BrokenRecordErrorNamesItsOwnLine", "\n:02080000\n01\n020F\n" + kEnd,
                 err::kHexLineChecksum, 2},
        ReadCase{"CrOnlyLineEndsCounted", "\r\r" + kBadChecksum, err::kHexLineChecksum, 3},
        ReadCase{"CrLfCountsOnce", "\r\n\r\n" + kBadChecksum, err::kHexLineChecksum, 3}),
    test::ByLabel());

TEST(HexRead, LineCounterPassesSixteenBits) {
  FirmwareImage image;
  EXPECT_EQ(image.LoadText(std::string(69999, '\n') + kBadChecksum), err::kHexLineChecksum);
  EXPECT_EQ(image.ErrorLine(), 70000u);
  EXPECT_EQ(image.LoadText(std::string(70000, '\n')), err::kHexMissingEndOfFile);
  EXPECT_EQ(image.ErrorLine(), 70001u);
}

TEST(HexRead, CountsWhatItReads) {
  const std::string text = "\xEF\xBB\xBF; header\n\n" +  // lines 1, 2
                           Record(0, 0x07F8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) + "\n" +   // 3
                           Record(0, 0x0000, {1, 2}) + " # loader\n" +                   // 4
                           Record(4, 0, {0, 1}) + "\n" +                                 // 5
                           Record(0, 0xFD70, std::vector<std::uint8_t>(32, 0)) + "\n" +  // 6
                           Record(4, 0, {0, 0}) + "\n" + Record(0, 0x0840, {1}) + "\n" + kEnd +
                           "\nnot read\n";
  FirmwareImage image;
  ASSERT_EQ(image.LoadText(text), err::kSuccess);
  const HexStatistics& counts = image.Statistics();
  EXPECT_EQ(counts.recordsByType, (std::array<std::uint32_t, 6>{4, 1, 0, 0, 2, 0}));
  EXPECT_EQ(counts.lowAddress, 0x0000u);
  EXPECT_EQ(counts.highAddress, 0x01FD90u);
  EXPECT_EQ(counts.bytesInside, 16u + 1u);  // 0x01FD70..0x01FD7F and 0x000840
  EXPECT_EQ(counts.bytesOutside, 10u + 2u + 16u);
  EXPECT_EQ(counts.blocksUnwritten, FirmwareImage::kBlockCount - 2);
  EXPECT_EQ(counts.lines, 9u);
  EXPECT_EQ(counts.blankLines, 1u);
  EXPECT_EQ(counts.textLines, 1u);
  EXPECT_EQ(counts.textAfterRecord, 1u);
  EXPECT_EQ(counts.belowStartLines, std::vector<std::uint32_t>{3});
}

TEST(HexRead, FullAddressRangeFillsTheImageAndDropsTheRest) {
  std::string text;
  for (std::uint32_t address = 0x0800; address < 0x20000; address += 16) {
    if ((address & 0xFFFF) == 0 || address == 0x0800) {
      text += Record(4, 0, {0, static_cast<std::uint8_t>(address >> 16)}) + "\n";
    }
    text +=
        Record(0, static_cast<std::uint16_t>(address), std::vector<std::uint8_t>(16, 0x5A)) + "\n";
  }
  FirmwareImage image;
  ASSERT_EQ(image.LoadText(text + kEnd), err::kSuccess);
  EXPECT_EQ(image.Statistics().bytesInside, FirmwareImage::kSize);
  EXPECT_EQ(image.Statistics().bytesOutside, 0x20000u - FirmwareImage::kEndAddress);
  EXPECT_EQ(image.Statistics().blocksUnwritten, 0u);
  EXPECT_EQ(std::count(image.Bytes().begin(), image.Bytes().end(), 0x5A), FirmwareImage::kSize);
}

TEST(ScanBounds, FindsTheDataRecordsBoundsWithoutWrapping) {
  FirmwareImage image;
  ASSERT_EQ(image.ScanBoundsText(Record(0, 0x0100, {1, 2}) + "\n" + Record(0, 0x0800, {1}) + "\n" +
                                 Record(4, 0, {0, 1}) + "\n" + Record(0, 0xFF00, {1, 2, 3}) + "\n" +
                                 kEnd),
            err::kSuccess);
  EXPECT_EQ(image.StartAddress(), 0x0100u);
  EXPECT_EQ(image.EndAddress(), 0x01FF03u);
  EXPECT_EQ(image.Data(), nullptr);

  ASSERT_EQ(image.ScanBoundsText(kEnd), err::kSuccess);
  EXPECT_EQ(image.StartAddress(), 0xFFFFFFFFu);
  EXPECT_EQ(image.EndAddress(), 0u);

  // A record at the top of the 32-bit space ends beyond it, not at a small address.
  ASSERT_EQ(image.ScanBoundsText(Record(4, 0, {0xFF, 0xFF}) + "\n" +
                                 Record(0, 0xFFF8, std::vector<std::uint8_t>(16, 0)) + "\n" + kEnd),
            err::kSuccess);
  EXPECT_EQ(image.StartAddress(), 0xFFFFFFF8u);
  EXPECT_EQ(image.EndAddress(), 0xFFFFFFFFu);
  EXPECT_EQ(image.Statistics().highAddress, 0x100000008u);

  EXPECT_EQ(image.ScanBoundsText("\n\n" + kBadChecksum), err::kHexLineChecksum);
  EXPECT_EQ(image.ErrorLine(), 3u);
}

// The image outside 0x000800..0x000803 is 0xFF: its 64,190 words of 0xFFFF sum to 0x0542.
struct ReconcileCase {
  const char* label;
  std::vector<std::uint8_t> first;  // bytes at 0x000800
  ErrorCode code;
  std::uint16_t wordAfter;
};

class Reconcile : public ::testing::TestWithParam<ReconcileCase> {};

TEST_P(Reconcile, ChecksOrFillsTheWord) {
  const ReconcileCase& c = GetParam();
  FirmwareImage image;
  ASSERT_EQ(image.LoadText(Record(0, 0x0800, c.first) + "\n" + kEnd), err::kSuccess);
  EXPECT_EQ(image.ReconcileChecksum(), c.code);
  EXPECT_EQ(image.Checksum().word, c.wordAfter);
  EXPECT_EQ(image.Checksum().sum == 0, c.code != err::kHexFileChecksumNotZero);
}

INSTANTIATE_TEST_SUITE_P(
    Words, Reconcile,
    ::testing::Values(
        ReconcileCase{"WordZeroRestSums1234", {0, 0, 0x0C, 0xF2}, 0, 0xEDCC},
        ReconcileCase{"WordZeroRestSumsZero", {0, 0, 0xFA, 0xBE}, err::kChecksumWordZero, 0},
        ReconcileCase{"WordPresentSumZero", {0xFA, 0xBF}, 0, 0xFABF},
        ReconcileCase{"WordPresentSumNotZero", {0xFA, 0xC0}, err::kHexFileChecksumNotZero, 0xFAC0}),
    test::ByLabel());

TEST(Reconcile, RefusesAnImageThatIsNotLoaded) {
  FirmwareImage image;
  EXPECT_EQ(image.ReconcileChecksum(), err::kInvalidData);
  EXPECT_EQ(image.LoadText(kBadChecksum), err::kHexLineChecksum);
  EXPECT_NE(image.Data(), nullptr);
  EXPECT_EQ(image.ReconcileChecksum(), err::kInvalidData);
  image.ClearImage();
  EXPECT_EQ(image.Data(), nullptr);
  EXPECT_FALSE(image.Loaded());
}

// Files of our own generator, read from disk in chunks: every shape loads back to the image the
// generator meant, and the word makes it sum to 0 whether the file carries it or not.
struct GeneratedCase {
  const char* label;
  vlxsim::TestFirmwareOptions options;
  std::uint32_t blocksUnwritten;
};

class GeneratedFirmware : public ::testing::TestWithParam<GeneratedCase> {};

TEST_P(GeneratedFirmware, LoadsBackFromItsFile) {
  const GeneratedCase& c = GetParam();
  const fs::path path =
      fs::path(::testing::TempDir()) /
      (std::string(c.label) + "-" + vlxsim::TestFirmwareFileName(c.options.revision));
  std::ofstream(path, std::ios::binary) << vlxsim::MakeTestFirmwareHex(c.options);
  FirmwareImage image;
  ASSERT_EQ(image.Load(path.string()), err::kSuccess) << image.ErrorLine();
  EXPECT_EQ(image.FileName(), path.string());
  EXPECT_EQ(image.Statistics().blocksUnwritten, c.blocksUnwritten);
  EXPECT_EQ(image.ReconcileChecksum(), err::kSuccess);
  vlxsim::TestFirmwareOptions withWord = c.options;
  withWord.reconciliationWord = true;
  const std::vector<std::uint8_t> expected = vlxsim::MakeTestImage(withWord);
  EXPECT_TRUE(
      std::equal(expected.begin(), expected.end(), image.Bytes().begin(), image.Bytes().end()));
  EXPECT_EQ(At(image, 0x0802) << 8 | At(image, 0x0803), c.options.revision);
  fs::remove(path);
}

vlxsim::TestFirmwareOptions Options(std::uint16_t revision, bool word, unsigned length,
                                    vlxsim::AddressRecords records,
                                    std::vector<vlxsim::Hole> holes = {}) {
  return {revision, word, length, records, std::move(holes)};
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, GeneratedFirmware,
    ::testing::Values(
        GeneratedCase{"Linear16", Options(152, true, 16, vlxsim::AddressRecords::kLinear), 0},
        GeneratedCase{"Segment255NoWord",
                      Options(9999, false, 255, vlxsim::AddressRecords::kSegment), 0},
        GeneratedCase{"OneByteRecords", Options(1, true, 1, vlxsim::AddressRecords::kLinear), 0},
        GeneratedCase{"Holes",
                      Options(146, true, 32, vlxsim::AddressRecords::kLinear,
                              {{0x1000, 0x1100}, {0xFFF0, 0x10050}}),
                      4 + 1}),
    test::ByLabel());

// Small files as they come from other tools and editors, kept in the repository.
struct FixtureCase {
  const char* label;
  const char* file;
  std::array<std::uint32_t, 6> records;
  std::vector<std::pair<std::uint32_t, std::uint8_t>> probes;
};

class HexFixture : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(HexFixture, Loads) {
  const FixtureCase& c = GetParam();
  FirmwareImage image;
  ASSERT_EQ(image.Load(std::string(VLX_FIXTURE_DIR "/hex/") + c.file), err::kSuccess)
      << image.ErrorLine();
  EXPECT_EQ(image.Statistics().recordsByType, c.records);
  for (const auto& [address, value] : c.probes) {
    EXPECT_EQ(At(image, address), value) << std::hex << address;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, HexFixture,
    ::testing::Values(
        FixtureCase{
            "Holes",
            "holes.hex",
            {3, 1, 0, 0, 1, 0},
            {{0x0802, 0x01}, {0x081F, 0x2F}, {0x0820, 0xFF}, {0x08FF, 0xFF}, {0x0900, 0x30}}},
        FixtureCase{"ExtendedSegment",
                    "extended-segment.hex",
                    {2, 1, 2, 1, 0, 0},
                    {{0x0807, 0x47}, {0x10000, 0xA0}, {0x10007, 0xA7}}},
        FixtureCase{"ExtendedLinear",
                    "extended-linear.hex",
                    {2, 1, 0, 0, 2, 1},
                    {{0x0800, 0x60}, {0x01FD78, 0x50}, {0x01FD7F, 0x57}}},
        FixtureCase{
            "LowerCase", "lower-case.hex", {1, 1, 0, 0, 0, 0}, {{0x0800, 0xAB}, {0x0803, 0xFA}}},
        FixtureCase{"CrOnly", "cr-only.hex", {2, 1, 0, 0, 0, 0}, {{0x0803, 0x73}, {0x0840, 0x80}}},
        FixtureCase{"LfOnly", "lf-only.hex", {2, 1, 0, 0, 0, 0}, {{0x0800, 0x90}, {0x0843, 0xB3}}},
        FixtureCase{"ByteOrderMark", "byte-order-mark.hex", {1, 1, 0, 0, 0, 0}, {{0x0800, 0xC0}}}),
    test::ByLabel());

TEST(HexFile, UnreadableFilesGiveTheSystemsCodes) {
  FirmwareImage image;
  EXPECT_EQ(image.Load(::testing::TempDir() + "/no such firmware.hex"), err::kFileNotFound);
  EXPECT_FALSE(image.Loaded());
  EXPECT_EQ(image.ErrorLine(), 0u);
  EXPECT_EQ(image.ScanBounds(::testing::TempDir() + "/no such firmware.hex"), err::kFileNotFound);
  EXPECT_EQ(image.Load(::testing::TempDir()), err::kAccessDenied);
  EXPECT_EQ(image.ScanBounds(::testing::TempDir()), err::kAccessDenied);
}

TEST(HexFile, FileWithoutReadPermissionIsAccessDenied) {
  FirmwareImage image;
  const fs::path locked = fs::path(::testing::TempDir()) / "locked.hex";
  std::ofstream(locked) << kEnd;
  fs::permissions(locked, fs::perms::none);
  // On Windows the file is only made read-only, and a read-only file cannot be removed.
  const auto removeLocked = [&] {
    fs::permissions(locked, fs::perms::owner_all);
    fs::remove(locked);
  };
  if (std::ifstream(locked).is_open()) {
    removeLocked();
    GTEST_SKIP() << "this user reads any file; no permission case";
  }
  EXPECT_EQ(image.Load(locked.string()), err::kAccessDenied);
  removeLocked();
}

// Text without end (a device) or more text than any firmware file holds is refused before a
// byte of it is read, so a wrong pick cannot keep the reader going for ever.
TEST(HexFile, ADeviceOrAnOversizedFileIsRefusedAtOnce) {
  FirmwareImage image;
  const fs::path oversized = fs::path(::testing::TempDir()) / "oversized.hex";
  std::ofstream(oversized) << kEnd;
  fs::resize_file(oversized, FileSource::kMaxFileSize + 1);
  EXPECT_EQ(image.Load(oversized.string()), err::kFileTooLarge);
  EXPECT_EQ(image.ErrorLine(), 0u);
  fs::resize_file(oversized, FileSource::kMaxFileSize);
  EXPECT_NE(image.Load(oversized.string()), err::kFileTooLarge);  // read, and judged as text
  fs::remove(oversized);
#ifndef _WIN32
  EXPECT_EQ(image.Load("/dev/zero"), err::kAccessDenied);
  EXPECT_EQ(image.ScanBounds("/dev/zero"), err::kAccessDenied);
#endif
}

// Gives the first piece of a text, then fails as a disk read can.
class FailingSource final : public ByteSource {
 public:
  explicit FailingSource(std::string_view first) : first_(first) {}
  ErrorCode Next(std::string_view& chunk) override {
    chunk = std::exchange(first_, {});
    return chunk.empty() ? err::kReadFault : err::kSuccess;
  }

 private:
  std::string_view first_;
};

TEST(HexFile, AFailedReadIsReportedAsItselfNotAsTheRecordItCut) {
  FirmwareImage image;
  const std::string text = "\n" + Record(0, 0x0800, {7}) + "\n:0208";
  FailingSource source(text);
  EXPECT_EQ(image.Load(source, "failing.hex"), err::kReadFault);
  EXPECT_FALSE(image.Loaded());
  EXPECT_EQ(image.ErrorLine(), 3u);
  EXPECT_EQ(At(image, 0x0800), 7);
}

struct NameCase {
  const char* label;
  const char* path;
  std::optional<std::uint16_t> revision;
};

class FirmwareName : public ::testing::TestWithParam<NameCase> {};

TEST_P(FirmwareName, GivesTheRevisionOfTheLastDigits) {
  EXPECT_EQ(RevisionInFileName(GetParam().path), GetParam().revision);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FirmwareName,
    ::testing::Values(NameCase{"Plain", "VLX750fp0152.hex", 152},
                      NameCase{"InAFolder", "/home/op/fw.1/VLX750fp0146.hex", 146},
                      NameCase{"TextAfterTheDigits", "VLX750fp0152beta.hex", 152},
                      NameCase{"ManyLeadingZeros", "VLX750fp000000000000000152.hex", 152},
                      NameCase{"Highest", "VLX750fp9999.hex", 9999},
                      NameCase{"AboveHighest", "VLX750fp99999.hex", std::nullopt},
                      NameCase{"DigitsOfTheDevice", "VLX750fp.hex", 750},
                      NameCase{"NoDigits", "notes.hex", std::nullopt},
                      NameCase{"DigitsOnly", "0152.hex", std::nullopt}),
    test::ByLabel());

}  // namespace
}  // namespace vlx
