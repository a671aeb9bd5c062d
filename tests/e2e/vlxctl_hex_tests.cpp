// `vlxctl hex FILE` as users run it: the report, the exit code, and errors in the form
// FILE:LINE: error 0xCODE: text; the files come from vlx750-mkfw or are written here.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "support/CaseNames.h"
#include "support/e2e/FinishedRun.h"
#include "support/e2e/TemporaryFolder.h"
#include "support/process/ChildProcess.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;

bool Has(const std::string& text, const std::string& needle) {
  return text.find(needle) != std::string::npos;
}

TEST(VlxctlHex, GeneratedFirmwareIsLoadable) {
  TemporaryFolder folder("vlxctl-hex");
  const Finished made = RunProgram(VLX750_MKFW_PATH, {"--revision", "152", "--no-word", "--hole",
                                                      "1000-1100", "-o", folder.Path()});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const std::string file = (folder.Path() / "VLX750fp0152.hex").string();
  EXPECT_EQ(made.out, file + "\n");

  const Finished hex = RunProgram(VLXCTL_PATH, {"hex", file});
  EXPECT_EQ(hex.exitCode, 0) << hex.err;
  EXPECT_EQ(hex.err, "");
  EXPECT_TRUE(Has(hex.out, "Records:          8008 data, 1 end of file, 0 extended segment"))
      << hex.out;
  EXPECT_TRUE(Has(hex.out, "Address range:    0x000800 up to 0x01FD80 (exclusive)"));
  EXPECT_TRUE(Has(hex.out, "Bytes:            128128 in the image"));
  EXPECT_TRUE(Has(hex.out, "Blocks unwritten: 4 of 2006"));
  EXPECT_TRUE(Has(hex.out, "Checksum word:    0, absent: loading fills in 0x"));
  EXPECT_TRUE(Has(hex.out, "Name's revision:  01.52"));
  EXPECT_TRUE(Has(hex.out, "Loadable:         yes"));
}

struct BadFile {
  const char* label;
  const char* name;
  std::string text;
  int exitCode;
  std::string out;  // a line the report must hold
  std::string err;  // stderr after "PATH"
};

class VlxctlHexFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(VlxctlHexFile, ReportsAndExits) {
  const BadFile& c = GetParam();
  TemporaryFolder folder("vlxctl-hex-file");
  const std::string file = (folder.Path() / c.name).string();
  if (!c.text.empty()) {
    std::ofstream(file, std::ios::binary) << c.text;
  }
  const Finished hex = RunProgram(VLXCTL_PATH, {"hex", file});
  EXPECT_EQ(hex.exitCode, c.exitCode) << hex.err;
  EXPECT_TRUE(Has(hex.out, c.out)) << hex.out;
  if (c.err.empty()) {
    EXPECT_EQ(hex.err, "");
  } else {
    EXPECT_TRUE(hex.err.starts_with(file + c.err)) << hex.err;
  }
}

const std::string kEnd = ":00000001FF\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, VlxctlHexFile,
    ::testing::Values(
        BadFile{"ChecksumErrorNamesItsLine", "VLX750fp0152.hex",
                "; built by hand\r\n\r\n:0208000001020F\r\n" + kEnd, 1, "Loadable:         no",
                ":3: error 0xE2000022: intel hex line checksum error\n"},
        BadFile{"IndentedRecord", "VLX750fp0152.hex", "  :00000001FF\n", 1, "Loadable:         no",
                ":1: error 0xE2000020: intel hex line does not begin with the expected colon\n"},
        BadFile{"MissingFile", "VLX750fp0152.hex", "", 1, "Loadable:         no",
                ": error 0x00000002: "},
        BadFile{"WordThatDoesNotReconcile", "VLX750fp0152.hex", ":020800000102F3\r\n" + kEnd, 1,
                "Checksum word:    0x0102, but the image does not sum to 0: loading refuses it",
                ": error 0xE2000041: Input hex file is corrupt, check sum is not zero\n"},
        BadFile{"WordZeroAndImageSummingToZero", "VLX750fp0152.hex",
                ":040800000000FABE3C\r\n" + kEnd, 1,
                "Checksum word:    0, absent, and the image sums to 0 already: loading stops",
                ": warning 0xA2000047: The computed checksum reconciliation word is zero\n"},
        BadFile{"RecordBelowTheImageWarned", "VLX750fp0152.hex",
                ":1007F80000000000000000000000000000000000F1\r\n" + kEnd, 1,
                "Warning:          record at line 1 starts below 0x000800; ignored",
                ": error 0xE2000041: "},
        BadFile{"RevisionAboveHighest", "VLX750fp99999.hex", kEnd, 1, "Name's revision:  none",
                ": error 0xE2000041: "}),
    ByLabel());

TEST(VlxctlHex, WithoutAFileIsAUsageError) {
  const Finished hex = RunProgram(VLXCTL_PATH, {"hex"});
  EXPECT_EQ(hex.exitCode, 2);
  EXPECT_TRUE(Has(hex.err, "FILE")) << hex.err;
}

}  // namespace
}  // namespace vlx::test
