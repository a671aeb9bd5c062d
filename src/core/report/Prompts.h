#pragma once
// Message boxes and the file and folder choosers, answered by the window toolkit or by a
// script in tests. Styles and answers keep the MessageBox numbering.

#include <cstdint>
#include <string>

namespace vlx {

namespace mb {
constexpr std::uint32_t kOk = 0x00;
constexpr std::uint32_t kYesNo = 0x04;
constexpr std::uint32_t kIconError = 0x10;
constexpr std::uint32_t kIconQuestion = 0x20;
constexpr std::uint32_t kIconWarning = 0x30;  // also "exclamation"
constexpr std::uint32_t kIconInformation = 0x40;
constexpr std::uint32_t kDefaultButton2 = 0x100;

// Answers.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;
}  // namespace mb

class Prompts {
 public:
  virtual ~Prompts() = default;
  // Shows a box and returns the button pressed (mb::kIdOk ...); 0 means nothing was shown.
  virtual int MessageBox(const std::string& text, const std::string& caption,
                         std::uint32_t style) = 0;
};

}  // namespace vlx
