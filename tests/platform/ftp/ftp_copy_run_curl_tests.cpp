// The copy run through the libcurl client against a real FTP server on 127.0.0.1 (our pyftpdlib
// script), into a real folder: each row runs a whole copy to its end and checks how it ended, the
// line that names the failing step, and the local folder byte for byte.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "files/PosixFtpLocalFiles.h"
#include "firmware/FtpCopyRun.h"
#include "ftp/CurlFtpClient.h"
#include "settings/QtFileSystem.h"
#include "support/CaseNames.h"
#include "support/e2e/TemporaryFolder.h"
#include "support/platform/EventLoop.h"
#include "support/process/FtpTestServer.h"

namespace vlx {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FtpTestServer;
using test::TemporaryFolder;

constexpr auto kRunLimit = 40s;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// Every file under `folder`, by its path relative to it, with its bytes.
std::map<std::string, std::string> Tree(const fs::path& folder) {
  std::map<std::string, std::string> tree;
  if (!fs::exists(folder)) {
    return tree;
  }
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    tree[fs::relative(entry.path(), folder).string()] =
        entry.is_regular_file() ? ReadFile(entry.path()) : "(folder)";
  }
  return tree;
}

std::string HexRecord(std::uint8_t type, std::uint16_t address,
                      const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(data.size()),
                                  static_cast<std::uint8_t>(address >> 8),
                                  static_cast<std::uint8_t>(address), type};
  bytes.insert(bytes.end(), data.begin(), data.end());
  std::uint8_t sum = 0;
  for (const std::uint8_t byte : bytes) {
    sum = static_cast<std::uint8_t>(sum + byte);
  }
  bytes.push_back(static_cast<std::uint8_t>(-sum));
  std::string record = ":";
  for (const std::uint8_t byte : bytes) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    record += digits;
  }
  return record + "\r\n";
}

// A firmware file the HEX reader accepts, about 22 KB, whose every record differs.
std::string FirmwareFile() {
  std::string file;
  for (std::uint16_t record = 0; record < 500; ++record) {
    std::vector<std::uint8_t> data(16);
    for (std::size_t i = 0; i < data.size(); ++i) {
      data[i] = static_cast<std::uint8_t>(record * 7 + i);
    }
    file += HexRecord(0, static_cast<std::uint16_t>(0x0800 + record * 16), data);
  }
  return file + HexRecord(1, 0, {});
}

// Release notes large enough that a slow server takes seconds over them.
std::string Notes(const std::string& text, std::size_t size) {
  std::string notes = "{\\rtf1 " + text;
  while (notes.size() < size) {
    notes += " \\par " + std::to_string(notes.size());
  }
  return notes + "}";
}

// The local files of a full disk: the fetch's own file is made as usual, but the client is told
// to write it to /dev/full, where every write fails for want of space.
class FullDiskLocalFiles final : public FtpLocalFiles {
 public:
  ErrorCode CreateExclusive(const std::string& folder, const std::string& name,
                            std::string& path) override {
    const ErrorCode code = real_.CreateExclusive(folder, name, made_);
    if (code == err::kSuccess) {
      path = kFull;
    }
    return code;
  }
  ErrorCode Size(const std::string& path, std::uint64_t& size) const override {
    return real_.Size(Real(path), size);
  }
  ErrorCode Sync(const std::string& path) override { return real_.Sync(Real(path)); }
  ErrorCode Rename(const std::string& from, const std::string& to) override {
    return real_.Rename(Real(from), to);
  }
  ErrorCode Remove(const std::string& path) override { return real_.Remove(Real(path)); }
  ErrorCode OpenForReading(const std::string& path, std::unique_ptr<ByteSource>& source) override {
    return real_.OpenForReading(Real(path), source);
  }

 private:
  static constexpr const char* kFull = "/dev/full";
  std::string Real(const std::string& path) const { return path == kFull ? made_ : path; }

  PosixFtpLocalFiles real_;
  std::string made_;
};

class RecordingSink final : public FtpCopySink {
 public:
  void FtpLine(FtpLineKind, const std::string& line) override {
    lines.push_back(line);
    if (onLine) {
      onLine(line);
    }
  }
  void FtpCopyEnded(FtpCopyEnd how) override { end = how; }

  std::vector<std::string> lines;
  std::optional<FtpCopyEnd> end;
  std::function<void(const std::string&)> onLine;
};

// What the local folder holds after a row, against what it held: the local notes are an older
// copy of the server's, and there is no local firmware.
enum class Outcome { kUnchanged, kFirmwareCopied, kBothCopied, kGone };

class CopyRunTest;

struct CopyRow {
  const char* label;
  std::vector<std::string> switches;
  ErrorCode code;
  const char* step;  // the step line 209 names; nullptr when the run ends clean
  FtpCopyEnd end;
  Outcome outcome;
  std::function<void(CopyRunTest&)> arrange = {};      // before the run starts
  std::function<void(CopyRunTest&)> poll = {};         // while it runs, between events
  std::function<void(const CopyRunTest&)> check = {};  // what the folder alone cannot show
};

