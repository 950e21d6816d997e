#include "ini_file.h"

#include <algorithm>
#include <string>
#include <vector>

#include "errors.h"
#include "parse_number.h"
#include "profile_reader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace ormakin {

double TCustomIniFile::ReadNumber(const std::string& section, const std::string& key,
                                  double defaultValue) const {
  const std::string text = ReadEntry(section, key);
  if (text.empty()) return defaultValue;
  try {
    return ParseReal(text);
  } catch (const EConvertError&) {
    // A value that is no number falls back to the default without a word;
    // the overflow of a valid number is not caught and reaches the caller.
    return defaultValue;
  }
}

#ifdef _WIN32

namespace {

// The path made absolute against the current directory: the system looks
// for a file name without a directory in the Windows directory instead.
std::string FullPath(const std::string& path) {
  std::vector<char> buffer(MAX_PATH);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length =
        GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) break;
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(length + 1);  // the needed size, with the terminating NUL
  }
  return path;
}

}  // namespace

// Windows reads its initialisation files itself; the settings file is read
// exactly as the system reads every other one.
std::string TIniFile::ReadEntry(const std::string& section, const std::string& key) const {
  std::vector<char> buffer(kMaxProfileValue + 1);
  const DWORD length =
      GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                               static_cast<DWORD>(buffer.size()), FullPath(Path).c_str());
  return std::string(buffer.data(), std::min<std::size_t>(length, kMaxProfileValue));
}

std::string DirectoryOfAnsiPath(std::string_view path, unsigned codePage) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(c)) && i + 1 < path.size()) {
      ++i;  // the trail byte may be "\" without being a separator
    } else if (c == '\\' || c == '/' || c == ':') {
      end = i + 1;
    }
  }
  return std::string(path.substr(0, end));
}

std::string SettingsFilePath() {
  std::vector<char> buffer(MAX_PATH);
  while (buffer.size() <= 65536) {
    const DWORD length =
        GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) break;
    if (length < buffer.size()) {
      return DirectoryOfAnsiPath(std::string_view(buffer.data(), length), CP_ACP) +
             kSettingsFileName;
    }
    buffer.resize(buffer.size() * 2);  // the name was cut: try a larger buffer
  }
  return std::string(".\\") + kSettingsFileName;
}

#else

std::string TIniFile::ReadEntry(const std::string& section, const std::string& key) const {
  return ReadProfileString(Path, section, key);
}

namespace {

// The running executable's full file name, or "" when the system will not
// say. The buffer grows until the name fits.
std::string ExecutablePath() {
  std::vector<char> buffer(512);
  while (buffer.size() <= 65536) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    buffer.resize(buffer.size() * 2);
  }
  return {};
}

std::string CurrentDirectory() {
  std::vector<char> buffer(512);
  while (buffer.size() <= 65536) {
    if (getcwd(buffer.data(), buffer.size()) != nullptr) return buffer.data();
    buffer.resize(buffer.size() * 2);
  }
  return ".";
}

}  // namespace

std::string SettingsFilePath() {
  std::string directory;
  const std::string executable = ExecutablePath();
  const std::size_t slash = executable.rfind('/');
  if (!executable.empty() && executable[0] == '/' && slash != std::string::npos) {
    directory = executable.substr(0, slash + 1);
  } else {
    directory = CurrentDirectory();
    if (directory.empty() || directory.back() != '/') directory += '/';
  }
  return directory + kSettingsFileName;
}

#endif

}  // namespace ormakin
