// WinPlatform: the window-system services that the program's behaviour asks
// for, provided by the Windows user-interface, common-dialog and kernel
// services.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "core/window/platform.h"

namespace ormakin::win {

// The user's settings have changed (WM_WININICHANGE): the thread takes the
// user's default locale again, and the decimal mark is read anew from it.
void FollowUserSettings();

class WinPlatform final : public Platform {
 public:
  // The main window owns the boxes and the file dialog; `imageRect` is the
  // visible picture's rectangle in its client area. Until it is set, boxes
  // have no owner.
  void SetWindow(HWND mainWindow, const RECT& imageRect);

  // MessageBoxW owned by the main window, which the system disables while the
  // box is open and activates again afterwards. Texts are UTF-8.
  int ShowMessageBox(const std::string& text, const std::string& caption,
                     MessageBoxFlags flags) override;
  // PeekMessage and DispatchMessage until the queue is empty. A menu that is
  // open runs the system's own modal loop inside that dispatch, so a run
  // stands still until the menu closes.
  void ProcessMessages() override;
  void Pause(int milliseconds) override;
  // GetOpenFileNameW with the filter, the last name preselected, resizable,
  // without the read-only box; a typed name that does not exist is returned
  // as typed. The dialog is placed on the main window's monitor.
  std::optional<std::string> ChooseFile(const std::string& filter,
                                        const std::string& lastName) override;
  void InvalidateImage() override;
  void CancelMouseCapture() override;
  void Terminate() override;

  // True once Terminate has been called.
  bool Terminated() const { return terminated_; }

 private:
  HWND mainWindow_ = nullptr;
  RECT imageRect_{};
  bool terminated_ = false;
};

}  // namespace ormakin::win
