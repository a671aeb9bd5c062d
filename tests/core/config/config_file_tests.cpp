// The configuration file: its hexadecimal and CRC helpers, the text a save writes (against a
// golden file), the reader's checks as a table of files, and the writing of a file in place of
// another.

#include <gtest/gtest.h>

#include <cctype>
#include <map>

#include "config/ConfigurationFile.h"
#include "config/Crc32.h"
#include "config/HexBytes.h"
#include "report/TextFormat.h"
#include "support/CaseNames.h"
#include "support/FakeFileSystem.h"
#include "support/FileContents.h"
#include "support/RecordingSinks.h"

namespace vlx::test {
namespace {

// A configuration range as a save reads it: each byte tells its address, so a line cut or placed
// wrongly shows.
class PatternImage final : public ConfigurationImageSource {
 public:
  PatternImage() {
    for (std::size_t i = 0; i < 256; ++i) {
      bytes_[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
  }
  const std::uint8_t* GetImageBytes(std::size_t rangeIndex, std::uint8_t address) const override {
    return bytes_ + rangeIndex * 256 + address;
  }
  std::uint8_t At(std::uint8_t address) const { return bytes_[address]; }

 private:
  std::uint8_t bytes_[256];
};

ConfigurationFileHeader SaveHeader(std::uint16_t serialNumber = 1234) {
  ConfigurationFileHeader header;
  header.saveTime = {2024, 1, 2, 3, 4, 5};
  header.programRevision = "Velqorin VLX Utility Revision 1.0.0.0";
  header.firmwareRevision = 152;
  header.serialNumber = serialNumber;
  return header;
}

std::string SavedText() {
  return ConfigurationFileText(SaveHeader(), PatternImage());
}

// A file of these lines with a seal that fits them, CR LF after each.
std::string Sealed(const std::vector<std::string>& lines) {
  std::string text;
  std::uint32_t crc = 0;
  for (const std::string& line : lines) {
    crc = Crc32(line, crc);
    text += line + "\r\n";
  }
  return text + FormatText("CRC32 = 0x%08X\r\n", {~crc});
}

// Every `from` in the text replaced.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  EXPECT_NE(text.find(from), std::string::npos) << from;
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The saved file with its seal line replaced.
std::string WithSeal(const std::string& seal) {
  std::string text = SavedText();
  const std::size_t at = text.find("CRC32");
  return text.substr(0, at) + seal + "\r\n";
}

TEST(HexBytes, EncodesAndParsesEitherCase) {
  const std::uint8_t bytes[] = {0x00, 0x0F, 0xA5, 0xFF};
  EXPECT_EQ(HexEncode(bytes, 4), "000FA5FF");
  std::uint8_t value = 0x11;
  EXPECT_EQ(ParseHexByte('a', 'F', value), err::kSuccess);
  EXPECT_EQ(value, 0xAF);
  for (const auto& [high, low] : {std::pair{'G', '0'}, {'0', 'g'}, {' ', '1'}, {'1', '\0'}}) {
    EXPECT_EQ(ParseHexByte(high, low, value), err::kUnexpectedHexCharacter) << high << low;
    EXPECT_EQ(value, 0xAF);
  }
}

TEST(Crc32, KnownValuesAndContinuation) {
  EXPECT_EQ(Crc32(""), 0u);
  EXPECT_EQ(Crc32("abc"), 0x352441C2u);
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc32("c", Crc32("b", Crc32("a"))), 0x352441C2u);
  EXPECT_EQ(~Crc32("abc"), 0xCADBBE3Du);
}

TEST(ConfigurationFileWriter, WritesTheGoldenFile) {
  EXPECT_EQ(SavedText(), test::Fixture("config/SN01234.20240102T030405.VLXConfig"));
}

TEST(ConfigurationFileWriter, UnknownSerialNumberLeavesItsLineAndNameOut) {
  const std::string text = ConfigurationFileText(SaveHeader(0xFFFF), PatternImage());
  EXPECT_EQ(text.find("VLX Serial Number"), std::string::npos);
  RestorableBytes bytes;
  EXPECT_EQ(CheckConfigurationText(text, 1234, bytes).code, err::kSuccess);
  EXPECT_EQ(ConfigurationFileName(0xFFFF, SaveHeader().saveTime), "20240102T030405.VLXConfig");
  EXPECT_EQ(ConfigurationFileName(1234, SaveHeader().saveTime),
            "SN01234.20240102T030405.VLXConfig");
}

TEST(ConfigurationFileWriter, RevisionMarkersAndEmptyProgramRevision) {
  ConfigurationFileHeader header = SaveHeader();
  header.firmwareRevision = 0;
  header.programRevision.clear();
  const std::string text = ConfigurationFileText(header, PatternImage());
  EXPECT_NE(text.find("\r\nVLX Firmware Revision = ??.??\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nVLX Utility Revision = \r\n"), std::string::npos);
}

struct Verdict {
  ErrorCode code;
  std::string message;  // empty: none
};

// One file and what the reader makes of it.
struct FileCase {
  const char* label;
  std::string text;
  Verdict verdict;
  std::size_t restorableBytes;
};

std::vector<FileCase> FileCases() {
  const std::string saved = SavedText();
  const Verdict good = {err::kSuccess, ""};
  const Verdict altered = {err::kCorruptConfigurationFile, FormatText(215)};
  const Verdict incomplete = {err::kIncompleteConfigurationFile, FormatText(272)};
  auto unparsable = [](const std::string& line) {
    return Verdict{err::kCorruptConfigurationFile, FormatText(441, {line})};
  };
  const std::size_t line0At = saved.find("MEM2 00 00");
  const std::string line0 = saved.substr(line0At, saved.find("\r\n", line0At) - line0At);
  const std::string header =
      "*VLX Configuration saved on 2024-01-02 at 03:04:05\r\n*Do not edit this file!\r\n";
  return {
      {"Valid", saved, good, 224},
      {"LfOnlyLineEnds", Replaced(saved, "\r\n", "\n"), good, 224},
      {"EmptyLinesAnywhere",
       Replaced(Replaced(saved, "\r\nMEM2", "\r\n\r\n\nMEM2"), "\r\nCRC32", "\r\n\r\nCRC32"), good,
       224},
      {"CommentAfterSeal", saved + "*a note\r\n", good, 224},
      {"CommentBeforeSeal", Replaced(saved, "\r\nCRC32", "\r\n*a note\r\nCRC32"), altered, 224},
      {"DataChanged", Replaced(saved, "MEM2 00 00 20 03", "MEM2 00 00 20 04"), altered, 224},
      {"HeaderChanged", Replaced(saved, "01.52", "01.53"), altered, 224},
      {"SealSevenDigits", WithSeal(saved.substr(saved.find("CRC32"), 17)), altered, 224},
      {"SealNotHex", WithSeal("CRC32 = 0xG" + saved.substr(saved.find("CRC32") + 11, 7)), altered,
       224},
      {"SealWithoutBlanks", WithSeal("CRC32=0x" + saved.substr(saved.find("CRC32") + 10, 8)),
       altered, 224},
      {"SealLowerCaseWithTail",
       WithSeal("CRC32 = 0X" +
                [&] {
                  std::string digits = saved.substr(saved.find("CRC32") + 10, 8);
                  for (char& digit : digits) {
                    digit = static_cast<char>(std::tolower(static_cast<unsigned char>(digit)));
                  }
                  return digits;
                }() +
                " and more"),
       good, 224},
      {"Empty", "", incomplete, 0},
      {"CommentsOnly", header, incomplete, 0},
      {"CrOnlyLineEnds", Replaced(saved, "\r\n", "\r"), incomplete, 0},
      // A CR counts nowhere, inside a line as at its end.
      {"CrInsideTheSealKeyword", Replaced(saved, "CRC32", "C\rRC32"), good, 224},
      {"SealWithoutLineEnd", saved.substr(0, saved.size() - 2), incomplete, 224},
      {"ConfigurationLineAfterSeal", saved + line0 + "\r\n", incomplete, 224},
      {"LowerCaseSealKeyword", Replaced(saved, "CRC32", "crc32"), incomplete, 224},
      {"DoubledBlank", Sealed({"MEM2 00  00 01 AA"}), unparsable("MEM2 00  00 01 AA"), 0},
      {"FourFields", Sealed({"MEM2 00 00 01"}), unparsable("MEM2 00 00 01"), 0},
      {"BankOfThreeDigits", Sealed({"MEM2 000 00 01 AA"}), unparsable("MEM2 000 00 01 AA"), 0},
      {"DataNotHex", Sealed({"MEM2 00 00 01 AZ"}), unparsable("MEM2 00 00 01 AZ"), 0},
      {"DataOneDigitShort", Sealed({"MEM2 00 00 02 AAB"}), unparsable("MEM2 00 00 02 AAB"), 0},
      {"KeywordRunsOn", Sealed({"MEM2X 00 00 01 AA"}), unparsable("MEM2X 00 00 01 AA"), 0},
      {"StopsAtBadLineKeepingEarlierBytes",
       Sealed({"MEM2 00 00 02 AABB", "MEM2 00 10 01 A", "MEM2 00 20 01 CC"}),
       unparsable("MEM2 00 10 01 A"), 2},
      {"QuotedLinePrintableAndCut", Sealed({"MEM2 \x01 " + std::string(120, 'A')}),
       unparsable("MEM2 \\x01 " + std::string(93, 'A') + "..."), 0},
      {"SerialNumberWithoutBlanks",
       Sealed({"VLX Serial Number=01234"}),
       {err::kCorruptConfigurationFile,
        FormatText(154, {"VLX Serial Number", "VLX Serial Number=01234"})},
       0},
      {"LowerCaseKeywordIsOrdinaryLine", Sealed({"mem2 00 00 01 AA"}), good, 0},
      {"LowerCaseDigitsAndTrailingFields", Sealed({"MEM2 00 0a 02 aabb extra"}), good, 2},
      {"NoRestorableByte", Sealed({"MEM2 00 F0 02 AABB", "MEM2 01 00 01 AA"}), good, 0},
      {"AddressWrapsAfterFF", Sealed({"MEM2 00 FF 02 AABB"}), good, 1},
  };
}

class ConfigurationFileReader : public ::testing::TestWithParam<FileCase> {};

TEST_P(ConfigurationFileReader, ReadsAsExpected) {
  const FileCase& file = GetParam();
  RestorableBytes bytes;
  const ConfigurationFileCheck check = CheckConfigurationText(file.text, 1234, bytes);
  EXPECT_EQ(check.code, file.verdict.code);
  EXPECT_EQ(check.message, file.verdict.message);
  EXPECT_EQ(bytes.Count(), file.restorableBytes);
  EXPECT_FALSE(check.serialNumberDiffers);
}

INSTANTIATE_TEST_SUITE_P(Files, ConfigurationFileReader, ::testing::ValuesIn(FileCases()),
                         ByLabel());

TEST(ConfigurationFileReader, EveryCutBeforeTheSealIsIncomplete) {
  const std::string saved = SavedText();
  for (std::size_t end = saved.find('\n'); end != std::string::npos;
       end = saved.find('\n', end + 1)) {
    if (end + 1 == saved.size()) {
      break;  // the whole file
    }
    RestorableBytes bytes;
    EXPECT_EQ(CheckConfigurationText(saved.substr(0, end + 1), 1234, bytes).code,
              err::kIncompleteConfigurationFile)
        << "cut after byte " << end;
  }
}

TEST(ConfigurationFileReader, HandsTheSavedBytesOverAndComparesTheSerialNumber) {
  const PatternImage image;
  RestorableBytes bytes;
  const ConfigurationFileCheck same = CheckConfigurationText(SavedText(), 1234, bytes);
  EXPECT_FALSE(same.serialNumberDiffers);
  for (std::uint32_t address = 0; address <= 0xDF; ++address) {
    ASSERT_TRUE(bytes.Has(static_cast<std::uint8_t>(address)));
    EXPECT_EQ(bytes.At(static_cast<std::uint8_t>(address)),
              image.At(static_cast<std::uint8_t>(address)));
  }
  EXPECT_EQ(same.otherLines.size(), 6u);
  EXPECT_EQ(same.otherLines[5], "VLX Serial Number = 01234");

  EXPECT_TRUE(CheckConfigurationText(SavedText(), 4321, bytes).serialNumberDiffers);
  EXPECT_FALSE(CheckConfigurationText(SavedText(), 0xFFFF, bytes).serialNumberDiffers);
  // Only the low 16 bits count, as the amplifier's number has no more.
  EXPECT_FALSE(CheckConfigurationText(Sealed({"VLX Serial Number =  +66770"}), 1234, bytes)
                   .serialNumberDiffers);
}

// What a restore shows of its file: the header's serial number and save time, printable and
// bounded, or "not recorded".
TEST(ConfigurationFileReader, TellsTheFactsItsHeaderRecords) {
  RestorableBytes bytes;
  const ConfigurationFileFacts saved = FactsOf(CheckConfigurationText(SavedText(), 1234, bytes));
  EXPECT_EQ(saved.serialNumber, "01234");
  EXPECT_EQ(saved.savedOn, "2024-01-02 at 03:04:05");

  const ConfigurationFileFacts bare =
      FactsOf(CheckConfigurationText(test::Fixture("config/banner-only.VLXConfig"), 1234, bytes));
  EXPECT_EQ(bare.serialNumber, "not recorded");
  EXPECT_EQ(bare.savedOn, "2024-01-02 at 03:04:05");

  const ConfigurationFileFacts odd = FactsOf(CheckConfigurationText(
      Sealed({"*VLX Configuration saved on \x1b[2J" + std::string(100, 'x')}), 1234, bytes));
  EXPECT_EQ(odd.serialNumber, "not recorded");
  EXPECT_EQ(odd.savedOn, "\\x1B[2J" + std::string(56, 'x') + "...");
}

struct ConfigurationFileReading : ::testing::Test {
  FakeFileSystem files;
  RecordingStatusSink status;
  ScriptedPrompts prompts;
  RestorableBytes bytes;

