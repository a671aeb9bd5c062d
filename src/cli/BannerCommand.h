#pragma once
// `vlxctl banner [TEXT]`: prints the power-on banner or writes TEXT (already checked against the
// banner rules), through the sheet's flow. A TEXT the amplifier already holds is not written; a
// written one is read back and compared.

#include <optional>
#include <string>

#include "ContactSession.h"
#include "config/BannerFlow.h"

namespace vlx::cli {

class BannerCommand final : public ContactSession, private BannerFlowHost {
 public:
  // `text` is the rule's form of what the user gave (upper case, at most 8 characters).
  BannerCommand(const CliOptions& options, SettingsStore& store, std::optional<std::string> text);
  ~BannerCommand() override;

 private:
  void OnAmplifierFound() override;
  // As on the Configuration page: the EEPROM commands are the operating firmware's.
  std::string OperatingFirmwareTask() const override {
    return "its banner can be read and written";
  }
  void ShowBanner(const std::string&) override {}
  void SetEditable(bool) override {}
  void SetBusy(bool) override {}
  void CloseSheet() override {}
  void RunEnded(BannerRun run, ErrorCode code) override;
  void AfterRead();

  std::optional<std::string> text_;
  BannerFlow flow_;
};

// The message for a banner text the rules refuse; empty when they take it.
std::string BannerTextProblem(const std::string& text);

}  // namespace vlx::cli
