#include "help/ReleaseNotesWindow.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTextBlockFormat>
#include <QTextBrowser>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "DialogUnits.h"
#include "UiText.h"
#include "report/FirmwareTextIds.h"
#include "report/Prompts.h"
#include "report/ReportTextIds.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"
#include "text/RtfReader.h"

namespace vlx {
namespace {

// Notes are a few pages; a file this big is not notes, and reading it would only stall the
// window.
constexpr qint64 kMaxNotesFileSize = 16 * 1024 * 1024;
// Larger type than this is a damaged size, not a heading.
constexpr double kMaxPointSize = 144.0;
constexpr double kTwipsPerInch = 1440.0;

Qt::Alignment AlignmentOf(RichTextAlignment alignment) {
  switch (alignment) {
    case RichTextAlignment::kCentre:
      return Qt::AlignHCenter;
    case RichTextAlignment::kRight:
      return Qt::AlignRight;
    case RichTextAlignment::kJustify:
      return Qt::AlignJustify;
    case RichTextAlignment::kLeft:
      break;
  }
  return Qt::AlignLeft;
}

QTextCharFormat CharFormatOf(const RichTextRun& run, const RichText& notes) {
  QTextCharFormat format;
  const RichTextStyle& style = run.style;
  if (style.font >= 0 && static_cast<std::size_t>(style.font) < notes.fonts.size()) {
    const RichTextFont& font = notes.fonts[static_cast<std::size_t>(style.font)];
    if (!font.name.empty()) {
      format.setFontFamilies({QString::fromStdString(font.name)});
    }
    if (font.fixedPitch) {
      format.setFontFixedPitch(true);
      format.setFontStyleHint(QFont::TypeWriter);
    }
  }
  format.setFontPointSize(std::min(style.halfPoints / 2.0, kMaxPointSize));
  format.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
  format.setFontItalic(style.italic);
  format.setFontUnderline(style.underline);
  format.setFontStrikeOut(style.strikeOut);
  if (style.colour != RichTextStyle::kAutoColour) {
    format.setForeground(QColor(static_cast<QRgb>(style.colour)));
  }
  if (run.link >= 0 && static_cast<std::size_t>(run.link) < notes.links.size()) {
    const QString link = QString::fromStdString(notes.links[static_cast<std::size_t>(run.link)]);
    format.setAnchor(true);
    format.setAnchorHref(link);
    format.setToolTip(link);
  }
  return format;
}

// The whole file, or false when it cannot be opened or read or is far too big for notes. Only a
// regular file is opened: a pipe would block the window until someone writes to it.
bool ReadNotesFile(const QString& path, QByteArray& bytes) {
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) ||
      file.size() > kMaxNotesFileSize) {
    return false;
  }
  bytes = file.read(kMaxNotesFileSize + 1);
  return file.error() == QFileDevice::NoError && bytes.size() <= kMaxNotesFileSize;
}

}  // namespace

ReleaseNotesWindow::ReleaseNotesWindow(const RichText& notes, LinkOpener openLink)
    : QDialog(nullptr),
      view_(new QTextBrowser(this)),
      close_(new QPushButton(LoadText(ids::kClose), this)),
      openLink_(std::move(openLink)) {
  setObjectName(QStringLiteral("releaseNotesWindow"));
  setWindowTitle(QStringLiteral("Firmware Release Notes"));
  // Its own top-level window: it may stay open beside the main window, it goes when closed, and
  // it does not keep the program running once the main window has closed.
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_QuitOnClose, false);
  view_->setObjectName(QStringLiteral("releaseNotesView"));
  close_->setObjectName(QStringLiteral("releaseNotesClose"));

  view_->setReadOnly(true);
  view_->setOpenLinks(false);
  view_->setLineWrapMode(QTextEdit::WidgetWidth);
  connect(view_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) { OpenLink(link); });
  connect(close_, &QPushButton::clicked, this, &QDialog::close);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);

  FillDocument(*view_->document(), notes, logicalDpiY());
  setSizeGripEnabled(true);
  resize(DialogUnitsToPixels(font(), 320, 280));
}

