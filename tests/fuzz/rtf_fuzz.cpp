// Fuzz target of the RTF reader. Whatever the bytes, the reading must be well-formed: binary
// input refused with no text, every run non-empty valid UTF-8 without NULs, styles and
// paragraph values inside the ranges the window relies on, and output bounded by the input.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "text/RtfReader.h"
#include "text/Utf8.h"

namespace {

using vlx::fuzz::Check;

bool InTwips(int value) {
  return value >= -31'680 && value <= 31'680;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vlx;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const RtfReading reading = ReadRtf(bytes);
  const RichText& text = reading.text;
  Check(reading.code == err::kSuccess || reading.code == err::kInvalidData);
  if (reading.code != err::kSuccess) {
    Check(text.paragraphs.empty());
    return 0;
  }
  std::size_t textBytes = 0;
  std::size_t runs = 0;
  for (const RichParagraph& paragraph : text.paragraphs) {
    Check(InTwips(paragraph.leftIndent) && InTwips(paragraph.rightIndent) &&
          InTwips(paragraph.firstLineIndent));
    Check(paragraph.spaceBefore >= 0 && paragraph.spaceBefore <= 31'680);
    Check(paragraph.spaceAfter >= 0 && paragraph.spaceAfter <= 31'680);
    for (const RichTextRun& run : paragraph.runs) {
      Check(!run.text.empty() && IsValidUtf8(run.text) &&
            run.text.find('\0') == std::string_view::npos);
      Check(run.link >= -1 && run.link < static_cast<int>(text.links.size()));
      const RichTextStyle& style = run.style;
      Check(style.font >= -1 && style.font < static_cast<int>(text.fonts.size()));
      Check(style.halfPoints >= 1 && style.halfPoints <= 3'276);
      Check(style.colour == RichTextStyle::kAutoColour ||
            (style.colour >= 0 && style.colour <= 0xFFFFFF));
      textBytes += run.text.size();
      ++runs;
    }
  }
  for (const RichTextFont& font : text.fonts) {
    Check(IsValidUtf8(font.name));
  }
  std::size_t linkBytes = 0;
  for (const std::string& link : text.links) {
    Check(!link.empty() && IsValidUtf8(link));
    linkBytes += link.size();
  }
  // No byte of input yields more than one paragraph, one run or three bytes of text, and a link
  // is kept once, not with every run that shows it.
  Check(text.paragraphs.size() <= size && runs <= size && textBytes <= 3 * size &&
        text.links.size() <= size && linkBytes <= 3 * size);
  return 0;
}
