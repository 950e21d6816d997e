#include "studies/lint_report.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <exception>
#include <optional>

#include "core/base/text_encoding.h"
#include "core/car/bitmap_probe.h"
#include "core/car/car.h"
#include "studies/number_text.h"

namespace ormakin::studies {

void CheckStartOnCourse(const TCustomIniFile& settings, const TBitmap& course,
                        const std::string& courseName, SettingsLint& lint) {
  BitmapProbe probe(course);
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
    lint.Add({line,
              LintCode::StartOffLine,
              {{"x", ExactText(car->X())},
               {"y", ExactText(car->Y())},
               {"course", ToDisplayText(courseName)}}});
  }
  std::stable_sort(lint.findings.begin(), lint.findings.end(),
                   [](const LintFinding& a, const LintFinding& b) { return a.line < b.line; });
}

std::vector<std::string> LintReport(const std::string& name, const SettingsLint& lint) {
  const std::string shown = ToDisplayText(name);
  std::vector<std::string> lines;
  if (!lint.readable) {
    lines.push_back(shown + ": no readable settings file here: every value takes its default");
  }
  for (const LintFinding& finding : lint.findings) {
    if (finding.line != 0) {
      lines.push_back(shown + ":" + std::to_string(finding.line) + ": " + LintMessage(finding));
    } else {
      lines.push_back(shown + ": " + LintMessage(finding));
    }
  }
  if (lint.dropped > 0) {
    lines.push_back(shown + ": " + std::to_string(lint.dropped) + " more findings not shown");
  }
  lines.push_back("start point: x=" + ExactText(lint.car[kInitX]) +
                  " y=" + ExactText(lint.car[kInitY]) + ", heading down the screen");
  lines.push_back("sensors: left=" + ExactText(lint.car[kSensorLeft]) + " right=" +
                  ExactText(lint.car[kSensorRight]) + " ahead=" + ExactText(lint.car[kSensorPos]));
  std::string rules;
  for (int s = 1; s <= kStateCount; ++s) {
    if (lint.rulesPerState[s - 1] > 0) {
      rules += (rules.empty() ? " state " : ", state ") + std::to_string(s) + ": " +
               std::to_string(lint.rulesPerState[s - 1]);
    }
  }
  lines.push_back("rules set per state:" + (rules.empty() ? std::string(" none") : rules));
  lines.push_back(LintIsClean(lint) ? "result: the car is built without a message box"
                                    : "result: the window shows a message box for this file");
  return lines;
}

}  // namespace ormakin::studies
