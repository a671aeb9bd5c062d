#include "Latin1Validator.h"

namespace vlx {

QValidator::State Latin1Validator::validate(QString& input, int&) const {
  for (const QChar c : input) {
    if (c.unicode() > 0xFF) {
      if (onRefused_) {
        onRefused_();
      }
      return Invalid;
    }
  }
  return Acceptable;
}

std::string LineBytes(const QString& text) {
  return text.toLatin1().toStdString();
}

QString LineText(std::string_view bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace vlx
