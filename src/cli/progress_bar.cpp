#include "cli/progress_bar.h"

#include <algorithm>

#include "core/os/terminal.h"

namespace ormakin::cli {

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

ProgressBar::ProgressBar(std::FILE* err) : err_(err), terminal_(IsTerminal(err)) {}

void ProgressBar::Show(double fraction, const std::string& detail) {
  if (!terminal_) {
    return;
  }
  fraction = std::clamp(fraction, 0.0, 1.0);
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && fraction < 1.0 && now - last_ < kRedrawInterval) {
    return;
  }
  last_ = now;
  const int filled = static_cast<int>(fraction * kBarWidth);
  std::string line = "\r[";
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  line += "] " + std::to_string(static_cast<int>(fraction * 100)) + "% " + detail;
  // Clears what a longer line before left behind.
  line += "\x1b[K";
  std::fputs(line.c_str(), err_);
  std::fflush(err_);
  drawn_ = true;
}

void ProgressBar::Clear() {
  if (drawn_) {
    std::fputs("\r\x1b[K", err_);
    std::fflush(err_);
    drawn_ = false;
  }
}

}  // namespace ormakin::cli
