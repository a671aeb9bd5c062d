#include "BannerCommand.h"

#include <cstdio>

#include "Output.h"
#include "config/BannerRules.h"
#include "config/ConfigurationFile.h"
#include "model/AppSettings.h"
#include "report/TextFormat.h"

namespace vlx::cli {
namespace {

void PrintBanner(const std::string& banner) {
  PrintOutput("%s\n", PrintableText(banner).c_str());
}

}  // namespace

std::string BannerTextProblem(const std::string& text) {
  if (AcceptBannerText(text)) {
    return {};
  }
  return FormatText(
      "vlxctl: \"%s\" cannot be a power-on banner: it takes at most %u characters, each a "
      "printable ASCII character (0x20 to 0x7E)",
      {PrintableText(text), static_cast<std::uint32_t>(kBannerLength)});
}

BannerCommand::BannerCommand(const CliOptions& options, SettingsStore& store,
                             std::optional<std::string> text)
    : ContactSession(options, store), text_(std::move(text)), flow_(App(), *this) {}

BannerCommand::~BannerCommand() {
  flow_.Hide();
}

void BannerCommand::OnAmplifierFound() {
  if (Finished()) {
    return;
  }
  flow_.Show();
}

void BannerCommand::RunEnded(BannerRun run, ErrorCode code) {
  if (Finished()) {
    return;
  }
  // A failure has had its box ("Power On Banner Error") on stderr already.
  if (code != err::kSuccess) {
    Finish(exit_code::kFailure);
  } else if (run == BannerRun::kRead) {
    AfterRead();
  } else {
    // The flow has read the written banner back and said so (a box when it differs).
    PrintBanner(App().bannerText.Get());
    Finish(flow_.ReadBackMatches() ? exit_code::kSuccess : exit_code::kFailure);
  }
}

void BannerCommand::AfterRead() {
  const std::string& banner = App().bannerText.Get();
  if (!text_) {
    PrintBanner(banner);
    Finish(exit_code::kSuccess);
  } else if (banner == *text_) {
    PrintBanner(banner);
    PrintError("vlxctl: the VLX750 holds this banner already; nothing was written");
    Finish(exit_code::kSuccess);
  } else {
    flow_.Write(*text_);
  }
}

}  // namespace vlx::cli
