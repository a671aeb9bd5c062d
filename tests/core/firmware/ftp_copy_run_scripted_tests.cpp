// The FTP copy run against a scripted server and an in-memory firmware folder: what it fetches,
// the lines it reports, how every failure and Cancel ends it, and that the folder only ever
// holds complete, checked files under their real names.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <ranges>
#include <string>
#include <vector>

#include "CaseNames.h"
#include "FakeFileSystem.h"
#include "ScriptedFtpClient.h"
#include "firmware/FtpCopyRun.h"
#include "report/ErrorText.h"

namespace vlx::test {
namespace {

constexpr const char* kFolder = "/fw";
// One data record at the image's first address and the end record.
constexpr const char* kGoodHex = ":020800000102F3\n:00000001FF\n";
constexpr const char* kOtherGoodHex = ":020800000304EF\n:00000001FF\n";

using Folder = std::map<std::string, std::string>;

struct Line {
  FtpLineKind kind;
  std::string text;
};

struct RecordingCopySink : FtpCopySink {
  void FtpLine(FtpLineKind kind, const std::string& line) override {
    lines.push_back({kind, line});
  }
  void FtpCopyEnded(FtpCopyEnd end) override { ends.push_back(end); }

  std::vector<std::string> Of(FtpLineKind kind) const {
    std::vector<std::string> texts;
    for (const Line& line : lines) {
      if (line.kind == kind) {
        texts.push_back(line.text);
      }
    }
    return texts;
  }
  bool Has(FtpLineKind kind, const std::string& text) const {
    const std::vector<std::string> texts = Of(kind);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  std::vector<Line> lines;
  std::vector<FtpCopyEnd> ends;
};

FtpEntry File(std::string name, std::optional<std::uint64_t> size = std::nullopt) {
  return FtpEntry{std::move(name), size, false};
}

std::string CompletedWithError(const std::string& name, ErrorCode code,
                               const FtpLastResponse& reply = {}) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", code);
  return name + " completed with error " + hex + ": " + FormatErrorText(code, reply);
}

class FtpCopyRunTest : public ::testing::Test {
 public:
  FtpCopyRunTest() { files.AddDirectory(kFolder); }

  // The server's side of a run up to the listing, every request answered by an event, as the
  // real client answers.
  void ScriptSession() {
    client.Append({.call = FtpCall::kConnect, .answer = kFtpPending});
    client.Append({.call = FtpCall::kSetCurrentDirectory, .answer = kFtpPending});
  }
  void ScriptListing(const std::vector<FtpEntry>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      client.Append({.call = i == 0 ? FtpCall::kFindFirstFile : FtpCall::kFindNextFile,
                     .answer = kFtpPending,
                     .entry = entries[i]});
    }
    client.Append(
        {.call = FtpCall::kFindNextFile, .answer = kFtpPending, .eventResult = err::kNoMoreFiles});
  }
  // A fetch that writes `bytes`, then reports `result`.
  void ScriptFetch(std::string bytes, ErrorCode result = err::kSuccess) {
    client.Append(
        {.call = FtpCall::kGetFile,
         .answer = kFtpPending,
         .eventResult = result,
         .effect = [this, bytes](const std::string& path) { files.PutFile(path, bytes); }});
  }
  void PutLocal(const std::string& name, const std::string& bytes) {
    files.PutListedFile(std::string(kFolder) + "/" + name, bytes);
  }

  void Start() {
    run = std::make_unique<FtpCopyRun>(client, files, files, sink, options);
    run->Run();
  }
  void StartAndFinish() {
    Start();
    client.DeliverAll();
  }

  // The folder as a user would see it: every file with its contents.
  Folder Local() const {
    Folder folder;
    for (const auto& [path, bytes] : files.Files()) {
      if (path.rfind(std::string(kFolder) + "/", 0) == 0) {
        folder[path.substr(std::string(kFolder).size() + 1)] = bytes;
      }
    }
    return folder;
  }
  std::vector<std::string> Fetched() const {
    std::vector<std::string> names;
    for (const std::string& call : client.Calls()) {
      if (call.rfind("GetFile ", 0) == 0) {
        names.push_back(call.substr(8, call.find(" -> ") - 8));
      }
    }
    return names;
  }

