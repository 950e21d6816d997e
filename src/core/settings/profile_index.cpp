#include "core/settings/profile_index.h"

#include "core/settings/profile_scanner.h"

namespace ormakin {

ProfileIndex::ProfileIndex(const std::string& path) {
  ProfileScanner scanner(path);
  Section* section = nullptr;  // the section being read, when it is the first of its name
  while (const std::optional<ProfileLine> line = scanner.Next()) {
    const std::uint64_t number = scanner.LineNumber();
    if (line->kind == ProfileLine::Kind::Section) {
      section = nullptr;
      if (line->nameComplete) {
        auto [place, first] = sections_.try_emplace(FoldAsciiCase(line->name));
        if (first) {
          section = &place->second;
          section->lines = {number, number};
        }
      }
      continue;
    }
    if (section == nullptr || line->kind == ProfileLine::Kind::Empty) continue;
    section->lines.last = number;
    if ((line->kind == ProfileLine::Kind::Key || line->kind == ProfileLine::Kind::NameOnly) &&
        line->nameComplete) {
      // The first line of a key wins; a name without "=" is the key with an
      // empty value, and hides any later line of it.
      section->keys.try_emplace(FoldAsciiCase(line->name), Entry{line->value, number});
    }
  }
}

const ProfileIndex::Entry* ProfileIndex::EntryOf(std::string_view section,
                                                 std::string_view key) const {
  const auto found = sections_.find(FoldAsciiCase(section));
  if (found == sections_.end()) return nullptr;
  const auto entry = found->second.keys.find(FoldAsciiCase(key));
  return entry == found->second.keys.end() ? nullptr : &entry->second;
}

std::string ProfileIndex::Find(std::string_view section, std::string_view key) const {
  const Entry* entry = EntryOf(section, key);
  return entry == nullptr ? std::string() : entry->value;
}

std::optional<std::uint64_t> ProfileIndex::LineOf(std::string_view section,
                                                  std::string_view key) const {
  const Entry* entry = EntryOf(section, key);
  if (entry == nullptr) return std::nullopt;
  return entry->line;
}

std::optional<ProfileIndex::SectionLines> ProfileIndex::SectionOf(std::string_view section) const {
  const auto found = sections_.find(FoldAsciiCase(section));
  if (found == sections_.end()) return std::nullopt;
  return found->second.lines;
}

}  // namespace ormakin
