#include "core/settings/settings_entry.h"

#include <optional>

#include "core/os/system_profile.h"
#include "core/settings/profile_reader.h"

namespace ormakin {

std::string ReadSettingsEntry(const std::string& path, const std::string& section,
                              const std::string& key) {
  if (std::optional<std::string> value =
          ReadSystemProfileString(path, section, key, kMaxProfileValue)) {
    return *std::move(value);
  }
  return ReadProfileString(path, section, key);
}

std::string ReadSettingsEntry(const std::string& path, const std::string& section,
                              const std::string& key, std::optional<ProfileIndex>& index) {
  if (std::optional<std::string> value =
          ReadSystemProfileString(path, section, key, kMaxProfileValue)) {
    return *std::move(value);
  }
  if (!index) index.emplace(path);
  return index->Find(section, key);
}

}  // namespace ormakin
