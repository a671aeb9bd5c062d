#include "help/HelpViewer.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "DialogUnits.h"
#include "help/QtHelpService.h"

namespace vlx {

HelpViewer::HelpViewer(QWidget* parent)
    : QDialog(parent),
      browser_(new QTextBrowser(this)),
      back_(new QPushButton(QStringLiteral("Back"), this)),
      forward_(new QPushButton(QStringLiteral("Forward"), this)),
      contents_(new QPushButton(QStringLiteral("Contents"), this)) {
  setObjectName(QStringLiteral("helpViewer"));
  setWindowTitle(QStringLiteral("VLX Utility Help"));
  browser_->setObjectName(QStringLiteral("helpBrowser"));
  back_->setObjectName(QStringLiteral("helpBack"));
  forward_->setObjectName(QStringLiteral("helpForward"));
  contents_->setObjectName(QStringLiteral("helpContents"));

  // The pages link only to each other; nothing leaves the program.
  browser_->setOpenExternalLinks(false);
  browser_->setOpenLinks(true);

  // Enter in the browser must follow a link, not press a default button and close the window.
  for (QPushButton* button : {back_, forward_, contents_}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
  back_->setEnabled(false);
  forward_->setEnabled(false);
  connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
  connect(contents_, &QPushButton::clicked, this,
          [this] { browser_->setSource(HelpTopicUrl({})); });
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QPushButton::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QPushButton::setEnabled);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(back_);
  buttons->addWidget(forward_);
  buttons->addWidget(contents_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(browser_, 1);
  setTabOrder(back_, forward_);
  setTabOrder(forward_, contents_);
  setTabOrder(contents_, browser_);

  setSizeGripEnabled(true);
  resize(DialogUnitsToPixels(font(), 320, 300));
}

void HelpViewer::ShowPage(const QUrl& page) {
  browser_->setSource(page);
  show();
  raise();
  activateWindow();
}

}  // namespace vlx
