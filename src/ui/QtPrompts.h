#pragma once
// Message boxes on QMessageBox: the classic style word picks the icon, the buttons and the
// default button; the answer comes back in the classic numbering.

#include "report/Prompts.h"

namespace vlx {

class QtPrompts final : public Prompts {
 public:
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t style) override;
};

}  // namespace vlx
