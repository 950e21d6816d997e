#include "output_file.h"

#include <cerrno>
#include <cstring>

#include "errors.h"

namespace ormakin::cli {

namespace {

[[noreturn]] void CannotWrite(const std::string& name, int error) {
  throw Exception("cannot write " + name + ": " + std::strerror(error));
}

}  // namespace

OutputFile::OutputFile(const std::string& name) : name_(name) {
  if (name == "-") {
    stream_ = stdout;
    standardOutput_ = true;
    return;
  }
  stream_ = std::fopen(name.c_str(), "wb");
  if (stream_ == nullptr) {
    CannotWrite(name, errno);
  }
}

OutputFile::~OutputFile() {
  if (stream_ != nullptr && !standardOutput_) {
    std::fclose(stream_);
  }
}

void OutputFile::Close() {
  if (stream_ == nullptr) {
    return;
  }
  std::FILE* stream = stream_;
  stream_ = nullptr;
  errno = 0;
  bool ok = std::fflush(stream) == 0 && std::ferror(stream) == 0;
  int error = errno;
  if (!standardOutput_) {
    if (std::fclose(stream) != 0 && ok) {
      ok = false;
      error = errno;
    }
  }
  if (!ok) {
    CannotWrite(name_, error != 0 ? error : EIO);
  }
}

}  // namespace ormakin::cli
