#include "core/settings/profile_reader.h"

#include "core/settings/profile_scanner.h"

namespace ormakin {

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key) {
  // Only the first section of the wanted name is searched, and the first key
  // of the wanted name in it wins; the file is read no further than needed.
  ProfileScanner scanner(path);
  bool inSection = false;
  while (const std::optional<ProfileLine> line = scanner.Next()) {
    if (line->kind == ProfileLine::Kind::Section) {
      if (inSection) return {};  // the wanted section has ended without the key
      inSection = line->nameComplete && EqualsIgnoringAsciiCase(line->name, section);
    } else if ((line->kind == ProfileLine::Kind::Key ||
                line->kind == ProfileLine::Kind::NameOnly) &&
               inSection && line->nameComplete && EqualsIgnoringAsciiCase(line->name, key)) {
      // A name without "=" is the key with an empty value, and it hides any
      // later line of the same key.
      return line->value;
    }
  }
  return {};
}

}  // namespace ormakin
