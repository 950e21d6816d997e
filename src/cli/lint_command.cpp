#include "cli/lint_command.h"

#include <exception>

#include "core/base/errors.h"
#include "core/base/text_encoding.h"
#include "core/picture/picture.h"
#include "core/settings/ini_file.h"
#include "core/window/trace_map.h"
#include "studies/lint_report.h"
#include "studies/settings_lint.h"

namespace ormakin::cli {

namespace {

// Adds a finding when the car's sensors see no line at the start point on
// the course in file `courseName`, loaded as the open command loads it.
void CheckStart(const TIniFile& settings, const std::string& courseName,
                studies::SettingsLint& lint) {
  TPicture picture;
  picture.LoadFromFile(courseName);
  const TBitmap* course = picture.Bitmap();
  if (course == nullptr) {
    throw EInvalidOperation(kBitmapOnlyMessage);
  }
  studies::CheckStartOnCourse(settings, *course, courseName, lint);
}

}  // namespace

int LintCommand(const LintOptions& options, std::FILE* out, std::FILE* err) {
  const std::string name = options.file ? *options.file : SettingsFilePath();
  const TIniFile settings(name);
  studies::SettingsLint lint = studies::LintSettings(settings);
  if (options.course) {
    try {
      CheckStart(settings, *options.course, lint);
    } catch (const std::exception& failure) {
      std::fprintf(err, "%s\n", WithFinalPeriod(ToDisplayText(failure.what())).c_str());
      return kExitFailure;
    }
  }
  for (const std::string& line : studies::LintReport(name, lint)) {
    std::fprintf(out, "%s\n", line.c_str());
  }
  return studies::LintIsClean(lint) ? kExitDone : kExitFailure;
}

}  // namespace ormakin::cli