// A failing row is named by its label, not by a dump of its bytes.
void PrintTo(const CopyRow& row, std::ostream* out) {
  *out << row.label;
}

// A served folder with revision 152 and the notes, a local folder (inside a parent of its own,
// to see that nothing is written beside it) with older notes, and a copy run into it through
// the libcurl client.
class CopyRunTest : public ::testing::TestWithParam<CopyRow> {
 public:
  CopyRunTest() : served_("ftp-run-served"), parent_("ftp-run-local") {
    fs::create_directories(Firmware());
    WriteFile(Firmware() / "VLX750fp0152.hex", FirmwareFile());
    WriteFile(Firmware() / "vlxfwnotes.rtf", Notes("new", 200000));
    fs::create_directories(Local());
    WriteFile(Local() / "vlxfwnotes.rtf", Notes("old", 100));
  }

  fs::path Firmware() const { return served_.Path() / "VLX" / "firmware"; }
  const fs::path& Parent() const { return parent_.Path(); }
  fs::path Local() const { return Parent() / "firmware"; }

  // Runs the copy to its end, or to the limit.
  void RunCopy(const CopyRow& row) {
    std::uint16_t port = test::ClosedPort();
    if (!serverDown) {
      server_ = std::make_unique<FtpTestServer>(served_.Path().string(), row.switches);
      port = server_->Port();
    }
    std::unique_ptr<FtpLocalFiles> localFiles;
    if (fullDisk) {
      localFiles = std::make_unique<FullDiskLocalFiles>();
    } else {
      localFiles = std::make_unique<PosixFtpLocalFiles>();
    }
    CurlFtpClient client;
    run = std::make_unique<FtpCopyRun>(
        client, files_, *localFiles, sink,
        FtpCopyOptions{FtpServerAddress{"127.0.0.1", port}, Local().string(), trace});
    run->Run();
    const bool ended = vlxtest::SpinUntil(
        [&] {
          if (row.poll && !sink.end) {
            row.poll(*this);
          }
          return sink.end.has_value();
        },
        kRunLimit);
    EXPECT_TRUE(ended) << "the run did not end";
    run.reset();
  }

  bool HasLine(const std::string& start) const {
    for (const std::string& line : sink.lines) {
      if (line.rfind(start, 0) == 0) {
        return true;
      }
    }
    return false;
  }

  bool serverDown = false;
  bool fullDisk = false;
  bool trace = false;
  RecordingSink sink;
  std::unique_ptr<FtpCopyRun> run;
  std::optional<qint64> cancelMs;  // how long Cancel took, when a row cancelled

 private:
  TemporaryFolder served_;
  TemporaryFolder parent_;
  QtFileSystem files_;
  std::unique_ptr<FtpTestServer> server_;
};

TEST_P(CopyRunTest, EndsWithItsCodeAndTheFolderWhole) {
  const CopyRow& row = GetParam();
  if (row.arrange) {
    row.arrange(*this);
  }
  std::map<std::string, std::string> expected = Tree(Parent());
  const std::map<std::string, std::string> served = Tree(Firmware());
  if (row.outcome == Outcome::kFirmwareCopied || row.outcome == Outcome::kBothCopied) {
    expected["firmware/VLX750fp0152.hex"] = served.at("VLX750fp0152.hex");
  }
  if (row.outcome == Outcome::kBothCopied) {
    expected["firmware/vlxfwnotes.rtf"] = served.at("vlxfwnotes.rtf");
  }
  if (row.outcome == Outcome::kGone) {
    expected = {};
  }

  RunCopy(row);

  ASSERT_TRUE(sink.end.has_value());
  EXPECT_EQ(*sink.end, row.end);
  EXPECT_EQ(Tree(Parent()), expected);
  if (row.check) {
    row.check(*this);
  }
  if (row.step == nullptr) {
    EXPECT_FALSE(HasLine("All Copy Complete completed")) << testing::PrintToString(sink.lines);
    return;
  }
  char failure[128];
  std::snprintf(failure, sizeof failure, "%s completed with error 0x%08X: ", row.step, row.code);
  EXPECT_TRUE(HasLine(failure)) << failure << " in " << testing::PrintToString(sink.lines);
  if (row.end == FtpCopyEnd::kStopped) {
    EXPECT_EQ(sink.lines.back().rfind(failure, 0), 0U) << sink.lines.back();
  }
}

// Removes the local folder once the run has listed the server and is about to fetch.
void RemoveFolderBeforeTheFetch(CopyRunTest& test) {
  test.sink.onLine = [&test](const std::string& line) {
    if (line.rfind("Copying files to ", 0) == 0) {
      fs::remove_all(test.Local());
    }
  };
}

// Cancels once the notes, the second file, are coming in, and keeps how long Cancel took.
void CancelDuringTheNotes(CopyRunTest& test) {
  const std::optional<FtpFetchProgress> fetch = test.run->Fetch();
  if (fetch && fetch->name == "vlxfwnotes.rtf" && fetch->received > 0) {
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_TRUE(test.run->Cancel());
    test.cancelMs = elapsed.elapsed();
  }
}

