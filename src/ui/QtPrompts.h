#pragma once
// Message boxes on QMessageBox: the classic style word picks the icon, the buttons and the
// default button; the answer comes back in the classic numbering. File boxes on QFileDialog.

#include <QStringList>

#include "report/Prompts.h"

namespace vlx {

class QtPrompts final : public Prompts {
 public:
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t style) override;
  FileBoxAnswer SaveFileBox(const FileBoxRequest& request) override;
  FileBoxAnswer OpenFileBox(const FileBoxRequest& request) override;
};

// "X File (*.x)|*.x|All files (*.*)|*.*|" as the toolkit's name filters: each description with
// its patterns in parentheses, "*.*" meaning every file.
QStringList FileBoxNameFilters(const std::string& filter);

}  // namespace vlx
