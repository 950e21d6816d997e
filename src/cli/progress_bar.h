// A progress bar on one line of standard error, drawn only when standard
// error is a terminal, so that logs and pipes receive no control characters.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace ormakin::cli {

class ProgressBar {
 public:
  // Draws on `err` when it is a terminal; otherwise does nothing.
  explicit ProgressBar(std::FILE* err);
  ~ProgressBar() { Clear(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // Shows `fraction` (0 to 1) done, followed by `detail`; redrawn at most ten
  // times a second, and always when `fraction` reaches 1.
  void Show(double fraction, const std::string& detail);
  // Removes the bar, so that what is printed next starts on a clean line.
  void Clear();

  bool Visible() const { return terminal_; }

 private:
  std::FILE* err_;
  bool terminal_ = false;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace ormakin::cli
