#include "core/settings/profile_reader.h"

#include "core/settings/profile_index.h"

namespace ormakin {

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key) {
  return ProfileIndex(path).Find(section, key);
}

}  // namespace ormakin
