// Runs the real vlx750-sim binary on a pseudo-terminal and talks to it as the program would.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/sim/Packets.h"

namespace {

using vlxsim::test::PacketOf;

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kPatience{3000};

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// The daemon as a child process; killed and reaped whatever the test does.
class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args) {
    int out[2];
    int err[2];
    if (pipe(out) != 0 || pipe(err) != 0) {
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      dup2(err[1], STDERR_FILENO);
      std::vector<char*> argv;
      static std::string program = VLX750_SIM_PATH;
      argv.push_back(program.data());
      for (std::string& arg : args) {
        argv.push_back(arg.data());
      }
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    stdout_ = out[0];
    stderr_ = err[0];
  }

  ~SimProcess() {
    if (pid_ > 0 && !exitCode_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(stdout_);
    close(stderr_);
  }

  void Signal(int number) const { kill(pid_, number); }

  // The next line on its standard output, or nothing within the patience.
  std::optional<std::string> ReadLine() {
    const auto deadline = Clock::now() + kPatience;
    for (;;) {
      if (const auto end = outBuffer_.find('\n'); end != std::string::npos) {
        std::string line = outBuffer_.substr(0, end);
        outBuffer_.erase(0, end + 1);
        return line;
      }
      if (!ReadSome(stdout_, outBuffer_, deadline)) {
        return std::nullopt;
      }
    }
  }

  std::string ReadAllErrors() {
    std::string text;
    while (ReadSome(stderr_, text, Clock::now() + kPatience)) {
    }
    return text;
  }

  // Its exit code, or nothing if it is still running after the patience.
  std::optional<int> Wait() {
    const auto deadline = Clock::now() + kPatience;
    while (Clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return exitCode_;
      }
      poll(nullptr, 0, 10);
    }
    return std::nullopt;
  }

 private:
  static bool ReadSome(int fd, std::string& into, Clock::time_point deadline) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, RemainingMs(deadline)) <= 0) {
      return false;
    }
    std::array<char, 256> buffer{};
    const ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n <= 0) {
      return false;
    }
    into.append(buffer.data(), static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int stdout_ = -1;
  int stderr_ = -1;
  std::string outBuffer_;
  std::optional<int> exitCode_;
};

// The program's side: the slave terminal, raw, at a chosen rate.
class Port {
 public:
  explicit Port(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {}
  ~Port() {
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  bool IsOpen() const { return fd_ >= 0; }

  bool SetRate(speed_t speed) {
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0) {
      return false;
    }
    cfmakeraw(&tio);
    cfsetspeed(&tio, speed);
    return tcsetattr(fd_, TCSANOW, &tio) == 0;
  }

  bool Write(const std::string& bytes) {
    return write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  // What arrives until one of `ends` or the wait is over.
  std::string ReadReply(milliseconds wait, std::string_view ends = ";") {
    const auto deadline = Clock::now() + wait;
    std::string reply;
    while (reply.find_first_of(ends) == std::string::npos) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, RemainingMs(deadline)) <= 0) {
        break;
      }
      std::array<char, 64> buffer{};
      const ssize_t n = read(fd_, buffer.data(), buffer.size());
      if (n <= 0) {
        break;
      }
      reply.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return reply;
  }

  // The result of a read once the line is gone: 0 (end of file) or -1 with EIO.
  std::optional<int> ReadAfterHangUp() {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(kPatience.count())) <= 0) {
      return std::nullopt;
    }
    char byte = 0;
    const ssize_t n = read(fd_, &byte, 1);
    return n == 0 ? 0 : (n < 0 && errno == EIO ? -1 : std::optional<int>());
  }

 private:
  int fd_;
};

class DaemonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ =
        std::filesystem::temp_directory_path() / ("vlx750-sim-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory_);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  std::string LinkPath() const { return (directory_ / "amp").string(); }

  std::filesystem::path directory_;
};