  FakeFileSystem files;
  ScriptedFtpClient client;
  RecordingCopySink sink;
  FtpCopyOptions options{{"ftp.example.org", 21}, kFolder, false};
  std::unique_ptr<FtpCopyRun> run;
};

TEST_F(FtpCopyRunTest, CopiesTheNewerFirmwareAndTheNotesAndClosesByItself) {
  PutLocal("VLX750fp0150.hex", kGoodHex);
  PutLocal("vlxfwnotes.rtf", "old notes");
  ScriptSession();
  ScriptListing({File("readme.txt"), File("VLX750fp0152.hex", 28), File("vlxfwnotes.rtf")});
  ScriptFetch(kOtherGoodHex);
  ScriptFetch("new notes");

  StartAndFinish();

  EXPECT_EQ(sink.Of(FtpLineKind::kStatus),
            (std::vector<std::string>{
                "Opening connection to ftp.example.org", "Copying files to /fw",
                "Copied VLX750fp0152.hex from Velqorin", "Copied vlxfwnotes.rtf from Velqorin",
                "Copied 2 files from Velqorin to /fw"}));
  EXPECT_EQ(sink.Of(FtpLineKind::kLog),
            (std::vector<std::string>{
                "Connected to Velqorin server\nPlease be patient, this takes a few seconds"}));
  EXPECT_TRUE(sink.Of(FtpLineKind::kTrace).empty());
  EXPECT_EQ(sink.ends, (std::vector<FtpCopyEnd>{FtpCopyEnd::kCompleted}));
  EXPECT_EQ(run->Result(), err::kSuccess);
  EXPECT_FALSE(run->Running());
  EXPECT_EQ(Local(), (Folder{{"VLX750fp0150.hex", kGoodHex},
                             {"VLX750fp0152.hex", kOtherGoodHex},
                             {"vlxfwnotes.rtf", "new notes"}}));
  EXPECT_EQ(client.Calls(),
            (std::vector<std::string>{
                "Connect ftp.example.org:21", "SetCurrentDirectory VLX/firmware", "FindFirstFile",
                "FindNextFile", "FindNextFile", "FindNextFile",
                "GetFile VLX750fp0152.hex -> /fw/.VLX750fp0152.hex.part-A00000",
                "GetFile vlxfwnotes.rtf -> /fw/.vlxfwnotes.rtf.part-A00001", "Close"}));
}

// What the listing and the folder decide together; every case ends clean.
struct Choice {
  const char* label;
  Folder local;
  std::vector<FtpEntry> listing;
  std::vector<std::string> fetched;
  Folder after;
};

class FtpCopyChoiceTest : public FtpCopyRunTest, public ::testing::WithParamInterface<Choice> {};

TEST_P(FtpCopyChoiceTest, FetchesWhatTheFolderLacks) {
  const Choice& choice = GetParam();
  for (const auto& [name, bytes] : choice.local) {
    PutLocal(name, bytes);
  }
  ScriptSession();
  ScriptListing(choice.listing);
  for (const std::string& name : choice.fetched) {
    ScriptFetch(name == "vlxfwnotes.rtf" ? "server notes" : kOtherGoodHex);
  }

  StartAndFinish();

  EXPECT_EQ(Fetched(), choice.fetched);
  EXPECT_EQ(Local(), choice.after);
  EXPECT_EQ(sink.ends, (std::vector<FtpCopyEnd>{FtpCopyEnd::kCompleted}));
  const std::string summary =
      "Copied " + std::to_string(choice.fetched.size()) + " files from Velqorin to /fw";
  EXPECT_EQ(sink.Has(FtpLineKind::kStatus, summary), !choice.fetched.empty());
  EXPECT_TRUE(client.ScriptDone());
}

const FtpEntry kDirectoryNamedLikeFirmware{"VLX750fp0160.hex", std::nullopt, true};

INSTANTIATE_TEST_SUITE_P(
    FtpCopyRun, FtpCopyChoiceTest,
    ::testing::Values(
        Choice{"SameRevisionCopiesNothing",
               {{"VLX750fp0152.hex", kGoodHex}, {"vlxfwnotes.rtf", "notes"}},
               {File("VLX750fp0152.hex"), File("vlxfwnotes.rtf")},
               {},
               {{"VLX750fp0152.hex", kGoodHex}, {"vlxfwnotes.rtf", "notes"}}},
        Choice{"OlderOnServerCopiesNothing",
               {{"VLX750fp0152.hex", kGoodHex}, {"vlxfwnotes.rtf", "notes"}},
               {File("VLX750fp0149.hex"), File("vlxfwnotes.rtf")},
               {},
               {{"VLX750fp0152.hex", kGoodHex}, {"vlxfwnotes.rtf", "notes"}}},
        Choice{"MissingNotesOnly",
               {{"VLX750fp0152.hex", kGoodHex}},
               {File("VLX750fp0152.hex"), File("vlxfwnotes.rtf")},
               {"vlxfwnotes.rtf"},
               {{"VLX750fp0152.hex", kGoodHex}, {"vlxfwnotes.rtf", "server notes"}}},
        Choice{"DirectoryNamedLikeFirmwareIsSkipped",
               {{"VLX750fp0150.hex", kGoodHex}, {"vlxfwnotes.rtf", "notes"}},
               {kDirectoryNamedLikeFirmware, File("VLX750fp0152.hex"), File("vlxfwnotes.rtf")},
               {"VLX750fp0152.hex", "vlxfwnotes.rtf"},
               {{"VLX750fp0150.hex", kGoodHex},
                {"VLX750fp0152.hex", kOtherGoodHex},
                {"vlxfwnotes.rtf", "server notes"}}},
        Choice{"NewestOfSeveralInAnyCase",
               {},
               {File("VLX750fp0151.hex"), File("vlx750FP0153.HEX"), File("VLX750fp0152.hex"),
                File("VLX750fp.hex"), File("VLX750fp01.54.hex")},
               {"vlx750FP0153.HEX"},
               {{"vlx750FP0153.HEX", kOtherGoodHex}}},
        // Equal revisions: the first in name order, as the folder scan and `ftp list` choose,
        // whatever order the server lists them in.
        Choice{"EqualRevisionsTakeTheFirstByName",
               {},
               {File("vlx750fp0153.hex"), File("VLX750FP0153.hex")},
               {"VLX750FP0153.hex"},
               {{"VLX750FP0153.hex", kOtherGoodHex}}},
        Choice{"CorruptLocalFileOfTheSameRevisionIsReplaced",
               {{"VLX750fp0152.hex", "not hex"}, {"vlxfwnotes.rtf", "notes"}},
               {File("VLX750fp0152.hex"), File("vlxfwnotes.rtf")},
               {"VLX750fp0152.hex", "vlxfwnotes.rtf"},
               {{"VLX750fp0152.hex", kOtherGoodHex}, {"vlxfwnotes.rtf", "server notes"}}},
        // The server offers no firmware: nothing is asked of it under an empty name.
        Choice{"NotesOnlyServerEmptyFolder",
               {},
               {File("vlxfwnotes.rtf")},
               {"vlxfwnotes.rtf"},
               {{"vlxfwnotes.rtf", "server notes"}}}),
    ByLabel());

TEST_F(FtpCopyRunTest, TracingKeepsTheWindowOpenAndNamesEveryStep) {
  options.trace = true;
  PutLocal("VLX750fp0152.hex", kGoodHex);
  PutLocal("vlxfwnotes.rtf", "notes");
  ScriptSession();
  ScriptListing({File("VLX750fp0152.hex")});

  StartAndFinish();

  EXPECT_EQ(sink.Of(FtpLineKind::kTrace),
            (std::vector<std::string>{
                "InternetConnect started",
                "OnInternetStatusRequestComplete OpeningSession dwResult 0x00000001 dwError 0",
                "Navigating to VLX/firmware", "FtpSetCurrentDirectory started",
                "OnInternetStatusRequestComplete NavigatingDirectory", "FtpFindFile started",
                "OnInternetStatusRequestComplete FindingFirstFile",
                "Found file \"VLX750fp0152.hex\"", "InternetFindNextFile started",
                "OnInternetStatusRequestComplete FindingNextFile ERROR_NO_MORE_FILES",
                "VLX750fp0152.hex verification succeeded",
                "CFtpDlg::Finish All Copy Complete State 4 dwErrorCode 0x00000000 fForceError 0",
                "CFtpDlg::Finish Session Closed State 7 dwErrorCode 0x00000000 fForceError 0"}));
  EXPECT_EQ(sink.ends, (std::vector<FtpCopyEnd>{FtpCopyEnd::kStopped}));
  EXPECT_EQ(run->Result(), err::kSuccess);
}

// A copy that fails its check is deleted and fetched again, three times in all; the file it
// would have replaced stays as it was.
struct Rejection {
  const char* label;
  std::string bytes;
  std::optional<std::uint64_t> listedSize;
  std::vector<std::string> reasons;  // the status lines of one failed check
  ErrorCode code;
};

class FtpCopyRejectionTest : public FtpCopyRunTest,
                             public ::testing::WithParamInterface<Rejection> {};

TEST_P(FtpCopyRejectionTest, ThreeFailedChecksGiveUpOnTheFileAndKeepTheOldOne) {
  const Rejection& rejection = GetParam();
  PutLocal("VLX750fp0150.hex", kGoodHex);
  ScriptSession();
  ScriptListing({File("VLX750fp0152.hex", rejection.listedSize), File("vlxfwnotes.rtf")});
  for (int i = 0; i < 3; ++i) {
    ScriptFetch(rejection.bytes);
  }
  ScriptFetch("notes");

  StartAndFinish();

  std::vector<std::string> expected{"Opening connection to ftp.example.org",
                                    "Copying files to /fw"};
  for (int i = 0; i < 3; ++i) {
    expected.insert(expected.end(), rejection.reasons.begin(), rejection.reasons.end());
  }
  expected.insert(expected.end(),
                  {"Unable to copy file VLX750fp0152.hex", "Copied vlxfwnotes.rtf from Velqorin",
                   "Copied 1 files from Velqorin to /fw",
                   CompletedWithError("All Copy Complete", rejection.code)});
  EXPECT_EQ(sink.Of(FtpLineKind::kStatus), expected);
  EXPECT_EQ(Fetched(), (std::vector<std::string>{"VLX750fp0152.hex", "VLX750fp0152.hex",
                                                 "VLX750fp0152.hex", "vlxfwnotes.rtf"}));
  EXPECT_EQ(Local(), (Folder{{"VLX750fp0150.hex", kGoodHex}, {"vlxfwnotes.rtf", "notes"}}));
  EXPECT_EQ(sink.ends, (std::vector<FtpCopyEnd>{FtpCopyEnd::kStopped}));
  EXPECT_EQ(run->Result(), rejection.code);
}

INSTANTIATE_TEST_SUITE_P(
    FtpCopyRun, FtpCopyRejectionTest,
    ::testing::Values(
        Rejection{"BadIntelHex",
                  ":020800000102F4\n:00000001FF\n",
                  std::nullopt,
                  {"Verification of firmware file VLX750fp0152.hex failed",
                   "Line 1, error code 0xE2000022: " + FormatErrorText(err::kHexLineChecksum)},
                  err::kHexLineChecksum},
        Rejection{"Empty",
                  "",
                  std::nullopt,
                  {"The copy of VLX750fp0152.hex is empty"},
                  err::kInvalidData},
        Rejection{"ShorterThanListed",
                  kGoodHex,
                  4096,
                  {"The copy of VLX750fp0152.hex has 28 bytes; the server listed 4096"},
                  err::kInvalidData}),
    ByLabel());

TEST_F(FtpCopyRunTest, ACopyThatPassesOnASecondFetchEndsClean) {
  ScriptSession();
  ScriptListing({File("VLX750fp0152.hex")});
  ScriptFetch("garbage\n");
  ScriptFetch(kGoodHex);

  StartAndFinish();

  EXPECT_TRUE(sink.Has(FtpLineKind::kStatus, "Copied VLX750fp0152.hex from Velqorin"));
  EXPECT_TRUE(sink.Has(FtpLineKind::kStatus, "Copied 1 files from Velqorin to /fw"));
  EXPECT_EQ(sink.ends, (std::vector<FtpCopyEnd>{FtpCopyEnd::kCompleted}));
  EXPECT_EQ(Local(), (Folder{{"VLX750fp0152.hex", kGoodHex}}));
}

// Every failure ends the run through the whole teardown: the failure as its last line, the
// session closed, and the folder as it was.
struct Failure {
  const char* label;
  std::function<void(FtpCopyRunTest&)> script;
  const char* request;
  ErrorCode code;
  FtpLastResponse reply;
};

class FtpCopyFailureTest : public FtpCopyRunTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(FtpCopyFailureTest, EndsWithTheRequestsErrorAndClose) {
  const Failure& failure = GetParam();
  PutLocal("VLX750fp0150.hex", kGoodHex);
  PutLocal("vlxfwnotes.rtf", "notes");
  failure.script(*this);

