#include "JsonOutput.h"

#include <QJsonDocument>
#include <QString>

#include "Output.h"

namespace vlx::cli {

std::string JsonLine(const QJsonObject& object) {
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

bool WriteJson(const QJsonObject& object) {
  return WriteOutput(JsonLine(object) + "\n");
}

QJsonValue JsonText(const std::string& text) {
  return QString::fromStdString(text);
}

QJsonValue JsonTextOrNull(const std::string& text) {
  return text.empty() ? QJsonValue() : JsonText(text);
}

QJsonValue JsonNumberOrNull(const std::string& plain) {
  bool ok = false;
  const double number = QString::fromStdString(plain).toDouble(&ok);
  return ok ? QJsonValue(number) : QJsonValue();
}

}  // namespace vlx::cli