TEST_F(DaemonTest, ServesTheAmplifierAtItsRateAndSurvivesThePulledAdapter) {
  SimProcess sim({"--link", LinkPath()});
  const std::optional<std::string> path = sim.ReadLine();
  ASSERT_TRUE(path) << sim.ReadAllErrors();
  EXPECT_EQ(std::filesystem::read_symlink(LinkPath()), *path);

  {
    Port port(LinkPath());
    ASSERT_TRUE(port.IsOpen());
    ASSERT_TRUE(port.SetRate(B38400));
    ASSERT_TRUE(port.Write("^RVM;"));
    EXPECT_EQ(port.ReadReply(kPatience), "^RVM01.23;");

    // At the wrong rate the amplifier hears noise and stays quiet.
    ASSERT_TRUE(port.SetRate(B9600));
    ASSERT_TRUE(port.Write("^RVM;"));
    EXPECT_EQ(port.ReadReply(milliseconds(300)), "");
  }

  // Closing and reopening the port is no hang-up for the amplifier.
  Port port(*path);
  ASSERT_TRUE(port.SetRate(B38400));
  ASSERT_TRUE(port.Write("^sn;"));
  EXPECT_EQ(port.ReadReply(kPatience), "^SN1234;");

  sim.Signal(SIGUSR1);
  EXPECT_TRUE(port.ReadAfterHangUp());

  sim.Signal(SIGUSR2);
  const std::optional<std::string> newPath = sim.ReadLine();
  ASSERT_TRUE(newPath);
  EXPECT_EQ(std::filesystem::read_symlink(LinkPath()), *newPath);
  Port replugged(LinkPath());
  ASSERT_TRUE(replugged.SetRate(B38400));
  ASSERT_TRUE(replugged.Write("^RVM;"));
  EXPECT_EQ(replugged.ReadReply(kPatience), "^RVM01.23;");

  sim.Signal(SIGTERM);
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_FALSE(std::filesystem::is_symlink(LinkPath()));
}

TEST_F(DaemonTest, GarblesRepliesSentAtARateTheProgramHasLeft) {
  SimProcess sim({"--link", LinkPath(), "--reply-delay", "500"});
  ASSERT_TRUE(sim.ReadLine());
  Port port(LinkPath());
  ASSERT_TRUE(port.SetRate(B38400));
  ASSERT_TRUE(port.Write("^RVM;"));
  // Give the daemon time to take the command at 38400; the reply then leaves at 38400 after the
  // program has moved to 19200.
  poll(nullptr, 0, 150);
  ASSERT_TRUE(port.SetRate(B19200));
  const std::string garble = port.ReadReply(milliseconds(1000));
  EXPECT_FALSE(garble.empty());
  EXPECT_EQ(garble.find_first_of(";^RVM0123456789."), std::string::npos);
}

TEST_F(DaemonTest, PacesRepliesAtTheLineRate) {
  SimProcess sim({"--link", LinkPath(), "--pace", "--rate", "4800"});
  ASSERT_TRUE(sim.ReadLine());
  Port port(LinkPath());
  ASSERT_TRUE(port.SetRate(B4800));
  ASSERT_TRUE(port.Write("^RVM;"));
  const auto start = Clock::now();
  EXPECT_EQ(port.ReadReply(kPatience), "^RVM01.23;");
  // Ten bytes at 4800 bit/s take 20.8 ms on the line.
  EXPECT_GE(Clock::now() - start, milliseconds(20));
}

TEST_F(DaemonTest, PacesTheProgramsBytesAtTheLineRate) {
  SimProcess sim({"--link", LinkPath(), "--pace", "--off", "--processing-delay", "0"});
  ASSERT_TRUE(sim.ReadLine());
  Port port(LinkPath());
  ASSERT_TRUE(port.SetRate(B38400));
  ASSERT_TRUE(port.Write("D"));
  ASSERT_EQ(port.ReadReply(kPatience, "D"), "D");
  // A download packet that sums to zero, ";" bytes and all.
  std::string packet(64, ';');
  packet += std::string("\x00\x08\x00", 3);
  packet.push_back(static_cast<char>(256 - (64 * ';' + 8) % 256));
  const auto start = Clock::now();
  ASSERT_TRUE(port.Write(packet));
  EXPECT_EQ(port.ReadReply(kPatience, "AN"), "A");
  // 68 bytes of 10 bits at 38400 bit/s take 17.7 ms to reach the amplifier.
  EXPECT_GE(Clock::now() - start, milliseconds(17));
}

