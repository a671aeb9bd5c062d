#pragma once
// A real FTP server on 127.0.0.1 for one test: our pyftpdlib script serving a folder of the
// test's own, with the script's switches to make it misbehave. Stopped (killed) with the object.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/process/ChildProcess.h"

namespace vlx::test {

class FtpTestServer {
 public:
  // Serves `root`; `switches` as the script takes them ("--refuse-login", "--cut-after", "100").
  FtpTestServer(const std::string& root, const std::vector<std::string>& switches) {
    std::vector<std::string> arguments{VLX_FTP_SERVER_SCRIPT, "--root", root};
    arguments.insert(arguments.end(), switches.begin(), switches.end());
    process_ = std::make_unique<ChildProcess>(VLX_SYSTEM_PYTHON, arguments);
    const auto line = process_->FirstStdoutLine(std::chrono::seconds(20));
    if (line && line->rfind("PORT ", 0) == 0) {
      port_ = static_cast<std::uint16_t>(std::stoul(line->substr(5)));
    }
    EXPECT_NE(port_, 0) << "the FTP test server did not start: " << process_->Stderr();
  }

  std::uint16_t Port() const { return port_; }
  // "127.0.0.1:PORT", as the FtpServer setting and --ftp-server take it.
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  std::unique_ptr<ChildProcess> process_;
  std::uint16_t port_ = 0;
};

// A port on 127.0.0.1 on which nothing listens: bound for a moment, then closed.
inline std::uint16_t ClosedPort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(s);
  return ntohs(address.sin_port);
}

}  // namespace vlx::test
