#include "core/os/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <utility>

#include "core/os/posix/link_target.h"

namespace ormakin {

namespace {

// Room for the temporary file's own parts within a name of 255 bytes.
constexpr std::size_t kMaxLeafInTemporaryName = 200;

std::string RandomSuffix() {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::random_device random;
  std::string suffix;
  for (int i = 0; i < 8; ++i) suffix += kDigits[random() % (sizeof kDigits - 1)];
  return suffix;
}

}  // namespace

bool WritesInPlace(const std::string& name) {
  struct stat info {};
  return ::stat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

FileReplacement::FileReplacement(const std::string& target,
                                 const std::function<void(const std::string&)>& making)
    : name_(target), target_(posix::LinkTarget(target)) {
  if (target.empty() || target.find('\0') != std::string::npos) Fail(std::strerror(ENOENT));
  struct stat info {};
  if (::stat(target_.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) Fail(std::strerror(S_ISDIR(info.st_mode) ? EISDIR : EINVAL));
    // A file that nobody may write is refused, even where the rename below
    // could replace it (the superuser's, or in a folder open to the user).
    if ((info.st_mode & 0222) == 0 || ::access(target_.c_str(), W_OK) != 0) {
      Fail("the file is read-only");
    }
    existed_ = true;
    permissions_ = info.st_mode & 07777;
  }
  // A hidden name in the same folder, so that the rename stays on one file
  // system and a listing does not show the file while it is written.
  const std::string folder = posix::FolderOf(target_);
  const std::string leaf = posix::LeafOf(target_).substr(0, kMaxLeafInTemporaryName);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = folder;
    temporary_.append("/.").append(leaf).append(".").append(RandomSuffix()).append(".tmp");
    if (making) making(temporary_);
    // 0666 less the user's umask: a new file gets what a plain create gives.
    const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      const int error = errno;
      temporary_.clear();
      if (error == EEXIST) continue;
      Fail(std::strerror(error));
    }
    stream_ = ::fdopen(fd, "wb");
    if (stream_ == nullptr) {
      const int error = errno;
      ::close(fd);
      ::unlink(temporary_.c_str());
      Fail(std::strerror(error));
    }
    return;
  }
  Fail(std::strerror(EEXIST));
}

FileReplacement::~FileReplacement() {
  if (stream_ != nullptr) std::fclose(stream_);
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

void FileReplacement::Commit() {
  std::FILE* stream = std::exchange(stream_, nullptr);
  if (stream == nullptr) return;
  // Each step's error is taken at once, before another call can change errno.
  int error = 0;
  errno = 0;
  if (std::fflush(stream) != 0 || std::ferror(stream) != 0) {
    error = errno != 0 ? errno : EIO;
  } else if (::fsync(::fileno(stream)) != 0) {
    error = errno;
  } else if (existed_) {
    struct stat info {};
    // The old file's owner where the user may give it (the superuser), and
    // its permissions in any case.
    if (::stat(target_.c_str(), &info) == 0 &&
        (info.st_uid != ::geteuid() || info.st_gid != ::getegid())) {
      [[maybe_unused]] const int owned = ::fchown(::fileno(stream), info.st_uid, info.st_gid);
    }
    if (::fchmod(::fileno(stream), static_cast<mode_t>(permissions_)) != 0) error = errno;
  }
  if (std::fclose(stream) != 0 && error == 0) error = errno;
  if (error != 0) Fail(std::strerror(error));
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) Fail(std::strerror(errno));
  temporary_.clear();
}

void FileReplacement::Fail(const std::string& cause) const {
  throw FileReplacementError("cannot write " + name_ + ": " + cause);
}

}  // namespace ormakin
