#pragma once
// A verb's report for scripts (--json): one JSON object on one line, written through the checked
// output. Field names are lowerCamelCase and stay put; each verb's help lists its fields.

#include <QJsonObject>
#include <QJsonValue>
#include <string>

namespace vlx::cli {

// The object on one line, without the line break.
std::string JsonLine(const QJsonObject& object);
// Writes JsonLine and a line break.
bool WriteJson(const QJsonObject& object);

// A text of the program (UTF-8) as a JSON string.
QJsonValue JsonText(const std::string& text);
// A text or null when it is empty: what the plain text form prints as "-".
QJsonValue JsonTextOrNull(const std::string& text);
// A plain reading ("14", "52.7") as a number; null when it was not read (empty).
QJsonValue JsonNumberOrNull(const std::string& plain);

}  // namespace vlx::cli
