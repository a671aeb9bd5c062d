#include "ConfigCommand.h"

#include <array>

#include "CliOptions.h"
#include "ConsoleReporting.h"
#include "ErrorTexts.h"
#include "Output.h"
#include "config/BannerRules.h"
#include "config/ConfigurationFile.h"
#include "report/TextFormat.h"
#include "settings/SystemFileStore.h"

namespace vlx::cli {
namespace {

constexpr std::uint8_t kBytesPerRow = 16;

void PrintBytes(const RestorableBytes& bytes) {
  PrintOutput("Bytes:            %zu to restore\n", bytes.Count());
  for (std::uint32_t row = 0; row < 256; row += kBytesPerRow) {
    std::string line;
    for (std::uint32_t address = row; address < row + kBytesPerRow; ++address) {
      const auto at = static_cast<std::uint8_t>(address);
      line += bytes.Has(at) ? FormatText(" %02X", {bytes.At(at)}) : std::string(" --");
    }
    if (line.find_first_not_of(" -") != std::string::npos) {
      PrintOutput("  0x%02X:%s\n", row, line.c_str());
    }
  }
}

// The banner as the amplifier would show it after a restore: up to its first 0 byte, empty when
// its first byte is 0xFF; unknown when the file does not hold all of its bytes.
void PrintBanner(const RestorableBytes& bytes) {
  std::array<std::uint8_t, kBannerLength> banner{};
  for (std::size_t i = 0; i < kBannerLength; ++i) {
    const auto at = static_cast<std::uint8_t>(kBannerAddress + i);
    if (!bytes.Has(at)) {
      PrintOutput("Banner:           not in the file\n");
      return;
    }
    banner[i] = bytes.At(at);
  }
  PrintOutput("Banner:           \"%s\"\n", PrintableText(BannerOfBytes(banner)).c_str());
}

}  // namespace

int RunConfigShow(const std::string& path) {
  InstallPlatformErrorTexts();
  SystemFileStore files;
  ConsoleStatusSink status(false);
  ConsolePrompts prompts(status);
  RestorableBytes bytes;
  // No amplifier to compare the serial number with.
  const ConfigurationFileCheck check =
      ReadConfigurationFile(files, status, prompts, path, 0xFFFF, bytes);
  PrintOutput("File:             %s\n", path.c_str());
  const char* label = "Header:           ";
  for (const std::string& line : check.otherLines) {
    PrintOutput("%s%s\n", label, PrintableText(line).c_str());
    label = "                  ";
  }
  if (check.code == err::kSuccess) {
    PrintOutput("Seal:             good\n");
  } else if (check.code == err::kCorruptConfigurationFile ||
             check.code == err::kIncompleteConfigurationFile) {
    PrintOutput("Seal:             %s\n",
                check.code == err::kIncompleteConfigurationFile
                    ? "missing (the file is incomplete)"
                    : "bad (the file was altered or a line is unreadable)");
  }
  if (check.code == err::kSuccess) {
    PrintBytes(bytes);
    PrintBanner(bytes);
  }
  return check.code == err::kSuccess ? exit_code::kSuccess : exit_code::kUsage;
}

}  // namespace vlx::cli
