#include "lint_command.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <exception>
#include <memory>

#include "errors.h"
#include "ini_file.h"
#include "message_box.h"
#include "picture.h"
#include "run_command.h"
#include "settings_lint.h"
#include "text_encoding.h"
#include "trace_map.h"

namespace ormakin::cli {

namespace {

// Counts the boxes that building the car shows, without showing them.
class CountingBoxes : public MessageBoxService {
 public:
  int ShowMessageBox(const std::string&, const std::string&, unsigned) override {
    ++count;
    return 1;
  }
  int count = 0;
};

// The settings with an empty rule table: a car built from it has the file's
// sensor geometry and cannot fail on a rule.
class GeometryOnly : public TCustomIniFile {
 public:
  explicit GeometryOnly(const TCustomIniFile& inner) : TCustomIniFile(inner.Path), inner_(inner) {}
  std::string ReadEntry(const std::string& section, const std::string& key) const override {
    return section == "car" ? inner_.ReadEntry(section, key) : std::string();
  }

 private:
  const TCustomIniFile& inner_;
};

// The course as the sensors see it.
class PictureProbe : public LineProbe {
 public:
  explicit PictureProbe(const TBitmap& course) : course_(course) {}
  bool IsOnLine(std::int32_t x, std::int32_t y) override {
    return course_.GetPixel(x, y) == clBlack;
  }

 private:
  const TBitmap& course_;
};

// The window's own verdict: build the car through the real reader and read
// the start point as the open command does. Returns the number of boxes it
// would show, or adds the failure that the scan did not explain.
int WindowBoxes(const TIniFile& settings) {
  CountingBoxes boxes;
  PictureProbe probe{TBitmap()};
  int failures = 0;
  try {
    TCar car(settings, boxes, probe);
  } catch (const std::exception&) {
    ++failures;
  }
  try {
    settings.ReadNumber("car", "init_x", 5.0);
    settings.ReadNumber("car", "init_y", 10.0);
  } catch (const std::exception&) {
    ++failures;
  }
  return boxes.count + failures;
}

// Adds a finding when the car's sensors see no line at the start point.
void CheckStart(const TIniFile& settings, const SettingsLint& lint, const std::string& courseName,
                SettingsLint& out) {
  TPicture picture;
  picture.LoadFromFile(courseName);
  const TBitmap* course = picture.Bitmap();
  if (course == nullptr) {
    throw EInvalidOperation(kBitmapOnlyMessage);
  }
  PictureProbe probe(*course);
  CountingBoxes boxes;
  const GeometryOnly geometry(settings);
  std::unique_ptr<TCar> car;
  try {
    car = std::make_unique<TCar>(geometry, boxes, probe);
  } catch (const std::exception&) {
    return;  // the geometry itself fails; that finding is there already
  }
  car->SetPosition(lint.car[kInitX], lint.car[kInitY]);
  car->SetDirection(kStartHeading);
  car->SetSpeed(kStartSpeed);
  std::int32_t mask = 0;
  car->Sense(mask);
  if (mask == 0) {
    const std::uint64_t line =
        lint.carLine[kInitX] != 0 ? lint.carLine[kInitX] : lint.carLine[kInitY];
    std::array<char, 96> point{};
    std::snprintf(point.data(), point.size(), "(%.17g, %.17g)", lint.car[kInitX], lint.car[kInitY]);
    out.Add(line, std::string("at the start point ") + point.data() +
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
  SettingsLint lint = LintSettings(name);
  const TIniFile settings(name);
  if (options.course) {
    try {
      CheckStart(settings, lint, *options.course, lint);
    } catch (const std::exception& failure) {
      std::fprintf(err, "%s\n", WithFinalPeriod(ToDisplayText(failure.what())).c_str());
      return kExitFailure;
    }
    std::stable_sort(lint.findings.begin(), lint.findings.end(),
                     [](const LintFinding& a, const LintFinding& b) { return a.line < b.line; });
  }
  const int boxes = WindowBoxes(settings);
  if (boxes > 0 && lint.blocking == 0) {
    // The line scan and the program's own reading disagree; trust the program.
    lint.Add(0, "the window would show a message box that this check cannot place");
  }
  Print(out, name, lint);
  const bool clean = boxes == 0 && lint.blocking == 0;
  std::fprintf(out, "%s\n",
               clean ? "result: the car is built without a message box"
                     : "result: the window shows a message box for this file");
  return clean ? kExitDone : kExitFailure;
}

}  // namespace ormakin::cli
