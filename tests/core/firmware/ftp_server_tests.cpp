#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "CaseNames.h"
#include "firmware/FtpServer.h"

namespace vlx {
namespace {

struct ServerCase {
  const char* label;
  std::string text;
  std::optional<FtpServerAddress> address;
};

class FtpServerSetting : public ::testing::TestWithParam<ServerCase> {};

TEST_P(FtpServerSetting, ParsesHostAndPort) {
  EXPECT_EQ(ParseFtpServer(GetParam().text), GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(
    Ftp, FtpServerSetting,
    ::testing::Values(
        ServerCase{"HostOnly", "ftp.velqorin.com", FtpServerAddress{"ftp.velqorin.com", 21}},
        ServerCase{"HostAndPort", "127.0.0.1:2121", FtpServerAddress{"127.0.0.1", 2121}},
        ServerCase{"HighestPort", "host:65535", FtpServerAddress{"host", 65535}},
        ServerCase{"Ipv6", "[::1]", FtpServerAddress{"::1", 21}},
        ServerCase{"Ipv6AndPort", "[::1]:2121", FtpServerAddress{"::1", 2121}},
        ServerCase{"Empty", "", std::nullopt}, ServerCase{"PortOnly", ":21", std::nullopt},
        ServerCase{"EmptyPort", "host:", std::nullopt},
        ServerCase{"PortZero", "host:0", std::nullopt},
        ServerCase{"PortTooHigh", "host:65536", std::nullopt},
        ServerCase{"PortNotANumber", "host:ftp", std::nullopt},
        ServerCase{"TwoPorts", "host:21:22", std::nullopt},
        ServerCase{"BareIpv6", "::1", std::nullopt},
        ServerCase{"UnclosedBracket", "[::1:2121", std::nullopt},
        ServerCase{"EmptyBrackets", "[]:21", std::nullopt},
        ServerCase{"TextAfterBracket", "[::1]x", std::nullopt},
        ServerCase{"Space", "ftp velqorin.com", std::nullopt},
        ServerCase{"Url", "ftp://ftp.velqorin.com", std::nullopt},
        ServerCase{"UserInfo", "anonymous@host", std::nullopt},
        ServerCase{"LineBreak", "host\r\n", std::nullopt}),
    test::ByLabel());

TEST(FtpServerSetting, UnusableSettingFallsBackToTheMakersServerWithAStatusLine) {
  const ResolvedFtpServer usable = ResolveFtpServer("[::1]:2121");
  EXPECT_EQ(usable.address, (FtpServerAddress{"::1", 2121}));
  EXPECT_FALSE(usable.status.has_value());

  const ResolvedFtpServer unset = ResolveFtpServer("");
  EXPECT_EQ(unset.address, (FtpServerAddress{"ftp.velqorin.com", 21}));
  EXPECT_FALSE(unset.status.has_value());

  const ResolvedFtpServer fallback = ResolveFtpServer("host:99999");
  EXPECT_EQ(fallback.address, (FtpServerAddress{"ftp.velqorin.com", 21}));
  EXPECT_EQ(fallback.status,
            "The FTP server \"host:99999\" is not a host name or host:port; using "
            "ftp.velqorin.com");
}

}  // namespace
}  // namespace vlx
