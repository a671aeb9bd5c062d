#pragma once
// The hostile links every machine must survive: each row turns the simulated line bad in one
// way. A machine's test runs it on every row and expects its final state within a bound of
// virtual time, with its code, no more boxes than the failure calls for and no timer left.

#include <functional>
#include <string>
#include <vector>

#include "support/LinkTestBed.h"

namespace vlx::test {

enum class LinkFault {
  kSilence,          // the amplifier answers nothing
  kNoise,            // nothing but bursts of noise without any terminator
  kLoneTerminator,   // every reply is a bare ";"
  kCutReply,         // every reply stops after three bytes, its terminator lost
  kCorruptedReply,   // the second byte of every reply arrives as another byte
  kSlowReply,        // every reply comes 600 ms late, after any query's time-out
  kDroppedThenGood,  // the first reply is lost, the rest are good
  kWriteFailure,     // the write after the first one fails
  kAdapterPulled,    // the adapter is pulled out right after the first send
};

struct HostileLinkRow {
  const char* label;
  LinkFault fault;
  std::function<void(LinkTestBed&)> beforeStart;
  std::function<void(LinkTestBed&)> afterStart;
};

const std::vector<HostileLinkRow>& HostileLinkRows();

}  // namespace vlx::test
