#include "core/os/read_only_file.h"

#include <windows.h>

#include <algorithm>

#include "core/os/windows/wide_text.h"

namespace ormakin {

ReadOnlyFile::ReadOnlyFile(const std::string& path) {
  const std::wstring wide = win::WideFileName(path);
  if (wide.empty() || wide.find(L'\0') != std::wstring::npos) return;
  // Others may read the file while it is open, but not write it. A handle
  // made without security attributes is not inherited by child processes.
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  // A directory does not open without backup semantics; a pipe, a console
  // or a serial port is no disk file.
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    CloseHandle(file);
    return;
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  size_ = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

ReadOnlyFile::~ReadOnlyFile() {
  if (IsOpen()) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

std::size_t ReadOnlyFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (!IsOpen() || out.empty()) return 0;
  // The offset goes with the call, so reads do not move a shared position.
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  // One read takes at most 1 GiB, which a DWORD count holds.
  const auto count = static_cast<DWORD>(std::min<std::size_t>(out.size(), 1u << 30));
  DWORD got = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(handle_), out.data(), count, &got, &at)) return 0;
  return got;
}

}  // namespace ormakin
