#pragma once
// Reads the rich text that release notes are written in into RichText.
// Safe on any bytes: the group stack is explicit and capped, parameters are clamped, and time and
// output grow linearly with the input.

#include <string_view>

#include "report/ErrorCode.h"
#include "text/RichText.h"

namespace vlx {

struct RtfReading {
  RichText text;
  // err::kInvalidData when the bytes are binary (a NUL outside \bin data); the text is then empty.
  ErrorCode code = err::kSuccess;
  // The bytes did not begin with "{\rtf" and were read as plain text (UTF-8, else Windows-1252).
  bool plainText = false;
  // The input ended inside the document (an open group or \bin data): the text is what came
  // before.
  bool truncated = false;
};

RtfReading ReadRtf(std::string_view bytes);

// Groups nested deeper than this share the state of the deepest one kept.
inline constexpr int kRtfMaxGroupDepth = 256;

}  // namespace vlx
