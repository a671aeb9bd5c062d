#pragma once
// `vlxctl info`: finds the amplifier and prints what the program then knows about it.

#include "ContactSession.h"

namespace vlx::cli {

class InfoCommand final : public ContactSession {
 public:
  using ContactSession::ContactSession;

 private:
  void OnAmplifierFound() override;
  void PrintDevice();
};

}  // namespace vlx::cli
