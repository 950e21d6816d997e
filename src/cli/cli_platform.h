// The platform of the command-line tool: no window, no pause, no dialog. The
// course file is "chosen" by the command line, notices go to standard error,
// and an error box means that a failure stopped the command.
#pragma once

#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include "cli/command_line.h"
#include "core/window/platform.h"
#include "core/window/trace_map.h"

namespace ormakin::cli {

class CliPlatform : public Platform {
 public:
  // `course` is the name that the file dialog returns; notices and error
  // texts are written to `err`.
  CliPlatform(std::string course, std::FILE* err) : course_(std::move(course)), err_(err) {}

  // A box without the error icon (a malformed rule) is written as one line,
  // its line break replaced by ": ". An error box is written as it is and
  // remembered: the command then ends with a failure.
  int ShowMessageBox(const std::string& text, const std::string& caption,
                     MessageBoxFlags flags) override;
  void ProcessMessages() override {}
  void Pause(int /*milliseconds*/) override {}
  std::optional<std::string> ChooseFile(const std::string& /*filter*/,
                                        const std::string& /*lastName*/) override {
    return course_;
  }
  void InvalidateImage() override {}
  void CancelMouseCapture() override {}
  void Terminate() override {}

  // True once an error box has been shown.
  bool Failed() const { return failed_; }

 private:
  std::string course_;
  std::FILE* err_;
  bool failed_ = false;
};

// A command's window without a window: the platform and the main window's
// behaviour, registered as the one TraceMap while the session lasts.
class CliSession {
 public:
  // `course` is what the open command opens; `settings` the settings file
  // (the one beside the executable when not given).
  CliSession(std::string course, const std::optional<std::string>& settings, std::FILE* err);
  ~CliSession();
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // Start-up and the open command, as the window runs them: their failures
  // are shown through the platform. False when either failed or no car was
  // made.
  bool Open();

  // Runs the command's own work; a failure is shown as the window's error
  // handler shows it, after everything written to `out` so far, and the
  // command ends with kExitFailure.
  template <typename Work>
  int Run(std::FILE* out, Work&& work) {
    try {
      return work();
    } catch (...) {
      std::fflush(out);
      traceMap_.HandleException(std::current_exception());
      return kExitFailure;
    }
  }

  TTraceMap& Window() { return traceMap_; }

 private:
  CliPlatform platform_;
  TTraceMap traceMap_;
};

// The text of a box as one line: every CR LF (or lone LF) becomes ": ".
std::string OneLine(const std::string& text);

}  // namespace ormakin::cli
