#include "ini_file.h"

#include "errors.h"
#include "executable_directory.h"
#include "parse_number.h"
#include "settings_entry.h"

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
  return ReadSettingsEntry(Path, section, key);
}

std::string SettingsFilePath() {
  return ExecutableDirectory() + kSettingsFileName;
}

}  // namespace ormakin
