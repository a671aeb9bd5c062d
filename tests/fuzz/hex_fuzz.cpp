// libFuzzer target for the Intel HEX reader: any text is read without a crash, and what it says
// about the text holds together however the text is cut into chunks.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "firmware/ByteSource.h"
#include "firmware/FirmwareImage.h"

namespace {

using vlx::fuzz::Check;

bool IsHexCode(vlx::ErrorCode code) {
  return code == vlx::err::kUnexpectedHexCharacter || code == vlx::err::kHexMissingColon ||
         code == vlx::err::kHexUnknownRecordType || code == vlx::err::kHexLineChecksum ||
         code == vlx::err::kHexMissingEndOfFile || code == vlx::err::kHexDataRecordLength;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // Lines as the reader counts them: LF, CR, and CR LF once.
  std::uint32_t lines = 1;
  for (std::size_t i = 0; i < size; ++i) {
    lines += text[i] == '\r' || (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ? 1 : 0;
  }

  vlx::FirmwareImage image;
  const vlx::ErrorCode code = image.LoadText(text);
  Check(code == vlx::err::kSuccess || IsHexCode(code));
  Check(image.Loaded() == (code == vlx::err::kSuccess));
  Check(image.Bytes().size() == vlx::FirmwareImage::kSize);
  Check(image.ErrorLine() <= lines);
  Check(code == vlx::err::kSuccess || image.ErrorLine() >= 1);
  const vlx::HexStatistics& counts = image.Statistics();
  Check(counts.bytesInside + counts.bytesOutside <= 255 * std::uint64_t{counts.recordsByType[0]});
  Check(counts.blocksUnwritten <= vlx::FirmwareImage::kBlockCount);
  Check(counts.blankLines + counts.textLines <= counts.lines);

  // The same text in chunks of a size taken from the text itself reads the same.
  const std::size_t chunk = size == 0 ? 1 : 1 + data[0] % 7;
  vlx::MemorySource pieces(text, chunk);
  vlx::FirmwareImage chunked;
  Check(chunked.Load(pieces, "chunked") == code);
  Check(chunked.ErrorLine() == image.ErrorLine());
  Check(std::equal(image.Bytes().begin(), image.Bytes().end(), chunked.Bytes().begin(),
                   chunked.Bytes().end()));

  // A scan reads the same records and stops at the same place.
  vlx::FirmwareImage scanned;
  Check(scanned.ScanBoundsText(text) == code);
  Check(scanned.ErrorLine() == image.ErrorLine());

  if (code == vlx::err::kSuccess) {
    const vlx::ErrorCode reconciled = image.ReconcileChecksum();
    Check(reconciled == vlx::err::kSuccess || reconciled == vlx::err::kHexFileChecksumNotZero ||
          reconciled == vlx::err::kChecksumWordZero);
    Check((image.Checksum().sum == 0) == (reconciled != vlx::err::kHexFileChecksumNotZero));
  }
  return 0;
}
