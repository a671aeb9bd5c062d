// `vlxctl ftp list` against a real FTP server on 127.0.0.1 (our pyftpdlib script): the listing
// as printed, the copy's picks, the server from the setting or from --ftp-server, and failures
// told with their code and text.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FinishedRun.h"
#include "TemporaryFolder.h"
#include "support/CaseNames.h"
#include "support/FtpTestServer.h"

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

  Finished Vlxctl(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(),
                     {"XDG_CONFIG_HOME=" + config_.Path().string(), VLXCTL_PATH});
    return RunProgram("/usr/bin/env", arguments, 60s);
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
                    "vlxctl: InternetConnect completed with error 0x00002EEF: The login request "
                    "was denied\n"},
        FailureCase{"FolderMissing",
                    {},
                    false,
                    "",
                    1,
                    "vlxctl: FtpSetCurrentDirectory completed with error 0x00002EE3: The server "
                    "returned extended information\nInternetGetLastResponseInfo returns "
                    "0x00000226 550 "},
        FailureCase{"PassiveRefused",
                    {"--refuse-passive"},
                    true,
                    "",
                    1,
                    "vlxctl: FtpFindFile completed with error 0x00002F50: Passive mode is not "
                    "available on the server\n"}),
    ByLabel());

}  // namespace
}  // namespace vlx::test
