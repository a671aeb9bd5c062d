#include "FakeFileSystem.h"

#include "firmware/ByteSource.h"
#include "firmware/FtpNames.h"
#include "model/DataFolders.h"

namespace vlx::test {

namespace {

// "/a/b//" and "/a/b" name the same directory; "" stands for the current one.
std::string Normal(const std::string& path) {
  const std::size_t end = path.find_last_not_of('/');
  if (end == std::string::npos) {
    return path.empty() ? std::string() : std::string("/");
  }
  return path.substr(0, end + 1);
}

std::string Parent(const std::string& normal) {
  const std::size_t slash = normal.rfind('/');
  if (slash == std::string::npos) {
    return {};
  }
  return slash == 0 ? std::string("/") : Normal(normal.substr(0, slash));
}

}  // namespace

bool FakeFileSystem::IsDirectory(const std::string& path) const {
  const std::string normal = Normal(path);
  return normal == "/" || directories_.count(normal) != 0;
}

ErrorCode FakeFileSystem::CreateDirectory(const std::string& path) {
  creationLog_.push_back(path);
  const std::string normal = Normal(path);
  if (const auto failure = failures_.find(normal); failure != failures_.end()) {
    return failure->second;
  }
  if (normal.empty()) {
    return err::kFileNotFound;
  }
  if (IsDirectory(normal)) {
    return err::kSuccess;
  }
  const std::string parent = Parent(normal);
  if (!parent.empty() && !IsDirectory(parent)) {
    return err::kFileNotFound;
  }
  directories_.insert(normal);
  return err::kSuccess;
}

void FakeFileSystem::AddDirectory(const std::string& path) {
  for (std::string normal = Normal(path); !normal.empty() && normal != "/";
       normal = Parent(normal)) {
    directories_.insert(normal);
  }
}

void FakeFileSystem::AddEntry(const std::string& path, EntryKind kind) {
  const std::string normal = Normal(path);
  AddDirectory(Parent(normal));
  entries_[normal] = kind;
}

void FakeFileSystem::FailListingOf(const std::string& path, ErrorCode error) {
  listingFailures_[Normal(path)] = error;
}

ErrorCode FakeFileSystem::ListDirectory(const std::string& path,
                                        std::vector<DirectoryEntry>& entries) const {
  entries.clear();
  const std::string normal = Normal(path);
  if (const auto failure = listingFailures_.find(normal); failure != listingFailures_.end()) {
    return failure->second;
  }
  if (!IsDirectory(normal)) {
    return err::kPathNotFound;
  }
  const auto add = [&](const std::string& child, EntryKind kind) {
    if (Parent(child) == normal) {
      entries.push_back({child.substr(child.rfind('/') + 1), kind});
    }
  };
  // Backwards, as a real folder lists in an order of its own: nobody may rely on name order.
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
    add(entry->first, entry->second);
  }
  for (auto directory = directories_.rbegin(); directory != directories_.rend(); ++directory) {
    add(*directory, EntryKind::kDirectory);
  }
  return err::kSuccess;
}

void FakeFileSystem::FailCreationOf(const std::string& path, ErrorCode error) {
  failures_[Normal(path)] = error;
}

}  // namespace vlx::test

namespace vlx::test {

FileOutcome FakeFileSystem::ReadWholeFile(const std::string& path, std::size_t cap,
                                          std::string& bytes) {
  bytes.clear();
  auto failed = [this](const char* step) -> ErrorCode {
    const auto failure = stepFailures_.find(step);
    return failure == stepFailures_.end() ? err::kSuccess : failure->second;
  };
  const auto file = files_.find(path);
  if (file == files_.end()) {
    return {err::kFileNotFound, file_step::kCreate};
  }
  for (const char* step : {file_step::kCreate, file_step::kSize, file_step::kRead}) {
    if (const ErrorCode code = failed(step); code != err::kSuccess) {
      return {code, step};
    }
  }
  if (file->second.size() > cap) {
    return {err::kFileTooLarge, file_step::kRead};
  }
  bytes = file->second;
  return {};
}

FileOutcome FakeFileSystem::ReplaceWholeFile(const std::string& path, std::string_view bytes) {
  const std::string temporary = path + ".tmp";
  for (const char* step : {file_step::kCreate, file_step::kWrite, file_step::kFlush,
                           file_step::kClose, file_step::kMove}) {
    const auto failure = stepFailures_.find(step);
    if (failure != stepFailures_.end()) {
      files_.erase(temporary);
      return {failure->second, step};
    }
    if (step == file_step::kCreate) {
      files_[temporary].clear();
    } else if (step == file_step::kWrite) {
      files_[temporary] = std::string(bytes);
    }
  }
  files_[path] = std::move(files_[temporary]);
  files_.erase(temporary);
  return {};
}

}  // namespace vlx::test

