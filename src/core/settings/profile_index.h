// The values of an initialisation file, found by section and key after one
// reading of the file: what many reads of the same file are answered from,
// and where in the file each value that a read finds lies.
#pragma once

#include <cstdint>
#include <optional>
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

  // The line (from 1) that Find reads `key` of `section` from; nothing when
  // Find finds no line for it.
  std::optional<std::uint64_t> LineOf(std::string_view section, std::string_view key) const;

  // Where the section that Find reads lies: its "[name]" line and its last
  // line that is neither blank nor a comment (the header itself when it
  // holds nothing else); nothing when the file has no section of the name.
  struct SectionLines {
    std::uint64_t header = 0;
    std::uint64_t last = 0;
  };
  std::optional<SectionLines> SectionOf(std::string_view section) const;

 private:
  struct Entry {
    std::string value;
    std::uint64_t line = 0;
  };
  struct Section {
    SectionLines lines;
    std::unordered_map<std::string, Entry> keys;
  };
  const Entry* EntryOf(std::string_view section, std::string_view key) const;
  // By folded name: the first section of each name, and in it the first
  // line of each key. Sections of a name seen before, and names too long to
  // be complete, hold nothing a read can find.
  std::unordered_map<std::string, Section> sections_;
};

}  // namespace ormakin
