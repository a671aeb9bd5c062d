#include "dialogs/SettingsDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "DialogUnits.h"
#include "UiText.h"
#include "firmware/FtpServer.h"
#include "model/AppSettings.h"
#include "report/FtpTextIds.h"

namespace vlx {
namespace {

// Wide enough for a host name and a port without scrolling the box.
constexpr int kWidthUnits = 240;

}  // namespace

SettingsDialog::SettingsDialog(AppSettings& app, QWidget* parent)
    : QDialog(parent),
      app_(app),
      ftpServer_(new QLineEdit(QString::fromStdString(app.ftpServer.Get()))),
      problem_(new QLabel),
      restoreDefault_(new QPushButton(QStringLiteral("Restore &Default"))) {
  setObjectName("settingsDialog");
  setWindowTitle(QStringLiteral("Settings"));
  ftpServer_->setObjectName("ftpServer");
  // An empty box is the maker's server; the box says so.
  ftpServer_->setPlaceholderText(LoadText(ids::kFtpHostName));
  problem_->setObjectName("ftpServerProblem");
  // The typed text is quoted in it, and must not be taken for markup.
  problem_->setTextFormat(Qt::PlainText);
  problem_->setWordWrap(true);
  problem_->hide();
  restoreDefault_->setObjectName("restoreDefault");
  restoreDefault_->setAutoDefault(false);
  connect(restoreDefault_, &QPushButton::clicked, ftpServer_, &QLineEdit::clear);
  connect(ftpServer_, &QLineEdit::textEdited, problem_, &QLabel::hide);

  auto* label = new QLabel(QStringLiteral("&FTP server for firmware files:"));
  label->setBuddy(ftpServer_);
  auto* grid = new QGridLayout;
  grid->addWidget(label, 0, 0, 1, 2);
  grid->addWidget(ftpServer_, 1, 0);
  grid->addWidget(restoreDefault_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("host, host:port or [IPv6 address]:port; empty for "
                                            "the Velqorin server")),
                  2, 0, 1, 2);
  grid->addWidget(problem_, 3, 0, 1, 2);
  grid->setColumnStretch(0, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addWidget(buttons);
  setMinimumWidth(HorizontalDialogUnits(font(), kWidthUnits));
}

void SettingsDialog::accept() {
  const std::string text = ftpServer_->text().toStdString();
  if (!text.empty() && !ParseFtpServer(text)) {
    problem_->setText(QStringLiteral("\"%1\" is not a host name, host:port or [IPv6 address]:port. "
                                     "The FTP server was not changed.")
                          .arg(ftpServer_->text()));
    problem_->show();
    // Room for the message at the width the dialog has.
    resize(width(), std::max(height(), layout()->totalHeightForWidth(width())));
    ftpServer_->setFocus();
    return;
  }
  app_.ftpServer.Publish(text);
  app_.ftpServer.Save(app_.Store());
  QDialog::accept();
}

}  // namespace vlx
