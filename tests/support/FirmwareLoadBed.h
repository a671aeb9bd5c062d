#pragma once
// A firmware load in virtual time: a firmware file on disk, the amplifier found by the
// establish-contact machine as the Firmware page leaves it, and a load machine installed as the
// transient machine with a sink, MachineDone and the values it publishes recorded.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "firmware/FirmwareLoadMachine.h"
#include "firmware/TestFirmware.h"
#include "support/LinkTestBed.h"
#include "support/sim/Packets.h"

namespace vlx::test {

// A firmware file of ours for revision `revision`, its reconciliation word left 0 for the load
// to fill in.
inline vlxsim::TestFirmwareOptions TestFirmware(std::uint16_t revision) {
  return {.revision = revision, .reconciliationWord = false};
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
  void FirmwareActivity(const LoadActivity& activity) override { activities.push_back(activity); }
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
  std::vector<LoadActivity> activities;
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
        image(ImageText(vlxsim::MakeTestImage({.revision = kLoaded}))),
        path_(WriteFirmwareFile(vlxsim::MakeTestFirmwareHex(TestFirmware(kLoaded)))) {
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

  static std::string ImageText(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
  }

  // A firmware file of the test's own, in a folder of this test process's own: test processes
  // run side by side, and each removes its folder when it ends.
  static std::filesystem::path WriteFirmwareFile(const std::string& text) {
    static const struct Folder {
      Folder()
          : path(std::filesystem::path(::testing::TempDir()) /
                 ("vlx-load-" + std::to_string(std::random_device{}()) + "-" +
                  std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()))) {
        std::filesystem::create_directories(path);
      }
      ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
      }
      std::filesystem::path path;
    } folder;
    static int serial = 0;
    const std::filesystem::path path =
        folder.path / ("VLX750fp" + std::to_string(++serial) + ".hex");
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
    return time.RunUntil([&] { return Load().Current().Name() == name; }, limitMs);
  }
  // How many packets the program has sent so far; cheap enough to ask after every event.
  std::size_t PacketsSent() {
    const auto& sent = link.SentCommands();
    for (; scanned_ < sent.size(); ++scanned_) {
      packetsSent_ += sent[scanned_].bytes.size() == FirmwareLoadMachine::kPacketSize ? 1 : 0;
    }
    return packetsSent_;
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
  std::size_t scanned_ = 0;
  std::size_t packetsSent_ = 0;
};

}  // namespace vlx::test