void ReleaseNotesWindow::CentreOn(const QWidget* owner) {
  QRect frame = frameGeometry();
  frame.moveCenter(owner != nullptr ? owner->frameGeometry().center()
                                    : screen()->availableGeometry().center());
  // A small owner near a screen edge must not push the window off the screen.
  if (const QScreen* place = owner != nullptr ? owner->screen() : screen()) {
    const QRect area = place->availableGeometry();
    frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() - frame.width())));
    frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() - frame.height())));
  }
  move(frame.topLeft());
}

void ReleaseNotesWindow::OpenLink(const QUrl& link) const {
  if (!IsOpenableLink(link)) {
    return;
  }
  if (openLink_) {
    openLink_(link);
  } else {
    QDesktopServices::openUrl(link);
  }
}

bool IsOpenableLink(const QUrl& link) {
  const QString scheme = link.scheme().toLower();
  return link.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                            scheme == QLatin1String("ftp") || scheme == QLatin1String("mailto"));
}

void FillDocument(QTextDocument& document, const RichText& notes, double dotsPerInch) {
  document.clear();
  const auto pixels = [dotsPerInch](int twips) { return twips * dotsPerInch / kTwipsPerInch; };
  QTextCursor cursor(&document);
  cursor.beginEditBlock();
  bool first = true;
  for (const RichParagraph& paragraph : notes.paragraphs) {
    QTextBlockFormat block;
    block.setAlignment(AlignmentOf(paragraph.alignment));
    block.setLeftMargin(pixels(paragraph.leftIndent));
    block.setRightMargin(pixels(paragraph.rightIndent));
    block.setTextIndent(pixels(paragraph.firstLineIndent));
    block.setTopMargin(pixels(paragraph.spaceBefore));
    block.setBottomMargin(pixels(paragraph.spaceAfter));
    // A hanging first line (a list item's marker) tabs to the left indent, as word processors
    // lay it out; the layout measures tabs from where the first line starts.
    if (paragraph.firstLineIndent < 0) {
      block.setTabPositions(
          {QTextOption::Tab(pixels(-paragraph.firstLineIndent), QTextOption::LeftTab)});
    }
    if (first) {
      cursor.setBlockFormat(block);
      first = false;
    } else {
      cursor.insertBlock(block);
    }
    for (const RichTextRun& run : paragraph.runs) {
      QString text = QString::fromStdString(run.text);
      text.replace(QLatin1Char('\n'), QChar::LineSeparator);
      cursor.insertText(text, CharFormatOf(run, notes));
    }
  }
  cursor.endEditBlock();
}

ReleaseNotesWindow* ShowReleaseNotes(QWidget* owner, const QString& path, Prompts& prompts) {
  const auto refuse = [&prompts](const std::string& text) -> ReleaseNotesWindow* {
    prompts.MessageBox(text, std::string(LoadString(ids::kReleaseNotesErrorCaption)),
                       mb::kIconError);
    return nullptr;
  };
  if (path.isEmpty()) {
    return refuse(FormatText(ids::kReleaseNotesNotFound, {"vlxfwnotes"}));
  }
  QByteArray bytes;
  RtfReading reading;
  const bool readable = ReadNotesFile(path, bytes);
  if (readable) {
    reading = ReadRtf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  }
  // A file that cannot be read, or that holds binary data, is told as one that cannot be opened:
  // the window never vanishes without a word.
  if (!readable || reading.code != err::kSuccess) {
    return refuse(FormatText(ids::kUnableToOpenReleaseNotes, {path.toStdString()}));
  }
  auto* window = new ReleaseNotesWindow(reading.text);
  // Shown first, so that the frame the window system adds is part of what is centred.
  window->show();
  window->CentreOn(owner);
  return window;
}

ReleaseNotesHolder::~ReleaseNotesHolder() {
  Close();
}

void ReleaseNotesHolder::Show(QWidget* owner, const QString& path) {
  Close();
  window_ = ShowReleaseNotes(owner, path, prompts_);
}

void ReleaseNotesHolder::Close() {
  // Deleted at once, not later: the holder may be going with the main window and the event loop.
  delete window_.data();
}

}  // namespace vlx
