#include "InMemorySettingsStore.h"

namespace vlx::test {

std::optional<SettingsStore::StoredValue> InMemorySettingsStore::Read(
    const std::string& subkey, const std::string& name) const {
  const auto found = values_.find({subkey, name});
  if (found == values_.end()) {
    return std::nullopt;
  }
  return found->second;
}

ErrorCode InMemorySettingsStore::WriteDword(const std::string& subkey, const std::string& name,
                                            std::uint32_t value) {
  return Write(subkey, name, {Type::kDword, value, {}});
}

ErrorCode InMemorySettingsStore::WriteString(const std::string& subkey, const std::string& name,
                                             const std::string& value) {
  return Write(subkey, name, {Type::kString, 0, value});
}

ErrorCode InMemorySettingsStore::Write(const std::string& subkey, const std::string& name,
                                       StoredValue value) {
  writeLog_.push_back(name);
  if (const auto failure = failures_.find(name); failure != failures_.end()) {
    return failure->second;
  }
  values_[{subkey, name}] = std::move(value);
  return err::kSuccess;
}

void InMemorySettingsStore::PutDword(const std::string& name, std::uint32_t value,
                                     const std::string& subkey) {
  values_[{subkey, name}] = {Type::kDword, value, {}};
}

void InMemorySettingsStore::PutString(const std::string& name, const std::string& value,
                                      const std::string& subkey) {
  values_[{subkey, name}] = {Type::kString, 0, value};
}

void InMemorySettingsStore::Remove(const std::string& name, const std::string& subkey) {
  values_.erase({subkey, name});
}

void InMemorySettingsStore::FailWritesOf(const std::string& name, ErrorCode error) {
  failures_[name] = error;
}

}  // namespace vlx::test
