#include "win/main_window.h"

#include <iterator>
#include <stdexcept>

#include "core/base/message_box.h"
#include "core/os/windows/wide_text.h"
#include "core/window/main_menu.h"
#include "win/frame_painter.h"

namespace ormakin::win {

namespace {

// A fixed frame: caption, system menu and minimise; no maximise, no sizing.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = 0;

HMENU BuildMenu() {
  const HMENU bar = CreateMenu();
  HMENU menu = nullptr;
  for (std::size_t row = 0; row < std::size(kMainMenu); ++row) {
    const MenuEntry& entry = kMainMenu[row];
    const std::wstring caption = ToWide(entry.caption);
    if (entry.kind == MenuEntry::Kind::Menu) {
      menu = CreatePopupMenu();
      AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), caption.c_str());
    } else if (entry.kind == MenuEntry::Kind::Separator) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(menu, MF_STRING, kFirstMenuCommand + row, caption.c_str());
    }
  }
  return bar;
}

// The window's font: "ＭＳ Ｐゴシック", Shift-JIS, 12 pixels high, regular.
HFONT WindowFont() {
  LOGFONTW font{};
  font.lfHeight = -12;  // negative: the character height, not the cell's
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = SHIFTJIS_CHARSET;
  const std::wstring face = ToWide("ＭＳ Ｐゴシック");
  face.copy(font.lfFaceName, LF_FACESIZE - 1);
  return CreateFontIndirectW(&font);
}

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = kMainWindowClass;
  RegisterClassExW(&windowClass);  // fails harmlessly when already registered
}

}  // namespace

RECT MainWindow::ImageRect() {
  return RECT{kImageLeft, kImageTop, kImageLeft + kImageWidth, kImageTop + kImageHeight};
}

MainWindow::MainWindow(HINSTANCE instance, TTraceMap& traceMap, WinPlatform& platform)
    : traceMap_(traceMap), platform_(platform) {
  RegisterWindowClass(instance, &MainWindow::WindowProc);
  menu_ = BuildMenu();
  font_ = WindowFont();

  // The frame around a client area of the layout's size, with the menu bar.
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kStyle, TRUE, kExStyle);
  window_ = CreateWindowExW(kExStyle, kMainWindowClass, ToWide(kApplicationTitle).c_str(), kStyle,
                            kWindowLeft, kWindowTop, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, menu_, instance, this);
  if (window_ == nullptr) {
    DestroyMenu(menu_);
    if (font_ != nullptr) DeleteObject(font_);
    throw std::runtime_error("cannot create the main window");
  }
  // A menu bar that wraps to two lines would make the client area smaller:
  // set the size once more from the client area that came out.
  RECT client{};
  GetClientRect(window_, &client);
  if (client.right != kClientWidth || client.bottom != kClientHeight) {
    RECT outer{};
    GetWindowRect(window_, &outer);
    SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left + kClientWidth - client.right,
                 outer.bottom - outer.top + kClientHeight - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  platform_.SetWindow(window_, ImageRect());
}

MainWindow::~MainWindow() {
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);  // destroys the menu with it
  }
  if (font_ != nullptr) DeleteObject(font_);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ == nullptr) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 && lParam == 0) {  // from the menu
        Command(LOWORD(wParam));
        return 0;
      }
      break;
    case WM_CLOSE:
      // The close query, FormClose and the request to end the loop; the
      // window itself stays until the loop has ended.
      traceMap_.Dispatch(&TTraceMap::Close);
      return 0;
    case WM_QUERYENDSESSION:
      traceMap_.Dispatch(&TTraceMap::EndSessionQuery);
      return TRUE;
    case WM_WININICHANGE:
      FollowUserSettings();
      break;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SETFONT:
      return 0;  // kept by the window; no control draws text with it
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::Command(UINT id) {
  const std::size_t row = id - kFirstMenuCommand;
  if (id >= kFirstMenuCommand && row < std::size(kMainMenu) && kMainMenu[row].handler != nullptr) {
    traceMap_.Dispatch(kMainMenu[row].handler);
  }
}

void MainWindow::Paint() {
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(window_, &paint);
  if (dc == nullptr) return;
  // The strips around Image1 show the background; Image1 shows the frame.
  const RECT image = ImageRect();
  const RECT strips[] = {
      {0, 0, image.left, kClientHeight},
      {image.right, 0, kClientWidth, kClientHeight},
      {image.left, image.bottom, image.right, kClientHeight},
  };
  const HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  for (const RECT& strip : strips) FillRect(dc, &strip, face);
  try {
    PaintImage(dc, image, paint.rcPaint, traceMap_.Image1);
  } catch (...) {
    EndPaint(window_, &paint);
    traceMap_.HandleException(std::current_exception());
    return;
  }
  EndPaint(window_, &paint);
}

}  // namespace ormakin::win
