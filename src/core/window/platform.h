// The seam between the program's behaviour and the window system under it.
// The core calls these services; a shell (the Qt program, the command-line
// tool, a test) provides them.
#pragma once

#include <optional>
#include <string>

#include "core/base/message_box.h"

namespace ormakin {

class Platform : public MessageBoxService {
 public:
  // Fetches and dispatches every window message waiting for the program's
  // thread and returns as soon as none is left. Menu commands that the user
  // chose meanwhile run nested inside this call.
  virtual void ProcessMessages() = 0;

  // Sleeps; nothing is dispatched meanwhile.
  virtual void Pause(int milliseconds) = 0;

  // Shows the modal file-open dialog with the given filter ("description|pattern")
  // and the last confirmed name. Returns the confirmed name, or nothing when the
  // user cancelled.
  virtual std::optional<std::string> ChooseFile(const std::string& filter,
                                                const std::string& lastName) = 0;

  // Marks the visible picture's rectangle of the main window for repainting.
  virtual void InvalidateImage() = 0;

  // Releases a mouse capture, so that a drag or a held button ends.
  virtual void CancelMouseCapture() = 0;

  // Tells the application to end its message loop once control returns to it.
  virtual void Terminate() = 0;
};

}  // namespace ormakin
