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
#include <vector>

#include "firmware/FirmwareLoadMachine.h"
#include "support/LinkTestBed.h"

namespace vlx::test {

constexpr std::uint32_t kImageStart = 0x000800;
constexpr std::uint32_t kImageEnd = 0x01FD80;
constexpr std::size_t kRegularPackets = (kImageEnd - kImageStart) / 64;  // 2,006

// The test image's byte at `address`: ';', 'A', 'B', 'N' and every other value occur.
inline std::uint8_t TestImageByte(std::uint32_t address) {
  return static_cast<std::uint8_t>(address * 31 + (address >> 7));
}

// Intel HEX text of the whole image in 32-byte records, its reconciliation word left 0.
inline std::string TestFirmwareHex() {
  std::string text;
  auto record = [&text](std::uint32_t address, std::uint8_t type,
                        const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(data.size()),
                                    static_cast<std::uint8_t>(address >> 8),
                                    static_cast<std::uint8_t>(address), type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    std::uint32_t sum = 0;
    for (const std::uint8_t b : bytes) {
      sum += b;
    }
    bytes.push_back(static_cast<std::uint8_t>(256 - sum % 256));
    static constexpr char kDigits[] = "0123456789ABCDEF";
    text += ':';
    for (const std::uint8_t b : bytes) {
      text += kDigits[b >> 4];
      text += kDigits[b & 0x0F];
    }
    text += "\r\n";
  };
  std::uint32_t upper = 0;
  for (std::uint32_t address = kImageStart; address < kImageEnd; address += 32) {
    if (address >> 16 != upper) {
      upper = address >> 16;
      record(0, 4, {static_cast<std::uint8_t>(upper >> 8), static_cast<std::uint8_t>(upper)});
    }
    std::vector<std::uint8_t> data;
    for (std::uint32_t a = address; a < address + 32; ++a) {
      data.push_back(a == kImageStart || a == kImageStart + 1 ? 0 : TestImageByte(a));
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
  static constexpr std::uint16_t kRevision = 123;

  explicit FirmwareLoadBed(vlxsim::AmplifierConfig config = Amplifier())
      : LinkTestBed(config), path_(WriteFirmwareFile(TestFirmwareHex())) {
    app.SetAvailableFirmware(kRevision, path_.string());
  }
  ~FirmwareLoadBed() {
    machine.Release();
    std::filesystem::remove(path_);
  }

  static vlxsim::AmplifierConfig Amplifier() {
    vlxsim::AmplifierConfig config;
    config.revision = kRevision;
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

  LoadRecorder recorder{app};
  MachineHandle<FirmwareLoadMachine> machine;

 private:
  std::filesystem::path path_;
};

}  // namespace vlx::test
