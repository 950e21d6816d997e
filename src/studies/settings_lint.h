// A reading of the settings file line by line, with the rules by which the
// program reads it, so that every finding can name its line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/settings/ini_file.h"
#include "core/settings/settings_model.h"

namespace ormakin::studies {

// What a finding says. Its values, by name, fill the code's text; the
// tool's words for each code are LintMessage's, the page's its catalogue's.
enum class LintCode {
  IgnoredLine,        // a line neither [section], key=value nor a comment
  NoEquals,           // key: a name without "="
  BeforeAnySection,   // key
  OtherSection,       // key, section
  RepeatedSection,    // key, section, line: the section that is read
  UnknownCarKey,      // key, nearest: the car key meant
  UnknownCarKeyList,  // key, keys, last: the car keys
  UnknownRuleKey,     // key, first, last: the rule keys; states, masks: the highest
  RepeatedKey,        // key, line: the one read
  CarOverflow,        // key, value, error
  StartOverflow,      // key, value, error
  CarEmpty,           // key, default
  CarNoNumber,        // key, value, default
  MalformedRule,      // box: the box's text, rule: key=value
  RulePartFails,      // key, error
  NextStateNoRow,     // key, next, states: the highest
  BuildStops,         // key
  StartOffLine,       // x, y, course
};

struct LintFinding {
  std::uint64_t line = 0;  // 1-based; 0 when the finding belongs to no line
  LintCode code = LintCode::IgnoredLine;
  // The values the code's text names, UTF-8, without line breaks.
  std::vector<std::pair<std::string, std::string>> values;
};

// The code's name, the same in every language: "ignoredLine", "noEquals"...
const char* LintCodeName(LintCode code);
// The code's text in the tool's words, "{name}" where a value goes.
const char* LintTemplate(LintCode code);
// The finding in the tool's words: UTF-8, one line.
std::string LintMessage(const LintFinding& finding);

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
  void Add(LintFinding finding);
  // A finding that stops the car being built or a course being opened, or
  // shows a message box: counted in `blocking`, and always kept.
  void AddBlocking(LintFinding finding);
};

// Reads the file of `settings` (a missing or unreadable one is no error).
// The values are those `settings` reads; its lines are scanned only to place
// the findings. Finds: malformed rules, parts that do not convert (the first in the
// program's reading order is marked as where building the car stops), keys
// that are never read, car values that fall back to their default, repeated
// keys (the first one wins) and rules whose next state has no row.
SettingsLint LintSettings(const TCustomIniFile& settings);

}  // namespace ormakin::studies
