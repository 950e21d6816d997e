#include "core/os/file_replacement.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "core/os/windows/system_replace_file.h"
#include "core/os/windows/wide_text.h"

namespace ormakin {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Room for the scratch names' own parts (".xxxxxxxx.tmp") within a name of
// 255 UTF-16 units, the longest a folder entry may have.
constexpr std::size_t kMaxLeafInTemporaryName = 200;

// The system's own text for an error code, without its final line break.
std::string SystemText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length > 0 ? std::wstring(text, length) : std::wstring();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L'.' || message.back() == L' ')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : win::ToUtf8(message);
}

// What keeps a file from being replaced while another program has it open
// (a denied access is the file's or the folder's permissions instead).
bool HeldOpen(DWORD code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
         code == ERROR_USER_MAPPED_FILE;
}

std::string CauseOf(DWORD code) {
  return HeldOpen(code) ? "another program holds the file open; close it there and try again"
                        : SystemText(code);
}

// Whether nothing at all has the name (not even a folder, nor something the
// user may not look at).
bool NameIsFree(const std::wstring& name) {
  return GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES &&
         GetLastError() == ERROR_FILE_NOT_FOUND;
}

// The start of the names of the scratch files beside `target`: its folder
// and its leaf, cut to at most kMaxLeafInTemporaryName units (never inside a
// surrogate pair), so that a long but valid name leaves room for the rest.
std::wstring ScratchStem(const std::wstring& target) {
  const std::size_t separator = target.find_last_of(L"\\/:");
  const std::size_t leafStart = separator == std::wstring::npos ? 0 : separator + 1;
  std::size_t length = std::min(target.size() - leafStart, kMaxLeafInTemporaryName);
  if (length < target.size() - leafStart && IS_HIGH_SURROGATE(target[leafStart + length - 1])) {
    --length;
  }
  return target.substr(0, leafStart + length);
}

std::wstring RandomSuffix() {
  // Made unique enough by the time, the process and a count; a name taken
  // all the same is found by CREATE_NEW and another one tried.
  static LONG count = 0;
  unsigned long long mixed = GetTickCount64() * 0x9E3779B97F4A7C15ull;
  mixed ^= static_cast<unsigned long long>(GetCurrentProcessId()) << 20;
  mixed ^= static_cast<unsigned long long>(InterlockedIncrement(&count));
  static constexpr wchar_t kDigits[] = L"0123456789abcdefghijklmnopqrstuvwxyz";
  std::wstring suffix;
  for (int i = 0; i < 8; ++i, mixed /= 36) suffix += kDigits[mixed % 36];
  return suffix;
}

}  // namespace

bool WritesInPlace(const std::string& name) {
  const std::wstring wide = win::WideFileName(name);
  if (wide.empty()) return false;
  const HANDLE file = CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool diskFile = GetFileType(file) == FILE_TYPE_DISK &&
                        GetFileInformationByHandle(file, &info) != 0 &&
                        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  CloseHandle(file);
  return !diskFile;
}

FileReplacement::FileReplacement(const std::string& target,
                                 const std::function<void(const std::string&)>& making)
    : name_(target) {
  std::wstring wide = win::WideFileName(target);
  if (wide.empty() || wide.find(L'\0') != std::wstring::npos) Fail(std::strerror(ENOENT));
  const HANDLE existing = CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (existing != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(existing, &info) != 0;
    // The file a symbolic link leads to is the one replaced.
    std::wstring final(MAX_PATH, L'\0');
    DWORD length =
        GetFinalPathNameByHandleW(existing, final.data(), static_cast<DWORD>(final.size()), 0);
    if (length >= final.size()) {
      final.resize(length);
      length =
          GetFinalPathNameByHandleW(existing, final.data(), static_cast<DWORD>(final.size()), 0);
    }
    CloseHandle(existing);
    if (known && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      Fail(std::strerror(EISDIR));
    }
    if (known && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
      Fail("the file is read-only");
    }
    if (length > 0 && length < final.size()) wide = final.substr(0, length);
    existed_ = true;
  }
  target_ = win::ToUtf8(wide);
  const std::wstring stem = ScratchStem(wide);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring temporary = stem + L"." + RandomSuffix() + L".tmp";
    if (making) making(win::ToUtf8(temporary));
    // Nobody else opens it while it is written; it may only be deleted, as
    // the handler of an interruption does from another thread.
    const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
      Fail(SystemText(code));
    }
    temporary_ = win::ToUtf8(temporary);
    const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(file), _O_WRONLY | _O_BINARY);
    stream_ = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (stream_ == nullptr) {
      if (fd < 0) {
        CloseHandle(file);
      } else {
        _close(fd);
      }
      DeleteFileW(temporary.c_str());
      temporary_.clear();
      Fail("no stream for the temporary file");
    }
    return;
  }
  Fail(std::strerror(EEXIST));
}

FileReplacement::~FileReplacement() {
  if (stream_ != nullptr) std::fclose(stream_);
  if (!temporary_.empty()) DeleteFileW(win::ToWide(temporary_).c_str());
}

void FileReplacement::Commit() {
  std::FILE* stream = std::exchange(stream_, nullptr);
  if (stream == nullptr) return;
  std::string cause;
  errno = 0;
  if (std::fflush(stream) != 0 || std::ferror(stream) != 0) {
    cause = std::strerror(errno != 0 ? errno : EIO);
  } else if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))))) {
    cause = SystemText(GetLastError());
  }
  if (std::fclose(stream) != 0 && cause.empty()) cause = std::strerror(errno);
  if (!cause.empty()) Fail(cause);

  const std::wstring temporary = win::ToWide(temporary_);
  const std::wstring target = win::ToWide(target_);
  if (!existed_) {
    if (!MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      Fail(CauseOf(GetLastError()));
    }
    temporary_.clear();
    return;
  }

  // The old file is moved aside to a scratch name rather than deleted, so
  // that a replacement that stops half-way can still put it back.
  const std::wstring stem = ScratchStem(target);
  std::wstring backup;
  for (int attempt = 0; attempt < 100 && backup.empty(); ++attempt) {
    const std::wstring candidate = stem + L"." + RandomSuffix() + L".old";
    if (NameIsFree(candidate)) backup = candidate;
  }
  if (backup.empty()) Fail(std::strerror(EEXIST));

  // ReplaceFileW keeps the old file's attributes and security settings.
  if (win::SystemReplaceFile()(target.c_str(), temporary.c_str(), backup.c_str(),
                               REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    DeleteFileW(backup.c_str());
    temporary_.clear();
    return;
  }
  const DWORD code = GetLastError();
  if (NameIsFree(target)) {
    // The old file went aside but the new one did not take its name
    // (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, or _REPLACEMENT where the system
    // deleted the old file): the target's name must not stay empty. The new
    // file is moved in when it can be, otherwise the old one back.
    if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
      DeleteFileW(backup.c_str());
      temporary_.clear();
      return;
    }
    const bool restored =
        !NameIsFree(backup) && MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    if (!restored) {
      // Neither could: the files stay where they are, and the message says
      // where, rather than the new one being deleted with this object.
      std::string where = "; the new contents are kept as " + temporary_;
      if (!NameIsFree(backup)) where += " and the old file as " + win::ToUtf8(backup);
      temporary_.clear();
      Fail(SystemText(code) + where);
    }
  }
  DeleteFileW(backup.c_str());
  Fail(CauseOf(code));
}

void FileReplacement::Fail(const std::string& cause) const {
  throw FileReplacementError("cannot write " + name_ + ": " + cause);
}

}  // namespace ormakin
