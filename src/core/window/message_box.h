// The one service through which every message box of the program is shown.
#pragma once

#include <string>

namespace ormakin {

// Message-box flags, with the values of the system the program was made for,
// so that a shell on that system passes them on as they are.
enum class MessageBoxFlags : unsigned {
  Ok = 0x00,         // an OK button only, no icon
  IconError = 0x10,  // the stop (error) icon
};

constexpr MessageBoxFlags operator|(MessageBoxFlags a, MessageBoxFlags b) {
  return static_cast<MessageBoxFlags>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

// Whether `flags` hold every bit of `flag`.
constexpr bool HasFlag(MessageBoxFlags flags, MessageBoxFlags flag) {
  return (static_cast<unsigned>(flags) & static_cast<unsigned>(flag)) ==
         static_cast<unsigned>(flag);
}

// The caption of the program's own boxes and of its error boxes.
inline constexpr const char* kApplicationTitle = "Ormakin";

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // Shows a modal box with the given UTF-8 text and caption and waits until
  // the user closes it. Returns the button pressed; the program never uses it.
  virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                             MessageBoxFlags flags) = 0;
};

}  // namespace ormakin
