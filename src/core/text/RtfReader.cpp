#include "text/RtfReader.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "text/Ascii.h"
#include "text/Utf8.h"

namespace vlx {
namespace {

// Parameters saturate here while their digits are read; each use clamps to its own range.
constexpr int kParameterLimit = 1'000'000'000;
constexpr int kMaxTwips = 31'680;  // 22 inches, more than any page
constexpr int kMaxHalfPoints = 3'276;
constexpr int kMaxUnicodeSkip = 16;
constexpr std::size_t kMaxWordLength = 32;
// A field instruction or font name longer than these is not one a writer produces; the rest of
// it is dropped so that a hostile file cannot grow them without bound.
constexpr std::size_t kMaxInstructionLength = 4'096;
constexpr std::size_t kMaxFontNameLength = 256;
constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 from 0x80 to 0x9F; the five unassigned bytes read as the replacement character.
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC,       kReplacement, 0x201A, 0x0192, 0x201E, 0x2026,       0x2020, 0x2021,
    0x02C6,       0x2030,       0x0160, 0x2039, 0x0152, kReplacement, 0x017D, kReplacement,
    kReplacement, 0x2018,       0x2019, 0x201C, 0x201D, 0x2022,       0x2013, 0x2014,
    0x02DC,       0x2122,       0x0161, 0x203A, 0x0153, kReplacement, 0x017E, 0x0178};

char32_t FromWindows1252(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : char32_t{byte};
}

// List markers a word processor writes in its symbol fonts (charset 2): Symbol's bullet and the
// usual picture-font markers. Other bytes read as Windows-1252.
char32_t FromSymbolFont(unsigned char byte) {
  switch (byte) {
    case 0xB7:
      return 0x2022;  // bullet
    case 0xA7:
      return 0x25AA;  // small square
    case 0xD8:
      return 0x27A2;  // arrowhead
    case 0xFC:
      return 0x2713;  // check mark
    default:
      return FromWindows1252(byte);
  }
}

// Control characters carry no text in a viewer; the tab is the one kept.
bool IsShownCharacter(char32_t cp) {
  return cp == U'\t' || (cp >= 0x20 && cp != 0x7F);
}

int Clamp(int value, int low, int high) {
  return std::clamp(value, low, high);
}

// ---------------------------------------------------------------------------------------------
// Plain text: notes saved as text still show, decoded as UTF-8 when they are valid UTF-8.

RtfReading ReadPlainText(std::string_view bytes) {
  RtfReading reading;
  reading.plainText = true;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    bytes.remove_prefix(3);
  }
  const bool utf8 = IsValidUtf8(bytes);
  RichParagraph line;
  auto text = [&line]() -> std::string& {
    if (line.runs.empty()) {
      line.runs.emplace_back();
    }
    return line.runs.back().text;
  };
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte == '\r' || byte == '\n') {
      if (byte == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
        ++i;
      }
      reading.text.paragraphs.push_back(std::move(line));
      line = {};
    } else if (byte >= 0x80 && utf8) {
      text() += static_cast<char>(byte);
    } else if (const char32_t cp = FromWindows1252(byte); IsShownCharacter(cp)) {
      AppendUtf8(text(), cp);
    }
  }
  if (!line.runs.empty()) {
    reading.text.paragraphs.push_back(std::move(line));
  }
  return reading;
}

// ---------------------------------------------------------------------------------------------
// Rich text: the subset a word processor writes for formatted notes (font and colour tables,
// Windows-1252 and Unicode escapes, special characters, list markers, hyperlink fields, tables as
// tab-separated lines). Everything else is skipped.

enum class Destination { kText, kSkip, kFontTable, kColourTable, kFieldInstruction };

// What a group inherits from its parent and restores on its close: where its text goes, the
// character and paragraph formatting, the \uc count and the field it belongs to.
struct GroupState {
  Destination destination = Destination::kText;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  bool hidden = false;
  int halfPoints = RichTextStyle::kDefaultHalfPoints;
  // The font number as the document names it; -1 = the document's default font (\deff).
  int fontNumber = -1;
  int colourIndex = 0;  // 0 = the automatic colour
  int unicodeSkip = 1;
  // Index into the reader's open fields: the field this group belongs to, and the field whose
  // result this text is (its link).
  int field = -1;
  int linkField = -1;
  RichParagraphFormat paragraph;
};

