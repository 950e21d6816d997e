#include "core/settings/ini_file.h"

#include "core/base/errors.h"
#include "core/os/executable_directory.h"
#include "core/settings/parse_number.h"
#include "core/settings/settings_entry.h"

namespace ormakin {

NumberEntry TCustomIniFile::ReadNumberEntry(const std::string& section,
                                            const std::string& key) const {
  NumberEntry entry;
  entry.text = ReadEntry(section, key);
  if (entry.text.empty()) return entry;
  try {
    entry.number = ParseReal(entry.text);
  } catch (const EConvertError&) {
    // A value that is no number falls back to the default without a word.
  } catch (const EOverflow&) {
    entry.overflow = std::current_exception();
  }
  return entry;
}

double TCustomIniFile::ReadNumber(const std::string& section, const std::string& key,
                                  double defaultValue) const {
  const NumberEntry entry = ReadNumberEntry(section, key);
  // The overflow of a valid number reaches the caller.
  if (entry.overflow) std::rethrow_exception(entry.overflow);
  return entry.number.value_or(defaultValue);
}

std::string TIniFile::ReadEntry(const std::string& section, const std::string& key) const {
  if (passes_ == 0) return ReadSettingsEntry(Path, section, key);
  return ReadSettingsEntry(Path, section, key, index_);
}

void TIniFile::EndPass() const {
  if (--passes_ == 0) index_.reset();
}

void TIniFile::RereadPass() const {
  index_.reset();
}

std::string SettingsFilePath() {
  return ExecutableDirectory() + kSettingsFileName;
}

}  // namespace ormakin
