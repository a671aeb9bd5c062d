#include "report/Prompts.h"

namespace vlx {

FileBoxAnswer Prompts::SaveFileBox(const FileBoxRequest&) {
  return {};
}

FileBoxAnswer Prompts::OpenFileBox(const FileBoxRequest&) {
  return {};
}

}  // namespace vlx
