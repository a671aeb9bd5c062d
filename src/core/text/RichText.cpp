#include "text/RichText.h"

namespace vlx {

std::string RichParagraph::PlainText() const {
  std::string text;
  for (const RichTextRun& run : runs) {
    text += run.text;
  }
  return text;
}

std::string RichText::PlainText() const {
  std::string text;
  for (const RichParagraph& paragraph : paragraphs) {
    text += paragraph.PlainText();
    text += '\n';
  }
  return text;
}

}  // namespace vlx
