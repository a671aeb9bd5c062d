#pragma once
// The Firmware Release Notes window: the notes file read by our own RTF reader, rendered
// read-only and wrapped at the window's width, with "Close" at the bottom right. Modeless and
// top-level (not kept above the main window); ReleaseNotesHolder keeps at most one open.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

class QPushButton;
class QTextBrowser;
class QTextDocument;

namespace vlx {

class Prompts;
struct RichText;

// Opens a clicked link; the window only hands on links whose scheme is web or mail.
using LinkOpener = std::function<void(const QUrl&)>;

class ReleaseNotesWindow final : public QDialog {
 public:
  // `openLink` defaults to the desktop's handler.
  explicit ReleaseNotesWindow(const RichText& notes, LinkOpener openLink = {});

  QTextBrowser& View() const { return *view_; }
  QPushButton& CloseButton() const { return *close_; }

  // Puts the window in the middle of `owner` (of the screen when there is none).
  void CentreOn(const QWidget* owner);

 private:
  void OpenLink(const QUrl& link) const;

  QTextBrowser* view_;
  QPushButton* close_;
  LinkOpener openLink_;
};

// Builds the document the window shows: a block per paragraph with its alignment, indents and
// spacing, a fragment per run with its format; links become anchors.
void FillDocument(QTextDocument& document, const RichText& notes, double dotsPerInch);

// Whether a link from the notes may be handed to the desktop (http, https, ftp, mailto).
bool IsOpenableLink(const QUrl& link);

// Reads the notes at `path` into a new window centred on `owner`, which deletes itself when closed.
// An empty path gives ids::kReleaseNotesNotFound; a file that cannot be read, or holds binary data,
// ids::kUnableToOpenReleaseNotes with the path: both under ids::kReleaseNotesErrorCaption, and no
// window (nullptr).
ReleaseNotesWindow* ShowReleaseNotes(QWidget* owner, const QString& path, Prompts& prompts);

// The main window's one release-notes window: opening another closes the one that is open, and
// the holder closes it when it goes.
class ReleaseNotesHolder {
 public:
  explicit ReleaseNotesHolder(Prompts& prompts) : prompts_(prompts) {}
  ~ReleaseNotesHolder();
  ReleaseNotesHolder(const ReleaseNotesHolder&) = delete;
  ReleaseNotesHolder& operator=(const ReleaseNotesHolder&) = delete;

  // Closes the open window, then ShowReleaseNotes.
  void Show(QWidget* owner, const QString& path);
  void Close();
  // The open window; nullptr when there is none.
  ReleaseNotesWindow* Window() const { return window_; }

 private:
  Prompts& prompts_;
  QPointer<ReleaseNotesWindow> window_;
};

}  // namespace vlx
