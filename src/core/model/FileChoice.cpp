#include "model/FileChoice.h"

#include "model/DataFolders.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {

using FileBox = FileBoxAnswer (Prompts::*)(const FileBoxRequest&);

void StoreFolder(PersistedSettings& settings, StringSetting& folder, std::string value) {
  folder.Set(std::move(value));
  folder.Notify(0);
  folder.Save(settings.Store());
}

void DefaultWhenEmpty(PersistedSettings& settings, const FileQuestion& question) {
  if (question.folder.Get().empty()) {
    StoreFolder(settings, question.folder,
                DefaultDataFolder(settings.Files(), question.defaultLeaf));
  }
}

std::optional<std::string> AskFile(FileBox box, Prompts& prompts, PersistedSettings& settings,
                                   const FileQuestion& question) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    DefaultWhenEmpty(settings, question);
    const FileBoxAnswer answer = (prompts.*box)(FileBoxRequest{
        question.folder.Get(), question.proposedName, question.filter, question.defaultExtension});
    if (answer.end == FileBoxEnd::kChosen) {
      return answer.path;
    }
    if (answer.end == FileBoxEnd::kCancelled) {
      break;
    }
    StoreFolder(settings, question.folder, {});
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> AskFileToSave(Prompts& prompts, PersistedSettings& settings,
                                         const FileQuestion& question) {
  return AskFile(&Prompts::SaveFileBox, prompts, settings, question);
}

std::optional<std::string> AskFileToOpen(Prompts& prompts, PersistedSettings& settings,
                                         const FileQuestion& question) {
  return AskFile(&Prompts::OpenFileBox, prompts, settings, question);
}

std::string FileFilter(std::uint32_t formatId, std::string_view extension) {
  const std::string ext(extension);
  return FormatText(formatId, {"VLX", ext, ext});
}

}  // namespace vlx
