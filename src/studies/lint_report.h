// What `lint` reports of a settings file: the start point checked on a
// course, and the findings and the summary as lines of text.
#pragma once

#include <string>
#include <vector>

#include "core/picture/bitmap.h"
#include "core/settings/ini_file.h"
#include "studies/settings_lint.h"

namespace ormakin::studies {

// Adds a finding when the car's sensors see no line at the start point on
// `course` (named `courseName` in the finding), and puts the findings back
// in line order. A car whose geometry does not convert adds nothing: that
// finding is there already.
void CheckStartOnCourse(const TCustomIniFile& settings, const TBitmap& course,
                        const std::string& courseName, SettingsLint& lint);

// The report on the settings file `name`: every finding with its line, the
// values the car ends up with, the rules per state and the result, one line
// each, without line breaks.
std::vector<std::string> LintReport(const std::string& name, const SettingsLint& lint);

// Whether the window builds the car and opens a course without a message
// box: the lint reads the values through the program's own reader, so its
// blocking findings are exactly the window's message boxes.
inline bool LintIsClean(const SettingsLint& lint) {
  return lint.blocking == 0;
}

}  // namespace ormakin::studies
