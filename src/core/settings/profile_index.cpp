#include "core/settings/profile_index.h"

#include <optional>

#include "core/settings/profile_scanner.h"

namespace ormakin {

ProfileIndex::ProfileIndex(const std::string& path) {
  ProfileScanner scanner(path);
  Keys* keys = nullptr;  // the section being read, when it is the first of its name
  while (const std::optional<ProfileLine> line = scanner.Next()) {
    if (line->kind == ProfileLine::Kind::Section) {
      keys = nullptr;
      if (line->nameComplete) {
        auto [place, first] = sections_.try_emplace(FoldAsciiCase(line->name));
        if (first) keys = &place->second;
      }
    } else if ((line->kind == ProfileLine::Kind::Key ||
                line->kind == ProfileLine::Kind::NameOnly) &&
               keys != nullptr && line->nameComplete) {
      // The first line of a key wins; a name without "=" is the key with an
      // empty value, and hides any later line of it.
      keys->try_emplace(FoldAsciiCase(line->name), line->value);
    }
  }
}

std::string ProfileIndex::Find(std::string_view section, std::string_view key) const {
  const auto keys = sections_.find(FoldAsciiCase(section));
  if (keys == sections_.end()) return {};
  const auto value = keys->second.find(FoldAsciiCase(key));
  return value == keys->second.end() ? std::string() : value->second;
}

}  // namespace ormakin
