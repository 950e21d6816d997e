// The values of an initialisation file, found by section and key after one
// reading of the file: what many reads of the same file are answered from.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace ormakin {

class ProfileIndex {
 public:
  // Reads the file at `path` once, through ProfileScanner; a missing or
  // unreadable file gives an index without values.
  explicit ProfileIndex(const std::string& path);

  // The value of the first `key` in the first `section` (both matched
  // without regard to ASCII letter case), or the empty text; the rules are
  // those of ReadProfileString (profile_reader.h).
  std::string Find(std::string_view section, std::string_view key) const;

 private:
  using Keys = std::unordered_map<std::string, std::string>;
  // By folded name: the first section of each name, and in it the first
  // line of each key. Sections of a name seen before, and names too long to
  // be complete, hold nothing a read can find.
  std::unordered_map<std::string, Keys> sections_;
};

}  // namespace ormakin
