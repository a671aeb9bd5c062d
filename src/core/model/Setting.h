#pragma once
// The persisted kinds of model value. Each is an observable value that also loads itself from
// the settings store once at start-up and writes itself back at exit, and only when it differs
// from what was last read or written, so values edited in the store meanwhile survive.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "model/Observable.h"
#include "model/SettingsStore.h"

namespace vlx {

// The longest string value accepted, including its terminating NUL; longer ones count as
// unreadable and leave the setting at its default.
constexpr std::size_t kMaxStoredStringBytes = 1064960;

// A stored 32-bit value; nothing when absent or stored as another type.
std::optional<std::uint32_t> ReadDwordValue(const SettingsStore& store, const std::string& subkey,
                                            const std::string& name);
// A stored string up to its first NUL; nothing when absent, of another type or too long.
std::optional<std::string> ReadStringValue(const SettingsStore& store, const std::string& subkey,
                                           const std::string& name);

class Setting {
 public:
  virtual ~Setting() = default;
  virtual void Load(const SettingsStore& store) = 0;
  // Write failures are not reported: the value stays unsaved and is tried again next time.
  virtual void Save(SettingsStore& store) = 0;

  // The value's name in the store (for a string array, the pattern with its "%u").
  const std::string& Name() const { return name_; }

 protected:
  explicit Setting(std::string name) : name_(std::move(name)) {}

 private:
  std::string name_;
};

class DwordSetting : public Observable<std::uint32_t>, public Setting {
 public:
  DwordSetting(MessageId id, std::string name, std::uint32_t defaultValue);

  void Load(const SettingsStore& store) override;
  void Save(SettingsStore& store) override;

 private:
  std::uint32_t lastStored_;
};

// A 32-bit setting kept within [minimum, maximum]. An out-of-range stored value is clamped on
// load while the last-stored copy keeps what was read, so the corrected value is written back.
class BoundedDwordSetting : public DwordSetting {
 public:
  BoundedDwordSetting(MessageId id, std::string name, std::uint32_t defaultValue,
                      std::uint32_t minimum, std::uint32_t maximum);

  void Load(const SettingsStore& store) override;

 private:
  std::uint32_t minimum_;
  std::uint32_t maximum_;
};

// A 32-bit setting that takes one of a few values. Any other stored value loads as the default
// while the last-stored copy keeps what was read, so the corrected value is written back.
class ChoiceDwordSetting : public DwordSetting {
 public:
  ChoiceDwordSetting(MessageId id, std::string name, std::uint32_t defaultValue,
                     std::initializer_list<std::uint32_t> choices);

  void Load(const SettingsStore& store) override;
  const std::vector<std::uint32_t>& Choices() const { return choices_; }

 private:
  std::uint32_t default_;
  std::vector<std::uint32_t> choices_;
};

// A string setting; its default is the empty string.
class StringSetting : public Observable<std::string>, public Setting {
 public:
  StringSetting(MessageId id, std::string name);

  void Load(const SettingsStore& store) override;
  void Save(SettingsStore& store) override;

 private:
  std::string lastStored_;
};

constexpr std::size_t kStringArraySize = 16;
using StringArray = std::array<std::string, kStringArraySize>;

// Sixteen strings stored as sixteen values named by filling the pattern's "%u" with 1..16.
// Each entry is loaded, compared and written on its own.
class StringArraySetting : public Observable<StringArray>, public Setting {
 public:
  StringArraySetting(MessageId id, std::string namePattern);

  // Stores one entry; an index outside 0..15 is ignored. The writer notifies.
  void SetAt(std::size_t index, std::string text);
  // The store's name of entry `index` (0-based), e.g. "CommandCaption1" for 0.
  std::string EntryName(std::size_t index) const;

  void Load(const SettingsStore& store) override;
  void Save(SettingsStore& store) override;

 private:
  StringArray lastStored_;
};

}  // namespace vlx
