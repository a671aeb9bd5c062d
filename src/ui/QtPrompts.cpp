#include "QtPrompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace vlx {
namespace {
constexpr std::uint32_t kIconMask = 0xF0;
constexpr std::uint32_t kButtonsMask = 0x0F;
constexpr std::uint32_t kDefaultButtonMask = 0xF00;
constexpr std::uint32_t kOkCancel = 0x01;
constexpr std::uint32_t kYesNoCancel = 0x03;

QMessageBox::Icon IconOf(std::uint32_t style) {
  switch (style & kIconMask) {
    case mb::kIconError:
      return QMessageBox::Critical;
    case mb::kIconQuestion:
      return QMessageBox::Question;
    case mb::kIconWarning:
      return QMessageBox::Warning;
    case mb::kIconInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

struct ButtonSet {
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton first;
  QMessageBox::StandardButton second;
};

ButtonSet ButtonsOf(std::uint32_t style) {
  switch (style & kButtonsMask) {
    case kOkCancel:
      return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Cancel};
    case kYesNoCancel:
      return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes,
              QMessageBox::No};
    case mb::kYesNo:
      return {QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No};
    default:
      return {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok};
  }
}

int AnswerOf(int button) {
  switch (button) {
    case QMessageBox::Yes:
      return mb::kIdYes;
    case QMessageBox::No:
      return mb::kIdNo;
    case QMessageBox::Cancel:
      return mb::kIdCancel;
    default:
      return mb::kIdOk;
  }
}
FileBoxAnswer RunFileBox(const FileBoxRequest& request, QFileDialog::AcceptMode mode) {
  const QString folder = QString::fromStdString(request.folder);
  if (!folder.isEmpty() && !QDir(folder).exists()) {
    return {FileBoxEnd::kInvalidFileName, {}};
  }
  QFileDialog box(QApplication::activeWindow());
  box.setAcceptMode(mode);
  box.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                  : QFileDialog::ExistingFile);
  box.setNameFilters(FileBoxNameFilters(request.filter));
  box.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  if (!folder.isEmpty()) {
    box.setDirectory(folder);
  }
  if (!request.proposedName.empty()) {
    box.selectFile(QString::fromStdString(request.proposedName));
  }
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) {
    return {};
  }
  return {FileBoxEnd::kChosen, box.selectedFiles().constFirst().toStdString()};
}

}  // namespace

// "X File (*.x)|*.x|All files (*.*)|*.*|" as the toolkit's name filters: each description with
// its patterns in parentheses, "*.*" meaning every file.
QStringList FileBoxNameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    const qsizetype open = description.lastIndexOf('(');
    if (open > 0) {
      description.truncate(open);
    }
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    patterns.replaceInStrings(QStringLiteral("*.*"), QStringLiteral("*"));
    filters << description.trimmed() + " (" + patterns.join(' ') + ")";
  }
  return filters;
}

FileBoxAnswer QtPrompts::SaveFileBox(const FileBoxRequest& request) {
  return RunFileBox(request, QFileDialog::AcceptSave);
}

FileBoxAnswer QtPrompts::OpenFileBox(const FileBoxRequest& request) {
  return RunFileBox(request, QFileDialog::AcceptOpen);
}

int QtPrompts::MessageBox(const std::string& text, const std::string& caption,
                          std::uint32_t style) {
  const ButtonSet buttons = ButtonsOf(style);
  QMessageBox box(IconOf(style), QString::fromStdString(caption),
                  QString::fromStdString(text).replace("\r\n", "\n"), buttons.buttons,
                  QApplication::activeWindow());
  box.setDefaultButton((style & kDefaultButtonMask) == mb::kDefaultButton2 ? buttons.second
                                                                           : buttons.first);
  return AnswerOf(box.exec());
}

}  // namespace vlx
