#pragma once
// A settings store held in memory, with a log of every write attempt and writes that can be
// made to fail, for the tests of the persisted settings and the window placement.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "model/SettingsStore.h"

namespace vlx::test {

class InMemorySettingsStore : public vlx::SettingsStore {
 public:
  std::optional<StoredValue> Read(const std::string& subkey,
                                  const std::string& name) const override;
  ErrorCode WriteDword(const std::string& subkey, const std::string& name,
                       std::uint32_t value) override;
  ErrorCode WriteString(const std::string& subkey, const std::string& name,
                        const std::string& value) override;

  // Changes the store as another program would: not logged, never failing.
  void PutDword(const std::string& name, std::uint32_t value, const std::string& subkey = {});
  void PutString(const std::string& name, const std::string& value, const std::string& subkey = {});
  void Remove(const std::string& name, const std::string& subkey = {});

  // Every later write of this value name (in any subkey) fails with `error`.
  void FailWritesOf(const std::string& name, ErrorCode error = err::kWriteFault);
  void ClearFailures() { failures_.clear(); }

  // Names of the attempted writes, in order, failed ones included.
  const std::vector<std::string>& WriteLog() const { return writeLog_; }
  void ClearWriteLog() { writeLog_.clear(); }

 private:
  ErrorCode Write(const std::string& subkey, const std::string& name, StoredValue value);

  std::map<std::pair<std::string, std::string>, StoredValue> values_;
  std::map<std::string, ErrorCode> failures_;
  std::vector<std::string> writeLog_;
};

}  // namespace vlx::test
