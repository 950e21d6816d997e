// Reading one value of the settings file the way the system reads such files.
#pragma once

#include <optional>
#include <string>

#include "core/settings/profile_index.h"

namespace ormakin {

// The value of `key` in `section` of the file at `path`, at most
// kMaxProfileValue bytes; empty when the file, the section or the key is
// missing. Windows reads such files itself, and the program reads its
// settings exactly as the system reads every other one; elsewhere
// ReadProfileString follows the same rules.
std::string ReadSettingsEntry(const std::string& path, const std::string& section,
                              const std::string& key);
// The same read, where the system has no reader of its own answered from
// `index`: the file read once, on the first such read, for the reads that
// follow until the caller drops the index.
std::string ReadSettingsEntry(const std::string& path, const std::string& section,
                              const std::string& key, std::optional<ProfileIndex>& index);

}  // namespace ormakin
