// The operating-system line: kernel numbers into the program's format, the name from os-release.
#include <gtest/gtest.h>

#include <string>

#include "OsVersion.h"

namespace vlx {
namespace {

constexpr const char* kDebianOsRelease =
    "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
    "NAME=\"Debian GNU/Linux\"\n"
    "VERSION_ID=\"12\"\n"
    "ID=debian\n";

struct ReleaseCase {
  const char* release;
  const char* expected;
};

TEST(OsVersionLineTest, TakesTheFirstThreeNumbersOfTheKernelRelease) {
  const ReleaseCase cases[] = {
      {"6.1.0-27-amd64", "OS Version 6.1 Build 0 "},
      {"5.15.153.1-microsoft-standard-WSL2", "OS Version 5.15 Build 153 "},
      {"10.0.19045", "OS Version 10.0 Build 19045 "},
      {"6.8", "OS Version 6.8 Build 0 "},
      {"4.19.0+", "OS Version 4.19 Build 0 "},
      {"", "OS Version 0.0 Build 0 "},
      {"unknown", "OS Version 0.0 Build 0 "},
      {"99999999999.2.3", "OS Version 0.2 Build 3 "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatOsVersionLine(c.release, ""), c.expected) << c.release;
  }
}

TEST(OsVersionLineTest, AppendsThePrettyNameDirectly) {
  EXPECT_EQ(FormatOsVersionLine("6.1.0-27-amd64", kDebianOsRelease),
            "OS Version 6.1 Build 0 Debian GNU/Linux 12 (bookworm)");
}

struct NameCase {
  const char* osRelease;
  const char* name;
};

TEST(OsVersionLineTest, ReadsPrettyNameInEveryQuotingTheFileAllows) {
  const NameCase cases[] = {
      {"PRETTY_NAME=Alpine\n", "Alpine"},
      {"PRETTY_NAME='Fedora Linux 40'\n", "Fedora Linux 40"},
      {"PRETTY_NAME=\"Say \\\"hi\\\" \\\\o/\"\n", "Say \"hi\" \\o/"},
      {"PRETTY_NAME=\"CRLF Linux\"\r\nID=x\r\n", "CRLF Linux"},
      {"# PRETTY_NAME=\"commented\"\nPRETTY_NAME=\"Real\"", "Real"},
      {"PRETTY_NAME=\"First\"\nPRETTY_NAME=\"Last\"\n", "Last"},
      {"NOT_PRETTY_NAME=\"Other\"\nXPRETTY_NAME=y\n", ""},
      {"PRETTY_NAME=\"\"\n", ""},
      {"PRETTY_NAME=\"Unterminated", "Unterminated"},
      {"PRETTY_NAME=\"Tab\there\"\n", "Tabhere"},
      {"NAME=Debian\n", ""},
      {"\x01\xff garbage without lines", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatOsVersionLine("6.1.0", c.osRelease),
              std::string("OS Version 6.1 Build 0 ") + c.name)
        << c.osRelease;
  }
}

TEST(OsVersionLineTest, RunningSystemGivesALineInTheProgramsFormat) {
  EXPECT_TRUE(OsVersionLine().starts_with("OS Version ")) << OsVersionLine();
}

}  // namespace
}  // namespace vlx
