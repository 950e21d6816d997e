#include "controller.h"

#include <charconv>

#include "decimal_mark.h"
#include "errors.h"
#include "message_box.h"
#include "trace_map.h"

namespace ormakin::cli {

namespace {

// Every rule text of a controller was read by the window or written by
// SettingsReal, so none is malformed; a box would mean a fault here.
class NoBoxes : public MessageBoxService {
 public:
  int ShowMessageBox(const std::string& text, const std::string& /*caption*/,
                     unsigned /*flags*/) override {
    throw Exception("a tuned rule does not read back: " + text);
  }
};

}  // namespace

std::string SettingsReal(double value) {
  std::array<char, 64> buffer{};
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  std::string text(buffer.data(), ec == std::errc() ? end : buffer.data());
  for (char& c : text) {
    if (c == '.') {
      c = DecimalMark();
    }
  }
  return text;
}

std::string RuleText(const TStateRule& rule) {
  return SettingsReal(rule.Turn) + "," + SettingsReal(rule.Advance) + "," +
         std::to_string(rule.NextState);
}

void Controller::SetRule(int state, int mask, const TStateRule& value) {
  rules[state - 1][mask] = ControllerRule{value, RuleText(value)};
}

Controller Controller::Read(const TCustomIniFile& settings, const TCar& car) {
  Controller controller;
  for (std::size_t i = 0; i < kCarKeys.size(); ++i) {
    controller.car[i] = settings.ReadEntry(kCarSection, kCarKeys[i]);
  }
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      ControllerRule& rule = controller.rules[s - 1][m];
      rule.value = car.Rule(s, m);
      rule.text = settings.ReadEntry(kStateSection, TCar::RuleKey(s, m));
      // A malformed text was reported when the window read it and left the
      // rule unset; it is dropped here.
      const TStateRule empty{};
      if (rule.value.NextState == empty.NextState && rule.value.Turn == empty.Turn &&
          rule.value.Advance == empty.Advance) {
        rule.text.clear();
      }
    }
  }
  controller.startX = car.X();
  controller.startY = car.Y();
  return controller;
}

std::string ControllerSettings::ReadEntry(const std::string& section,
                                          const std::string& key) const {
  if (section == kCarSection) {
    for (std::size_t i = 0; i < kCarKeys.size(); ++i) {
      if (key == kCarKeys[i]) {
        return controller_.car[i];
      }
    }
    return {};
  }
  // A rule key "s-m"; the car asks for no other.
  int state = 0;
  int mask = 0;
  const char* end = key.data() + key.size();
  const auto first = std::from_chars(key.data(), end, state);
  if (first.ec != std::errc() || first.ptr == end || *first.ptr != '-') {
    return {};
  }
  const auto second = std::from_chars(first.ptr + 1, end, mask);
  if (second.ec != std::errc() || second.ptr != end || state < 1 || state > kStateCount ||
      mask < 0 || mask >= kMaskCount || key != TCar::RuleKey(state, mask)) {
    return {};
  }
  return controller_.Rule(state, mask).text;
}

TCar MakeCar(const Controller& controller, LineProbe& course) {
  const ControllerSettings settings(controller);
  NoBoxes boxes;
  TCar car(settings, boxes, course);
  car.SetPosition(controller.startX, controller.startY);
  car.SetDirection(kStartHeading);
  car.SetSpeed(kStartSpeed);
  return car;
}

}  // namespace ormakin::cli
