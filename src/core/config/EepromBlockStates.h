#pragma once
// The query states that carry a span of EEPROM bytes, at most 64 per "^ER" or "^EW" command.
// An owner sets the span and the destination or source before entry, once or in a derived state's
// Reset (calling the base Reset after).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/ConfigurationRanges.h"
#include "link/MachineState.h"

namespace vlx {

// What the two block states share: the span, the block in flight, the walk over the blocks and
// progress. The retry count is reset only on entry, so one visit of the state fails on its tenth
// time-out in all, however the time-outs are spread over its blocks.
class EepromBlockState : public QueryState {
 public:
  static constexpr std::uint32_t kMaxBlockBytes = 64;
  static constexpr std::uint32_t kTimeoutMs = 2000;

  // Starts the span from its first byte.
  void Execute() override;
  // The block in flight was taken: the next one goes out, or the span is done.
  void OnAccepted() override;

  void SetSpan(std::uint32_t bank, std::uint8_t startAddress, std::uint32_t total);
  void SetNext(MachineState* next) { next_ = next; }

  std::uint32_t Bank() const { return bank_; }
  std::uint8_t StartAddress() const { return startAddress_; }
  std::uint32_t Offset() const { return offset_; }
  std::uint32_t Total() const { return total_; }
  // The size of the block in flight.
  std::uint32_t BlockCount() const { return blockCount_; }

 protected:
  EepromBlockState(Machine& machine, std::string name, MachineState* next, const char* prefix,
                   EepromRanges fitTable, ErrorCode noResponseError);
  ~EepromBlockState() = default;

  // Sends the block at the offset, or ends the span when every byte is done. A block outside the
  // state's table ends the run with 0xE200000C.
  void SendNextBlock();
  // The block in flight counts as done: progress and offset move past it.
  virtual void AdvanceBlock();
  // Every byte of the span is done.
  virtual void OnSpanDone() = 0;
  // The bytes the command for the block in flight carries: BlockCount() of them, or none.
  virtual const std::uint8_t* OutgoingBytes() const = 0;

  // The first nine characters of the reply ("^ER" or "^EW", bank, address, count) are those of
  // the command, in either case.
  bool EchoesCommand(std::string_view reply) const;
  std::uint8_t BlockAddress() const { return blockAddress_; }

 private:
  const char* prefix_;
  EepromRanges fitTable_;
  std::uint32_t offset_ = 0;
  std::uint32_t total_ = 0;
  std::uint32_t bank_ = 0;
  std::uint8_t startAddress_ = 0;
  std::uint8_t blockAddress_ = 0;
  std::uint32_t blockCount_ = 0;
};

// Reads a span of any bank into the owner's memory. A reply is checked whole (length, echo, every
// hexadecimal pair, checksum) before any of its bytes reaches the destination, so a dropped reply
// leaves the destination as it was.
class ReadBlockState : public EepromBlockState {
 public:
  ReadBlockState(Machine& machine, std::string name, MachineState* next);
  ~ReadBlockState() = default;

  // Receives Total() bytes; the owner keeps it alive while the state runs.
  void SetDestination(std::uint8_t* destination) { destination_ = destination; }

  bool Accept() override;

 private:
  const std::uint8_t* OutgoingBytes() const override { return nullptr; }
  // A read has nothing more to do when its span is done than a query that succeeded.
  void OnSpanDone() override { OnSuccess(); }

  std::uint8_t* destination_ = nullptr;
  std::array<std::uint8_t, kMaxBlockBytes> block_{};
};

// Writes a span of the owner's bytes into bank 0 0x00-0xEF.
class WriteBlockState : public EepromBlockState {
 public:
  WriteBlockState(Machine& machine, std::string name, MachineState* next);
  ~WriteBlockState() = default;

  // Holds Total() bytes; the owner keeps it alive while the state runs.
  void SetSource(const std::uint8_t* source) { source_ = source; }

  bool Accept() override;
  // Every block was acknowledged; the banner machine adds to it.
  virtual void OnAllWritten();

 private:
  const std::uint8_t* OutgoingBytes() const override;
  void OnSpanDone() override { OnAllWritten(); }

  const std::uint8_t* source_ = nullptr;
};

}  // namespace vlx
