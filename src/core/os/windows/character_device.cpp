#include "core/os/character_device.h"

#include <windows.h>

#include "core/os/windows/wide_text.h"

namespace ormakin {

bool IsCharacterDevice(const std::string& name) {
  const std::wstring wide = win::WideFileName(name);
  if (wide.empty() || wide.find(L'\0') != std::wstring::npos) return false;
  // No access is asked for, only the file's type; NUL and CON open so too.
  const HANDLE file =
      CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool device = GetFileType(file) == FILE_TYPE_CHAR;
  CloseHandle(file);
  return device;
}

}  // namespace ormakin
