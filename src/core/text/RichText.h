#pragma once
// Styled text as the release notes carry it: paragraphs of runs, each run with its character
// format and an optional link. What the reader produces and the window renders; no toolkit.

#include <cstdint>
#include <string>
#include <vector>

namespace vlx {

// A font of the document's font table, as far as the viewer can use it.
struct RichTextFont {
  std::string name;
  // The document asks for a fixed-pitch face (\fmodern or \fprq1); the viewer picks its own
  // fixed-pitch font when it lacks the named one.
  bool fixedPitch = false;

  bool operator==(const RichTextFont&) const = default;
};

struct RichTextStyle {
  static constexpr int kDefaultHalfPoints = 24;  // 12 points, the reader's size without \fs
  static constexpr std::int32_t kAutoColour = -1;

  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  // Index into RichText::fonts; -1: the viewer's own font.
  int font = -1;
  int halfPoints = kDefaultHalfPoints;
  // 0xRRGGBB, or kAutoColour for the viewer's text colour.
  std::int32_t colour = kAutoColour;

  bool operator==(const RichTextStyle&) const = default;
};

// Text in UTF-8 that shares one style and one link. "\t" is a tab (also between table cells),
// "\n" a line break inside the paragraph.
struct RichTextRun {
  std::string text;
  RichTextStyle style;
  // Index into RichText::links when the run is a hyperlink field's result; -1 for plain text.
  int link = -1;

  bool operator==(const RichTextRun&) const = default;
};

enum class RichTextAlignment { kLeft, kCentre, kRight, kJustify };

// How a paragraph is laid out. Indents and spacing in twips (1/1440 inch); the first-line indent
// is relative to the left.
struct RichParagraphFormat {
  RichTextAlignment alignment = RichTextAlignment::kLeft;
  int leftIndent = 0;
  int rightIndent = 0;
  int firstLineIndent = 0;
  int spaceBefore = 0;
  int spaceAfter = 0;

  bool operator==(const RichParagraphFormat&) const = default;
};

struct RichParagraph : RichParagraphFormat {
  std::vector<RichTextRun> runs;

  // The paragraph's text without formatting.
  std::string PlainText() const;

  bool operator==(const RichParagraph&) const = default;
};

struct RichText {
  std::vector<RichTextFont> fonts;
  // Hyperlink targets, each kept once however many runs show it.
  std::vector<std::string> links;
  std::vector<RichParagraph> paragraphs;

  // Every paragraph's text, each followed by "\n".
  std::string PlainText() const;
};

}  // namespace vlx
