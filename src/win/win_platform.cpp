#include "win/win_platform.h"

#include <commdlg.h>

#include <vector>

#include "core/os/windows/wide_text.h"
#include "core/settings/decimal_mark.h"
#include "core/window/dialog_placement.h"

namespace ormakin::win {

namespace {

// Longest file name the dialog returns, in UTF-16 units.
constexpr DWORD kFileNameCapacity = 32768;

// The work area of the monitor that holds `window`, or of the primary one.
RECT MonitorOf(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
  if (monitor != nullptr && GetMonitorInfoW(monitor, &info)) return info.rcMonitor;
  return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// Moves the file dialog onto the main window's monitor once it has been
// initialised, so it has its final size. The hook gets the inner child
// dialog; its parent is the dialog window itself.
UINT_PTR CALLBACK PlaceDialog(HWND child, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    const auto* notice = reinterpret_cast<const OFNOTIFYW*>(lParam);
    if (notice->hdr.code == CDN_INITDONE) {
      const HWND dialog = GetParent(child);
      RECT frame{};
      GetWindowRect(dialog, &frame);
      const HWND owner = notice->lpOFN->hwndOwner;
      const RECT monitor = MonitorOf(owner != nullptr ? owner : dialog);
      const ScreenPoint at = DialogPosition(
          {monitor.left, monitor.top, monitor.right - monitor.left, monitor.bottom - monitor.top},
          frame.right - frame.left, frame.bottom - frame.top);
      SetWindowPos(dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  return 0;
}

}  // namespace

void FollowUserSettings() {
  SetThreadLocale(LOCALE_USER_DEFAULT);
  RefreshDecimalMark();
}

void WinPlatform::SetWindow(HWND mainWindow, const RECT& imageRect) {
  mainWindow_ = mainWindow;
  imageRect_ = imageRect;
}

int WinPlatform::ShowMessageBox(const std::string& text, const std::string& caption,
                                MessageBoxFlags flags) {
  const HWND previouslyActive = GetActiveWindow();
  const int result = MessageBoxW(mainWindow_, ToWide(text).c_str(), ToWide(caption).c_str(),
                                 static_cast<UINT>(flags));
  if (previouslyActive != nullptr && IsWindow(previouslyActive)) SetActiveWindow(previouslyActive);
  return result;
}

void WinPlatform::ProcessMessages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The main loop must see the quit request too: post it again and leave
      // the rest of the queue to that loop.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void WinPlatform::Pause(int milliseconds) {
  if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
}

std::optional<std::string> WinPlatform::ChooseFile(const std::string& filter,
                                                   const std::string& lastName) {
  const std::wstring filterText = ToDialogFilter(filter);
  std::vector<wchar_t> fileName(kFileNameCapacity, L'\0');
  const std::wstring last = ToWide(lastName);
  if (last.size() < fileName.size()) std::copy(last.begin(), last.end(), fileName.begin());

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = mainWindow_;
  dialog.lpstrFilter = filterText.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = fileName.data();
  dialog.nMaxFile = kFileNameCapacity;
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_ENABLEHOOK;
  dialog.lpfnHook = PlaceDialog;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  return ToUtf8(fileName.data());
}

void WinPlatform::InvalidateImage() {
  if (mainWindow_ != nullptr) InvalidateRect(mainWindow_, &imageRect_, FALSE);
}

void WinPlatform::CancelMouseCapture() {
  if (const HWND holder = GetCapture()) SendMessageW(holder, WM_CANCELMODE, 0, 0);
}

void WinPlatform::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

}  // namespace ormakin::win