// An open \field: its instruction, and the link taken from it once the result begins.
struct Field {
  std::size_t depth = 0;
  std::string instruction;
  bool resultSeen = false;
  int link = -1;  // into RichText::links
};

struct FontEntry {
  int index = -1;  // into RichText::fonts
  bool symbol = false;
};

// The target of a HYPERLINK instruction: its first argument, quoted or not. A link to a bookmark
// inside the document (\l) names no target outside it and gives none.
std::string HyperlinkTarget(std::string_view instruction) {
  auto skipBlanks = [&instruction] {
    while (!instruction.empty() && (instruction.front() == ' ' || instruction.front() == '\t')) {
      instruction.remove_prefix(1);
    }
  };
  skipBlanks();
  constexpr std::string_view kHyperlink = "HYPERLINK";
  if (instruction.size() < kHyperlink.size() ||
      !std::equal(kHyperlink.begin(), kHyperlink.end(), instruction.begin(),
                  [](char a, char b) { return a == (b & ~0x20); })) {
    return {};
  }
  instruction.remove_prefix(kHyperlink.size());
  for (;;) {
    skipBlanks();
    if (instruction.empty()) {
      return {};
    }
    if (instruction.front() == '\\') {
      // A switch: its name runs to the next blank; \o (tip) and \t (frame) take an argument.
      const std::size_t end = std::min(instruction.find_first_of(" \t"), instruction.size());
      const std::string_view name = instruction.substr(1, end - 1);
      if (name == "l") {
        return {};
      }
      instruction.remove_prefix(end);
      skipBlanks();
      if ((name == "o" || name == "t") && !instruction.empty() && instruction.front() == '"') {
        const std::size_t close = instruction.find('"', 1);
        instruction.remove_prefix(close == std::string_view::npos ? instruction.size() : close + 1);
      }
      continue;
    }
    if (instruction.front() == '"') {
      instruction.remove_prefix(1);
      return std::string(instruction.substr(0, instruction.find('"')));
    }
    return std::string(instruction.substr(0, instruction.find_first_of(" \t")));
  }
}

// One pass over a rich-text document: a tokenizer and a loop over its tokens that keeps the
// group states on an explicit stack and builds the paragraphs as it goes.
class RtfParser {
 public:
  explicit RtfParser(std::string_view bytes) : in_(bytes) {}

  RtfReading Run();

 private:
  enum class TokenKind { kEnd, kNul, kOpen, kClose, kWord, kSymbol, kHexByte, kByte, kNothing };
  struct Token {
    explicit Token(TokenKind k = TokenKind::kEnd) : kind(k) {}
    static Token Word(std::string_view word) {
      Token token(TokenKind::kWord);
      token.word = word;
      return token;
    }
    static Token Byte(TokenKind kind, unsigned char byte) {
      Token token(kind);
      token.byte = byte;
      return token;
    }

    TokenKind kind;
    std::string_view word;
    bool hasParameter = false;
    int parameter = 0;
    char symbol = 0;
    unsigned char byte = 0;
  };

  Token Next();
  Token ReadControl();

  RtfReading Finish(bool truncated);
  void OpenGroup();
  void CloseGroup();
  void HandleWord(const Token& token, bool starred);
  void HandleTextWord(const Token& token);
  void HandleSymbol(char symbol);
  void HandleByte(unsigned char byte, bool escaped);
  void HandleUnicode(int parameter);

  GroupState& Top() { return stack_.back(); }
  std::size_t Depth() const { return stack_.size() + overflow_; }

  // Text from the document: a character, or text that needs no decoding.
  void Emit(char32_t cp);
  void EmitText(std::string_view utf8);
  void Put(char32_t cp);
  void AppendToRun(std::string_view utf8);
  void FlushSurrogate();
  Field* FieldAt(int index);
  void EndParagraph();
  void EndRow();
  RichTextStyle CurrentStyle();
  const FontEntry* CurrentFont();
  void CommitFont();
  void CommitColour();

  std::string_view in_;
  std::size_t pos_ = 0;
  bool truncated_ = false;

