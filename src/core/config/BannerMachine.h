#pragma once
// Reads and writes the amplifier's power-on banner: one "^ER" block of the 8 bytes at bank 0
// 0x50, or one "^EW" block of the text and its terminating 0. Both keep BannerText up to date.
// The banner flow installs it as the transient machine, one machine per read or write.

#include <array>
#include <cstdint>
#include <string_view>

#include "config/BannerRules.h"
#include "config/EepromBlockStates.h"
#include "link/Machine.h"

namespace vlx {

constexpr TimerId kBannerTimerId = 22;

class BannerMachine final : public Machine {
 public:
  explicit BannerMachine(AppSettings& owner);
  ~BannerMachine() override;

  // Controller operations of this machine; each starts a run only when the machine is idle
  // and returns whether it did.
  bool StartBannerRead();
  // Writes the first 8 characters of `text` and a 0 byte after them.
  bool StartBannerWrite(std::string_view text);

 private:
  // The banner: up to 8 characters, then 0.
  using Buffer = std::array<std::uint8_t, kBannerLength + 1>;

  class BannerReadState final : public ReadBlockState {
   public:
    BannerReadState(BannerMachine& machine, MachineState* next);
    void OnSuccess() override;

   private:
    BannerMachine& banner_;
  };

  class BannerWriteState final : public WriteBlockState {
   public:
    BannerWriteState(BannerMachine& machine, MachineState* next);
    void Reset() override;
    void OnAllWritten() override;

   private:
    BannerMachine& banner_;
  };

  void PublishResult() override;
  // BannerText = the buffer's text, up to its first 0 byte.
  void PublishBufferText();

  Buffer buffer_{};
  BannerReadState read_;
  BannerWriteState write_;
};

}  // namespace vlx
