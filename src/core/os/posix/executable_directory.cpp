#include "core/os/executable_directory.h"

#include <filesystem>
#include <system_error>

namespace ormakin {

std::string ExecutableDirectory() {
  std::error_code error;
  const std::string executable = std::filesystem::read_symlink("/proc/self/exe", error).string();
  const std::size_t slash = executable.rfind('/');
  if (!error && !executable.empty() && executable[0] == '/') {
    return executable.substr(0, slash + 1);
  }
  const std::filesystem::path current = std::filesystem::current_path(error);
  return error ? std::string("./") : (current / "").string();
}

}  // namespace ormakin
