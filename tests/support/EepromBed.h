#pragma once
// A bed for the machines that read and write the amplifier's EEPROM: the port open at 38400 bit/s
// with an operating amplifier found, as the Configuration page finds them, and a recorder of what
// a run tells its listeners. Also the replies of the block commands, for tests that forge them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/Machine.h"
#include "model/AppSettings.h"
#include "report/TextFormat.h"
#include "support/LinkTestBed.h"

namespace vlx::test {

// Collects the progress, the results and the rate changes a run tells.
class RunRecorder final : public Listener {
 public:
  explicit RunRecorder(AppSettings& app) : app_(app) {
    app.progressPosition.Subscribe(*this);
    app.progressRange.Subscribe(*this);
    app.machineDone.Subscribe(*this);
    app.baudRate.Subscribe(*this);
  }
  ~RunRecorder() override {
    app_.progressPosition.Unsubscribe(*this);
    app_.progressRange.Unsubscribe(*this);
    app_.machineDone.Unsubscribe(*this);
    app_.baudRate.Unsubscribe(*this);
  }

  void OnMessage(MessageId id, MessageParam wParam) override {
    if (id == app_.progressPosition.Id()) {
      progress.push_back(app_.progressPosition.Get());
    } else if (id == app_.progressRange.Id()) {
      ranges.push_back(app_.progressRange.Get());
    } else if (id == app_.machineDone.Id()) {
      done.push_back(static_cast<ErrorCode>(wParam));
    } else {
      rates.push_back(app_.Serial().Speed());
    }
  }

  std::vector<std::uint32_t> progress;
  std::vector<std::uint32_t> ranges;
  std::vector<ErrorCode> done;
  std::vector<std::uint32_t> rates;

 private:
  AppSettings& app_;
};

// The link as the Configuration page finds it, with a recorder of the run.
class EepromBed : public LinkTestBed {
 public:
  explicit EepromBed(vlxsim::AmplifierConfig config = {}) : LinkTestBed(std::move(config)) {
    OpenPortAsContactLeavesIt();
    app.SetDeviceState(device_state::kOperating);
  }

  // Puts a new machine of kind M in the transient slot, as a dialog does.
  template <typename M>
  M& Install() {
    return *app.InstallTransientMachine(std::make_unique<M>(app)).get();
  }

  bool RunToEnd(const Machine& machine, std::uint32_t limitMs = 60000) {
    return time.RunUntil([&] { return machine.IsIdle(); }, limitMs);
  }

  std::size_t Sends() const { return link.SentCommands().size(); }

  RunRecorder recorder{app};
};

// The "^ER" reply the amplifier gives for `data` read from `address` of `bank`.
inline std::string ReadReply(std::uint32_t bank, std::uint32_t address, const std::string& data) {
  std::uint32_t sum = bank + address + static_cast<std::uint32_t>(data.size());
  std::string digits;
  for (const char c : data) {
    const auto byte = static_cast<std::uint8_t>(c);
    sum += byte;
    digits += FormatText("%02X", {byte});
  }
  return FormatText("^ER%02X%02X%02X%s%02X;",
                    {bank, address, std::uint32_t(data.size()), digits, (256 - sum % 256) % 256});
}

}  // namespace vlx::test
