#pragma once
// The file boxes as the dialogs that write or read a data file run them: the box opens in the
// folder a setting holds, made its default first when empty. When that folder is gone the
// setting is emptied, the default is made and stored, and the box opens once more there.

#include <optional>
#include <string>
#include <string_view>

#include "model/PersistedSettings.h"
#include "report/Prompts.h"

namespace vlx {

struct FileQuestion {
  StringSetting& folder;
  std::string_view defaultLeaf;  // the folder's leaf under the default data folder
  std::string proposedName;      // Save-As only; may be empty
  std::string filter;            // as FileBoxRequest has it
  std::string defaultExtension;
};

// The file to write (an existing one only after the user agreed to replace it), or nothing.
std::optional<std::string> AskFileToSave(Prompts& prompts, PersistedSettings& settings,
                                         const FileQuestion& question);
// The existing file to read, or nothing.
std::optional<std::string> AskFileToOpen(Prompts& prompts, PersistedSettings& settings,
                                         const FileQuestion& question);

// A file filter from a string of the form "%s X File (*.%s)|*.%s|All files (*.*)|*.*|" for the
// amplifier's files of `extension`.
std::string FileFilter(std::uint32_t formatId, std::string_view extension);

}  // namespace vlx