TEST_F(DaemonTest, InjectsTheFaultsItIsGivenOnItsCommandLine) {
  SimProcess sim({"--link", LinkPath(), "--no-answer", "0", "--replace-reply", "1:;", "--cut-reply",
                  "2:4", "--reject", "3"});
  ASSERT_TRUE(sim.ReadLine());
  Port port(LinkPath());
  ASSERT_TRUE(port.SetRate(B38400));
  for (const auto& [command, reply] :
       std::vector<std::pair<std::string, std::string>>{{"^RVM;", ""},
                                                        {"^RVM;", ";"},
                                                        {"^RVM;", "^RVM"},
                                                        {"^sn;", "?;"},
                                                        {"^sn;", "^SN1234;"}}) {
    ASSERT_TRUE(port.Write(command));
    EXPECT_EQ(port.ReadReply(milliseconds(reply.ends_with(';') ? kPatience : milliseconds(300))),
              reply);
  }
}

// Into the loader's download from the running firmware, as the program does it.
void EnterDownload(Port& port) {
  ASSERT_TRUE(port.SetRate(B38400));
  ASSERT_TRUE(port.Write("^LDM;"));
  poll(nullptr, 0, 50);
  ASSERT_TRUE(port.Write("D"));
  ASSERT_EQ(port.ReadReply(kPatience, "D"), "D");
}

TEST_F(DaemonTest, LoadsFirmwareThatOutlivesAPowerCycle) {
  SimProcess sim({"--link", LinkPath(), "--reset-time", "100"});
  ASSERT_TRUE(sim.ReadLine());
  Port port(LinkPath());
  EnterDownload(port);
  std::string answers;
  for (const std::string& packet : vlxsim::test::ProgramPackets(vlxsim::test::TestImage(152))) {
    ASSERT_TRUE(port.Write(packet));
    answers += port.ReadReply(kPatience, "ABN");
  }
  EXPECT_EQ(answers, std::string(2006, 'A') + "B");
  poll(nullptr, 0, 300);
  ASSERT_TRUE(port.Write("^RVM;"));
  EXPECT_EQ(port.ReadReply(kPatience), "^RVM01.52;");

  // Switched on again it runs the new firmware, in standby.
  ASSERT_TRUE(port.Write("^os1;^os;"));
  ASSERT_EQ(port.ReadReply(kPatience), "^OS1;");
  sim.Signal(SIGHUP);
  // The signal is taken between reads, and a reply on its way is lost with the power: ask until
  // the amplifier has come on again.
  std::string mode;
  for (const auto deadline = Clock::now() + kPatience;
       mode != "^OS0;" && Clock::now() < deadline;) {
    ASSERT_TRUE(port.Write("^os;"));
    mode = port.ReadReply(milliseconds(200));
  }
  EXPECT_EQ(mode, "^OS0;");
  ASSERT_TRUE(port.Write("^RVM;"));
  EXPECT_EQ(port.ReadReply(kPatience), "^RVM01.52;");
}

TEST_F(DaemonTest, BothLoadersResynchroniseOnFillBytes) {
  struct Case {
    const char* loader;
    int fillsToAnswer;
  };
  for (const Case& c : {Case{"standard", 3}, Case{"resync-n", 1}}) {
    SCOPED_TRACE(c.loader);
    SimProcess sim({"--link", LinkPath(), "--loader", c.loader, "--lose-packet", "2:3"});
    ASSERT_TRUE(sim.ReadLine());
    Port port(LinkPath());
    EnterDownload(port);
    const std::string block(64, ';');
    ASSERT_TRUE(port.Write(PacketOf(block, 0x000800)));
    ASSERT_EQ(port.ReadReply(kPatience, "ABN"), "A");
    const std::string second = PacketOf(block, 0x000840);
    ASSERT_TRUE(port.Write(second));
    EXPECT_EQ(port.ReadReply(milliseconds(200), "ABN"), "");
    int fills = 0;
    std::string answer;
    while (answer.empty() && fills < 68) {
      ++fills;
      ASSERT_TRUE(port.Write(";"));
      answer = port.ReadReply(milliseconds(100), "ABN");
    }
    EXPECT_EQ(answer, "N");
    EXPECT_EQ(fills, c.fillsToAnswer);
    ASSERT_TRUE(port.Write(second));
    EXPECT_EQ(port.ReadReply(kPatience, "ABN"), "A");
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
  }
}

