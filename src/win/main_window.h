// MainWindow: the program's one window on Windows. It holds the layout (the
// fixed frame at its place, the menu, the picture area) and hands every
// command, the close and the painting of the frame to TTraceMap.
#pragma once

#include <windows.h>

#include "core/window/trace_map.h"
#include "win/win_platform.h"

namespace ormakin::win {

// A menu item's command identifier: this plus its row in kMainMenu.
inline constexpr UINT kFirstMenuCommand = 100;

// The window class name.
inline constexpr const wchar_t* kMainWindowClass = L"TTraceMap";

class MainWindow {
 public:
  // Registers the class and creates the window, hidden: the caption
  // "Ormakin", top-left at (192, 107), a 519 x 411 client area below the
  // menu, a fixed frame with the system menu and minimise. Throws
  // std::runtime_error when the system cannot make it.
  MainWindow(HINSTANCE instance, TTraceMap& traceMap, WinPlatform& platform);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  HWND Handle() const { return window_; }

  // Image1's rectangle in the client area.
  static RECT ImageRect();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void Command(UINT id);

  TTraceMap& traceMap_;
  WinPlatform& platform_;
  HWND window_ = nullptr;
  HMENU menu_ = nullptr;
  HFONT font_ = nullptr;
};

}  // namespace ormakin::win
