#pragma once
// Message boxes and the file and folder choosers, answered by the window toolkit or by a
// script in tests. Styles and answers keep the MessageBox numbering.

#include <cstdint>
#include <string>

#include "report/ErrorCode.h"

namespace vlx {

namespace mb {
constexpr std::uint32_t kOk = 0x00;
constexpr std::uint32_t kOkCancel = 0x01;
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

// What a Save-As or Open box starts with.
struct FileBoxRequest {
  std::string folder;        // where the box opens
  std::string proposedName;  // Save-As: the name offered in that folder; may be empty
  // Pairs of description and patterns, each followed by "|", e.g.
  // "X File (*.x)|*.x|All files (*.*)|*.*|"; patterns within a pair are separated by ";".
  std::string filter;
  std::string defaultExtension;  // added to a typed name that has none
};

// How a file box ended. kInvalidFileName: the box could not start in the folder asked for (it
// no longer exists); the caller may try again from another folder.
enum class FileBoxEnd { kChosen, kCancelled, kInvalidFileName };

struct FileBoxAnswer {
  FileBoxEnd end = FileBoxEnd::kCancelled;
  std::string path;  // the file chosen, for kChosen
};

class Prompts {
 public:
  virtual ~Prompts() = default;
  // Shows a box and returns the button pressed (mb::kIdOk ...); 0 means nothing was shown.
  virtual int MessageBox(const std::string& text, const std::string& caption,
                         std::uint32_t style) = 0;
  // Lets the user name a file to write; choosing an existing file asks first whether to replace
  // it. A prompter without file boxes (the command line) answers as if the user cancelled.
  virtual FileBoxAnswer SaveFileBox(const FileBoxRequest& request);
  // Lets the user pick an existing file.
  virtual FileBoxAnswer OpenFileBox(const FileBoxRequest& request);
  // One of the program's files could not be used at `step` (CreateFile, ReadFile, ...), before
  // that is worded. A host that tells it in its own terms does so and returns true; the window's
  // line and box are then left out.
  virtual bool TellFileFailure(const char* /*step*/, ErrorCode /*code*/,
                               const std::string& /*path*/) {
    return false;
  }
};

}  // namespace vlx
