#pragma once
// The in-app help window: the program's help pages in a browser with Back, Forward and Contents.
// It is not modal, so the user can keep it open beside the page it explains.

#include <QDialog>
#include <QUrl>

class QPushButton;
class QTextBrowser;

namespace vlx {

class HelpViewer final : public QDialog {
 public:
  explicit HelpViewer(QWidget* parent = nullptr);

  // Shows `page` (fragment = the anchor to scroll to) and brings the window to the front.
  void ShowPage(const QUrl& page);

  QTextBrowser& Browser() const { return *browser_; }

 private:
  QTextBrowser* browser_;
  QPushButton* back_;
  QPushButton* forward_;
  QPushButton* contents_;
};

}  // namespace vlx
