#include "core/os/system_profile.h"

namespace ormakin {

std::optional<std::string> ReadSystemProfileString(const std::string& /*path*/,
                                                   const std::string& /*section*/,
                                                   const std::string& /*key*/,
                                                   std::size_t /*maxLength*/) {
  return std::nullopt;
}

}  // namespace ormakin
