#pragma once
// Keeps an edit to the characters the amplifier's line can carry: its bytes are Latin-1, one
// byte a character. A character beyond it is refused as it is typed or pasted, and the refusal
// is handed to whoever shows the user why.

#include <QString>
#include <QValidator>
#include <functional>
#include <string>
#include <string_view>

namespace vlx {

class Latin1Validator final : public QValidator {
 public:
  // `onRefused` is called each time a change is refused.
  explicit Latin1Validator(QObject* parent, std::function<void()> onRefused = {})
      : QValidator(parent), onRefused_(std::move(onRefused)) {}

  State validate(QString& input, int& position) const override;

 private:
  std::function<void()> onRefused_;
};

// The bytes a text makes on the line; characters beyond Latin-1 (which the validator keeps out
// of the edits) become "?".
std::string LineBytes(const QString& text);
// A text as the line's bytes make it.
QString LineText(std::string_view bytes);

}  // namespace vlx
