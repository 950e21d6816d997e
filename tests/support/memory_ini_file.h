// A settings reader over values held in memory, for tests of the code that
// reads settings. Section and key names are matched exactly.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/settings/ini_file.h"

namespace ormakin::testing {

class MemoryIniFile : public TCustomIniFile {
 public:
  MemoryIniFile() : TCustomIniFile("memory") {}

  MemoryIniFile& Set(const std::string& section, const std::string& key, std::string value) {
    values_[{section, key}] = std::move(value);
    return *this;
  }
  // A rule of section "state": "turn,advance,next".
  MemoryIniFile& Rule(int state, int mask, std::string value) {
    return Set("state", std::to_string(state) + "-" + std::to_string(mask), std::move(value));
  }

  std::string ReadEntry(const std::string& section, const std::string& key) const override {
    reads_.push_back(section + "/" + key);
    const auto it = values_.find({section, key});
    return it == values_.end() ? std::string() : it->second;
  }

  // Every read, in order, as "section/key".
  const std::vector<std::string>& Reads() const { return reads_; }

 private:
  std::map<std::pair<std::string, std::string>, std::string> values_;
  mutable std::vector<std::string> reads_;
};

}  // namespace ormakin::testing
