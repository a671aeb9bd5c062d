// `vlxctl ftp list` and `vlxctl ftp fetch` against a real FTP server on 127.0.0.1 (our pyftpdlib
// script): the listing as printed, the copy's picks, the server from the setting or from
// --ftp-server, failures told with their code and text, and a fetch's folder byte for byte.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/CaseNames.h"
#include "support/e2e/FinishedRun.h"
#include "support/e2e/TemporaryFolder.h"
#include "support/process/FtpTestServer.h"

namespace vlx::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A served folder, a settings folder whose FtpServer setting is given, and vlxctl run with them.
class VlxctlFtp : public ::testing::Test {
 protected:
  VlxctlFtp() : served_("vlxctl-ftp-served"), config_("vlxctl-ftp-config") {}

  fs::path Firmware() const { return served_.Path() / "VLX" / "firmware"; }

  void Serve(const std::vector<std::string>& switches = {}) {
    server_ = std::make_unique<FtpTestServer>(served_.Path().string(), switches);
  }

  void StoreFtpServer(const std::string& value) {
    const fs::path file = config_.Path() / "Velqorin" / "VLX Utility.json";
    fs::create_directories(file.parent_path());
    std::ofstream(file) << R"({"values": {"FtpServer": {"type": "string", "value": ")" << value
                        << R"("}}, "subkeys": {}})";
  }

  // vlxctl's command line, run through env with the test's settings folder.
  std::vector<std::string> VlxctlArguments(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(),
                     {"XDG_CONFIG_HOME=" + config_.Path().string(), VLXCTL_PATH});
    return arguments;
  }

  Finished Vlxctl(std::vector<std::string> arguments) {
    return RunProgram("/usr/bin/env", VlxctlArguments(std::move(arguments)), 60s);
  }

  TemporaryFolder served_;
  TemporaryFolder config_;
  std::unique_ptr<FtpTestServer> server_;
};

TEST_F(VlxctlFtp, ListPrintsEachEntryAndWhatACopyWouldPick) {
  fs::create_directories(Firmware() / "VLX750fp0160.hex");  // a folder: never firmware
  std::ofstream(Firmware() / "VLX750fp0150.hex") << "old";
  std::ofstream(Firmware() / "VLX750fp0152.hex") << "newer";
  std::ofstream(Firmware() / "vlxfwnotes.rtf") << "{\\rtf1}";
  Serve({"--extra-entry", "../VLX750fp0199.hex", "--extra-entry", "VLX750fp0198.hex\\x1b[2J"});
  StoreFtpServer(server_->Address());

  const Finished list = Vlxctl({"ftp", "list"});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.err, "");
  EXPECT_EQ(list.out,
            "file              3  VLX750fp0150.hex\n"
            "file              5  VLX750fp0152.hex\n"
            "folder            -  VLX750fp0160.hex\n"
            "file              7  vlxfwnotes.rtf\n"
            "file           1000  ../VLX750fp0199.hex  (not a plain name: never fetched)\n"
            "file           1000  VLX750fp0198.hex\\x1B[2J  (not a plain name: never fetched)\n"
            "Firmware: VLX750fp0152.hex, revision 01.52\n"
            "Release notes: vlxfwnotes.rtf\n");
}

TEST_F(VlxctlFtp, FtpServerOptionOverridesTheSettingForOneRun) {
  fs::create_directories(Firmware());
  Serve();
  StoreFtpServer("not a host");
  const Finished list = Vlxctl({"--ftp-server", server_->Address(), "ftp", "list"});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.err, "");  // the unusable setting was not even read
  EXPECT_EQ(list.out, "Firmware: none offered\nRelease notes: none offered\n");
}

struct FailureCase {
  const char* label;
  std::vector<std::string> switches;
  bool firmwareFolder;
  std::string server;  // "" the test server
  int exitCode;
  std::string err;  // what stderr must hold
};

class VlxctlFtpFailure : public VlxctlFtp, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(VlxctlFtpFailure, ExitsWithTheErrorText) {
  const FailureCase& c = GetParam();
  if (c.firmwareFolder) {
    fs::create_directories(Firmware());
  }
  Serve(c.switches);
  const Finished list =
      Vlxctl({"ftp", "list", "--ftp-server", c.server.empty() ? server_->Address() : c.server});
  EXPECT_EQ(list.exitCode, c.exitCode);
  EXPECT_NE(list.err.find(c.err), std::string::npos) << list.err;
  EXPECT_EQ(list.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Ftp, VlxctlFtpFailure,
    ::testing::Values(
        FailureCase{"UnusableServerIsAUsageError",
                    {},
                    true,
                    "two words",
                    2,
                    "vlxctl: --ftp-server: takes a host name, HOST:PORT or [IPv6 address]:PORT, "
                    "not \"two words\"\n"},
        FailureCase{"LoginRefused",
                    {"--refuse-login"},
                    true,
                    "",
                    1,
                    "vlxctl: could not connect to the FTP server: The login request was denied\n"},
        FailureCase{"FolderMissing",
                    {},
                    false,
                    "",
                    1,
                    "vlxctl: the FTP server has no firmware folder to list: The server returned "
                    "extended information\nInternetGetLastResponseInfo returns 0x00000226 550 "},
        FailureCase{"PassiveRefused",
                    {"--refuse-passive"},
                    true,
                    "",
                    1,
                    "vlxctl: could not list the server's firmware folder: Passive mode is not "
                    "available on the server\n"}),
    ByLabel());

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// Every file of a folder by name, with its bytes.
std::map<std::string, std::string> FolderContents(const fs::path& folder) {
  std::map<std::string, std::string> contents;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    contents[entry.path().filename().string()] = ReadFile(entry.path());
  }
  return contents;
}

