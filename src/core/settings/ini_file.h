// The settings reader: every value of the settings file is read through it.
// It holds the file's path; every read opens, reads and closes the file, so
// an edit made while the program runs is seen by the next read, except
// within a ReadPass: the reads of one pass (building a car reads some 160
// keys) are answered from one reading of the file. Nothing is ever written.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "core/settings/profile_index.h"

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

  // The reads made while a pass lives see the file as it was at the pass's
  // first read. Passes nest; the outermost one decides.
  class ReadPass {
   public:
    explicit ReadPass(const TCustomIniFile& settings) : settings_(settings) {
      settings_.BeginPass();
    }
    ~ReadPass() { settings_.EndPass(); }
    ReadPass(const ReadPass&) = delete;
    ReadPass& operator=(const ReadPass&) = delete;
    // The reads that follow see the file afresh: after a box the user may
    // have changed it.
    void Reread() { settings_.RereadPass(); }

   private:
    const TCustomIniFile& settings_;
  };

 protected:
  virtual void BeginPass() const {}
  virtual void EndPass() const {}
  virtual void RereadPass() const {}
};

class TIniFile : public TCustomIniFile {
 public:
  using TCustomIniFile::TCustomIniFile;
  std::string ReadEntry(const std::string& section, const std::string& key) const override;

 protected:
  void BeginPass() const override { ++passes_; }
  void EndPass() const override;
  void RereadPass() const override;

 private:
  mutable int passes_ = 0;
  // The file as the current pass read it; made at the pass's first read.
  mutable std::optional<ProfileIndex> index_;
};

// The name of the settings file.
inline constexpr const char* kSettingsFileName = "ormakin.ini";

// "ormakin.ini" in the directory of the running executable.
std::string SettingsFilePath();

}  // namespace ormakin
