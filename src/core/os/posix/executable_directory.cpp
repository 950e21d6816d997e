#include "executable_directory.h"

#include <unistd.h>

#include <vector>

namespace ormakin {

namespace {

// The running executable's full file name, or "" when the system will not
// say. The buffer grows until the name fits.
std::string ExecutablePath() {
  std::vector<char> buffer(512);
  while (buffer.size() <= 65536) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    buffer.resize(buffer.size() * 2);
  }
  return {};
}

std::string CurrentDirectory() {
  std::vector<char> buffer(512);
  while (buffer.size() <= 65536) {
    if (getcwd(buffer.data(), buffer.size()) != nullptr) return buffer.data();
    buffer.resize(buffer.size() * 2);
  }
  return ".";
}

}  // namespace

std::string ExecutableDirectory() {
  const std::string executable = ExecutablePath();
  const std::size_t slash = executable.rfind('/');
  if (!executable.empty() && executable[0] == '/' && slash != std::string::npos) {
    return executable.substr(0, slash + 1);
  }
  std::string directory = CurrentDirectory();
  if (directory.empty() || directory.back() != '/') directory += '/';
  return directory;
}

}  // namespace ormakin
