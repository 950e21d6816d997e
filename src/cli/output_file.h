// A file that the tool writes, or standard output for the name "-".
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace ormakin::cli {

class OutputFile {
 public:
  // Creates or truncates the file. Raises Exception ("cannot write NAME: ...")
  // when it cannot be opened.
  explicit OutputFile(const std::string& name);
  // Closes a file that Close() did not; errors are then lost, so callers
  // that care call Close().
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::FILE* Stream() { return stream_; }
  void Write(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stream_); }
  void Write(const void* data, std::size_t size) {
    if (size > 0) std::fwrite(data, 1, size, stream_);
  }

  // Flushes and closes (standard output is only flushed). Raises Exception
  // when anything written was lost (a full disk, a closed pipe).
  void Close();

 private:
  std::string name_;
  std::FILE* stream_ = nullptr;
  bool standardOutput_ = false;
};

}  // namespace ormakin::cli
