#include "model/Setting.h"

#include <algorithm>
#include <utility>

#include "report/TextFormat.h"

namespace vlx {

namespace {

const std::string kApplicationKey;

// Load and save of one string value; shared by the single string and each entry of an array.
void LoadStringValue(const SettingsStore& store, const std::string& name, std::string& value,
                     std::string& lastStored) {
  if (std::optional<std::string> read = ReadStringValue(store, kApplicationKey, name)) {
    lastStored = std::move(*read);
  }
  value = lastStored;
}

void SaveStringValue(SettingsStore& store, const std::string& name, const std::string& value,
                     std::string& lastStored) {
  if (value != lastStored && store.WriteString(kApplicationKey, name, value) == err::kSuccess) {
    lastStored = value;
  }
}

}  // namespace

std::optional<std::uint32_t> ReadDwordValue(const SettingsStore& store, const std::string& subkey,
                                            const std::string& name) {
  std::optional<SettingsStore::StoredValue> stored = store.Read(subkey, name);
  if (!stored || stored->type != SettingsStore::Type::kDword) {
    return std::nullopt;
  }
  return stored->number;
}

std::optional<std::string> ReadStringValue(const SettingsStore& store, const std::string& subkey,
                                           const std::string& name) {
  std::optional<SettingsStore::StoredValue> stored = store.Read(subkey, name);
  if (!stored || stored->type != SettingsStore::Type::kString ||
      stored->text.size() + 1 > kMaxStoredStringBytes) {
    return std::nullopt;
  }
  std::string text = std::move(stored->text);
  text.erase(std::min(text.find('\0'), text.size()));
  return text;
}

DwordSetting::DwordSetting(MessageId id, std::string name, std::uint32_t defaultValue)
    : Observable(id, defaultValue), Setting(std::move(name)), lastStored_(defaultValue) {}

void DwordSetting::Load(const SettingsStore& store) {
  if (std::optional<std::uint32_t> read = ReadDwordValue(store, kApplicationKey, Name())) {
    lastStored_ = *read;
  }
  Set(lastStored_);
}

void DwordSetting::Save(SettingsStore& store) {
  const std::uint32_t value = Get();
  if (value != lastStored_ && store.WriteDword(kApplicationKey, Name(), value) == err::kSuccess) {
    lastStored_ = value;
  }
}

BoundedDwordSetting::BoundedDwordSetting(MessageId id, std::string name, std::uint32_t defaultValue,
                                         std::uint32_t minimum, std::uint32_t maximum)
    : DwordSetting(id, std::move(name), defaultValue), minimum_(minimum), maximum_(maximum) {}

void BoundedDwordSetting::Load(const SettingsStore& store) {
  DwordSetting::Load(store);
  Set(std::clamp(Get(), minimum_, maximum_));
}

ChoiceDwordSetting::ChoiceDwordSetting(MessageId id, std::string name, std::uint32_t defaultValue,
                                       std::initializer_list<std::uint32_t> choices)
    : DwordSetting(id, std::move(name), defaultValue), default_(defaultValue), choices_(choices) {}

void ChoiceDwordSetting::Load(const SettingsStore& store) {
  DwordSetting::Load(store);
  if (std::find(choices_.begin(), choices_.end(), Get()) == choices_.end()) {
    Set(default_);
  }
}

StringSetting::StringSetting(MessageId id, std::string name)
    : Observable(id), Setting(std::move(name)) {}

void StringSetting::Load(const SettingsStore& store) {
  std::string value;
  LoadStringValue(store, Name(), value, lastStored_);
  Set(std::move(value));
}

void StringSetting::Save(SettingsStore& store) {
  SaveStringValue(store, Name(), Get(), lastStored_);
}

StringArraySetting::StringArraySetting(MessageId id, std::string namePattern)
    : Observable(id), Setting(std::move(namePattern)) {}

void StringArraySetting::SetAt(std::size_t index, std::string text) {
  if (index >= kStringArraySize) {
    return;
  }
  StringArray values = Get();
  values[index] = std::move(text);
  Set(std::move(values));
}

std::string StringArraySetting::EntryName(std::size_t index) const {
  return FormatText(std::string_view(Name()), {static_cast<std::uint32_t>(index + 1)});
}

void StringArraySetting::Load(const SettingsStore& store) {
  StringArray values;
  for (std::size_t i = 0; i < kStringArraySize; ++i) {
    LoadStringValue(store, EntryName(i), values[i], lastStored_[i]);
  }
  Set(std::move(values));
}

void StringArraySetting::Save(SettingsStore& store) {
  for (std::size_t i = 0; i < kStringArraySize; ++i) {
    SaveStringValue(store, EntryName(i), Get()[i], lastStored_[i]);
  }
}

}  // namespace vlx
