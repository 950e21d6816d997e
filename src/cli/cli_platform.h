// The platform of the command-line tool: no window, no pause, no dialog. The
// course file is "chosen" by the command line, notices go to standard error,
// and an error box means that a failure stopped the command.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "platform.h"
#include "trace_map.h"

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

// Start-up and the open command, as the window runs them, on `traceMap`
// whose platform is `platform`: their failures are shown through the
// platform. Returns false when either failed or no car was made.
bool StartAndOpen(TTraceMap& traceMap, const CliPlatform& platform);

// The text of a box as one line: every CR LF (or lone LF) becomes ": ".
std::string OneLine(const std::string& text);

}  // namespace ormakin::cli
