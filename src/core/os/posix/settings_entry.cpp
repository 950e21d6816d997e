#include "settings_entry.h"

#include "profile_reader.h"

namespace ormakin {

std::string ReadSettingsEntry(const std::string& path, const std::string& section,
                              const std::string& key) {
  return ReadProfileString(path, section, key);
}

}  // namespace ormakin
