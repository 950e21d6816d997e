#include "core/os/file_identity.h"

#include <sys/stat.h>

#include "core/os/posix/link_target.h"

namespace ormakin {

namespace {

std::optional<FileIdentity> Identify(const std::string& name) {
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace

std::optional<FileLocation> LocateFile(const std::string& name) {
  if (name.empty() || name.find('\0') != std::string::npos) return std::nullopt;
  if (const auto file = Identify(name)) return FileLocation{*file, std::nullopt};
  // Not there yet: the file would be made where the last link points.
  const std::string target = posix::LinkTarget(name);
  const auto folder = Identify(posix::FolderOf(target));
  if (!folder) return std::nullopt;
  return FileLocation{*folder, posix::LeafOf(target)};
}

bool SameLocation(const FileLocation& a, const FileLocation& b) {
  // POSIX names are bytes: two spellings are two files.
  return a.identity == b.identity && a.leaf == b.leaf;
}

}  // namespace ormakin
