// vlx750-mkfw: writes a test firmware file for the simulated VLX750 (see firmware/TestFirmware.h).

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "firmware/TestFirmware.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: vlx750-mkfw [options]\n"
    "Writes an Intel HEX test firmware file for the simulated VLX750.\n"
    "  --revision N         revision 0..9999, in the file name and at 0x000802 (default 152 = "
    "01.52)\n"
    "  --no-word            leave the checksum reconciliation word 0 (filled in on loading)\n"
    "  --record-length N    data bytes per record, 1..255 (default 16)\n"
    "  --segment-records    extended segment address records (type 02) instead of type 04\n"
    "  --hole FROM-TO       leave addresses FROM up to TO (hexadecimal, TO excluded) unwritten;\n"
    "                       may be given more than once\n"
    "  -o, --output PATH    a folder (the file is named VLX750fpRRRR.hex there) or a file name\n"
    "                       (default: the current folder)\n"
    "  -h, --help           this text\n"
    "Exit status: 0 written, 1 not written, 2 bad arguments.\n";

bool ParseNumber(std::string_view text, unsigned& value, int base = 10) {
  if (base == 16 && (text.starts_with("0x") || text.starts_with("0X"))) {
    text.remove_prefix(2);
  }
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base);
  return !text.empty() && error == std::errc() && stop == end;
}

bool ParseHole(std::string_view text, vlxsim::Hole& hole) {
  const std::size_t dash = text.find('-');
  unsigned from = 0;
  unsigned to = 0;
  if (dash == std::string_view::npos || !ParseNumber(text.substr(0, dash), from, 16) ||
      !ParseNumber(text.substr(dash + 1), to, 16) || from >= to) {
    return false;
  }
  hole = {from, to};
  return true;
}

int Fail(const std::string& message, int status) {
  std::fprintf(stderr, "vlx750-mkfw: %s\n", message.c_str());
  if (status == 2) {
    std::fprintf(stderr, "Try 'vlx750-mkfw --help'.\n");
  }
  return status;
}

// Written beside the target under a temporary name and renamed into place, so a reader never
// sees half a file.
bool WriteFile(const std::filesystem::path& path, const std::string& text, std::string& error) {
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
      error = "cannot write " + temporary.string() + ": " + std::strerror(errno);
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code code;
  std::filesystem::rename(temporary, path, code);
  if (code) {
    error = "cannot rename " + temporary.string() + " to " + path.string() + ": " + code.message();
    std::filesystem::remove(temporary, code);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  vlxsim::TestFirmwareOptions options;
  std::string output = ".";
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    const bool hasValue = i + 1 < argc;
    unsigned number = 0;
    if (argument == "-h" || argument == "--help") {
      std::fputs(kUsage.data(), stdout);
      return 0;
    } else if (argument == "--no-word") {
      options.reconciliationWord = false;
    } else if (argument == "--segment-records") {
      options.addressRecords = vlxsim::AddressRecords::kSegment;
    } else if (argument == "--revision" && hasValue) {
      if (!ParseNumber(argv[++i], number) || number > 9999) {
        return Fail("--revision takes a number from 0 to 9999", 2);
      }
      options.revision = static_cast<std::uint16_t>(number);
    } else if (argument == "--record-length" && hasValue) {
      if (!ParseNumber(argv[++i], number) || number < 1 || number > 255) {
        return Fail("--record-length takes a number from 1 to 255", 2);
      }
      options.recordLength = number;
    } else if (argument == "--hole" && hasValue) {
      vlxsim::Hole hole;
      if (!ParseHole(argv[++i], hole)) {
        return Fail("--hole takes FROM-TO in hexadecimal, FROM below TO, e.g. 1000-1400", 2);
      }
      options.holes.push_back(hole);
    } else if ((argument == "-o" || argument == "--output") && hasValue) {
      output = argv[++i];
    } else {
      return Fail("unknown or incomplete option '" + std::string(argument) + "'", 2);
    }
  }
  std::filesystem::path path = output;
  std::error_code code;
  if (std::filesystem::is_directory(path, code)) {
    path /= vlxsim::TestFirmwareFileName(options.revision);
  }
  std::string error;
  if (!WriteFile(path, vlxsim::MakeTestFirmwareHex(options), error)) {
    return Fail(error, 1);
  }
  std::printf("%s\n", path.string().c_str());
  return 0;
}
