#include <gtest/gtest.h>

#include <string>

#include "CaseNames.h"
#include "firmware/FtpNames.h"

namespace vlx {
namespace {

struct NameCase {
  const char* label;
  std::string name;
  bool plain;
};

class FtpPlainName : public ::testing::TestWithParam<NameCase> {};

TEST_P(FtpPlainName, TakesOnlyWholePlainNames) {
  EXPECT_EQ(IsPlainFtpName(GetParam().name), GetParam().plain);
  // Whatever the name, a local target exists only for a plain one, and only inside the folder.
  const auto target = FtpLocalTarget("/data/fw", GetParam().name);
  EXPECT_EQ(target.has_value(), GetParam().plain);
  if (target) {
    EXPECT_EQ(*target, "/data/fw/" + GetParam().name);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Ftp, FtpPlainName,
    ::testing::Values(NameCase{"Firmware", "VLX750fp0199.hex", true},
                      NameCase{"Notes", "VLX750 release notes.rtf", true},
                      NameCase{"DotLeading", ".hidden", true},
                      NameCase{"HighBytes", "VLX\xC3\xA9.hex", true},
                      NameCase{"Longest", std::string(255, 'a'), true},
                      NameCase{"TooLong", std::string(256, 'a'), false},
                      NameCase{"Empty", "", false}, NameCase{"Dot", ".", false},
                      NameCase{"DotDot", "..", false},
                      NameCase{"ParentSlash", "../VLX750fp0199.hex", false},
                      NameCase{"Absolute", "/tmp/VLX750fp0199.hex", false},
                      NameCase{"Subfolder", "sub/VLX750fp0199.hex", false},
                      NameCase{"ParentBackslash", "..\\VLX750fp0199.hex", false},
                      NameCase{"DriveLetter", "C:VLX750fp0199.hex", false},
                      NameCase{"LineBreak", "VLX750fp0199.hex\r\nforged line", false},
                      NameCase{"Escape", "VLX750fp\x1b[2J0199.hex", false},
                      NameCase{"Delete", "VLX750fp0199\x7F.hex", false},
                      NameCase{"Nul", std::string("VLX750fp0199.hex\0x", 18), false}),
    test::ByLabel());

TEST(FtpPrintableName, EscapesControlsAndBackslashes) {
  EXPECT_EQ(PrintableFtpName("VLX750fp0199.hex"), "VLX750fp0199.hex");
  EXPECT_EQ(PrintableFtpName("a\r\nb\x7F"), "a\\x0D\\x0Ab\\x7F");
  EXPECT_EQ(PrintableFtpName("..\\x"), "..\\\\x");
}

TEST(FtpPrintableName, CutsLongNamesTo260Characters) {
  EXPECT_EQ(PrintableFtpName(std::string(260, 'a')), std::string(260, 'a'));
  const std::string cut = PrintableFtpName(std::string(1000, 'a'));
  EXPECT_EQ(cut.size(), 260u);
  EXPECT_TRUE(cut.ends_with("..."));
  // Escapes count after expansion, so a name of controls stays within the bound too.
  EXPECT_EQ(PrintableFtpName(std::string(100, '\n')).size(), 260u);
}

struct LeftoverCase {
  const char* label;
  std::string fileName;
  bool ours;
};

class FtpLeftover : public ::testing::TestWithParam<LeftoverCase> {};

TEST_P(FtpLeftover, RecognisesOnlyOurTemporaryNames) {
  EXPECT_EQ(IsFtpLeftover(GetParam().fileName), GetParam().ours);
}

INSTANTIATE_TEST_SUITE_P(
    Ftp, FtpLeftover,
    ::testing::Values(LeftoverCase{"MadeByUs", FtpTemporaryName("VLX750fp0199.hex", "a1B2c3"),
                                   true},
                      LeftoverCase{"NotesMadeByUs", FtpTemporaryName("notes.rtf", "ZZZZZZ"), true},
                      LeftoverCase{"TheRealFile", "VLX750fp0199.hex", false},
                      LeftoverCase{"NoLeadingDot", "VLX750fp0199.hex.part-a1B2c3", false},
                      LeftoverCase{"ShortSuffix", ".VLX750fp0199.hex.part-a1B2c", false},
                      LeftoverCase{"LongSuffix", ".VLX750fp0199.hex.part-a1B2c3d", false},
                      LeftoverCase{"SuffixPunctuation", ".VLX750fp0199.hex.part-a1B2c.", false},
                      LeftoverCase{"NoName", "..part-a1B2c3", false},
                      LeftoverCase{"DotDotName", "....part-a1B2c3", false},
                      LeftoverCase{"UserDotFile", ".profile", false},
                      LeftoverCase{"OtherMarker", ".VLX750fp0199.hex.tmp-a1B2c3", false}),
    test::ByLabel());

TEST(FtpTemporaryName, HidesTheNameBehindADotAndAMarker) {
  EXPECT_EQ(FtpTemporaryName("VLX750fp0199.hex", "Ab12Cd"), ".VLX750fp0199.hex.part-Ab12Cd");
}

}  // namespace
}  // namespace vlx
