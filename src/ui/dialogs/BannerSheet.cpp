#include "dialogs/BannerSheet.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include "BusyCursor.h"
#include "UiServices.h"
#include "UiText.h"
#include "config/BannerRules.h"
#include "help/HelpService.h"
#include "report/ConfigTextIds.h"

namespace vlx {
namespace {

const QString kHelpTopic = QStringLiteral("Configuration.htm#PowerOnBanner");
constexpr int kFontPoints = 10;

// "Courier New" where the system has it, else the system's fixed-pitch font, at 10 points. Either
// asks for a fixed pitch, so the font matcher picks one on any machine that has one.
QFont BannerFont() {
  QFont font(QStringLiteral("Courier New"), kFontPoints);
  font.setStyleHint(QFont::TypeWriter);
  if (!QFontInfo(font).fixedPitch()) {
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(kFontPoints);
    font.setStyleHint(QFont::TypeWriter);
  }
  font.setFixedPitch(true);
  return font;
}

}  // namespace

QValidator::State BannerValidator::validate(QString& input, int&) const {
  const std::optional<std::string> accepted = AcceptBannerText(input.toStdString());
  if (!accepted) {
    return Invalid;
  }
  input = QString::fromStdString(*accepted);
  return Acceptable;
}

BannerSheet::BannerSheet(UiServices& services, QWidget* parent)
    : QDialog(parent),
      services_(services),
      edit_(new QLineEdit),
      busyLine_(new QLabel),
      busyBar_(new QProgressBar),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                    QDialogButtonBox::Help)),
      flow_(services.app, *this) {
  setObjectName("bannerSheet");
  setWindowTitle(LoadText(ids::kEditBannerTitle));
  setModal(true);

  auto* label = new QLabel(QStringLiteral("Enter up to 8 characters of Power On Banner text:"));
  label->setBuddy(edit_);
  edit_->setObjectName("bannerEdit");
  edit_->setFont(BannerFont());
  edit_->setValidator(new BannerValidator(edit_));
  busyLine_->setObjectName("busyLine");
  busyBar_->setObjectName("busyBar");
  // A bar without a range moves to and fro: a write may take up to twenty seconds of retries.
  busyBar_->setRange(0, 0);
  busyBar_->setTextVisible(false);
  // Hidden rather than taken out, so the sheet keeps its size between runs.
  QSizePolicy kept = busyBar_->sizePolicy();
  kept.setRetainSizeWhenHidden(true);
  busyBar_->setSizePolicy(kept);
  busyBar_->setVisible(false);
  buttons_->setObjectName("bannerButtons");
  SaveButton().setText(LoadText(ids::kSave));
  SaveButton().setObjectName("saveButton");
  CancelButton().setObjectName("cancelButton");
  connect(buttons_, &QDialogButtonBox::accepted, this, &BannerSheet::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &BannerSheet::reject);
  connect(buttons_, &QDialogButtonBox::helpRequested, this,
          [this] { services_.help.ShowHelp(this, kHelpTopic); });
  auto* helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(helpKey, &QShortcut::activated, this,
          [this] { services_.help.ShowHelp(this, kHelpTopic); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(edit_);
  layout->addWidget(busyLine_);
  layout->addWidget(busyBar_);
  layout->addStretch(1);
  layout->addWidget(buttons_);
  SetEditable(false);
}

BannerSheet::~BannerSheet() = default;

QPushButton& BannerSheet::SaveButton() const {
  return *buttons_->button(QDialogButtonBox::Ok);
}

QPushButton& BannerSheet::CancelButton() const {
  return *buttons_->button(QDialogButtonBox::Cancel);
}

void BannerSheet::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!shown_) {
    shown_ = true;
    flow_.Show();
  }
}

void BannerSheet::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) {
    shown_ = false;
    flow_.Hide();
    SetBusy(false);
  }
}

void BannerSheet::accept() {
  if (flow_.Save(edit_->text().toStdString())) {
    QDialog::accept();
  }
}

void BannerSheet::reject() {
  if (flow_.Cancel()) {
    QDialog::reject();
  }
}

void BannerSheet::ShowBanner(const std::string& shown) {
  edit_->setText(QString::fromStdString(shown));
}

void BannerSheet::SetEditable(bool editable) {
  edit_->setEnabled(editable);
  SaveButton().setEnabled(editable);
  if (editable) {
    edit_->setFocus();
    edit_->selectAll();
  }
}

void BannerSheet::SetBusy(bool busy) {
  ShowBusyCursor(*this, CancelButton(), busy);
  QString line;
  switch (flow_.Step()) {
    case BannerStep::kReading:
      line = QStringLiteral("Reading the banner from the VLX...");
      break;
    case BannerStep::kWriting:
      line = QStringLiteral("Writing the banner to the VLX...");
      break;
    case BannerStep::kReadingBack:
      line = QStringLiteral("Reading the written banner back...");
      break;
    case BannerStep::kIdle:
      break;
  }
  busyLine_->setText(line);
  busyBar_->setVisible(busy);
}

void BannerSheet::CloseSheet() {
  done(saved_ ? Accepted : Rejected);
}

void BannerSheet::RunEnded(BannerRun run, ErrorCode code) {
  saved_ = run == BannerRun::kWrite && code == err::kSuccess;
}

bool RunBannerSheet(QWidget* parent, UiServices& services) {
  BannerSheet sheet(services, parent);
  return sheet.exec() == QDialog::Accepted;
}

}  // namespace vlx
