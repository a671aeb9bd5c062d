#include <gtest/gtest.h>

#include <string_view>

#include "text/Ascii.h"

namespace vlx {
namespace {

// Every byte, high ones included: a char is signed here, and a table indexed by it would read
// before its start.
TEST(Ascii, HexDigitsAreTheSixteenOfEitherCaseAndNoOtherByte) {
  int digits = 0;
  for (int byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    const int value = HexDigitValue(c);
    EXPECT_EQ(IsHexDigit(c), value >= 0) << byte;
    if (value >= 0) {
      ++digits;
      EXPECT_EQ(kUpperHexDigits[static_cast<std::size_t>(value)], UpperAscii(c)) << byte;
    }
  }
  EXPECT_EQ(digits, 22);  // 0-9, a-f, A-F
  EXPECT_EQ(HexDigitValue('f'), 15);
  EXPECT_EQ(HexDigitValue('G'), -1);
  EXPECT_EQ(HexDigitValue('\xB0'), -1);
}

TEST(Ascii, CaseIsFoldedForAsciiLettersOnly) {
  struct Case {
    std::string_view a;
    std::string_view b;
    bool equal;
  };
  for (const Case& c : {Case{"MEM2", "mem2", true}, Case{"Vlx750Fp", "vLX750fP", true},
                        Case{"", "", true}, Case{"MEM2", "MEM", false}, Case{"@[`{", "`{@[", false},
                        Case{"\xC4", "\xE4", false}, Case{"A\xC4", "a\xC4", true}}) {
    EXPECT_EQ(EqualIgnoringCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
  }
  EXPECT_TRUE(IsAsciiSpace('\v'));
  EXPECT_FALSE(IsBlank('\n'));
  EXPECT_FALSE(IsAsciiLetter('\xE9'));
}

}  // namespace
}  // namespace vlx
