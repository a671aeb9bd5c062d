#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "report/ReportTextIds.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {

TEST(TextFormat, IntegerWidthsPaddingAndPrecision) {
  EXPECT_EQ(FormatText("%u", {0u}), "0");
  EXPECT_EQ(FormatText("[%5u]", {42u}), "[   42]");
  EXPECT_EQ(FormatText("[%-5u]", {42u}), "[42   ]");
  EXPECT_EQ(FormatText("%05u", {42u}), "00042");
  EXPECT_EQ(FormatText("%08u", {123456u}), "00123456");
  EXPECT_EQ(FormatText("%.3u", {5u}), "005");
  EXPECT_EQ(FormatText("[%5.3u]", {5u}), "[  005]");
  EXPECT_EQ(FormatText("%.0u", {0u}), "");
  // The readings of the Operate page print tenths with "%0.1u".
  EXPECT_EQ(FormatText("%u.%0.1u V", {48u, 0u}), "48.0 V");
  EXPECT_EQ(FormatText("%u.%0.1u", {1u, 7u}), "1.7");
  EXPECT_EQ(FormatText("%04u%02u%0.2uT", {2024u, 1u, 2u}), "20240102T");
  EXPECT_EQ(FormatText("%lu %hu %llu", {1u, 2u, 3u}), "1 2 3");
}

TEST(TextFormat, HexAndSignedFollowThe32BitRules) {
  EXPECT_EQ(FormatText("0x%08X", {0xE2000049u}), "0xE2000049");
  EXPECT_EQ(FormatText("%x %X", {0xBEEFu, 0xBEEFu}), "beef BEEF");
  EXPECT_EQ(FormatText("%#x %#X %#x", {255u, 255u, 0u}), "0xff 0XFF 0");
  EXPECT_EQ(FormatText("%#06x", {255u}), "0x00ff");
  EXPECT_EQ(FormatText("0x%06X", {0x880u}), "0x000880");
  EXPECT_EQ(FormatText("%d", {0xFFFFFFFFu}), "-1");
  EXPECT_EQ(FormatText("%i", {std::int32_t{-5}}), "-5");
  EXPECT_EQ(FormatText("%05d", {std::int32_t{-42}}), "-0042");
  EXPECT_EQ(FormatText("%+d % d", {5u, 5u}), "+5  5");
  EXPECT_EQ(FormatText("%u", {std::int32_t{-1}}), "4294967295");
  EXPECT_EQ(FormatText("%x", {std::int32_t{-1}}), "ffffffff");
  EXPECT_EQ(FormatText("%u", {std::uint64_t{5000000000}}), "5000000000");
}

TEST(TextFormat, StringsAndCharacters) {
  EXPECT_EQ(FormatText("[%5s]", {"ab"}), "[   ab]");
  EXPECT_EQ(FormatText("[%-13s]", {"0F GAIN ERR"}), "[0F GAIN ERR  ]");
  EXPECT_EQ(FormatText("%.2s", {"abcdef"}), "ab");
  EXPECT_EQ(FormatText("%04s|%05s", {" 20 ", "ab"}), " 20 |000ab");
  EXPECT_EQ(FormatText("%c%3c", {65u, 66u}), "A  B");
  EXPECT_EQ(FormatText("%s", {std::string("std::string")}), "std::string");
  EXPECT_EQ(FormatText("100%% %s", {"sure"}), "100% sure");
}

TEST(TextFormat, MissingOrMismatchedArgumentsRenderNeutrally) {
  EXPECT_EQ(FormatText("%s and %u", {}), " and 0");
  EXPECT_EQ(FormatText("[%5s][%3u]", {}), "[     ][  0]");
  EXPECT_EQ(FormatText("%u", {"text"}), "0");
  EXPECT_EQ(FormatText("[%s]", {42u}), "[]");
  EXPECT_EQ(FormatText("[%c]", {"A"}), "[]");
  EXPECT_EQ(FormatText("%u %u", {1u}), "1 0");
  EXPECT_EQ(FormatText("%u", {1u, 2u}), "1");
}

TEST(TextFormat, UnknownOrUnfinishedDirectivesAreCopied) {
  EXPECT_EQ(FormatText("%q %u", {5u}), "%q 5");
  EXPECT_EQ(FormatText("%-5w", {5u}), "%-5w");
  EXPECT_EQ(FormatText("50%", {}), "50%");
  EXPECT_EQ(FormatText("x%08", {1u}), "x%08");
}

TEST(TextFormat, CompositeMessage) {
  EXPECT_EQ(FormatText(ids::kOperationFailedOn, {"CreateFile", "SN01234.VLXConfig", 2u,
                                                 "The system cannot find the file specified."}),
            "CreateFile failed on \"SN01234.VLXConfig\"\r\nError 0x00000002: The system cannot "
            "find the file specified.");
}

// A message that quotes a long path keeps its cause; only widths and precisions have a cap.
TEST(TextFormat, LongLinesAreWhole) {
  const std::string path(1500, 'p');
  EXPECT_EQ(FormatText(ids::kOperationFailedOn, {"CreateFile", path, 2u, "Cause."}),
            "CreateFile failed on \"" + path + "\"\r\nError 0x00000002: Cause.");
  EXPECT_EQ(FormatText("%s!", {std::string(5000, 'a')}), std::string(5000, 'a') + "!");
  EXPECT_EQ(FormatText("%99999u", {1u}).size(), kMaxFieldWidth);
  EXPECT_EQ(FormatText("%.99999999999999999999u", {1u}).size(), kMaxFieldWidth);
}

TEST(TextFormat, PrecisionNeverSplitsAUtf8Character) {
  const std::string prefix(2000, 'a');
  EXPECT_EQ(FormatText("%s\xC3\xA9", {prefix}), prefix + "\xC3\xA9");
  EXPECT_EQ(FormatText("%.1s", {"\xC3\xA9"}), "");
  EXPECT_EQ(FormatText("%.2s", {"\xC3\xA9z"}), "\xC3\xA9");
}

}  // namespace
}  // namespace vlx
