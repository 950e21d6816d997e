// The program's entry on Windows: the main window and the message loop.
// Every behaviour lives in TTraceMap; this only wires it to the system.
#include <windows.h>

#include <exception>

#include "decimal_mark.h"
#include "ini_file.h"
#include "main_window.h"
#include "message_box.h"
#include "precision_control.h"
#include "trace_map.h"
#include "wide_text.h"
#include "win_platform.h"

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
