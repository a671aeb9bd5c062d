#pragma once
// A firmware load in virtual time: a firmware file on disk, the amplifier found by the
// establish-contact machine as the Firmware page leaves it, and a load machine installed as the
// transient machine with a sink, MachineDone and the values it publishes recorded.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/FirmwareLoadMachine.h"
#include "sim/Packets.h"
#include "support/LinkTestBed.h"

namespace vlx::test {

// Intel HEX text of `image` (the bytes from 0x000800 on) in 32-byte records, with type 04
// records for the upper address words and its reconciliation word left 0 for the load to fill in.
inline std::string FirmwareHexOf(const std::string& image) {
  std::string text;
  auto record = [&text](std::uint32_t address, std::uint8_t type, std::string_view data) {
    std::string bytes{static_cast<char>(data.size()), static_cast<char>(address >> 8),
                      static_cast<char>(address), static_cast<char>(type)};
    bytes += data;
    std::uint32_t sum = 0;
    for (const char b : bytes) {
      sum += static_cast<std::uint8_t>(b);
    }
    bytes.push_back(static_cast<char>(256 - sum % 256));
    static constexpr char kDigits[] = "0123456789ABCDEF";
    text += ':';
    for (const char b : bytes) {
      text += kDigits[static_cast<std::uint8_t>(b) >> 4];
      text += kDigits[static_cast<std::uint8_t>(b) & 0x0F];
    }
    text += "\r\n";
  };
  std::uint32_t upper = 0;
  for (std::uint32_t offset = 0; offset < image.size(); offset += 32) {
    const std::uint32_t address = vlxsim::ImageStore::kStart + offset;
    if (address >> 16 != upper) {
      upper = address >> 16;
      record(0, 4, std::string{static_cast<char>(upper >> 8), static_cast<char>(upper)});
    }
    std::string data = image.substr(offset, 32);
    if (offset == 0) {
      data[0] = data[1] = '\0';
    }
    record(address & 0xFFFF, 0, data);
  }
  record(0, 1, {});
  return text;
}

// Collects what the machine and the model tell while a load runs.
class LoadRecorder final : public FirmwareTextSink, public Listener {
 public:
  explicit LoadRecorder(AppSettings& app) : app_(app) {
    app.machineDone.Subscribe(*this);
    app.deviceState.Subscribe(*this);
    app.revision.Subscribe(*this);
    app.progressPosition.Subscribe(*this);
  }
  ~LoadRecorder() override {
    app_.machineDone.Unsubscribe(*this);
    app_.deviceState.Unsubscribe(*this);
    app_.revision.Unsubscribe(*this);
    app_.progressPosition.Unsubscribe(*this);
  }

  void FirmwareText(const std::string& line) override { lines.push_back(line); }
  void OnMessage(MessageId id, MessageParam wParam) override {
    if (id == app_.machineDone.Id()) {
      done.push_back(static_cast<ErrorCode>(wParam));
    } else if (id == app_.deviceState.Id()) {
      deviceStates.push_back(app_.deviceState.Get());
    } else if (id == app_.revision.Id()) {
      revisions.push_back(app_.revision.Get());
    } else {
      progress.push_back(app_.progressPosition.Get());
    }
  }

  std::vector<std::string> lines;
  std::vector<ErrorCode> done;
  std::vector<std::uint32_t> deviceStates;
  std::vector<std::uint16_t> revisions;
  std::vector<std::uint32_t> progress;

 private:
  AppSettings& app_;
};

class FirmwareLoadBed : public LinkTestBed {
 public:
  // The amplifier runs kRunning; the file holds kLoaded.
  static constexpr std::uint16_t kRunning = 123;
  static constexpr std::uint16_t kLoaded = 124;

  explicit FirmwareLoadBed(vlxsim::AmplifierConfig config = Amplifier())
      : LinkTestBed(config),
        image(vlxsim::test::TestImage(kLoaded)),
        path_(WriteFirmwareFile(FirmwareHexOf(image))) {
    app.SetAvailableFirmware(kLoaded, path_.string());
  }
  ~FirmwareLoadBed() {
    machine.Release();
    std::filesystem::remove(path_);
  }

  static vlxsim::AmplifierConfig Amplifier() {
    vlxsim::AmplifierConfig config;
    config.revision = kRunning;
    return config;
  }

  // A firmware file of the test's own in the test's temporary folder.
  static std::filesystem::path WriteFirmwareFile(const std::string& text) {
    static int serial = 0;
    const std::filesystem::path path = std::filesystem::path(::testing::TempDir()) /
                                       ("VLX750fp" + std::to_string(++serial) + ".hex");
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  // Contact as the Firmware page has it before a load: the amplifier found, the port at 38400.
  void Connect() {
    contact().BeginTestCommunications();
    ASSERT_TRUE(RunContactToEnd());
    ASSERT_EQ(contact().Error(), err::kSuccess);
  }

  FirmwareLoadMachine& Install() {
    machine = app.InstallTransientMachine(std::make_unique<FirmwareLoadMachine>(app));
    return *machine.get();
  }

  // Connects, installs and starts a load; returns what StartLoad returned.
  bool StartLoad() {
    if (app.portOpen.Get() == 0) {
      Connect();
    }
    return Install().StartLoad(recorder);
  }

  FirmwareLoadMachine& Load() { return *machine.get(); }
  bool RunLoadToEnd(std::uint32_t limitMs = 120000) {
    return time.RunUntil([this] { return Load().IsIdle(); }, limitMs);
  }
  bool RunUntilState(const std::string& name, std::uint32_t limitMs = 120000) {
    return time.RunUntil([&] { return Load().Current().GetName() == name; }, limitMs);
  }
  // The packets the program sent, in order.
  std::vector<std::string> Packets() const {
    std::vector<std::string> packets;
    for (const auto& sent : link.SentCommands()) {
      if (sent.bytes.size() == FirmwareLoadMachine::kPacketSize) {
        packets.push_back(sent.bytes);
      }
    }
    return packets;
  }

  const std::string image;  // the file's image, its reconciliation word in place
  LoadRecorder recorder{app};
  MachineHandle<FirmwareLoadMachine> machine;

 private:
  std::filesystem::path path_;
};

}  // namespace vlx::test