  std::vector<GroupState> stack_;
  std::size_t overflow_ = 0;  // groups opened beyond the cap, sharing the top state
  int pendingSkip_ = 0;       // fallback characters still to drop after \uN
  char16_t highSurrogate_ = 0;

  RichText text_;
  RichParagraph paragraph_;
  bool trailingCellTab_ = false;

  int defaultFont_ = 0;
  std::map<int, FontEntry> fonts_;
  bool fontCacheValid_ = false;
  int cachedFontNumber_ = 0;
  const FontEntry* cachedFont_ = nullptr;
  struct {
    bool active = false;
    int number = 0;
    std::string name;
    bool fixedPitch = false;
    bool symbol = false;
  } pendingFont_;

  std::vector<std::int32_t> colours_;
  bool colourTableSeen_ = false;
  int red_ = -1, green_ = -1, blue_ = -1;

  std::vector<Field> fields_;
};

RtfParser::Token RtfParser::Next() {
  for (;;) {
    if (pos_ >= in_.size()) {
      return Token();
    }
    const char c = in_[pos_++];
    switch (c) {
      case '\0':
        return Token(TokenKind::kNul);
      case '{':
        return Token(TokenKind::kOpen);
      case '}':
        return Token(TokenKind::kClose);
      case '\\':
        return ReadControl();
      case '\r':
      case '\n':
        continue;  // line ends in the file carry no text
      default:
        return Token::Byte(TokenKind::kByte, static_cast<unsigned char>(c));
    }
  }
}

RtfParser::Token RtfParser::ReadControl() {
  if (pos_ >= in_.size()) {
    truncated_ = true;
    return Token();
  }
  const char c = in_[pos_];
  if (IsAsciiLetter(c)) {
    const std::size_t start = pos_;
    while (pos_ < in_.size() && IsAsciiLetter(in_[pos_])) {
      ++pos_;
    }
    Token token = Token::Word(in_.substr(start, pos_ - start));
    if (token.word.size() > kMaxWordLength) {
      token.word = {};  // no word is that long; it is an unknown one
    }
    const bool negative = pos_ + 1 < in_.size() && in_[pos_] == '-' && IsAsciiDigit(in_[pos_ + 1]);
    if (negative) {
      ++pos_;
    }
    if (pos_ < in_.size() && IsAsciiDigit(in_[pos_])) {
      token.hasParameter = true;
      long long value = 0;
      while (pos_ < in_.size() && IsAsciiDigit(in_[pos_])) {
        value = std::min<long long>(value * 10 + (in_[pos_] - '0'), kParameterLimit);
        ++pos_;
      }
      token.parameter = static_cast<int>(negative ? -value : value);
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') {
      ++pos_;  // the delimiter belongs to the word
    }
    return token;
  }
  ++pos_;
  if (c == '\'') {
    const int high = pos_ < in_.size() ? HexDigitValue(in_[pos_]) : -1;
    if (high < 0) {
      return Token(TokenKind::kNothing);
    }
    ++pos_;
    const int low = pos_ < in_.size() ? HexDigitValue(in_[pos_]) : -1;
    if (low < 0) {
      return Token(TokenKind::kNothing);
    }
    ++pos_;
    return Token::Byte(TokenKind::kHexByte, static_cast<unsigned char>(high * 16 + low));
  }
  if (c == '\r' || c == '\n') {
    return Token::Word("par");
  }
  if (c == '\0') {
    return Token(TokenKind::kNul);
  }
  Token token(TokenKind::kSymbol);
  token.symbol = c;
  return token;
}

