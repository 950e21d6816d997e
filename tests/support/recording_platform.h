// A platform for tests: it records every box, pause, repaint request and
// termination, and runs a scripted action inside each "process pending
// messages", so a test can play what the user does at that moment.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/window/platform.h"

namespace ormakin::testing {

struct RecordedBox {
  std::string text;
  std::string caption;
  MessageBoxFlags flags = MessageBoxFlags::Ok;
};

class RecordingPlatform : public Platform {
 public:
  int ShowMessageBox(const std::string& text, const std::string& caption,
                     MessageBoxFlags flags) override {
    boxes.push_back({text, caption, flags});
    events.push_back("box");
    if (onBox) {
      onBox(boxes.back());
    }
    return 1;
  }

  void ProcessMessages() override {
    ++processCalls;
    events.push_back("process");
    if (!script.empty()) {
      auto action = std::move(script.front());
      script.pop_front();
      if (action) {
        action();
      }
    } else if (whenIdle) {
      // A copy, so that the action may replace itself.
      auto idle = whenIdle;
      idle();
    }
  }

  void Pause(int milliseconds) override {
    pauses.push_back(milliseconds);
    events.push_back("pause");
  }

  std::optional<std::string> ChooseFile(const std::string& filter,
                                        const std::string& lastName) override {
    lastFilter = filter;
    lastOfferedName = lastName;
    events.push_back("dialog");
    if (onDialog) {
      onDialog();
    }
    if (fileChoices.empty()) {
      return std::nullopt;
    }
    auto choice = std::move(fileChoices.front());
    fileChoices.pop_front();
    return choice;
  }

  void InvalidateImage() override { ++invalidations; }
  void CancelMouseCapture() override { ++captureCancels; }
  void Terminate() override {
    ++terminations;
    events.push_back("terminate");
  }

  // One action per ProcessMessages call, in order; an empty function does nothing.
  std::deque<std::function<void()>> script;
  // Run by ProcessMessages once the script is used up.
  std::function<void()> whenIdle;
  // The answers of the file dialog: a name, or nothing for a cancel.
  std::deque<std::optional<std::string>> fileChoices;
  std::function<void()> onDialog;
  std::function<void(const RecordedBox&)> onBox;

  std::vector<RecordedBox> boxes;
  std::vector<int> pauses;
  std::vector<std::string> events;
  std::string lastFilter;
  std::string lastOfferedName;
  int processCalls = 0;
  int invalidations = 0;
  int captureCancels = 0;
  int terminations = 0;
};

}  // namespace ormakin::testing
