#pragma once

#include <cstdint>

namespace vlxsim {

// The amplifier's program memory, as far as the conversation shows it: the revision of the
// firmware it runs. The running firmware reports this revision, so a load that writes a new image
// here changes what "^RVM;" says after the reset.
class ImageStore {
 public:
  explicit ImageStore(std::uint16_t revision) : revision_(revision) {}

  std::uint16_t Revision() const { return revision_; }

 private:
  std::uint16_t revision_;
};

}  // namespace vlxsim