RtfReading RtfParser::Run() {
  RtfReading reading;
  bool starred = false;
  for (;;) {
    const Token token = Next();
    if (token.kind == TokenKind::kEnd) {
      truncated_ = true;  // the document's group never closed
      break;
    }
    if (token.kind == TokenKind::kNul) {
      reading.code = err::kInvalidData;
      return reading;
    }
    if (token.kind == TokenKind::kWord && token.word == "bin") {
      // Binary data is never shown; its bytes may be anything, braces and NULs included.
      const auto length = static_cast<std::size_t>(std::max(token.parameter, 0));
      if (length > in_.size() - pos_) {
        truncated_ = true;
        break;
      }
      pos_ += length;
      pendingSkip_ = std::max(pendingSkip_ - 1, 0);
      starred = false;
      continue;
    }
    const bool brace = token.kind == TokenKind::kOpen || token.kind == TokenKind::kClose;
    if (pendingSkip_ > 0 && !brace) {
      --pendingSkip_;  // a fallback for the \uN before it
      continue;
    }
    pendingSkip_ = 0;
    const bool wasStarred = starred;
    starred = false;
    switch (token.kind) {
      case TokenKind::kOpen:
        OpenGroup();
        break;
      case TokenKind::kClose:
        if (overflow_ == 0 && stack_.size() == 1) {
          return Finish(false);  // the document's own group closed; what follows is not read
        }
        CloseGroup();
        break;
      case TokenKind::kWord:
        HandleWord(token, wasStarred);
        break;
      case TokenKind::kSymbol:
        if (token.symbol == '*') {
          starred = true;
        } else {
          HandleSymbol(token.symbol);
        }
        break;
      case TokenKind::kHexByte:
        HandleByte(token.byte, true);
        break;
      case TokenKind::kByte:
        HandleByte(token.byte, false);
        break;
      default:
        break;
    }
  }
  return Finish(truncated_);
}

RtfReading RtfParser::Finish(bool truncated) {
  FlushSurrogate();
  // The text after the last paragraph mark is a paragraph of its own only when there is some.
  if (!paragraph_.runs.empty()) {
    EndParagraph();
  }
  RtfReading reading;
  reading.text = std::move(text_);
  reading.truncated = truncated;
  return reading;
}

void RtfParser::OpenGroup() {
  if (stack_.empty()) {
    stack_.emplace_back();
  } else if (stack_.size() < static_cast<std::size_t>(kRtfMaxGroupDepth)) {
    stack_.push_back(stack_.back());
  } else {
    ++overflow_;
  }
}

void RtfParser::CloseGroup() {
  const std::size_t depth = Depth();
  while (!fields_.empty() && fields_.back().depth >= depth) {
    fields_.pop_back();
  }
  if (overflow_ > 0) {
    --overflow_;
    return;
  }
  const Destination closing = Top().destination;
  stack_.pop_back();
  if (closing == Destination::kFontTable && Top().destination != Destination::kFontTable) {
    CommitFont();
  }
}

void RtfParser::HandleWord(const Token& token, bool starred) {
  static constexpr auto kSkippedDestinations = std::to_array<std::string_view>(
      {"info",       "stylesheet", "pict",     "object",    "header",
       "headerl",    "headerr",    "headerf",  "footer",    "footerl",
       "footerr",    "footerf",    "pn",       "listtable", "listoverridetable",
       "revtbl",     "filetbl",    "xe",       "tc",        "txe",
       "nonshppict", "shp",        "template", "userprops"});
  GroupState& state = Top();
  const std::string_view word = token.word;
  if (state.destination == Destination::kSkip) {
    return;
  }
  if (word == "fldinst") {
    state.destination = FieldAt(state.field) != nullptr && state.destination == Destination::kText
                            ? Destination::kFieldInstruction
                            : Destination::kSkip;
    return;
  }
  // A starred destination this reader does not know is skipped whole, as the format asks.
  if (starred || std::find(kSkippedDestinations.begin(), kSkippedDestinations.end(), word) !=
                     kSkippedDestinations.end()) {
    state.destination = Destination::kSkip;
    return;
  }
  const int p = token.parameter;
  switch (state.destination) {
    case Destination::kFontTable:
      if (word == "f") {
        CommitFont();
        pendingFont_.active = true;
        pendingFont_.number = p;
      } else if (word == "fmodern" || (word == "fprq" && p == 1)) {
        pendingFont_.fixedPitch = true;
      } else if (word == "fcharset") {
        pendingFont_.symbol = p == 2;
      }
      return;
    case Destination::kColourTable:
      if (word == "red") {
        red_ = Clamp(p, 0, 255);
      } else if (word == "green") {
        green_ = Clamp(p, 0, 255);
      } else if (word == "blue") {
        blue_ = Clamp(p, 0, 255);
      }
      return;
    case Destination::kFieldInstruction:
      return;
    default:
      HandleTextWord(token);
  }
}

