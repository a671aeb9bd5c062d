#include "QtPrompts.h"

#include <QApplication>
#include <QMessageBox>

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
}  // namespace

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
