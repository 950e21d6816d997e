// A reading of the settings file line by line, with the rules by which the
// program reads it, so that every finding can name its line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/settings/ini_file.h"
#include "core/settings/settings_model.h"

namespace ormakin::studies {

struct LintFinding {
  std::uint64_t line = 0;  // 1-based; 0 when the finding belongs to no line
  std::string message;     // UTF-8, one line
};

struct SettingsLint {
  // False when there is no readable file: every value then takes its default.
  bool readable = false;
  // Findings in line order. Beyond the first kMaxFindings only those that
  // block the car are kept, so that a huge file cannot fill the memory;
  // `dropped` counts the rest.
  std::vector<LintFinding> findings;
  std::uint64_t dropped = 0;

  // The values the program ends up with (defaults where the file gives none).
  std::array<double, kCarKeyCount> car{};
  // The line of each car key that is read (0: not in the file).
  std::array<std::uint64_t, kCarKeyCount> carLine{};
  // Well-formed rules per state (index 0 is state 1).
  std::array<int, kStateCount> rulesPerState{};
  // Findings that would stop the car being built or a course being opened,
  // or show a message box at start-up.
  int blocking = 0;

  static constexpr std::size_t kMaxFindings = 10000;
  void Add(std::uint64_t line, std::string message);
  // A finding that stops the car being built or a course being opened, or
  // shows a message box: counted in `blocking`, and always kept.
  void AddBlocking(std::uint64_t line, std::string message);
};

// Reads the file of `settings` (a missing or unreadable one is no error).
// The values are those `settings` reads; its lines are scanned only to place
// the findings. Finds: malformed rules, parts that do not convert (the first in the
// program's reading order is marked as where building the car stops), keys
// that are never read, car values that fall back to their default, repeated
// keys (the first one wins) and rules whose next state has no row.
SettingsLint LintSettings(const TCustomIniFile& settings);

}  // namespace ormakin::studies
