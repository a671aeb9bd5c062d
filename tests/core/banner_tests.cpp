// The power-on banner: the rules the edit and vlxctl share.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "config/BannerRules.h"
#include "support/CaseNames.h"

namespace vlx::test {
namespace {

using namespace std::string_literals;

struct TextCase {
  const char* label;
  std::string typed;
  std::optional<std::string> taken;
};

class BannerTextRule : public ::testing::TestWithParam<TextCase> {};

TEST_P(BannerTextRule, TakesPrintableTextOfUpToEightCharactersInUpperCase) {
  EXPECT_EQ(AcceptBannerText(GetParam().typed), GetParam().taken);
}

INSTANTIATE_TEST_SUITE_P(Cases, BannerTextRule,
                         ::testing::Values(TextCase{"Empty", "", ""},
                                           TextCase{"Eight", "VLX750AB", "VLX750AB"},
                                           TextCase{"LowerCaseRaised", "hello w!", "HELLO W!"},
                                           TextCase{"PrintableEnds", " ~", " ~"},
                                           TextCase{"Nine", "ABCDEFGHI", std::nullopt},
                                           TextCase{"Tab", "A\tB", std::nullopt},
                                           TextCase{"Delete", "A\x7F", std::nullopt},
                                           TextCase{"NulByte", "A\0B"s, std::nullopt},
                                           TextCase{"NonAscii", "CAF\xC3\x89", std::nullopt}),
                         ByLabel());

TEST(BannerShown, BytesTheEditCannotShowBecomeQuestionMarksAndCountAsUnchanged) {
  const std::string banner = "ab\x01\xFF\x7F~"s;
  EXPECT_EQ(ShownBanner(banner), "ab???~");
  // Left as shown, nothing is written; a real edit, or the shown text raised to upper case, is.
  EXPECT_TRUE(IsBannerUnchanged("ab???~", banner));
  EXPECT_FALSE(IsBannerUnchanged("AB???~", banner));
  EXPECT_FALSE(IsBannerUnchanged("ab??~", banner));
  EXPECT_TRUE(IsBannerUnchanged("", ""));
}

}  // namespace
}  // namespace vlx::test
