#pragma once
// What a firmware load is working through now (a packet sent again, a resynchronisation), for a
// host line each event replaces: a load working through faults can go a minute without moving its
// bar, and this says why. Hosts word it with LoadActivityText.

#include <cstdint>
#include <string>

namespace vlx {

struct LoadActivity {
  enum class Kind {
    kFlowing,          // the packets are acknowledged again: nothing to explain
    kNoAnswer,         // the packet is sent again after it went unanswered
    kRejected,         // the packet is sent again after the loader rejected it
    kResynchronising,  // fill bytes go out until the loader shows a packet boundary
  };

  Kind kind = Kind::kFlowing;
  std::uint32_t address = 0;  // the address the packet carries
  std::uint32_t retry = 0;    // the resend under way, 1 for the first
  std::uint32_t limit = 0;    // the most resends this cause allows

  friend bool operator==(const LoadActivity&, const LoadActivity&) = default;
};

// The line for `activity`; empty for kFlowing.
std::string LoadActivityText(const LoadActivity& activity);

}  // namespace vlx