  StartAndFinish();

  const std::string line = CompletedWithError(failure.request, failure.code, failure.reply);
  // The failure is the run's last word; how a window or a terminal closes is theirs to say.
  EXPECT_EQ(sink.Of(FtpLineKind::kStatus).back(), line);
  EXPECT_EQ(sink.ends, (std::vector<FtpCopyEnd>{FtpCopyEnd::kStopped}));
  EXPECT_EQ(run->Result(), failure.code);
  EXPECT_FALSE(run->Running());
  EXPECT_TRUE(client.Closed());
  EXPECT_EQ(Local(), (Folder{{"VLX750fp0150.hex", kGoodHex}, {"vlxfwnotes.rtf", "notes"}}));
}

const std::vector<FtpEntry> kNewerListing{File("VLX750fp0152.hex"), File("vlxfwnotes.rtf")};

INSTANTIATE_TEST_SUITE_P(
    FtpCopyRun, FtpCopyFailureTest,
    ::testing::Values(
        Failure{"HostNotFoundAtOnce",
                [](FtpCopyRunTest& t) {
                  t.client.Append({.call = FtpCall::kConnect, .answer = 12007});
                },
                "InternetConnect", 12007},
        Failure{"ServerUnreachable",
                [](FtpCopyRunTest& t) {
                  t.client.Append(
                      {.call = FtpCall::kConnect, .answer = kFtpPending, .eventResult = 12029});
                },
                "InternetConnect", 12029},
        Failure{"FolderMissingOnServer",
                [](FtpCopyRunTest& t) {
                  t.client.Append({.call = FtpCall::kConnect, .answer = kFtpPending});
                  t.client.Append({.call = FtpCall::kSetCurrentDirectory,
                                   .answer = kFtpPending,
                                   .eventResult = err::kFtpExtendedError,
                                   .reply = FtpLastResponse{550, "550 No such directory"}});
                },
                "FtpSetCurrentDirectory", err::kFtpExtendedError,
                FtpLastResponse{550, "550 No such directory"}},
        Failure{"ConnectionLostWhileListing",
                [](FtpCopyRunTest& t) {
                  t.ScriptSession();
                  t.client.Append({.call = FtpCall::kFindFirstFile,
                                   .answer = kFtpPending,
                                   .entry = File("VLX750fp0152.hex")});
                  t.client.Append({.call = FtpCall::kFindNextFile,
                                   .answer = kFtpPending,
                                   .eventResult = 12030});
                },
                "InternetFindNextFile", 12030},
        Failure{"FileGoneAtOnce",
                [](FtpCopyRunTest& t) {
                  t.ScriptSession();
                  t.ScriptListing(kNewerListing);
                  t.client.Append({.call = FtpCall::kGetFile, .answer = err::kFileNotFound});
                },
                "FtpGetFile", err::kFileNotFound},
        Failure{"DiskFullMidFile",
                [](FtpCopyRunTest& t) {
                  t.ScriptSession();
                  t.ScriptListing(kNewerListing);
                  t.ScriptFetch(":0208000001", err::kDiskFull);
                },
                "FtpGetFile", err::kDiskFull},
        Failure{"FolderNotWritable",
                [](FtpCopyRunTest& t) {
                  t.ScriptSession();
                  t.ScriptListing(kNewerListing);
                  t.files.FailStep(file_step::kCreate, err::kAccessDenied);
                },
                "FtpGetFile", err::kAccessDenied}),
    ByLabel());

// Cancel stops the run at once in whatever state it waits, and nothing it began stays behind.
class FtpCopyCancelTest : public FtpCopyRunTest,
                          public ::testing::WithParamInterface<FtpCopyRun::State> {};

TEST_P(FtpCopyCancelTest, EndsAtOnceWithCancelButton) {
  PutLocal("VLX750fp0150.hex", kGoodHex);
  ScriptSession();
  ScriptListing({File("VLX750fp0151.hex"), File("VLX750fp0152.hex")});
  ScriptFetch(kOtherGoodHex);
  Start();
  while (run->CurrentState() != GetParam() && client.DeliverNext()) {
  }
  ASSERT_EQ(run->CurrentState(), GetParam());

  EXPECT_TRUE(run->Cancel());

  EXPECT_EQ(sink.Of(FtpLineKind::kStatus).back(),
            CompletedWithError("Cancel Button", err::kCancelled));
  EXPECT_EQ(sink.ends, (std::vector<FtpCopyEnd>{FtpCopyEnd::kCancelled}));
  EXPECT_EQ(run->Result(), err::kCancelled);
  EXPECT_FALSE(run->Running());
  EXPECT_TRUE(client.Closed());
  EXPECT_FALSE(client.HasPendingEvent());
  EXPECT_EQ(Local(), (Folder{{"VLX750fp0150.hex", kGoodHex}}));
  EXPECT_FALSE(run->Cancel());
}

INSTANTIATE_TEST_SUITE_P(FtpCopyRun, FtpCopyCancelTest,
                         ::testing::Values(FtpCopyRun::kOpeningSession,
                                           FtpCopyRun::kNavigatingDirectory,
                                           FtpCopyRun::kFindingFirstFile,
                                           FtpCopyRun::kFindingNextFile, FtpCopyRun::kGettingFile),
                         [](const ::testing::TestParamInfo<FtpCopyRun::State>& info) {
                           return "InState" + std::to_string(info.param);
                         });

TEST_F(FtpCopyRunTest, ANewRunAfterCancelStartsFresh) {
  client.Append({.call = FtpCall::kConnect, .answer = kFtpPending});
  Start();
  ASSERT_TRUE(run->Cancel());

  ScriptSession();
  ScriptListing({File("VLX750fp0152.hex")});
  ScriptFetch(kGoodHex);
  sink.ends.clear();
  run->Run();
  client.DeliverAll();

  EXPECT_EQ(sink.ends, (std::vector<FtpCopyEnd>{FtpCopyEnd::kCompleted}));
  EXPECT_EQ(run->Result(), err::kSuccess);
  EXPECT_EQ(Local(), (Folder{{"VLX750fp0152.hex", kGoodHex}}));
}

// Names from the listing are taken only when they are plain: none of these may fetch from
// outside the server folder, write outside the local one, or put a control character in a line.
TEST_F(FtpCopyRunTest, AHostileListingCopiesNothingOutsideTheFolder) {
  options.trace = true;
  const std::string longName = "VLX750fp" + std::string(289, '0') + "199.hex";
  ScriptSession();
  ScriptListing({File("../VLX750fp0199.hex"), File("/tmp/VLX750fp0199.hex"),
                 File("sub/VLX750fp0199.hex"), File("..\\VLX750fp0199.hex"),
                 File("C:VLX750fp0199.hex"), File("VLX750fp0199.hex\r\nINJECTED"),
                 File(std::string("VLX750fp01\x1b[2J99.hex")), File(longName), File(".."),
                 File("."), File(""), File("vlxfwnotes.rtf/.."), File("VLX750fp0152.hex")});
  ScriptFetch(kGoodHex);

  StartAndFinish();

  EXPECT_EQ(Fetched(), (std::vector<std::string>{"VLX750fp0152.hex"}));
  EXPECT_EQ(Local(), (Folder{{"VLX750fp0152.hex", kGoodHex}}));
  for (const std::string& path : files.Files() | std::views::keys) {
    EXPECT_TRUE(path.starts_with("/fw/")) << path;
  }
  for (const Line& line : sink.lines) {
    const bool plain = std::none_of(line.text.begin(), line.text.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\r';
    });
    EXPECT_TRUE(plain) << line.text;
    EXPECT_EQ(line.text.find("INJECTED\n"), std::string::npos);
    EXPECT_LE(line.text.size(), 300U);
  }
  EXPECT_TRUE(sink.Has(FtpLineKind::kTrace, "Found file \"VLX750fp0199.hex\\x0D\\x0AINJECTED\""));
}

