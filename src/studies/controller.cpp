#include "studies/controller.h"

namespace ormakin::studies {

std::string Controller::Text(int state, int mask) const {
  const std::string& text = ruleTexts[state - 1][mask];
  return text.empty() ? RuleText(Rule(state, mask)) : text;
}

void Controller::SetRule(int state, int mask, const TStateRule& rule) {
  ruleTexts[state - 1][mask].clear();
  settings.rules[state - 1][mask] = rule;
  settings.ruleSet[state - 1][mask] = true;
}

void Controller::CopyState(int from, int to) {
  settings.rules[to - 1] = settings.rules[from - 1];
  settings.ruleSet[to - 1] = settings.ruleSet[from - 1];
  ruleTexts[to - 1] = ruleTexts[from - 1];
}

Controller Controller::Read(const TCustomIniFile& settings, const TCar& car) {
  // Some 170 keys from one reading of the file.
  const TCustomIniFile::ReadPass pass(settings);
  Controller controller;
  controller.settings = car.Settings();
  controller.start = ReadStartPoint(settings);
  for (int key = 0; key < kCarKeyCount; ++key) {
    controller.carTexts[static_cast<std::size_t>(key)] =
        settings.ReadEntry(kCarSection, kCarKeys[static_cast<std::size_t>(key)].name);
  }
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      // A malformed text was reported when the window read it and left the
      // rule unset; it is dropped here.
      if (controller.IsSet(s, m)) {
        controller.ruleTexts[s - 1][m] = settings.ReadEntry(kStateSection, RuleKey(s, m));
      }
    }
  }
  return controller;
}

TCar MakeCar(const Controller& controller, LineProbe& course) {
  TCar car(controller.settings, course);
  car.PlaceAtStart(controller.start);
  return car;
}

}  // namespace ormakin::studies