namespace vlx::test {

namespace {

// A file's bytes, kept for as long as the reader reads them.
class OwnedMemorySource final : public ByteSource {
 public:
  explicit OwnedMemorySource(std::string bytes) : bytes_(std::move(bytes)), memory_(bytes_) {}
  ErrorCode Next(std::string_view& chunk) override { return memory_.Next(chunk); }

 private:
  std::string bytes_;
  MemorySource memory_;
};

}  // namespace

ErrorCode FakeFileSystem::StepFailure(const char* step) const {
  const auto failure = stepFailures_.find(step);
  return failure == stepFailures_.end() ? err::kSuccess : failure->second;
}

ErrorCode FakeFileSystem::CreateExclusive(const std::string& folder, const std::string& name,
                                          std::string& path) {
  if (const ErrorCode code = StepFailure(file_step::kCreate); code != err::kSuccess) {
    return code;
  }
  if (!IsDirectory(folder)) {
    return err::kPathNotFound;
  }
  do {
    // Suffixes "A00000", "A00001", ...: predictable, and never one that exists.
    const std::string number = std::to_string(temporaryCount_++);
    path = JoinPath(folder,
                    FtpTemporaryName(name, "A" + std::string(5 - number.size(), '0') + number));
  } while (files_.count(path) != 0 || entries_.count(Normal(path)) != 0);
  PutListedFile(path, {});
  return err::kSuccess;
}

ErrorCode FakeFileSystem::Size(const std::string& path, std::uint64_t& size) const {
  if (const ErrorCode code = StepFailure(file_step::kSize); code != err::kSuccess) {
    return code;
  }
  const auto file = files_.find(path);
  if (file == files_.end()) {
    return err::kFileNotFound;
  }
  size = file->second.size();
  return err::kSuccess;
}

ErrorCode FakeFileSystem::Sync(const std::string& path) {
  if (const ErrorCode code = StepFailure(kSyncStep); code != err::kSuccess) {
    return code;
  }
  return files_.count(path) != 0 ? err::kSuccess : err::kFileNotFound;
}

ErrorCode FakeFileSystem::Rename(const std::string& from, const std::string& to) {
  if (const ErrorCode code = StepFailure(kRenameStep); code != err::kSuccess) {
    return code;
  }
  const auto file = files_.find(from);
  if (file == files_.end()) {
    return err::kFileNotFound;
  }
  if (IsDirectory(to)) {
    return err::kAccessDenied;
  }
  std::string bytes = std::move(file->second);
  files_.erase(file);
  entries_.erase(Normal(from));
  PutListedFile(to, std::move(bytes));
  return err::kSuccess;
}

ErrorCode FakeFileSystem::Remove(const std::string& path) {
  if (const ErrorCode code = StepFailure(kRemoveStep); code != err::kSuccess) {
    return code;
  }
  const bool listed = entries_.erase(Normal(path)) != 0;
  const bool held = files_.erase(path) != 0;
  return listed || held ? err::kSuccess : err::kFileNotFound;
}

ErrorCode FakeFileSystem::OpenForReading(const std::string& path,
                                         std::unique_ptr<ByteSource>& source) {
  const auto file = files_.find(path);
  if (file == files_.end()) {
    return err::kFileNotFound;
  }
  source = std::make_unique<OwnedMemorySource>(file->second);
  return err::kSuccess;
}

}  // namespace vlx::test
