#pragma once
// Reads the "FtpServer" setting: "host", "host:port" or an IPv6 address in brackets with an
// optional port ("[::1]:2121").

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vlx {

inline constexpr std::uint16_t kDefaultFtpPort = 21;

struct FtpServerAddress {
  std::string host;  // without brackets
  std::uint16_t port = kDefaultFtpPort;

  bool operator==(const FtpServerAddress&) const = default;
};

// Nothing when `text` names no server: empty, a bare port, an unclosed bracket, a port that is
// not 1 to 65535, spaces or control characters. The caller then reports it and uses the default.
std::optional<FtpServerAddress> ParseFtpServer(std::string_view text);

// `server` as the setting would hold it and as lines name it: the host, bracketed when it is an
// IPv6 address, and ":port" unless the port is the usual one.
std::string FtpServerText(const FtpServerAddress& server);

// The server a run connects to, and the status line to show when the setting was not usable.
struct ResolvedFtpServer {
  FtpServerAddress address;
  std::optional<std::string> status;
};

// `setting` parsed; the maker's server when it is empty (the setting's default), or with a
// status line naming the setting when it does not parse.
ResolvedFtpServer ResolveFtpServer(std::string_view setting);

}  // namespace vlx