void RtfParser::HandleTextWord(const Token& token) {
  static constexpr auto kUnderlines = std::to_array<std::string_view>(
      {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd",
       "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"});
  struct Special {
    std::string_view word;
    char32_t cp;
  };
  static constexpr std::array<Special, 13> kSpecials = {{{"tab", U'\t'},
                                                         {"line", U'\n'},
                                                         {"emdash", 0x2014},
                                                         {"endash", 0x2013},
                                                         {"lquote", 0x2018},
                                                         {"rquote", 0x2019},
                                                         {"ldblquote", 0x201C},
                                                         {"rdblquote", 0x201D},
                                                         {"bullet", 0x2022},
                                                         {"emspace", 0x2003},
                                                         {"enspace", 0x2002},
                                                         {"qmspace", 0x2005},
                                                         {"zwnbo", 0xFEFF}}};
  GroupState& state = Top();
  const std::string_view word = token.word;
  const int p = token.parameter;
  // A toggle without parameter, or with one other than 0, switches on.
  const bool on = !token.hasParameter || p != 0;
  const int twips = Clamp(p, -kMaxTwips, kMaxTwips);

  if (word == "fonttbl") {
    state.destination = Destination::kFontTable;
  } else if (word == "colortbl") {
    // Only the first colour table counts; a second one would renumber the colours in use.
    state.destination = colourTableSeen_ ? Destination::kSkip : Destination::kColourTable;
    colourTableSeen_ = true;
  } else if (word == "field") {
    fields_.emplace_back().depth = Depth();
    state.field = static_cast<int>(fields_.size()) - 1;
  } else if (word == "fldrslt") {
    if (Field* field = FieldAt(state.field)) {
      if (!field->resultSeen) {
        field->resultSeen = true;
        if (std::string target = HyperlinkTarget(field->instruction); !target.empty()) {
          field->link = static_cast<int>(text_.links.size());
          text_.links.push_back(std::move(target));
        }
      }
      state.linkField = state.field;
    }
  } else if (word == "deff") {
    defaultFont_ = p;
    fontCacheValid_ = false;
  } else if (word == "uc") {
    state.unicodeSkip = Clamp(p, 0, kMaxUnicodeSkip);
  } else if (word == "u") {
    HandleUnicode(p);
  } else if (word == "par") {
    EndParagraph();
  } else if (word == "page" || word == "sect") {
    if (!paragraph_.runs.empty()) {
      EndParagraph();
    }
  } else if (word == "cell" || word == "nestcell") {
    EmitText("\t");
    trailingCellTab_ = !state.hidden;
  } else if (word == "row" || word == "nestrow") {
    EndRow();
  } else if (word == "pard") {
    state.paragraph = {};
  } else if (word == "ql") {
    state.paragraph.alignment = RichTextAlignment::kLeft;
  } else if (word == "qc") {
    state.paragraph.alignment = RichTextAlignment::kCentre;
  } else if (word == "qr") {
    state.paragraph.alignment = RichTextAlignment::kRight;
  } else if (word == "qj" || word == "qd") {
    state.paragraph.alignment = RichTextAlignment::kJustify;
  } else if (word == "li") {
    state.paragraph.leftIndent = twips;
  } else if (word == "ri") {
    state.paragraph.rightIndent = twips;
  } else if (word == "fi") {
    state.paragraph.firstLineIndent = twips;
  } else if (word == "sb") {
    state.paragraph.spaceBefore = std::max(twips, 0);
  } else if (word == "sa") {
    state.paragraph.spaceAfter = std::max(twips, 0);
  } else if (word == "plain") {
    state.bold = state.italic = state.underline = state.strikeOut = state.hidden = false;
    state.halfPoints = RichTextStyle::kDefaultHalfPoints;
    state.fontNumber = -1;
    state.colourIndex = 0;
  } else if (word == "b") {
    state.bold = on;
  } else if (word == "i") {
    state.italic = on;
  } else if (word == "strike" || word == "striked") {
    state.strikeOut = on;
  } else if (word == "ulnone") {
    state.underline = false;
  } else if (std::find(kUnderlines.begin(), kUnderlines.end(), word) != kUnderlines.end()) {
    state.underline = on;
  } else if (word == "v") {
    state.hidden = on;
  } else if (word == "fs") {
    state.halfPoints = p > 0 ? Clamp(p, 1, kMaxHalfPoints) : RichTextStyle::kDefaultHalfPoints;
  } else if (word == "f") {
    state.fontNumber = p;
  } else if (word == "cf") {
    state.colourIndex = std::max(p, 0);
  } else {
    for (const Special& special : kSpecials) {
      if (word == special.word) {
        Emit(special.cp);
        return;
      }
    }
    // Any other word changes nothing this reader shows.
  }
}

