#include "firmware/FtpServer.h"

#include <algorithm>

#include "report/FtpTextIds.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"
#include "text/Ascii.h"

namespace vlx {

namespace {

std::optional<std::uint16_t> ParsePort(std::string_view text) {
  if (text.empty() || text.size() > 5) {
    return std::nullopt;
  }
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(value);
}

bool IsHostCharacter(char c) {
  return IsAsciiAlphanumeric(c) || c == '-' || c == '.' || c == '_';
}

bool IsIpv6Character(char c) {
  return IsHexDigit(c) || c == ':' || c == '.' || c == '%';
}

}  // namespace

std::optional<FtpServerAddress> ParseFtpServer(std::string_view text) {
  FtpServerAddress address;
  std::string_view portText;
  bool hasPort = false;
  if (text.starts_with('[')) {
    const auto close = text.find(']');
    if (close == std::string_view::npos) {
      return std::nullopt;
    }
    const std::string_view host = text.substr(1, close - 1);
    if (host.empty() || !std::ranges::all_of(host, IsIpv6Character)) {
      return std::nullopt;
    }
    address.host = host;
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') {
        return std::nullopt;
      }
      portText = rest.substr(1);
      hasPort = true;
    }
  } else {
    const auto colon = text.find(':');
    const std::string_view host = text.substr(0, colon);
    // A bare IPv6 address has more than one colon: without brackets its port cannot be told.
    if (host.empty() || !std::ranges::all_of(host, IsHostCharacter)) {
      return std::nullopt;
    }
    address.host = host;
    if (colon != std::string_view::npos) {
      portText = text.substr(colon + 1);
      hasPort = true;
    }
  }
  if (hasPort) {
    const auto port = ParsePort(portText);
    if (!port) {
      return std::nullopt;
    }
    address.port = *port;
  }
  return address;
}

ResolvedFtpServer ResolveFtpServer(std::string_view setting) {
  if (setting.empty()) {
    return {FtpServerAddress{std::string(LoadString(ids::kFtpHostName)), kDefaultFtpPort},
            std::nullopt};
  }
  if (auto address = ParseFtpServer(setting)) {
    return {std::move(*address), std::nullopt};
  }
  const std::string fallback(LoadString(ids::kFtpHostName));
  return {FtpServerAddress{fallback, kDefaultFtpPort},
          FormatText(ids::kFtpServerInvalid, {std::string(setting), fallback})};
}

std::string FtpServerText(const FtpServerAddress& server) {
  const bool bracketed = server.host.find(':') != std::string::npos;
  std::string text;
  if (bracketed) {
    text += '[';
  }
  text += server.host;
  if (bracketed) {
    text += ']';
  }
  if (server.port != kDefaultFtpPort) {
    text += ':';
    text += std::to_string(server.port);
  }
  return text;
}

}  // namespace vlx
