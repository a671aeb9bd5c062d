// vlx750-sim: the simulated amplifier behind a pseudo-terminal, for running the program and its
// end-to-end tests without the hardware.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ControlFifo.h"
#include "EepromFile.h"
#include "InputPacer.h"
#include "Options.h"
#include "PtyEndpoint.h"
#include "Scheduler.h"
#include "StableLink.h"
#include "model/Amplifier.h"
#include "model/ControlLine.h"

namespace vlxsim {
namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Signals are turned into bytes on a pipe so that the poll loop sees them without races.
int signalPipe[2] = {-1, -1};

extern "C" void OnSignal(int number) {
  const int saved = errno;
  const auto byte = static_cast<unsigned char>(number);
  [[maybe_unused]] const ssize_t ignored = write(signalPipe[1], &byte, 1);
  errno = saved;
}

bool InstallSignals(std::string& error) {
  if (pipe(signalPipe) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  for (const int fd : signalPipe) {
    fcntl(fd, F_SETFL, O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (const int number : {SIGUSR1, SIGUSR2, SIGHUP, SIGTERM, SIGINT}) {
    sigaction(number, &action, nullptr);
  }
  // Whoever reads our standard output may go away; printing a new path must not kill us.
  signal(SIGPIPE, SIG_IGN);
  return true;
}

// Bytes as a quoted line: printable ASCII as is, everything else as \xHH.
std::string Printable(const std::string& bytes) {
  std::string text = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte <= 0x7E) {
      text.push_back(c);
    } else {
      std::array<char, 5> hex{};
      std::snprintf(hex.data(), hex.size(), "\\x%02X", byte);
      text += hex.data();
    }
  }
  return text + "\"";
}

// Serves the amplifier on the current pseudo-terminal and plugs it in and out on request.
class Daemon {
  using Clock = std::chrono::steady_clock;

 public:
  explicit Daemon(const Options& options)
      : options_(options),
        amplifier_(options.amplifier),
        scheduler_(options.pace),
        input_(options.pace),
        link_(options.linkPath) {}

  int Run() {
    if (options_.pace) {
      // Paced bytes wake the daemon twice per byte; the kernel's default 50 us timer slack on
      // each wake would add up to a noticeable fraction of a long transfer.
      prctl(PR_SET_TIMERSLACK, 1UL);
    }
    std::string error;
    if (!options_.controlPath.empty()) {
      control_ = ControlFifo::Open(options_.controlPath, error);
      if (!control_) {
        std::cerr << "vlx750-sim: " << error << '\n';
        return kExitFailure;
      }
    }
    if (!PlugIn(error)) {
      std::cerr << "vlx750-sim: " << error << '\n';
      return kExitFailure;
    }
    while (!stopping_) {
      if (!Step(error)) {
        std::cerr << "vlx750-sim: " << error << '\n';
        link_.RemoveIfOurs();
        DumpEeprom();
        return kExitFailure;
      }
    }
    link_.RemoveIfOurs();
    return DumpEeprom() ? 0 : kExitFailure;
  }

 private:
  bool DumpEeprom() const {
    std::string error;
    if (options_.dumpEepromPath.empty() ||
        DumpEepromFile(options_.dumpEepromPath, amplifier_.Eeprom().Dump(), error)) {
      return true;
    }
    std::cerr << "vlx750-sim: " << error << '\n';
    return false;
  }

  bool PlugIn(std::string& error) {
    pty_ = PtyEndpoint::Open(error);
    if (!pty_ || !link_.PointAt(pty_->SlavePath(), error)) {
      pty_.reset();
      return false;
    }
    std::cout << pty_->SlavePath() << std::endl;
    Log("plugged in at " + pty_->SlavePath());
    return true;
  }

  void PullOut() {
    pty_.reset();
    scheduler_.Clear();
    input_.Clear();
    Log("adapter pulled out");
  }

  // Whatever was on the line either way dies with the power.
  void PowerCycle() {
    scheduler_.Clear();
    input_.Clear();
    amplifier_.PowerCycle(ModelMicros(Clock::now()));
    Log("power cycled");
  }

  bool Step(std::string& error) {
    // The signal pipe, the control pipe if any, the terminal while plugged in.
    std::array<pollfd, 3> fds{};
    fds[0] = {signalPipe[0], POLLIN, 0};
    fds[1] = {control_ ? control_->Fd() : -1, POLLIN, 0};
    nfds_t count = 2;
    if (pty_) {
      fds[2] = {pty_->MasterFd(), POLLIN, 0};
      count = 3;
    }
    const std::optional<timespec> timeout = PollTimeout();
    if (ppoll(fds.data(), count, timeout ? &*timeout : nullptr, nullptr) < 0 && errno != EINTR) {
      error = std::string("ppoll: ") + std::strerror(errno);
      return false;
    }
    if ((fds[0].revents & POLLIN) != 0 && !HandleSignals(error)) {
      return false;
    }
    if ((fds[1].revents & POLLIN) != 0) {
      TakeControlLines();
    }
    if (pty_ && count == 3 && (fds[2].revents & POLLIN) != 0) {
      ReadFromProgram();
    }
    if (pty_) {
      PassArrivedBytes();
    }
    // The amplifier's own doings (a reset ending, noise) go on with the adapter pulled out; only
    // nobody hears them.
    ScheduleReplies(amplifier_.Advance(ModelMicros(Clock::now())));
    if (pty_) {
      SendDue();
    }
    return true;
  }

  std::uint64_t ModelMicros(Clock::time_point at) const {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(at - origin_).count());
  }

  // Until the next thing due, to the microsecond: a packet's answer is due a fraction of a
  // millisecond after it, and rounding that up to a millisecond would slow a load down.
  std::optional<timespec> PollTimeout() const {
    std::optional<Clock::time_point> next = scheduler_.NextDue();
    const auto earliest = [&next](std::optional<Clock::time_point> other) {
      if (other && (!next || *other < *next)) {
        next = other;
      }
    };
    earliest(input_.NextDue());
    if (const auto wake = amplifier_.NextWakeMicros()) {
      earliest(origin_ + std::chrono::microseconds(*wake));
    }
    if (!next) {
      return std::nullopt;
    }
    const auto wait = std::max(std::chrono::ceil<std::chrono::microseconds>(*next - Clock::now()),
                               std::chrono::microseconds(0));
    return timespec{static_cast<time_t>(wait.count() / 1'000'000),
                    static_cast<long>(wait.count() % 1'000'000 * 1000)};
  }

  bool HandleSignals(std::string& error) {
    unsigned char number = 0;
    while (read(signalPipe[0], &number, 1) == 1) {
      if (number == SIGUSR1 && pty_) {
        PullOut();
      } else if (number == SIGUSR2 && !pty_ && !PlugIn(error)) {
        return false;
      } else if (number == SIGHUP) {
        PowerCycle();
      } else if (number == SIGTERM || number == SIGINT) {
        stopping_ = true;
      }
    }
    return true;
  }

  void TakeControlLines() {
    for (const std::string& text : control_->TakeLines()) {
      const std::optional<ControlLine> line = ParseControlLine(text);
      if (!line) {
        std::cerr << "vlx750-sim: control: not understood: " << Printable(text)
                  << " (trip CODE, clear, key on|off|auto)\n";
      } else if (!ApplyControlLine(*line, amplifier_, ModelMicros(Clock::now()))) {
        std::cerr << "vlx750-sim: control: " << Printable(text)
                  << " ignored: the firmware is not running\n";
      } else {
        Log("control: " + Printable(text));
      }
    }
  }

  void ReadFromProgram() {
    std::string bytes;
    if (!pty_->Read(bytes)) {
      // The terminal failed under us; polling it again would only spin.
      std::cerr << "vlx750-sim: cannot read " << pty_->SlavePath() << "; adapter pulled out\n";
      PullOut();
      return;
    }
    if (bytes.empty()) {
      return;
    }
    // The rate is sampled when the bytes are read, not when they were written: a program that
    // changes its rate right after a write would have the bytes judged at the new rate. The
    // program's settling waits around every rate change (after "^brpN;", before a probe at a new
    // rate) keep the two apart.
    const std::uint32_t rate = pty_->ProgramRate();
    Log("<- " + Printable(bytes) + " at " + std::to_string(rate) + " (amplifier at " +
        std::to_string(amplifier_.Rate()) + ")");
    input_.Add(Clock::now(), bytes, rate);
  }

  void PassArrivedBytes() {
    for (const InputPacer::Arrival& arrival : input_.TakeDue(Clock::now())) {
      ScheduleReplies(amplifier_.Receive(arrival.bytes, arrival.rate, ModelMicros(arrival.at)));
    }
  }

  void ScheduleReplies(std::vector<Transmission> transmissions) {
    for (Transmission& transmission : transmissions) {
      Log("-> " + Printable(transmission.bytes) + " at " + std::to_string(transmission.rate) +
          " at " + std::to_string(transmission.atMicros / 1000) + " ms");
      if (pty_) {
        const auto start = origin_ + std::chrono::microseconds(transmission.atMicros);
        scheduler_.Add(start, std::move(transmission));
      }
    }
  }

  void SendDue() {
    const std::string due =
        scheduler_.TakeDue(Clock::now(), [this](const Transmission& transmission) {
          return AcrossRates(transmission.bytes, transmission.rate, pty_->ProgramRate());
        });
    if (!due.empty()) {
      pty_->Write(due);
    }
  }

  void Log(const std::string& line) const {
    if (options_.verbose) {
      std::cerr << "vlx750-sim: " << line << std::endl;
    }
  }

  const Options& options_;
  const Clock::time_point origin_ = Clock::now();  // model time 0
  Amplifier amplifier_;
  Scheduler scheduler_;
  InputPacer input_;
  StableLink link_;
  std::unique_ptr<PtyEndpoint> pty_;
  std::unique_ptr<ControlFifo> control_;
  bool stopping_ = false;
};

}  // namespace
}  // namespace vlxsim

int main(int argc, char** argv) {
  vlxsim::Options options;
  std::string error;
  if (!vlxsim::ParseOptions(argc, argv, options, error)) {
    std::cerr << "vlx750-sim: " << error << "\n\n" << vlxsim::Usage();
    return vlxsim::kExitUsage;
  }
  if (options.help) {
    std::cout << vlxsim::Usage();
    return 0;
  }
  if (!options.loadEepromPath.empty()) {
    std::string bytes;
    if (!vlxsim::LoadEepromFile(options.loadEepromPath, bytes, error)) {
      std::cerr << "vlx750-sim: " << error << '\n';
      return vlxsim::kExitUsage;
    }
    options.amplifier.eeprom = std::move(bytes);
  }
  if (!vlxsim::InstallSignals(error)) {
    std::cerr << "vlx750-sim: " << error << '\n';
    return vlxsim::kExitFailure;
  }
  return vlxsim::Daemon(options).Run();
}