void RtfParser::HandleSymbol(char symbol) {
  switch (symbol) {
    case '\\':
    case '{':
    case '}':
      HandleByte(static_cast<unsigned char>(symbol), true);
      break;
    case '~':
      if (Top().destination == Destination::kText) {
        Emit(0x00A0);
      }
      break;
    case '_':
      if (Top().destination == Destination::kText) {
        Emit(0x2011);
      }
      break;
    case '\t':
      HandleByte('\t', true);
      break;
    default:
      break;  // optional hyphen, index marks and the like show nothing
  }
}

void RtfParser::HandleByte(unsigned char byte, bool escaped) {
  GroupState& state = Top();
  switch (state.destination) {
    case Destination::kText: {
      const FontEntry* font = CurrentFont();
      Emit(font != nullptr && font->symbol ? FromSymbolFont(byte) : FromWindows1252(byte));
      return;
    }
    case Destination::kFontTable:
      if (byte == ';' && !escaped) {
        CommitFont();
      } else if (pendingFont_.active && pendingFont_.name.size() < kMaxFontNameLength) {
        if (const char32_t cp = FromWindows1252(byte); IsShownCharacter(cp)) {
          AppendUtf8(pendingFont_.name, cp);
        }
      }
      return;
    case Destination::kColourTable:
      if (byte == ';' && !escaped) {
        CommitColour();
      }
      return;
    case Destination::kFieldInstruction:
      Emit(FromWindows1252(byte));
      return;
    case Destination::kSkip:
      return;
  }
}

void RtfParser::HandleUnicode(int parameter) {
  pendingSkip_ = Top().unicodeSkip;
  // The parameter is a signed 16-bit number; values above 32767 are written negative.
  auto unit = static_cast<char32_t>(static_cast<std::uint16_t>(Clamp(parameter, -32768, 65535)));
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    FlushSurrogate();
    highSurrogate_ = static_cast<char16_t>(unit);
    return;
  }
  if (unit >= 0xDC00 && unit <= 0xDFFF) {
    if (highSurrogate_ == 0) {
      Emit(kReplacement);
      return;
    }
    const char32_t cp = 0x10000 + ((char32_t{highSurrogate_} - 0xD800) << 10) + (unit - 0xDC00);
    highSurrogate_ = 0;
    Emit(cp);
    return;
  }
  // Symbol fonts place their characters at U+F020..U+F0FF; read them as the font's bytes.
  const FontEntry* font = CurrentFont();
  if (font != nullptr && font->symbol && unit >= 0xF020 && unit <= 0xF0FF) {
    unit = FromSymbolFont(static_cast<unsigned char>(unit & 0xFF));
  }
  Emit(unit);
}

void RtfParser::FlushSurrogate() {
  if (highSurrogate_ != 0) {
    highSurrogate_ = 0;
    Put(kReplacement);
  }
}

void RtfParser::Emit(char32_t cp) {
  FlushSurrogate();
  Put(cp);
}

void RtfParser::Put(char32_t cp) {
  if (!IsShownCharacter(cp) && cp != U'\n') {
    return;
  }
  std::string utf8;
  AppendUtf8(utf8, cp);
  if (const GroupState& state = Top(); state.destination == Destination::kFieldInstruction) {
    if (Field* field = FieldAt(state.field);
        field != nullptr && field->instruction.size() < kMaxInstructionLength) {
      field->instruction += utf8;
    }
    return;
  }
  AppendToRun(utf8);
}

void RtfParser::EmitText(std::string_view utf8) {
  FlushSurrogate();
  AppendToRun(utf8);
}

