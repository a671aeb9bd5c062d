#include "dialogs/EditMacrosDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "DialogUnits.h"
#include "Latin1Validator.h"
#include "UiServices.h"
#include "help/HelpService.h"
#include "model/AppSettings.h"
#include "model/MessageIds.h"

namespace vlx {
namespace {

const QString kHelpTopic = QStringLiteral("CommandTester.htm#macroButtons");
constexpr int kLabelWidthUnits = 70;
constexpr int kTextWidthUnits = 220;

QLineEdit* MakeEdit(const QString& objectName, const std::string& text, int minimumWidth) {
  auto* edit = new QLineEdit(QString::fromStdString(text));
  edit->setObjectName(objectName);
  edit->setMinimumWidth(minimumWidth);
  return edit;
}

}  // namespace

EditMacrosDialog::EditMacrosDialog(UiServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
  setObjectName("editMacrosDialog");
  setWindowTitle(QStringLiteral("Edit Macros"));
  setModal(true);

  auto* rows = new QGridLayout;
  rows->addWidget(new QLabel(QStringLiteral("Button Label")), 0, 1);
  rows->addWidget(new QLabel(QStringLiteral("Text to Send")), 0, 2);
  const StringArray& labels = services_.app.commandCaption.Get();
  const StringArray& texts = services_.app.commandText.Get();
  for (std::size_t i = 0; i < kStringArraySize; ++i) {
    const int row = static_cast<int>(i) + 1;
    rows->addWidget(new QLabel(QString::number(row)), row, 0, Qt::AlignRight);
    labels_[i] = MakeEdit(QStringLiteral("macroLabel%1").arg(row), labels[i],
                          HorizontalDialogUnits(font(), kLabelWidthUnits));
    texts_[i] = MakeEdit(QStringLiteral("macroText%1").arg(row), texts[i],
                         HorizontalDialogUnits(font(), kTextWidthUnits));
    // What a button sends must go on the line; its label need not.
    texts_[i]->setValidator(new Latin1Validator(texts_[i]));
    rows->addWidget(labels_[i], row, 1);
    rows->addWidget(texts_[i], row, 2);
  }
  // The two edits of a row share the extra width as the template has them, 70 to 220.
  rows->setColumnStretch(1, kLabelWidthUnits);
  rows->setColumnStretch(2, kTextWidthUnits);

  auto* buttons = new QDialogButtonBox;
  save_ = buttons->addButton(QStringLiteral("Save"), QDialogButtonBox::AcceptRole);
  cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
  buttons->addButton(QDialogButtonBox::Help);
  save_->setObjectName("saveButton");
  cancel_->setObjectName("cancelButton");
  cancel_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &EditMacrosDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &EditMacrosDialog::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this, &EditMacrosDialog::ShowHelp);
  auto* helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(helpKey, &QShortcut::activated, this, &EditMacrosDialog::ShowHelp);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(rows);
  layout->addStretch(1);
  layout->addWidget(buttons);
}

void EditMacrosDialog::accept() {
  AppSettings& app = services_.app;
  for (std::size_t i = 0; i < kStringArraySize; ++i) {
    app.commandCaption.SetAt(i, labels_[i]->text().toStdString());
    app.commandCaption.Notify(i);
    app.commandText.SetAt(i, texts_[i]->text().toStdString());
    app.commandText.Notify(i);
  }
  QDialog::accept();
}

// Enter in an edit goes on to the next one: it must neither throw away what was typed (Cancel
// is the default button) nor save a row the user has not finished.
void EditMacrosDialog::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
      qobject_cast<QLineEdit*>(focusWidget()) != nullptr) {
    focusNextChild();
    return;
  }
  QDialog::keyPressEvent(event);
}

void EditMacrosDialog::ShowHelp() {
  services_.help.ShowHelp(this, kHelpTopic);
}

}  // namespace vlx
