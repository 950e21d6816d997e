// The one service through which every message box of the program is shown.
#pragma once

#include <string>

namespace ormakin {

// Message-box flags, with the values of the system the program was made for.
inline constexpr unsigned MB_OK = 0x00;         // an OK button only, no icon
inline constexpr unsigned MB_ICONERROR = 0x10;  // the stop (error) icon

// The caption of the program's own boxes and of its error boxes.
inline constexpr const char* kApplicationTitle = "Ormakin";

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // Shows a modal box with the given UTF-8 text and caption and waits until
  // the user closes it. Returns the button pressed; the program never uses it.
  virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                             unsigned flags) = 0;
};

}  // namespace ormakin
