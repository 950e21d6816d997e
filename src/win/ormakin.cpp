// The program's entry on Windows: the main window and the message loop.
// Every behaviour lives in TTraceMap; this only wires it to the system.
#include <windows.h>

#include <exception>

#include "core/base/message_box.h"
#include "core/extended/precision_control.h"
#include "core/os/windows/wide_text.h"
#include "core/settings/decimal_mark.h"
#include "core/settings/ini_file.h"
#include "core/window/trace_map.h"
#include "win/main_window.h"
#include "win/win_platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  using namespace ormakin;
  // Again here: a DLL loaded since start-up may have changed it.
  UseExtendedPrecision();
  RefreshDecimalMark();

  win::WinPlatform platform;
  TTraceMap traceMap(platform, SettingsFilePath());
  TraceMap = &traceMap;  // reachable while the window is created
  try {
    win::MainWindow window(instance, traceMap, platform);
    traceMap.Create();  // its boxes open before the window is shown
    ShowWindow(window.Handle(), showCommand);
    UpdateWindow(window.Handle());

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  } catch (const std::exception& failure) {
    // Only the window's own creation can fail here.
    MessageBoxW(nullptr, win::ToWide(failure.what()).c_str(),
                win::ToWide(kApplicationTitle).c_str(), MB_ICONSTOP);
  }
  TraceMap = nullptr;
  return 0;
}
