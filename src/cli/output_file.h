// A file that the tool writes, or standard output for the name "-".
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "cli/interruption.h"
#include "core/os/file_replacement.h"

namespace ormakin::cli {

class OutputFile {
 public:
  // A regular file, or a name not taken yet, is written whole: to a
  // temporary file beside it that takes its place in Close(), so a failed
  // or interrupted command leaves the old file as it was, and no temporary
  // file. Standard output ("-"), a pipe or
  // a device is written in place. Raises Exception ("cannot write NAME:
  // cause") when it cannot be opened.
  explicit OutputFile(const std::string& name);
  // Without Close() (a failure on the way) the old file stays untouched;
  // what went to a pipe or a device is flushed and lost silently.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::FILE* Stream() { return stream_; }
  void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
  void Write(const void* data, std::size_t size);

  // Flushes and closes (standard output is only flushed) and puts a
  // replaced file in place. Raises Exception naming the cause of the first
  // error when anything written was lost (a full disk, a closed pipe).
  void Close();

 private:
  [[noreturn]] void CannotWrite(int error) const;

  std::string name_;
  std::FILE* stream_ = nullptr;
  // Declared first, so that the replacement removes its temporary file
  // before an interruption stops knowing it.
  std::optional<PendingFile> pending_;
  std::optional<FileReplacement> replacement_;
  bool standardOutput_ = false;
  int error_ = 0;  // errno of the first write that failed
};

}  // namespace ormakin::cli
