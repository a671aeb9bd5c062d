// Listing lines as servers send them, and the limits that keep a hostile listing from growing
// without end.

#include <gtest/gtest.h>

#include "ftp/CurlFtpErrors.h"
#include "ftp/FtpListing.h"
#include "support/CaseNames.h"

namespace vlx {

// Failures show an entry as it reads, not as its bytes.
void PrintTo(const FtpEntry& entry, std::ostream* out) {
  *out << (entry.isDirectory ? "folder \"" : "file \"") << entry.name << "\"";
  if (entry.size) {
    *out << " of " << *entry.size << " bytes";
  }
}

namespace {

struct LineCase {
  const char* label;
  ListingFormat format;
  std::string line;
  std::optional<FtpEntry> entry;
};

class ListingLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(ListingLine, GivesItsEntry) {
  EXPECT_EQ(ParseListingLine(GetParam().line, GetParam().format), GetParam().entry);
}

FtpEntry File(std::string name, std::optional<std::uint64_t> size) {
  return FtpEntry{std::move(name), size, false};
}

FtpEntry Folder(std::string name) {
  return FtpEntry{std::move(name), std::nullopt, true};
}

constexpr ListingFormat kMlsd = ListingFormat::kMlsd;
constexpr ListingFormat kList = ListingFormat::kList;

INSTANTIATE_TEST_SUITE_P(
    Ftp, ListingLine,
    ::testing::Values(
        LineCase{"MlsdFile", kMlsd, "modify=20260101000000;perm=r;size=6;type=file; a b.hex",
                 File("a b.hex", 6)},
        LineCase{"MlsdFolder", kMlsd, "type=dir;modify=20260101000000; VLX750fp0160.hex",
                 Folder("VLX750fp0160.hex")},
        LineCase{"MlsdSelfAndParent", kMlsd, "type=cdir; /VLX/firmware", std::nullopt},
        LineCase{"MlsdNameKeepsItsBytes", kMlsd, "type=file;size=1; ../x\x01;y.hex",
                 File("../x\x01;y.hex", 1)},
        LineCase{"MlsdHugeSize", kMlsd, "type=file;size=99999999999999999999; big",
                 File("big", std::nullopt)},
        LineCase{"MlsdWithoutFacts", kMlsd, "garbage", std::nullopt},
        LineCase{"UnixFile", kList,
                 "-rw-r--r--   1 owner group  128128 Dec 11 00:17 VLX750fp0152.hex",
                 File("VLX750fp0152.hex", 128128)},
        LineCase{"UnixFileWithoutGroup", kList, "-rw-r--r--  1 owner 42 Jan 01  2025 notes v2.rtf",
                 File("notes v2.rtf", 42)},
        LineCase{"UnixNameWithLeadingBlank", kList, "-rw-r--r-- 1 o g 1 Jan 01 2025  x",
                 File(" x", 1)},
        LineCase{"UnixFolder", kList, "drwxr-xr-x 2 owner group 4096 Jan 01 12:00 sub",
                 Folder("sub")},
        LineCase{"UnixLink", kList, "lrwxrwxrwx 1 o g 9 Jan 01 12:00 new.hex -> VLX750fp0152.hex",
                 File("new.hex", std::nullopt)},
        LineCase{"UnixParent", kList, "drwxr-xr-x 2 o g 4096 Jan 01 12:00 ..", std::nullopt},
        LineCase{"UnixTotal", kList, "total 12", std::nullopt},
        LineCase{"DosFile", kList, "12-11-26  09:15AM              1234 VLX750fp0152.hex",
                 File("VLX750fp0152.hex", 1234)},
        LineCase{"DosFolder", kList, "12-11-2026  09:15       <DIR>          old firmware",
                 Folder("old firmware")},
        LineCase{"Unknown", kList, "what is this", std::nullopt}),
    test::ByLabel());

TEST(ListingReader, JoinsLinesAcrossChunksAndTakesALastLineWithoutEnd) {
  ListingReader reader(kMlsd, {});
  std::vector<FtpEntry> entries;
  EXPECT_EQ(reader.Feed("type=file;size=1; a\r\ntype=fi", entries), err::kSuccess);
  EXPECT_EQ(reader.Feed("le;size=2; b\ntype=file;size=3; c", entries), err::kSuccess);
  EXPECT_EQ(reader.Finish(entries), err::kSuccess);
  EXPECT_EQ(entries, (std::vector<FtpEntry>{File("a", 1), File("b", 2), File("c", 3)}));
}

TEST(ListingReader, RefusesMoreEntriesOrBytesThanItsLimits) {
  std::vector<FtpEntry> entries;
  ListingReader counted(kMlsd, {2, 1000});
  EXPECT_EQ(counted.Feed("type=file; a\ntype=file; b\ntype=cdir; .\n", entries), err::kSuccess);
  EXPECT_EQ(counted.Feed("type=file; c\n", entries), err::kInvalidData);
  EXPECT_EQ(counted.Finish(entries), err::kInvalidData);

  // One endless line is as bad as endless lines.
  ListingReader sized(kMlsd, {100, 10});
  EXPECT_EQ(sized.Feed("type=file;", entries), err::kSuccess);
  EXPECT_EQ(sized.Feed(" a-very-long-name", entries), err::kInvalidData);
}

struct OutcomeCase {
  const char* label;
  CurlOutcome outcome;
  ErrorCode code;
};

class CurlOutcomeCode : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(CurlOutcomeCode, MapsToTheProgramsCode) {
  EXPECT_EQ(MapCurlOutcome(GetParam().outcome).code, GetParam().code);
}

CurlOutcome Outcome(CURLcode result, long replyCode = 0, int osErrno = 0) {
  CurlOutcome outcome;
  outcome.result = result;
  outcome.replyCode = replyCode;
  outcome.osErrno = osErrno;
  return outcome;
}

CurlOutcome Cancelled() {
  CurlOutcome outcome = Outcome(CURLE_RECV_ERROR);
  outcome.cancelled = true;
  return outcome;
}

CurlOutcome LocalError(ErrorCode code) {
  CurlOutcome outcome = Outcome(CURLE_WRITE_ERROR);
  outcome.localError = code;
  return outcome;
}

// What the real server cannot be made to do on loopback; the rest is in the server table.
INSTANTIATE_TEST_SUITE_P(
    Ftp, CurlOutcomeCode,
    ::testing::Values(
        OutcomeCase{"CancelWinsOverWhatFollowed", Cancelled(), 1223},
        OutcomeCase{"LocalWriteFailure", LocalError(29), 29},
        OutcomeCase{"ConnectTimeout", Outcome(CURLE_OPERATION_TIMEDOUT), 12002},
        OutcomeCase{"ProxyNotResolved", Outcome(CURLE_COULDNT_RESOLVE_PROXY), 12007},
        OutcomeCase{"LoginBeforeReplyCode", Outcome(CURLE_LOGIN_DENIED, 530), 12015},
        OutcomeCase{"PassiveBeforeReplyCode", Outcome(CURLE_FTP_WEIRD_PASV_REPLY, 502), 12112},
        OutcomeCase{"PartialBeforeReplyCode", Outcome(CURLE_PARTIAL_FILE, 426), 12030},
        OutcomeCase{"ResetOnRead", Outcome(CURLE_RECV_ERROR, 0, ECONNRESET), 12031},
        OutcomeCase{"AnyOtherRefusal", Outcome(CURLE_QUOTE_ERROR, 553), 12003},
        OutcomeCase{"UnknownFailure", Outcome(CURLE_SSL_CONNECT_ERROR), 12004}),
    test::ByLabel());

}  // namespace
}  // namespace vlx