void RtfParser::AppendToRun(std::string_view utf8) {
  const GroupState& state = Top();
  if (state.destination != Destination::kText || state.hidden) {
    return;
  }
  const RichTextStyle style = CurrentStyle();
  const Field* field = FieldAt(state.linkField);
  const int link = field != nullptr ? field->link : -1;
  if (paragraph_.runs.empty() || paragraph_.runs.back().style != style ||
      paragraph_.runs.back().link != link) {
    RichTextRun& run = paragraph_.runs.emplace_back();
    run.style = style;
    run.link = link;
  }
  paragraph_.runs.back().text += utf8;
  trailingCellTab_ = false;
}

Field* RtfParser::FieldAt(int index) {
  // Groups past the depth cap share a state, so an index may outlive its field.
  return index >= 0 && static_cast<std::size_t>(index) < fields_.size()
             ? &fields_[static_cast<std::size_t>(index)]
             : nullptr;
}

void RtfParser::EndParagraph() {
  FlushSurrogate();
  static_cast<RichParagraphFormat&>(paragraph_) =
      stack_.empty() ? RichParagraphFormat{} : Top().paragraph;
  text_.paragraphs.push_back(std::move(paragraph_));
  paragraph_ = {};
  trailingCellTab_ = false;
}

void RtfParser::EndRow() {
  // Cells are separated by tabs; the tab after the row's last cell separates nothing.
  if (trailingCellTab_) {
    std::string& last = paragraph_.runs.back().text;
    last.pop_back();
    if (last.empty()) {
      paragraph_.runs.pop_back();
    }
  }
  EndParagraph();
}

const FontEntry* RtfParser::CurrentFont() {
  const int number = Top().fontNumber < 0 ? defaultFont_ : Top().fontNumber;
  if (!fontCacheValid_ || cachedFontNumber_ != number) {
    const auto found = fonts_.find(number);
    cachedFont_ = found == fonts_.end() ? nullptr : &found->second;
    cachedFontNumber_ = number;
    fontCacheValid_ = true;
  }
  return cachedFont_;
}

RichTextStyle RtfParser::CurrentStyle() {
  const GroupState& state = Top();
  RichTextStyle style;
  style.bold = state.bold;
  style.italic = state.italic;
  style.underline = state.underline;
  style.strikeOut = state.strikeOut;
  style.halfPoints = state.halfPoints;
  // A symbol font's markers have been turned into Unicode; the viewer's font shows them.
  if (const FontEntry* font = CurrentFont(); font != nullptr && !font->symbol) {
    style.font = font->index;
  }
  if (state.colourIndex > 0 && static_cast<std::size_t>(state.colourIndex) < colours_.size()) {
    style.colour = colours_[static_cast<std::size_t>(state.colourIndex)];
  }
  return style;
}

void RtfParser::CommitFont() {
  if (!pendingFont_.active) {
    return;
  }
  std::string& name = pendingFont_.name;
  const std::size_t first = name.find_first_not_of(' ');
  name.erase(0, first == std::string::npos ? name.size() : first);
  while (!name.empty() && name.back() == ' ') {
    name.pop_back();
  }
  fonts_[pendingFont_.number] =
      FontEntry{.index = static_cast<int>(text_.fonts.size()), .symbol = pendingFont_.symbol};
  text_.fonts.push_back(
      RichTextFont{.name = std::move(name), .fixedPitch = pendingFont_.fixedPitch});
  pendingFont_ = {};
  fontCacheValid_ = false;
}

void RtfParser::CommitColour() {
  const bool automatic = red_ < 0 && green_ < 0 && blue_ < 0;
  colours_.push_back(automatic ? RichTextStyle::kAutoColour
                               : (std::max(red_, 0) << 16) | (std::max(green_, 0) << 8) |
                                     std::max(blue_, 0));
  red_ = green_ = blue_ = -1;
}

}  // namespace

RtfReading ReadRtf(std::string_view bytes) {
  if (!bytes.starts_with("{\\rtf")) {
    if (bytes.find('\0') != std::string_view::npos) {
      RtfReading binary;
      binary.code = err::kInvalidData;
      binary.plainText = true;
      return binary;
    }
    return ReadPlainText(bytes);
  }
  return RtfParser(bytes).Run();
}

}  // namespace vlx
