#include "core/os/file_identity.h"

#include <windows.h>

#include "core/os/windows/wide_text.h"

namespace ormakin {

namespace {

std::optional<FileIdentity> Identify(const std::wstring& name) {
  // No access is asked for, only the file's information; backup semantics
  // let a folder open too.
  const HANDLE file =
      CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  if (!known) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace

std::optional<FileLocation> LocateFile(const std::string& name) {
  const std::wstring wide = win::WideFileName(name);
  if (wide.empty() || wide.find(L'\0') != std::wstring::npos) return std::nullopt;
  if (const auto file = Identify(wide)) return FileLocation{*file, std::nullopt};
  // Not there yet: its folder, whose name ends at the last separator ("."
  // names it when the separator ends a drive or a root, or is missing).
  const std::size_t separator = wide.find_last_of(L"\\/:");
  const std::wstring folder =
      (separator == std::wstring::npos ? std::wstring() : wide.substr(0, separator + 1)) + L".";
  const auto identity = Identify(folder);
  if (!identity) return std::nullopt;
  return FileLocation{*identity, win::ToUtf8(separator == std::wstring::npos
                                                 ? std::wstring_view(wide)
                                                 : std::wstring_view(wide).substr(separator + 1))};
}

bool SameLocation(const FileLocation& a, const FileLocation& b) {
  if (!(a.identity == b.identity) || a.leaf.has_value() != b.leaf.has_value()) return false;
  if (!a.leaf) return true;
  // Windows file systems keep the case of a name but ignore it.
  const std::wstring left = win::ToWide(*a.leaf);
  const std::wstring right = win::ToWide(*b.leaf);
  return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                              static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace ormakin
