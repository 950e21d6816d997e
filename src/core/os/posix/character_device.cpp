#include "core/os/character_device.h"

#include <sys/stat.h>

namespace ormakin {

bool IsCharacterDevice(const std::string& name) {
  struct stat info {};
  return ::stat(name.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

}  // namespace ormakin
