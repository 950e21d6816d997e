// The one service through which every message box of the program is shown.
#pragma once

#include <string>

namespace ormakin {

// The message-box flags that the program uses, with the values of the system
// it was made for, so that a shell on that system passes them on as they are.
enum class MessageBoxFlags : unsigned {
  Ok = 0x00,               // an OK button only, no icon
  OkWithErrorIcon = 0x10,  // an OK button and the stop (error) icon
};

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
