// window_probe: looks at a running ormakin.exe from the outside and prints
// what it finds, for the smoke test of the Windows build. One step per call:
//   window_probe geometry        the window's place, client size and style
//   window_probe about-open      opens the About box and prints its text
//   window_probe about-close     closes the About box
//   window_probe run COURSE      opens COURSE through the file dialog, starts
//                                a run and reports whether the car moves
//   window_probe close           closes the window and waits for it to go
//   window_probe caption-font    the face that the caption buttons' font
//                                (Marlett, symbol character set) resolves to
// Exit status 0 when the step did what it should, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The menu commands of the main window: 100 plus their row in the menu table.
constexpr WPARAM kOpen1 = 101;
constexpr WPARAM kN3 = 105;
constexpr WPARAM kAbout2 = 108;
constexpr int kFileNameCombo = 0x47C;  // the file dialog's name box
constexpr int kFileNameEdit = 0x480;   // the same in the old-style dialog

// Polls `find` every 100 ms for up to `seconds`.
template <typename Find>
HWND WaitFor(Find find, double seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (const HWND found = find()) return found;
    Sleep(100);
  }
  return nullptr;
}

HWND MainWindow() {
  return WaitFor([] { return FindWindowW(L"TTraceMap", nullptr); }, 30);
}

// A dialog box (class #32770) owned by `owner`.
HWND OwnedDialog(HWND owner, double seconds) {
  return WaitFor(
      [owner]() -> HWND {
        HWND candidate = nullptr;
        while ((candidate = FindWindowExW(nullptr, candidate, L"#32770", nullptr)) != nullptr) {
          if (GetWindow(candidate, GW_OWNER) == owner && IsWindowVisible(candidate)) {
            return candidate;
          }
        }
        return nullptr;
      },
      seconds);
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring TextOf(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return buffer;
}

// The texts of a dialog's static controls, one line each.
std::string StaticTexts(HWND dialog) {
  std::string texts;
  HWND child = nullptr;
  while ((child = FindWindowExW(dialog, child, L"Static", nullptr)) != nullptr) {
    const std::wstring text = TextOf(child);
    if (!text.empty()) texts += Utf8(text) + "\n";
  }
  return texts;
}

int Geometry(HWND window) {
  RECT frame{};
  RECT client{};
  GetWindowRect(window, &frame);
  GetClientRect(window, &client);
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  std::printf("caption=%s\n", Utf8(TextOf(window)).c_str());
  std::printf("window=%ld,%ld client=%ldx%ld\n", frame.left, frame.top, client.right,
              client.bottom);
  std::printf("maximize=%s sizing=%s minimize=%s sysmenu=%s menu=%s\n",
              (style & WS_MAXIMIZEBOX) ? "yes" : "no", (style & WS_THICKFRAME) ? "yes" : "no",
              (style & WS_MINIMIZEBOX) ? "yes" : "no", (style & WS_SYSMENU) ? "yes" : "no",
              GetMenu(window) != nullptr ? "yes" : "no");
  return 0;
}

int AboutOpen(HWND window) {
  PostMessageW(window, WM_COMMAND, kAbout2, 0);
  const HWND box = OwnedDialog(window, 10);
  if (box == nullptr) {
    std::printf("about: no box\n");
    return 1;
  }
  std::printf("about caption=%s\n%s", Utf8(TextOf(box)).c_str(), StaticTexts(box).c_str());
  std::printf("main window enabled while open=%s\n", IsWindowEnabled(window) ? "yes" : "no");
  return 0;
}

int AboutClose(HWND window) {
  const HWND box = OwnedDialog(window, 5);
  if (box == nullptr) {
    std::printf("about: no box\n");
    return 1;
  }
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  const bool gone = WaitFor([box]() -> HWND { return IsWindow(box) ? nullptr : box; }, 10);
  std::printf("about closed=%s main window enabled=%s\n", gone ? "yes" : "no",
              IsWindowEnabled(window) ? "yes" : "no");
  return gone ? 0 : 1;
}

// The centre of the blue pixels (the car's body) in Image1, or nothing.
bool CarCentre(HWND window, double& x, double& y) {
  const HDC dc = GetDC(window);
  long count = 0;
  double sumX = 0;
  double sumY = 0;
  for (int py = 0; py < 400; py += 1) {
    for (int px = 8; px < 508; px += 1) {
      if (GetPixel(dc, px, py) == RGB(0, 0, 255)) {
        ++count;
        sumX += px;
        sumY += py;
      }
    }
  }
  ReleaseDC(window, dc);
  if (count == 0) return false;
  x = sumX / count;
  y = sumY / count;
  return true;
}

int Run(HWND window, const char* course) {
  PostMessageW(window, WM_COMMAND, kOpen1, 0);
  const HWND dialog = OwnedDialog(window, 15);
  if (dialog == nullptr) {
    std::printf("run: no file dialog\n");
    return 1;
  }
  std::printf("file dialog caption=%s\n", Utf8(TextOf(dialog)).c_str());
  if (!SetDlgItemTextA(dialog, kFileNameCombo, course)) {
    SetDlgItemTextA(dialog, kFileNameEdit, course);
  }
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  if (!WaitFor([dialog]() -> HWND { return IsWindow(dialog) ? nullptr : dialog; }, 10)) {
    std::printf("run: the file dialog stayed open\n");
    return 1;
  }
  Sleep(1000);
  double x0 = 0;
  double y0 = 0;
  if (!CarCentre(window, x0, y0)) {
    std::printf("run: no car on the first frame\n");
    return 1;
  }
  std::printf("first frame: car at %.1f,%.1f\n", x0, y0);
  PostMessageW(window, WM_COMMAND, kN3, 0);
  Sleep(3000);
  double x1 = 0;
  double y1 = 0;
  if (!CarCentre(window, x1, y1)) {
    std::printf("run: no car after the start\n");
    return 1;
  }
  const bool moved = (x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0) > 4.0;
  std::printf("later frame: car at %.1f,%.1f moved=%s\n", x1, y1, moved ? "yes" : "no");
  return moved ? 0 : 1;
}

// The system draws the caption buttons with Marlett's glyphs; a face that
// is missing or replaced draws the letters behind them instead.
int CaptionFont(HWND window) {
  LOGFONTW wanted{};
  wanted.lfHeight = -13;
  wanted.lfCharSet = SYMBOL_CHARSET;
  wcscpy(wanted.lfFaceName, L"Marlett");
  const HFONT font = CreateFontIndirectW(&wanted);
  const HDC dc = GetDC(window);
  const HGDIOBJ previous = SelectObject(dc, font);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  SelectObject(dc, previous);
  ReleaseDC(window, dc);
  DeleteObject(font);
  std::printf("caption button font=%s\n", Utf8(face).c_str());
  return std::wstring(face) == L"Marlett" ? 0 : 1;
}

int Close(HWND window) {
  PostMessageW(window, WM_CLOSE, 0, 0);
  const bool gone =
      WaitFor([]() -> HWND { return FindWindowW(L"TTraceMap", nullptr) ? nullptr : HWND(1); }, 15);
  std::printf("closed=%s\n", gone ? "yes" : "no");
  return gone ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(
        stderr,
        "usage: window_probe geometry|about-open|about-close|run COURSE|close|caption-font\n");
    return 2;
  }
  const HWND window = MainWindow();
  if (window == nullptr) {
    std::printf("no window of class TTraceMap\n");
    return 1;
  }
  const std::string step = argv[1];
  int status = 2;
  if (step == "geometry") status = Geometry(window);
  if (step == "about-open") status = AboutOpen(window);
  if (step == "about-close") status = AboutClose(window);
  if (step == "run" && argc > 2) status = Run(window, argv[2]);
  if (step == "close") status = Close(window);
  if (step == "caption-font") status = CaptionFont(window);
  std::fflush(stdout);
  return status;
}