// A firmware file of the given revision from the test-firmware generator, in `folder`.
fs::path MakeFirmware(const fs::path& folder, int revision) {
  fs::create_directories(folder);
  const Finished made =
      RunProgram(VLX750_MKFW_PATH, {"--revision", std::to_string(revision), "-o", folder.string()});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  return made.out.substr(0, made.out.find('\n'));
}

// The server offers revision 152 and the notes; the local folder is the test's own.
class VlxctlFtpFetch : public VlxctlFtp {
 protected:
  VlxctlFtpFetch() : local_("vlxctl-ftp-local") {
    MakeFirmware(Firmware(), 152);
    fs::copy_file(fs::path(VLX_FIXTURE_DIR) / "notes" / "vlxfwnotes.rtf",
                  Firmware() / "vlxfwnotes.rtf");
  }

  Finished Fetch() {
    return Vlxctl(
        {"--ftp-server", server_->Address(), "ftp", "fetch", "--folder", local_.Path().string()});
  }

  TemporaryFolder local_;
};

TEST_F(VlxctlFtpFetch, CopiesWhatIsNewByteForByteThenNothing) {
  Serve();
  const Finished first = Fetch();
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out, "copied " + (local_.Path() / "VLX750fp0152.hex").string() + "\ncopied " +
                           (local_.Path() / "vlxfwnotes.rtf").string() + "\n");
  EXPECT_NE(first.err.find("Copied 2 files from Velqorin to " + local_.Path().string()),
            std::string::npos)
      << first.err;
  EXPECT_EQ(FolderContents(local_.Path()), FolderContents(Firmware()));

  const Finished second = Fetch();
  EXPECT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(second.out, "nothing new: " + local_.Path().string() + " is up to date\n");
  EXPECT_EQ(FolderContents(local_.Path()), FolderContents(Firmware()));
}

TEST_F(VlxctlFtpFetch, FailureIsToldWithItsCodeAndNothingIsLeftBehind) {
  Serve({"--refuse-file", "VLX750fp0152.hex"});
  const Finished fetch = Fetch();
  EXPECT_EQ(fetch.exitCode, 1);
  EXPECT_NE(fetch.err.find("vlxctl: could not fetch a file from the FTP server: "),
            std::string::npos)
      << fetch.err;
  EXPECT_EQ(fetch.err.find("Click \"Close\""), std::string::npos) << fetch.err;
  EXPECT_EQ(fetch.out, "");
  EXPECT_TRUE(fs::is_empty(local_.Path()));
}

TEST_F(VlxctlFtpFetch, MissingFolderIsNotCreated) {
  Serve();
  const fs::path missing = local_.Path() / "typo";
  const Finished fetch =
      Vlxctl({"--ftp-server", server_->Address(), "ftp", "fetch", "--folder", missing.string()});
  EXPECT_EQ(fetch.exitCode, 1);
  EXPECT_EQ(fetch.err, "vlxctl: the firmware folder \"" + missing.string() + "\" does not exist\n");
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(VlxctlFtpFetch, CtrlCDuringASlowFetchLeavesTheFolderAsItWas) {
  MakeFirmware(local_.Path(), 150);
  const std::map<std::string, std::string> before = FolderContents(local_.Path());
  Serve({"--rate", "2048"});
  ChildProcess fetch("/usr/bin/env",
                     VlxctlArguments({"--ftp-server", server_->Address(), "ftp", "fetch",
                                      "--folder", local_.Path().string()}));
  ASSERT_TRUE(fetch.WaitForStderr("Copying files to", 20s)) << fetch.Stderr();
  std::this_thread::sleep_for(500ms);  // part of the file is written by now
  fetch.Signal(SIGINT);
  EXPECT_EQ(fetch.WaitForExit(5s), 130) << fetch.Stderr();
  EXPECT_NE(fetch.Stderr().find("vlxctl: interrupted by Ctrl+C; no partly fetched file is kept\n"),
            std::string::npos)
      << fetch.Stderr();
  EXPECT_EQ(fetch.Stdout(), "");
  EXPECT_EQ(FolderContents(local_.Path()), before);
}

}  // namespace
}  // namespace vlx::test
