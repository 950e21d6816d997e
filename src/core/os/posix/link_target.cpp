#include "core/os/posix/link_target.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace ormakin::posix {

namespace {

// Linux follows at most 40 links while it resolves one name.
constexpr int kMaxLinks = 40;

}  // namespace

std::string FolderOf(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return name.substr(0, slash);
}

std::string LeafOf(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string LinkTarget(const std::string& name) {
  std::string current = name;
  for (int followed = 0; followed < kMaxLinks; ++followed) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    std::vector<char> target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
    const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return current;
    const std::string next(target.data(), static_cast<std::size_t>(length));
    if (next.front() == '/' || current.find('/') == std::string::npos) {
      current = next;
    } else {
      current = FolderOf(current).append("/").append(next);
    }
  }
  return current;
}

}  // namespace ormakin::posix
