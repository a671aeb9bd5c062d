// Reading a full firmware file: `FirmwareImage::Load` + `ReconcileChecksum` in-process against
// srec_cat converting the same file to binary, with srec_cat's own start-up (a one-record file)
// taken off; and, as a user would time them, whole processes: `vlxctl hex FILE` against srec_cat.
// Medians of many runs; the raw figures are printed. Target: ours at least 3 times faster
// in-process. srec_cat comes from Debian's srecord (bench/hex_bench.sh installs it).

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "firmware/FirmwareImage.h"
#include "firmware/TestFirmware.h"
#include "support/process/ChildProcess.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int kRuns = 41;
constexpr double kTargetRatio = 3.0;

double MedianMs(const std::function<bool()>& run) {
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (!run()) {
      return -1;
    }
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

bool RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                int expected) {
  vlx::test::ChildProcess process(program, arguments);
  return process.WaitForExit(30s) == expected;
}

std::string FindInPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "";
  for (std::size_t begin = 0; begin <= folders.size();) {
    std::size_t end = folders.find(':', begin);
    end = end == std::string::npos ? folders.size() : end;
    const fs::path candidate = fs::path(folders.substr(begin, end - begin)) / name;
    if (fs::exists(candidate)) {
      return candidate.string();
    }
    begin = end + 1;
  }
  return {};
}

}  // namespace

int main() {
  const fs::path folder =
      fs::temp_directory_path() / ("vlx-hex-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const fs::path full = folder / vlxsim::TestFirmwareFileName(152);
  const fs::path single = folder / "one-record.hex";
  const fs::path output = folder / "out.bin";
  const std::string text = vlxsim::MakeTestFirmwareHex({});
  std::ofstream(full, std::ios::binary) << text;
  const std::uint8_t word[] = {0x00, 0x00};
  std::ofstream(single, std::ios::binary) << vlxsim::HexRecord(0, 0x0800, word) << "\r\n"
                                          << vlxsim::HexRecord(1, 0, {}) << "\r\n";
  std::printf("File: %s, %zu bytes, %d runs each, medians\n", full.c_str(), text.size(), kRuns);

  vlx::FirmwareImage image;
  const double ours = MedianMs([&] {
    return image.Load(full.string()) == vlx::err::kSuccess &&
           image.ReconcileChecksum() == vlx::err::kSuccess;
  });
  std::printf("In-process Load + ReconcileChecksum:   %8.3f ms\n", ours);

  const std::string srecCat = FindInPath("srec_cat");
  const double vlxctl = MedianMs([&] {
    return RunProcess(VLXCTL_PATH, {"hex", full.string()}, 0);
  });
  if (srecCat.empty()) {
    std::printf("srec_cat not found (Debian: srecord; bench/hex_bench.sh installs it)\n");
    std::printf("Whole process vlxctl hex:              %8.3f ms\n", vlxctl);
    fs::remove_all(folder);
    return 1;
  }
  auto srec = [&](const fs::path& input) {
    return MedianMs([&] {
      return RunProcess(srecCat, {input.string(), "-Intel", "-o", output.string(), "-Binary"}, 0);
    });
  };
  const double srecFull = srec(full);
  const double srecStartup = srec(single);
  const double srecWork = srecFull - srecStartup;
  std::printf("srec_cat full image (whole process):    %8.3f ms\n", srecFull);
  std::printf("srec_cat one-record file (start-up):    %8.3f ms\n", srecStartup);
  std::printf("srec_cat reading the image (difference): %7.3f ms\n", srecWork);
  const double ratio = srecWork / ours;
  std::printf("In-process: ours %.3f ms vs srec_cat %.3f ms: %.1fx faster (target >= %.0fx): %s\n",
              ours, srecWork, ratio, kTargetRatio, ratio >= kTargetRatio ? "met" : "MISSED");
  std::printf("Whole process: vlxctl hex %.3f ms vs srec_cat %.3f ms (%.1fx)\n", vlxctl, srecFull,
              srecFull / vlxctl);
  fs::remove_all(folder);
  return ratio >= kTargetRatio ? 0 : 1;
}