TEST_F(DaemonTest, InjectsLoaderFaultsFromItsCommandLine) {
  SimProcess sim({"--link", LinkPath(), "--reject-packets", "1", "--late-ack", "2:300", "--no-boot",
                  "--reset-time", "100"});
  ASSERT_TRUE(sim.ReadLine());
  Port port(LinkPath());
  EnterDownload(port);
  const std::string last = PacketOf(std::string(64, '\0'), 0x020800);
  ASSERT_TRUE(port.Write(last));
  EXPECT_EQ(port.ReadReply(kPatience, "ABN"), "N");
  const auto start = Clock::now();
  ASSERT_TRUE(port.Write(last));
  EXPECT_EQ(port.ReadReply(kPatience, "ABN"), "B");
  EXPECT_GE(Clock::now() - start, milliseconds(300));
  // It stays in its loader after the reset.
  poll(nullptr, 0, 300);
  ASSERT_TRUE(port.Write("I;"));
  EXPECT_EQ(port.ReadReply(kPatience), "VLX750;");
}

std::string ReadFile(const std::filesystem::path& path) {
  std::string bytes;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
      bytes.append(buffer, n);
    }
    std::fclose(file);
  }
  return bytes;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

TEST_F(DaemonTest, LoadsItsEepromFromAFileAndDumpsItOnExit) {
  std::string eeprom(1024, '\0');
  for (std::size_t i = 0; i < eeprom.size(); ++i) {
    eeprom[i] = static_cast<char>(i * 7);
  }
  const auto in = directory_ / "in.eeprom";
  const auto out = directory_ / "out.eeprom";
  WriteFile(in, eeprom);
  SimProcess sim({"--link", LinkPath(), "--load-eeprom", in.string(), "--dump-eeprom", out.string(),
                  "--next-index", "200", "--command-fault", "silence:^sn"});
  ASSERT_TRUE(sim.ReadLine()) << sim.ReadAllErrors();
  Port port(LinkPath());
  ASSERT_TRUE(port.SetRate(B38400));
  // The file's bytes, but for the next index the option put in.
  ASSERT_TRUE(port.Write("^ER00FD0201;"));
  EXPECT_EQ(port.ReadReply(kPatience), "^ER00FD02EBC84E;");
  ASSERT_TRUE(port.Write("^EW0000020102FB;"));
  EXPECT_EQ(port.ReadReply(kPatience), "^EW000002FE;");
  ASSERT_TRUE(port.Write("^sn;"));
  EXPECT_EQ(port.ReadReply(milliseconds(300)), "");

  sim.Signal(SIGTERM);
  EXPECT_EQ(sim.Wait(), 0);
  eeprom[0xFE] = static_cast<char>(200);
  eeprom.replace(0, 2, "\x01\x02");
  EXPECT_EQ(ReadFile(out), eeprom);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory_),
                          std::filesystem::directory_iterator()),
            2);  // no temporary file left beside the dump

  // A file that is no EEPROM dump is refused before anything starts.
  WriteFile(in, eeprom + "x");
  SimProcess refused({"--link", LinkPath(), "--load-eeprom", in.string()});
  EXPECT_EQ(refused.Wait(), 2);
  EXPECT_NE(refused.ReadAllErrors().find("not an EEPROM dump"), std::string::npos);
}

TEST_F(DaemonTest, ComesBackFromTheReloadAtTheRateItIsGiven) {
  SimProcess sim({"--link", LinkPath(), "--reload-time", "20", "--reload-rate", "9600"});
  ASSERT_TRUE(sim.ReadLine());
  Port port(LinkPath());
  ASSERT_TRUE(port.SetRate(B38400));
  ASSERT_TRUE(port.Write("^rpm;"));
  poll(nullptr, 0, 100);
  ASSERT_TRUE(port.SetRate(B9600));
  ASSERT_TRUE(port.Write(";"));
  EXPECT_EQ(port.ReadReply(kPatience), ";");
}

TEST_F(DaemonTest, RefusesBadOptionsWithUsage) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--rate", "57600"},
                                               {"--identity", "vlx1000"},
                                               {"--serial", "70000"},
                                               {"--revision", "12a"},
                                               {"--link"},
                                               {"--bogus"},
                                               {"--no-answer", "1:2"},
                                               {"--drop-byte", "1"},
                                               {"--replace-reply", "1:"},
                                               {"--noise", "100"},
                                               {"--loader", "fast"},
                                               {"--lose-packet", "0"},
                                               {"--lose-packet", "2:69"},
                                               {"--late-ack", "3"},
                                               {"--boot-rate", "1200"},
                                               {"--boot-revision", "10000"},
                                               {"--next-index", "256"},
                                               {"--reload-rate", "1200"},
                                               {"--command-fault", "noise:^ER"},
                                               {"--command-fault", "garbage:"},
                                               {"--command-fault", "garbage:^ER:x"},
                                               {"--command-fault", "silence:^sn:0:0"},
                                               {"--command-fault", "replace:^bn;"},
                                               {"--command-fault", "silence:^bn;=^BN01;"},
                                               {"--band", "11"},
                                               {"--fault", "0"},
                                               {"--fault", "16"},
                                               {"--band-switch-ms", "slow"},
                                               {"--key", "sideways"},
                                               {"--control"}}) {
    SimProcess sim(args);
    EXPECT_EQ(sim.Wait(), 2) << args.front();
    EXPECT_NE(sim.ReadAllErrors().find("Usage: vlx750-sim"), std::string::npos);
  }
}