  ConfigurationFileCheck Read(const std::string& path) {
    return ReadConfigurationFile(files, status, prompts, path, 1234, bytes);
  }
};

TEST_F(ConfigurationFileReading, ACheckFailsWithAStatusLineThenABox) {
  files.PutFile("/c/altered", Replaced(SavedText(), "01.52", "01.53"));
  EXPECT_EQ(Read("/c/altered").code, err::kCorruptConfigurationFile);
  ASSERT_EQ(status.statusLines.size(), 1u);
  EXPECT_EQ(status.statusLines[0], FormatText(215));
  ASSERT_EQ(prompts.boxes.size(), 1u);
  EXPECT_EQ(prompts.boxes[0].text, FormatText(215));
  EXPECT_EQ(prompts.boxes[0].caption, "Restore Configuration Error");
  EXPECT_EQ(prompts.boxes[0].style, mb::kIconError);
}

TEST_F(ConfigurationFileReading, AGoodFileShowsNothing) {
  files.PutFile("/c/good", SavedText());
  EXPECT_EQ(Read("/c/good").code, err::kSuccess);
  EXPECT_TRUE(status.statusLines.empty());
  EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(ConfigurationFileReading, FileFailuresAreReportedWithTheStep) {
  files.PutFile("/c/big", std::string(FileStore::kDefaultReadCap + 1, '*'));
  files.PutFile("/c/cap", std::string(FileStore::kDefaultReadCap, '*'));
  const std::string missing =
      "CreateFile failed on \"/c/missing\"\r\nError 0x00000002: "
      "The system cannot find the file specified.";
  EXPECT_EQ(Read("/c/missing").code, err::kFileNotFound);
  ASSERT_EQ(prompts.boxes.size(), 1u);
  EXPECT_EQ(prompts.boxes[0].text, missing);
  EXPECT_EQ(prompts.boxes[0].caption, "Configuration file read error");
  EXPECT_EQ(status.statusLines, std::vector<std::string>{missing});

  EXPECT_EQ(Read("/c/big").code, err::kFileTooLarge);
  EXPECT_EQ(
      prompts.boxes.back().text.rfind("ReadFile failed on \"/c/big\"\r\nError 0x000000DF: ", 0),
      0u);
  EXPECT_EQ(bytes.Count(), 0u);
  // At the cap the file is read, and found to be no configuration file.
  EXPECT_EQ(Read("/c/cap").code, err::kIncompleteConfigurationFile);

  files.PutFile("/c/good", SavedText());
  files.FailStep(file_step::kRead, err::kReadFault);
  EXPECT_EQ(Read("/c/good").code, err::kReadFault);
  EXPECT_EQ(prompts.boxes.back().text.rfind("ReadFile failed on \"/c/good\"", 0), 0u);
}

class AtomicConfigurationWrite : public ::testing::TestWithParam<const char*> {};

TEST_P(AtomicConfigurationWrite, AFailedStepKeepsTheOldFile) {
  FakeFileSystem files;
  RecordingStatusSink status;
  ScriptedPrompts prompts;
  const std::string path = "/c/SN01234.20240102T030405.VLXConfig";
  files.PutFile(path, "the old file\r\n");
  files.FailStep(GetParam(), err::kDiskFull);

  EXPECT_EQ(WriteConfigurationFile(files, status, prompts, path, SaveHeader(), PatternImage()),
            err::kDiskFull);
  EXPECT_EQ(files.Files(), (std::map<std::string, std::string>{{path, "the old file\r\n"}}));
  ASSERT_EQ(prompts.boxes.size(), 1u);
  EXPECT_EQ(prompts.boxes[0].caption, "Configuration file write error");
  EXPECT_EQ(prompts.boxes[0].text,
            FormatText("%s failed on \"%s\"\r\nError 0x00000070: %s",
                       {GetParam(), path, "There is not enough space on the disk."}));
  EXPECT_EQ(status.statusLines.size(), 1u);

  files.ClearFailures();
  EXPECT_EQ(WriteConfigurationFile(files, status, prompts, path, SaveHeader(), PatternImage()),
            err::kSuccess);
  EXPECT_EQ(files.Files(), (std::map<std::string, std::string>{
                               {path, test::Fixture("config/SN01234.20240102T030405.VLXConfig")}}));
  EXPECT_EQ(prompts.boxes.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Steps, AtomicConfigurationWrite,
                         ::testing::Values(file_step::kCreate, file_step::kWrite, file_step::kFlush,
                                           file_step::kClose, file_step::kMove),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace
}  // namespace vlx::test
