// The system's own reader of initialisation files, where it has one.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace ormakin {

// The value of `key` in `section` of the file at `path` as the system reads
// it, cut to `maxLength` bytes; empty when the file, the section or the key
// is missing. Nothing where the system has no reader of its own (only
// Windows has one).
std::optional<std::string> ReadSystemProfileString(const std::string& path,
                                                   const std::string& section,
                                                   const std::string& key, std::size_t maxLength);

}  // namespace ormakin
