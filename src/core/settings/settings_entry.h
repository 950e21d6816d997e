// Reading one value of the settings file the way the system reads such files.
#pragma once

#include <string>

namespace ormakin {

// The value of `key` in `section` of the file at `path`, at most
// kMaxProfileValue bytes; empty when the file, the section or the key is
// missing. Windows reads such files itself, and the program reads its
// settings exactly as the system reads every other one; elsewhere
// ReadProfileString follows the same rules.
std::string ReadSettingsEntry(const std::string& path, const std::string& section,
                              const std::string& key);

}  // namespace ormakin
