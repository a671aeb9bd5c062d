#include "ConfigCommand.h"

#include <QJsonArray>
#include <array>
#include <optional>

#include "CliOptions.h"
#include "ConsoleReporting.h"
#include "ErrorTexts.h"
#include "JsonOutput.h"
#include "Output.h"
#include "config/BannerRules.h"
#include "config/ConfigurationFile.h"
#include "report/PrintableName.h"
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
// its first byte is 0xFF; nothing when the file does not hold all of its bytes.
std::optional<std::string> Banner(const RestorableBytes& bytes) {
  std::array<std::uint8_t, kBannerLength> banner{};
  for (std::size_t i = 0; i < kBannerLength; ++i) {
    const auto at = static_cast<std::uint8_t>(kBannerAddress + i);
    if (!bytes.Has(at)) {
      return std::nullopt;
    }
    banner[i] = bytes.At(at);
  }
  return PrintableText(BannerOfBytes(banner));
}

void PrintBanner(const RestorableBytes& bytes) {
  if (const std::optional<std::string> banner = Banner(bytes)) {
    PrintOutput("Banner:           \"%s\"\n", banner->c_str());
  } else {
    PrintOutput("Banner:           not in the file\n");
  }
}

// The seal's verdict; nothing when the file could not be read far enough to judge it.
const char* Seal(ErrorCode code) {
  switch (code) {
    case err::kSuccess:
      return "good";
    case err::kIncompleteConfigurationFile:
      return "missing";
    case err::kCorruptConfigurationFile:
      return "bad";
    default:
      return nullptr;
  }
}

void PrintJsonReport(const std::string& path, const ConfigurationFileCheck& check,
                     const RestorableBytes& bytes) {
  QJsonArray header;
  for (const std::string& line : check.otherLines) {
    header.append(JsonText(PrintableText(line)));
  }
  const char* seal = Seal(check.code);
  QJsonValue byAddress;
  QJsonValue banner;
  QJsonValue count;
  if (check.code == err::kSuccess) {
    QJsonArray values;
    for (std::uint32_t address = 0; address < 256; ++address) {
      const auto at = static_cast<std::uint8_t>(address);
      values.append(bytes.Has(at) ? QJsonValue(bytes.At(at)) : QJsonValue());
    }
    byAddress = values;
    count = static_cast<qint64>(bytes.Count());
    if (const std::optional<std::string> text = Banner(bytes)) {
      banner = JsonText(*text);
    }
  }
  WriteJson({{"file", JsonText(path)},
             {"header", header},
             {"seal", seal != nullptr ? QJsonValue(seal) : QJsonValue()},
             {"bytesToRestore", count},
             {"bytes", byAddress},
             {"banner", banner}});
}

}  // namespace

int RunConfigShow(const std::string& path, bool json) {
  InstallPlatformErrorTexts();
  SystemFileStore files;
  ConsoleStatusSink status(false);
  ConsolePrompts prompts(status);
  RestorableBytes bytes;
  // No amplifier to compare the serial number with.
  const ConfigurationFileCheck check =
      ReadConfigurationFile(files, status, prompts, path, 0xFFFF, bytes);
  if (json) {
    PrintJsonReport(path, check, bytes);
    return check.code == err::kSuccess ? exit_code::kSuccess : exit_code::kUsage;
  }
  PrintOutput("File:             %s\n", PrintableName(path).c_str());
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