void CancelTookUnderASecond(const CopyRunTest& test) {
  ASSERT_TRUE(test.cancelMs.has_value());
  EXPECT_LT(*test.cancelMs, 1000);
}

// No line of the log carries a control character from a name, and nothing was written where a
// name would have led outside the folder.
void NamesStayedNames(const CopyRunTest& test) {
  for (const std::string& line : test.sink.lines) {
    for (const char c : line) {
      EXPECT_FALSE((static_cast<unsigned char>(c) < 0x20 && c != '\r' && c != '\n') || c == 0x7F)
          << testing::PrintToString(line);
    }
  }
  EXPECT_TRUE(std::any_of(test.sink.lines.begin(), test.sink.lines.end(),
                          [](const std::string& line) {
                            return line == "Skipped \"../VLX750fp0199.hex\": not a plain file name";
                          }))
      << testing::PrintToString(test.sink.lines);
  EXPECT_FALSE(fs::exists("/tmp/VLX750fp0199.hex"));
}

std::vector<std::string> HostileEntries() {
  std::vector<std::string> switches;
  for (const char* name : {"../VLX750fp0199.hex", "/tmp/VLX750fp0199.hex", "sub/VLX750fp0199.hex",
                           "..\\VLX750fp0199.hex", "C:VLX750fp0199.hex", "VLX750fp0199.hex\\x1b[2J",
                           "VLX750fp0199\\x07.hex"}) {
    switches.push_back("--extra-entry");
    switches.push_back(name);
  }
  return switches;
}

INSTANTIATE_TEST_SUITE_P(
    Ftp, CopyRunTest,
    ::testing::Values(
        CopyRow{"CopiesTheNewerFirmwareAndTheNotes",
                {},
                0,
                nullptr,
                FtpCopyEnd::kCompleted,
                Outcome::kBothCopied},
        CopyRow{"ServerDown",
                {},
                12029,
                "InternetConnect",
                FtpCopyEnd::kStopped,
                Outcome::kUnchanged,
                [](CopyRunTest& t) { t.serverDown = true; }},
        CopyRow{"ServerFolderMissing",
                {},
                12003,
                "FtpSetCurrentDirectory",
                FtpCopyEnd::kStopped,
                Outcome::kUnchanged,
                [](CopyRunTest& t) { fs::remove_all(t.Firmware().parent_path()); }},
        CopyRow{"LoginRefused",
                {"--refuse-login"},
                12015,
                "InternetConnect",
                FtpCopyEnd::kStopped,
                Outcome::kUnchanged},
        CopyRow{"FileRefusedAfterTheListing",
                {"--refuse-file", "VLX750fp0152.hex"},
                12003,
                "FtpGetFile",
                FtpCopyEnd::kStopped,
                Outcome::kUnchanged},
        CopyRow{"DataConnectionDroppedHalfway",
                {"--cut-after", "10000", "--cut", "drop"},
                12030,
                "FtpGetFile",
                FtpCopyEnd::kStopped,
                Outcome::kUnchanged},
        CopyRow{"DiskFull",
                {},
                112,
                "FtpGetFile",
                FtpCopyEnd::kStopped,
                Outcome::kUnchanged,
                [](CopyRunTest& t) { t.fullDisk = true; }},
        CopyRow{"LocalFolderRemovedMidRun",
                {},
                3,
                "FtpGetFile",
                FtpCopyEnd::kStopped,
                Outcome::kGone,
                RemoveFolderBeforeTheFetch},
        CopyRow{"SlowServerAndCancel",
                {"--rate", "32768"},
                1223,
                "Cancel Button",
                FtpCopyEnd::kCancelled,
                Outcome::kFirmwareCopied,
                {},
                CancelDuringTheNotes,
                CancelTookUnderASecond},
        // The hostile names are of revision 199: taken, any would have beaten 152.
        CopyRow{"HostileListing",
                HostileEntries(),
                0,
                nullptr,
                FtpCopyEnd::kStopped,
                Outcome::kBothCopied,
                [](CopyRunTest& t) { t.trace = true; },
                {},
                NamesStayedNames},
        // The folder's own two files and the made-up ones: exactly the listing's limit.
        CopyRow{"HundredThousandEntries",
                {"--entries", "99998"},
                0,
                nullptr,
                FtpCopyEnd::kCompleted,
                Outcome::kBothCopied},
        CopyRow{"HundredThousandAndOneEntries",
                {"--entries", "99999"},
                13,
                "InternetFindNextFile",
                FtpCopyEnd::kStopped,
                Outcome::kUnchanged},
        CopyRow{"EndlessListing",
                {"--endless-listing"},
                13,
                "InternetFindNextFile",
                FtpCopyEnd::kStopped,
                Outcome::kUnchanged}),
    test::ByLabel());

}  // namespace
}  // namespace vlx