TEST_F(DaemonTest, ServesTheFrontPanelItIsGiven) {
  SimProcess sim({"--link", LinkPath(), "--band", "0", "--fault", "9", "--no-fault-reads-ff",
                  "--band-switch-ms", "400", "--command-fault", "replace:^tm;:1=^TM999;"});
  ASSERT_TRUE(sim.ReadLine());
  Port port(LinkPath());
  ASSERT_TRUE(port.SetRate(B38400));
  // 1.8 MHz is the fault ring's band 2, beside code 9.
  for (const auto& [command, reply] :
       std::vector<std::pair<std::string, std::string>>{{"^bn;", "^BN00;"},
                                                        {"^fl;", "^FL41;"},
                                                        {"^os1;^os;", "^OS0;"},
                                                        {"^flc;^fl;", "^FL255;"},
                                                        {"^tm;", "^TM"},
                                                        {"^tm;", "^TM999;"}}) {
    ASSERT_TRUE(port.Write(command));
    EXPECT_EQ(port.ReadReply(kPatience).substr(0, reply.size()), reply) << command;
  }
  ASSERT_TRUE(port.Write("^bn03;^bn;"));
  const auto start = Clock::now();
  EXPECT_EQ(port.ReadReply(kPatience), "^BN03;");
  EXPECT_GE(Clock::now() - start, milliseconds(350));
}

TEST_F(DaemonTest, TakesControlLinesFromItsPipe) {
  const std::string control = (directory_ / "control").string();
  SimProcess sim(
      {"--link", LinkPath(), "--control", control, "--operate", "--band", "7", "--key", "off"});
  ASSERT_TRUE(sim.ReadLine()) << sim.ReadAllErrors();
  Port port(LinkPath());
  ASSERT_TRUE(port.SetRate(B38400));
  const auto tell = [&control](const std::string& lines) {
    const int fd = open(control.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(write(fd, lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
    close(fd);
    poll(nullptr, 0, 100);
  };
  const auto ask = [&port](const std::string& command) {
    EXPECT_TRUE(port.Write(command));
    return port.ReadReply(kPatience);
  };
  EXPECT_EQ(ask("^ws;"), "^WS0 10;");
  tell("key on\n");
  EXPECT_NE(ask("^ws;"), "^WS0 10;");
  // 21 MHz is the fault ring's band 8: 0x84.
  tell("bogus\ntrip 4\n");
  EXPECT_EQ(ask("^fl;"), "^FL132;");
  EXPECT_EQ(ask("^os;"), "^OS0;");
  tell("clear\n");
  EXPECT_EQ(ask("^fl;"), "^FL0;");
  EXPECT_EQ(ask("^os1;^os;"), "^OS1;");

  sim.Signal(SIGTERM);
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_NE(sim.ReadAllErrors().find("not understood: \"bogus\""), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(control));  // it made the pipe, so it removed it
}

TEST_F(DaemonTest, WillNotReplaceAFileAtTheLinkPath) {
  {
    std::FILE* file = std::fopen(LinkPath().c_str(), "w");
    std::fputs("keep", file);
    std::fclose(file);
  }
  SimProcess sim({"--link", LinkPath()});
  EXPECT_EQ(sim.Wait(), 1);
  EXPECT_FALSE(std::filesystem::is_symlink(LinkPath()));
  EXPECT_EQ(std::filesystem::file_size(LinkPath()), 4u);

  // Nor take a file for its control pipe.
  SimProcess control({"--link", (directory_ / "other").string(), "--control", LinkPath()});
  EXPECT_EQ(control.Wait(), 1);
  EXPECT_NE(control.ReadAllErrors().find("not a named pipe"), std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(LinkPath()), 4u);
}

}  // namespace
