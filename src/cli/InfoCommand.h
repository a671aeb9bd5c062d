#pragma once
// `vlxctl info`: finds the amplifier and prints what the program then knows about it. Where a
// firmware load left the amplifier on this port in its loader and the search hears nothing, it
// says what the amplifier needs.

#include <QTimer>
#include <string>

#include "ContactSession.h"

namespace vlx::cli {

class InfoCommand final : public ContactSession {
 public:
  // `unfinishedLoadPort`: the port a firmware load left an amplifier waiting on; empty if none.
  InfoCommand(const CliOptions& options, SettingsStore& store, std::string unfinishedLoadPort);

  void Start() override;

 private:
  void OnAmplifierFound() override;
  void OnNoAnswerInTime() override;
  void PrintDevice();
  // Once, while nothing has answered on the port that the record names.
  void AdviseNewLoad();

  std::string unfinishedLoadPort_;
  QTimer silence_;
  bool advised_ = false;
};

}  // namespace vlx::cli
