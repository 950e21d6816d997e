#include "lint_command.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <exception>
#include <optional>

#include "bitmap_probe.h"
#include "car.h"
#include "errors.h"
#include "ini_file.h"
#include "picture.h"
#include "run_command.h"
#include "settings_lint.h"
#include "text_encoding.h"
#include "trace_map.h"

namespace ormakin::cli {

namespace {

// Adds a finding when the car's sensors see no line at the start point.
void CheckStart(const TIniFile& settings, const std::string& courseName, SettingsLint& lint) {
  TPicture picture;
  picture.LoadFromFile(courseName);
  const TBitmap* course = picture.Bitmap();
  if (course == nullptr) {
    throw EInvalidOperation(kBitmapOnlyMessage);
  }
  BitmapProbe probe(*course);
  std::optional<TCar> car;
  try {
    car.emplace(ReadCarGeometry(settings), probe);
  } catch (const std::exception&) {
    return;  // the geometry itself fails; that finding is there already
  }
  car->PlaceAtStart(StartPoint{lint.car[kInitX], lint.car[kInitY]});
  car->Sense();
  if (car->SensorBits() == 0) {
    const std::uint64_t line =
        lint.carLine[kInitX] != 0 ? lint.carLine[kInitX] : lint.carLine[kInitY];
    std::array<char, 96> point{};
    std::snprintf(point.data(), point.size(), "(%.17g, %.17g)", car->X(), car->Y());
    lint.Add(line, std::string("at the start point ") + point.data() +
                       " no sensor sees the line on " + ToDisplayText(courseName) +
                       ": the car begins with rule 1-0");
  }
}

void Print(std::FILE* out, const std::string& name, const SettingsLint& lint) {
  const std::string shown = ToDisplayText(name);
  if (!lint.readable) {
    std::fprintf(out, "%s: no readable settings file here: every value takes its default\n",
                 shown.c_str());
  }
  for (const LintFinding& finding : lint.findings) {
    if (finding.line != 0) {
      std::fprintf(out, "%s:%" PRIu64 ": %s\n", shown.c_str(), finding.line,
                   finding.message.c_str());
    } else {
      std::fprintf(out, "%s: %s\n", shown.c_str(), finding.message.c_str());
    }
  }
  if (lint.dropped > 0) {
    std::fprintf(out, "%s: %" PRIu64 " more findings not shown\n", shown.c_str(), lint.dropped);
  }
  std::fprintf(out, "start point: x=%.17g y=%.17g, heading down the screen\n", lint.car[kInitX],
               lint.car[kInitY]);
  std::fprintf(out, "sensors: left=%.17g right=%.17g ahead=%.17g\n", lint.car[kSensorLeft],
               lint.car[kSensorRight], lint.car[kSensorPos]);
  std::string rules;
  for (int s = 1; s <= kStateCount; ++s) {
    if (lint.rulesPerState[s - 1] > 0) {
      rules += (rules.empty() ? " state " : ", state ") + std::to_string(s) + ": " +
               std::to_string(lint.rulesPerState[s - 1]);
    }
  }
  std::fprintf(out, "rules set per state:%s\n", rules.empty() ? " none" : rules.c_str());
}

}  // namespace

int LintCommand(const LintOptions& options, std::FILE* out, std::FILE* err) {
  const std::string name = options.file ? *options.file : SettingsFilePath();
  const TIniFile settings(name);
  SettingsLint lint = LintSettings(settings);
  if (options.course) {
    try {
      CheckStart(settings, *options.course, lint);
    } catch (const std::exception& failure) {
      std::fprintf(err, "%s\n", WithFinalPeriod(ToDisplayText(failure.what())).c_str());
      return kExitFailure;
    }
    std::stable_sort(lint.findings.begin(), lint.findings.end(),
                     [](const LintFinding& a, const LintFinding& b) { return a.line < b.line; });
  }
  Print(out, name, lint);
  // The lint reads the values through the program's own reader, so its
  // blocking findings are exactly the window's message boxes.
  const bool clean = lint.blocking == 0;
  std::fprintf(out, "%s\n",
               clean ? "result: the car is built without a message box"
                     : "result: the window shows a message box for this file");
  return clean ? kExitDone : kExitFailure;
}

}  // namespace ormakin::cli