TEST_F(FtpCopyRunTest, OurLeftoversGoAtTheStartAndNothingElse) {
  PutLocal("VLX750fp0152.hex", kGoodHex);
  PutLocal("vlxfwnotes.rtf", "notes");
  PutLocal(".VLX750fp0153.hex.part-x1Y2z3", ":02");
  PutLocal(".vlxfwnotes.rtf.part-ABCDEF", "");
  PutLocal(".hidden", "kept");
  PutLocal("VLX750fp0153.hex.part-ABCDEF", "kept");
  ScriptSession();
  ScriptListing({File("VLX750fp0152.hex")});

  StartAndFinish();

  EXPECT_EQ(Local(), (Folder{{"VLX750fp0152.hex", kGoodHex},
                             {"vlxfwnotes.rtf", "notes"},
                             {".hidden", "kept"},
                             {"VLX750fp0153.hex.part-ABCDEF", "kept"}}));
}

TEST_F(FtpCopyRunTest, AFetchThatCannotReplaceTheRealNameLeavesItAlone) {
  PutLocal("vlxfwnotes.rtf", "old notes");
  files.FailStep(kRenameStep, err::kAccessDenied);
  ScriptSession();
  ScriptListing({File("VLX750fp0152.hex")});
  for (int i = 0; i < 3; ++i) {
    ScriptFetch(kGoodHex);
  }

  StartAndFinish();

  EXPECT_TRUE(sink.Has(FtpLineKind::kStatus,
                       "MoveFileEx failed on \"VLX750fp0152.hex\"\r\nError 0x00000005: " +
                           FormatErrorText(err::kAccessDenied)));
  EXPECT_TRUE(sink.Has(FtpLineKind::kStatus, "Unable to copy file VLX750fp0152.hex"));
  EXPECT_EQ(Local(), (Folder{{"vlxfwnotes.rtf", "old notes"}}));
  EXPECT_EQ(run->Result(), err::kAccessDenied);
}

}  // namespace
}  // namespace vlx::test
