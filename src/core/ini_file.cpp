#include "ini_file.h"

#include <unistd.h>

#include <string>
#include <vector>

#include "errors.h"
#include "parse_number.h"
#include "profile_reader.h"

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

}  // namespace ormakin
