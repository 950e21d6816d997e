#include "cli/output_file.h"

#include <cerrno>
#include <cstring>

#include "core/base/errors.h"

namespace ormakin::cli {

OutputFile::OutputFile(const std::string& name) : name_(name) {
  if (name == "-") {
    stream_ = stdout;
    standardOutput_ = true;
  } else if (WritesInPlace(name)) {
    stream_ = std::fopen(name.c_str(), "wb");
    if (stream_ == nullptr) {
      CannotWrite(errno);
    }
  } else {
    // Known to an interruption before it exists.
    stream_ = replacement_
                  .emplace(name,
                           [this](const std::string& temporary) {
                             pending_.reset();
                             pending_.emplace(temporary);
                           })
                  .Stream();
  }
}

OutputFile::~OutputFile() {
  if (stream_ != nullptr && !standardOutput_ && !replacement_) {
    std::fclose(stream_);
  }
  // The replacement removes its temporary file itself.
}

void OutputFile::Write(const void* data, std::size_t size) {
  if (size == 0 || stream_ == nullptr) {
    return;
  }
  errno = 0;
  if (std::fwrite(data, 1, size, stream_) != size && error_ == 0) {
    // The cause is kept now: by Close() other calls may have changed errno.
    error_ = errno != 0 ? errno : EIO;
  }
}

void OutputFile::Close() {
  if (stream_ == nullptr) {
    return;
  }
  std::FILE* stream = stream_;
  stream_ = nullptr;
  if (replacement_) {
    if (error_ != 0) {
      CannotWrite(error_);  // the old file stays
    }
    replacement_->Commit();
    pending_.reset();
    return;
  }
  errno = 0;
  if ((std::fflush(stream) != 0 || std::ferror(stream) != 0) && error_ == 0) {
    error_ = errno != 0 ? errno : EIO;
  }
  if (!standardOutput_ && std::fclose(stream) != 0 && error_ == 0) {
    error_ = errno != 0 ? errno : EIO;
  }
  if (error_ != 0) {
    CannotWrite(error_);
  }
}

void OutputFile::CannotWrite(int error) const {
  throw Exception("cannot write " + name_ + ": " + std::strerror(error));
}

}  // namespace ormakin::cli
