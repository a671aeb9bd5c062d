// The RTF reader: the text each construct gives (a named table), hostile inputs that must end
// with what could be read and no crash, formatting and links in the release notes fixture, and
// binary input refused.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "support/CaseNames.h"
#include "text/RtfReader.h"

namespace vlx {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

std::string Repeat(std::string_view part, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) {
    text += part;
  }
  return text;
}

// The target a run links to; empty when it is no link.
std::string LinkOf(const RichText& text, const RichTextRun& run) {
  return run.link >= 0 && static_cast<std::size_t>(run.link) < text.links.size()
             ? text.links[static_cast<std::size_t>(run.link)]
             : std::string();
}

struct TextCase {
  const char* label;
  std::string input;
  std::string text;  // RichText::PlainText of the reading
  bool truncated = false;
  bool plainText = false;
};

class RtfTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(RtfTextTest, ReadsTheTextOfEachConstruct) {
  const TextCase& c = GetParam();
  const RtfReading reading = ReadRtf(c.input);
  EXPECT_EQ(reading.code, err::kSuccess);
  EXPECT_EQ(reading.text.PlainText(), c.text);
  EXPECT_EQ(reading.truncated, c.truncated);
  EXPECT_EQ(reading.plainText, c.plainText);
}

const TextCase kTextCases[] = {
    // Not rich text: lines of plain text, UTF-8 when valid, else Windows-1252.
    {"PlainTextLines", "Line 1\r\nLine 2\rLine 3\n\nLast", "Line 1\nLine 2\nLine 3\n\nLast\n",
     false, true},
    {"PlainTextUtf8WithByteOrderMark",
     "\xEF\xBB\xBF"
     "caf\xC3\xA9\n",
     "caf\xC3\xA9\n", false, true},
    {"PlainTextWindows1252", "caf\xE9 \x80", "caf\xC3\xA9 \xE2\x82\xAC\n", false, true},
    {"RtfNotAtTheStartIsPlainText", " {\\rtf1 x}", " {\\rtf1 x}\n", false, true},
    // Groups, escapes and paragraphs.
    {"EscapedBracesAndBackslash", R"({\rtf1 a\{b\}c\\d})", "a{b}c\\d\n"},
    {"ParagraphsAndLineEndsInTheFile", "{\\rtf1 one\\par\r\ntwo\\\nthree\\par}",
     "one\ntwo\nthree\n"},
    {"LineAndTab", R"({\rtf1 a\line b\tab c})", "a\nb\tc\n"},
    {"TextAfterTheDocumentIsNotRead", R"({\rtf1 a}b\par c)", "a\n"},
    {"UnknownWordsAreIgnored", R"({\rtf1\foo12 a\bar-3 b\xyzzy\par})", "ab\n"},
    // Characters.
    {"HexEscapesAreWindows1252", R"({\rtf1 \'93x\'94 \'80 \'e9\'ff})",
     "\xE2\x80\x9Cx\xE2\x80\x9D \xE2\x82\xAC \xC3\xA9\xC3\xBF\n"},
    {"BadHexEscapeDropsOnlyItself", R"({\rtf1 a\'zzb\'4g})", "azzbg\n"},
    {"SpecialCharacterWords",
     R"({\rtf1 \emdash\endash\lquote\rquote\ldblquote\rdblquote\bullet\~\_})",
     "\xE2\x80\x94\xE2\x80\x93\xE2\x80\x98\xE2\x80\x99\xE2\x80\x9C\xE2\x80\x9D\xE2\x80\xA2"
     "\xC2\xA0\xE2\x80\x91\n"},
    {"UnicodeSkipsOneFallbackByDefault", R"({\rtf1 \u8364?x})",
     "\xE2\x82\xAC"
     "x\n"},
    {"UnicodeFallbackOfHexEscapes", R"({\rtf1\uc2 \u8364\'80\'80x})",
     "\xE2\x82\xAC"
     "x\n"},
    {"UnicodeWithoutFallback", R"({\rtf1\uc0 \u8364 x})",
     "\xE2\x82\xAC"
     "x\n"},
    {"UnicodeFallbackEndsAtAGroup", R"({\rtf1{\uc3\u8364}ab})",
     "\xE2\x82\xAC"
     "ab\n"},
    {"UnicodeCountIsScopedToItsGroup", R"({\rtf1{\uc0 a}\u8364?b})",
     "a\xE2\x82\xAC"
     "b\n"},
    {"UnicodeNegativeIsAbove32767", R"({\rtf1 \u-32768?\u-1?})", "\xE8\x80\x80\xEF\xBF\xBF\n"},
    {"UnicodeSurrogatePair", R"({\rtf1 \u-10179?\u-8704?})", "\xF0\x9F\x98\x80\n"},
    {"UnicodeLoneSurrogates", R"({\rtf1 \u-10179?x\u-8704?})", "\xEF\xBF\xBDx\xEF\xBF\xBD\n"},
    {"ControlCharactersAreNotText", R"({\rtf1\uc0 a\'00\'07\u0 \u127 b})", "ab\n"},
    // What is skipped.
    {"SkippedDestinations",
     R"({\rtf1{\info{\title T}{\author A}}{\stylesheet{\s0 Normal;}}{\*\generator G;})"
     R"({\header H}{\footerr F}{\pict\wmetafile8 0102}{\object\objemb x}{\*\unknown U}Body})",
     "Body\n"},
    {"HiddenText", R"({\rtf1 a{\v hidden}b\v c\v0 d})", "abd\n"},
    {"BinaryDataIsSkippedWhateverItHolds",
     "{\\rtf1 a\\bin5 }\0{\\\x01"
     "b}"s,
     "ab\n"},
    {"BinaryDataCountsAsOneFallback", R"({\rtf1 \u8364\bin2 xyb})",
     "\xE2\x82\xAC"
     "b\n"},
    {"ListTextIsShown", R"({\rtf1{\pntext\'b7\tab}{\*\pn\pnlvlblt{\pntxtb X}}Item\par})",
     "\xC2\xB7\tItem\n"},
    // Tables: a row is a line, its cells separated by tabs.
    {"TableRows",
     R"({\rtf1\trowd\cellx1\cellx2\pard\intbl A\cell B\cell\row)"
     R"(\trowd\pard\intbl\cell 2\cell\row after\par})",
     "A\tB\n\t2\nafter\n"},
    {"TableRowWithEmptyLastCell", R"({\rtf1\intbl A\cell \cell\row})", "A\t\n"},
    // Fields: the result is shown, the instruction is not.
    {"FieldShowsItsResult", R"({\rtf1 p{\field{\*\fldinst PAGE }{\fldrslt 7}}.})", "p7.\n"},
    // Hostile and broken input: what could be read, never a crash.
    {"TruncatedInAGroup", R"({\rtf1 a\par b{\b c)", "a\nbc\n", true},
    {"TruncatedInAnEscape", "{\\rtf1 a\\", "a\n", true},
    {"TruncatedInBinaryData", R"({\rtf1 a\bin100 xyz)", "a\n", true},
    {"HugeBinaryCount", R"({\rtf1 a\bin99999999999999999999 b})", "a\n", true},
    {"NegativeBinaryCount", R"({\rtf1 a\bin-5 b})", "ab\n"},
    {"DeepNesting", "{\\rtf1 " + Repeat("{", 100'000) + "deep" + Repeat("}", 100'000) + " out}",
     "deep out\n"},
    {"DeepNestingNeverClosed", "{\\rtf1 a" + Repeat("{\\b ", 100'000) + "x", "ax\n", true},
    {"ClosingBracesBeyondTheDocument", "{\\rtf1 a}" + Repeat("}", 1000), "a\n"},
    {"LongWordAndParameter", "{\\rtf1 \\" + Repeat("x", 10'000) + Repeat("9", 10'000) + " a}",
     "a\n"},
};

INSTANTIATE_TEST_SUITE_P(Constructs, RtfTextTest, ::testing::ValuesIn(kTextCases), test::ByLabel{});

TEST(RtfReaderTest, NulBytesOutsideBinaryDataAreBinaryInput) {
  for (const std::string_view input :
       {"{\\rtf1 a\0b}"sv, "plain\0text"sv, "{\\rtf1{\\*\\x \0}}"sv, "{\\rtf1 \\\0}"sv}) {
    const RtfReading reading = ReadRtf(input);
    EXPECT_EQ(reading.code, err::kInvalidData) << input.size();
    EXPECT_TRUE(reading.text.paragraphs.empty());
  }
  // After the document's closing brace nothing is read, padding included.
  EXPECT_EQ(ReadRtf("{\\rtf1 a}\0\0"sv).code, err::kSuccess);
}

TEST(RtfReaderTest, ParametersAreClampedToWhatAViewerCanShow) {
  const RtfReading reading =
      ReadRtf(R"({\rtf1\fs99999999999\li-99999999999\fi99999 a\par\fs0\sb-5 b\par})");
  ASSERT_EQ(reading.text.paragraphs.size(), 2u);
  const RichParagraph& first = reading.text.paragraphs[0];
  EXPECT_EQ(first.runs[0].style.halfPoints, 3276);
  EXPECT_EQ(first.leftIndent, -31680);
  EXPECT_EQ(first.firstLineIndent, 31680);
  const RichParagraph& second = reading.text.paragraphs[1];
  EXPECT_EQ(second.runs[0].style.halfPoints, RichTextStyle::kDefaultHalfPoints);
  EXPECT_EQ(second.spaceBefore, 0);
}

TEST(RtfReaderTest, CharacterFormattingFollowsGroupsAndPlain) {
  const RtfReading reading = ReadRtf(
      R"({\rtf1{\fonttbl\f0\fswiss Arial;\f1\fmodern Courier New;}{\colortbl;\red255\green0\blue0;})"
      R"(\fs20 n{\b b{\i bi}}{\ul\strike us\ulnone s}\f1\cf1\b mono\plain p\cf7 q\f9 r})");
  ASSERT_EQ(reading.text.paragraphs.size(), 1u);
  const auto& runs = reading.text.paragraphs[0].runs;
  ASSERT_EQ(runs.size(), 8u) << reading.text.PlainText();
  const auto style = [](bool b, bool i, bool u, bool s, int font, int size, int colour) {
    RichTextStyle style;
    style.bold = b;
    style.italic = i;
    style.underline = u;
    style.strikeOut = s;
    style.font = font;
    style.halfPoints = size;
    style.colour = colour;
    return style;
  };
  constexpr int kAuto = RichTextStyle::kAutoColour;
  const std::pair<std::string, RichTextStyle> expected[] = {
      {"n", style(false, false, false, false, 0, 20, kAuto)},
      {"b", style(true, false, false, false, 0, 20, kAuto)},
      {"bi", style(true, true, false, false, 0, 20, kAuto)},
      {"us", style(false, false, true, true, 0, 20, kAuto)},
      {"s", style(false, false, false, true, 0, 20, kAuto)},
      {"mono", style(true, false, false, false, 1, 20, 0xFF0000)},
      // \plain goes back to the default font and size; a colour or font the tables lack is the
      // viewer's own.
      {"pq", style(false, false, false, false, 0, 24, kAuto)},
      {"r", style(false, false, false, false, -1, 24, kAuto)},
  };
  for (std::size_t i = 0; i < runs.size(); ++i) {
    EXPECT_EQ(runs[i].text, expected[i].first);
    EXPECT_EQ(runs[i].style, expected[i].second) << runs[i].text;
  }
  const RichTextFont fonts[] = {{"Arial", false}, {"Courier New", true}};
  EXPECT_EQ(reading.text.fonts, std::vector<RichTextFont>(std::begin(fonts), std::end(fonts)));
}

TEST(RtfReaderTest, HyperlinkFieldsLinkTheirResult) {
  struct Case {
    const char* instruction;
    const char* link;
  };
  const Case cases[] = {
      {R"(HYPERLINK "https://example.com/a b")", "https://example.com/a b"},
      {R"( hyperlink https://example.com/x \\o "tip")", "https://example.com/x"},
      {R"(HYPERLINK \\o "tip" "mailto:notes@example.com")", "mailto:notes@example.com"},
      {R"({HYPERLINK }{"http://split.example/"})", "http://split.example/"},
      {R"(HYPERLINK \\n "https://example.com/new")", "https://example.com/new"},
      {R"(HYPERLINK \\l "bookmark")", ""},
      {"PAGE", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    const RtfReading reading = ReadRtf(std::string(R"({\rtf1 see {\field{\*\fldinst )") +
                                       c.instruction + R"(}{\fldrslt{\ul here}}} now})");
    ASSERT_EQ(reading.text.paragraphs.size(), 1u) << c.instruction;
    const auto& runs = reading.text.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 3u) << c.instruction;
    EXPECT_EQ(runs[1].text, "here");
    EXPECT_EQ(LinkOf(reading.text, runs[1]), c.link) << c.instruction;
    EXPECT_EQ(runs[2].link, -1) << "the link ends with its field";
    EXPECT_EQ(reading.text.links.size(), *c.link != '\0' ? 1u : 0u);
  }
}

TEST(RtfReaderTest, ReleaseNotesFixture) {
  std::ifstream file(VLX_FIXTURE_DIR "/notes/vlxfwnotes.rtf", std::ios::binary);
  ASSERT_TRUE(file) << VLX_FIXTURE_DIR;
  const std::string bytes{std::istreambuf_iterator<char>(file), {}};
  const RtfReading reading = ReadRtf(bytes);
  ASSERT_EQ(reading.code, err::kSuccess);
  EXPECT_FALSE(reading.truncated);
  const std::string bullet = "\xE2\x80\xA2\t";
  EXPECT_EQ(reading.text.PlainText(),
            "VLX750 Firmware Release Notes\n"
            "Revision 01.52 \xE2\x80\x93 12 March 2026\n" +
                bullet + "Fixed the \xE2\x80\x9CSWR trip\xE2\x80\x9D at 160\xC2\xA0m.\n" + bullet +
                "Temperature shown in \xC2\xB0"
                "C \xE2\x80\x94 read every 2\xC2\xA0s.\n" +
                bullet +
                "Do not remove power while loading.\n"
                "Commands: ^RVM; and ^sn;\nsecond line\n"
                "Download: example.com/vlx\n"
                "Band\tPower\n"
                "160 m\t1500 W\n"
                "Smiley: \xF0\x9F\x98\x80 done.\n");

  const auto& paragraphs = reading.text.paragraphs;
  ASSERT_EQ(paragraphs.size(), 10u);
  const RichParagraph& heading = paragraphs[0];
  EXPECT_EQ(heading.alignment, RichTextAlignment::kCentre);
  EXPECT_EQ(heading.spaceBefore, 120);
  EXPECT_TRUE(heading.runs[0].style.bold);
  EXPECT_EQ(heading.runs[0].style.halfPoints, 32);
  // A bulleted item hangs its first line; the bullet from the symbol font is Unicode now.
  const RichParagraph& item = paragraphs[4];
  EXPECT_EQ(item.alignment, RichTextAlignment::kLeft);
  EXPECT_EQ(item.leftIndent, 720);
  EXPECT_EQ(item.firstLineIndent, -360);
  EXPECT_EQ(item.runs[0].style.font, -1);
  EXPECT_EQ(item.runs[1].text, "Do not");
  EXPECT_TRUE(item.runs[1].style.italic);
  EXPECT_EQ(item.runs[1].style.colour, 0x990000);
  const auto& fonts = reading.text.fonts;
  const RichTextRun& command = paragraphs[5].runs[1];
  EXPECT_EQ(command.text, "^RVM;");
  ASSERT_LT(static_cast<std::size_t>(command.style.font), fonts.size());
  EXPECT_EQ(fonts[static_cast<std::size_t>(command.style.font)],
            (RichTextFont{"Courier New", true}));
  const RichTextRun& link = paragraphs[6].runs[1];
  EXPECT_EQ(link.text, "example.com/vlx");
  EXPECT_EQ(LinkOf(reading.text, link), "https://example.com/vlx/notes");
  EXPECT_TRUE(link.style.underline);
  EXPECT_EQ(link.style.colour, 0x0000FF);
  // A font name keeps nothing of its alternative.
  EXPECT_EQ(fonts.back().name, "Tahoma");
}

}  // namespace
}  // namespace vlx
