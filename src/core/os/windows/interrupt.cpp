#include "core/os/interrupt.h"

#include <windows.h>

#include <array>
#include <atomic>

namespace ormakin {

namespace {

std::atomic<InterruptionHandler> installed{nullptr};

// The console calls this on a thread of its own.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  const InterruptionHandler handler = installed.load();
  const Interruption what =
      event == CTRL_C_EVENT ? Interruption::kCtrlC : Interruption::kEndRequest;
  // FALSE hands the event on, in the end to the system, which ends the
  // program.
  return handler != nullptr && handler(what) ? TRUE : FALSE;
}

}  // namespace

void HandleInterruptions(InterruptionHandler handler) {
  installed.store(handler);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void RemoveFileAtOnce(const char* name) {
  // Converted without allocating: the longest name Windows knows.
  std::array<wchar_t, 32768> wide;
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide.data(),
                                         static_cast<int>(wide.size()));
  if (length > 0) {
    DeleteFileW(wide.data());
  }
}

}  // namespace ormakin
