// The settings reader: every value of the settings file is read through it.
// It holds only the file's path; every read opens, reads and closes the file,
// so an edit made while the program runs is seen by the next read. Nothing is
// ever written.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace ormakin {

// A value read as a real, with what became of it.
struct NumberEntry {
  std::string text;              // the value as the file gives it
  std::optional<double> number;  // nothing when the text is empty or no valid real
  std::exception_ptr overflow;   // the EOverflow of a valid real beyond a double
};

class TCustomIniFile {
 public:
  explicit TCustomIniFile(std::string path) : Path(std::move(path)) {}
  virtual ~TCustomIniFile() = default;
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;

  // The key's value as text (at most 2047 bytes); empty when the file, the
  // section or the key is missing, or when the value is empty.
  virtual std::string ReadEntry(const std::string& section, const std::string& key) const = 0;

  // The key's value as a real: the default when the value is empty or is no
  // valid real. Raises EOverflow for a valid real beyond the range of a double.
  virtual double ReadNumber(const std::string& section, const std::string& key,
                            double defaultValue) const;
  // The same reading, with its outcome; the overflow is held, not raised.
  NumberEntry ReadNumberEntry(const std::string& section, const std::string& key) const;

  // The full path of the settings file, fixed at construction.
  const std::string Path;
};

class TIniFile : public TCustomIniFile {
 public:
  using TCustomIniFile::TCustomIniFile;
  std::string ReadEntry(const std::string& section, const std::string& key) const override;
};

// The name of the settings file.
inline constexpr const char* kSettingsFileName = "ormakin.ini";

// "ormakin.ini" in the directory of the running executable.
std::string SettingsFilePath();

}  // namespace ormakin
