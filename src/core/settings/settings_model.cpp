#include "core/settings/settings_model.h"

#include "core/base/errors.h"
#include "core/base/message_box.h"
#include "core/base/shortest_text.h"
#include "core/base/text_encoding.h"
#include "core/settings/decimal_mark.h"
#include "core/settings/ini_file.h"
#include "core/settings/parse_number.h"

namespace ormakin {

namespace {

// The value a car key goes on with; raises the entry's overflow.
double CarValueOf(CarKey key, const NumberEntry& entry) {
  if (entry.overflow) std::rethrow_exception(entry.overflow);
  return entry.number.value_or(kCarKeys[key].defaultValue);
}

double ValueOrDefault(CarKey key, const NumberEntry& entry) {
  return entry.number.value_or(kCarKeys[key].defaultValue);
}

// The settings' read order lives in the functions below and nowhere else.
// ReadValues reads the keys of `keys` in their order, each handed to
// onValue(key, entry).
template <std::size_t N, class OnValue>
void ReadValues(const TCustomIniFile& settings, const std::array<CarKey, N>& keys,
                OnValue onValue) {
  for (CarKey k : keys) {
    onValue(k, settings.ReadNumberEntry(kCarSection, kCarKeys[k].name));
  }
}

// Every rule's place, state by state and mask by mask; stops at the first
// for which visit(state, mask) returns true.
template <class Visit>
void ForEachRulePlace(Visit visit) {
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      if (visit(s, m)) return;
    }
  }
}

// The reads of building a car, in order: onValue(key, entry) for each
// geometry key, then onRule(state, mask, value, parsed) for each rule set.
template <class OnValue, class OnRule>
void ReadCarKeys(const TCustomIniFile& settings, OnValue onValue, OnRule onRule) {
  ReadValues(settings, kGeometryKeys, onValue);
  ForEachRulePlace([&](int s, int m) {
    const std::string value = settings.ReadEntry(kStateSection, RuleKey(s, m));
    if (!value.empty()) {
      onRule(s, m, value, ParseRule(value));
    }
    return false;
  });
}

void SetGeometry(CarSettings& car, CarKey key, double value) {
  switch (key) {
    case kSensorLeft:
      car.sensorLeft = value;
      break;
    case kSensorRight:
      car.sensorRight = value;
      break;
    case kSensorPos:
      car.sensorPos = value;
      break;
    default:
      break;
  }
}

}  // namespace

std::string RuleKey(int state, int mask) {
  return std::to_string(state) + "-" + std::to_string(mask);
}

std::optional<std::pair<int, int>> ParseRuleKey(std::string_view key) {
  std::optional<std::pair<int, int>> place;
  ForEachRulePlace([&](int s, int m) {
    if (key == RuleKey(s, m)) place = std::pair{s, m};
    return place.has_value();
  });
  return place;
}

std::variant<TStateRule, RuleError> ParseRule(std::string_view value) {
  const auto first = value.find(',');
  const auto second = first == std::string_view::npos ? first : value.find(',', first + 1);
  if (second == std::string_view::npos) {
    return RuleError{RuleError::Kind::Malformed, value.size(), nullptr};
  }
  TStateRule rule;
  RuleError::Kind part = RuleError::Kind::Turn;
  std::size_t position = 0;
  try {
    rule.Turn = ParseReal(value.substr(0, first));
    part = RuleError::Kind::Advance;
    position = first + 1;
    rule.Advance = ParseReal(value.substr(position, second - position));
    part = RuleError::Kind::NextState;
    position = second + 1;
    rule.NextState = ParseInteger(value.substr(position));
  } catch (const Exception&) {
    return RuleError{part, position, std::current_exception()};
  }
  return rule;
}

std::array<std::string, 3> RuleParts(const TStateRule& rule) {
  auto real = [](double value) {
    std::string text = ShortestText(value);
    const auto point = text.find('.');
    if (point != std::string::npos) {
      if (DecimalMark() == ',') {
        throw Exception("the real " + text +
                        " cannot be written in a rule with the decimal mark ,");
      }
      text[point] = DecimalMark();
    }
    return text;
  };
  return {real(rule.Turn), real(rule.Advance), std::to_string(rule.NextState)};
}

std::string JoinRuleParts(const std::array<std::string, 3>& parts) {
  return parts[0] + "," + parts[1] + "," + parts[2];
}

std::string RuleText(const TStateRule& rule) {
  return JoinRuleParts(RuleParts(rule));
}

CarSettings ReadCarGeometry(const TCustomIniFile& settings) {
  const TCustomIniFile::ReadPass pass(settings);
  CarSettings car;
  ReadValues(settings, kGeometryKeys, [&](CarKey k, const NumberEntry& entry) {
    SetGeometry(car, k, CarValueOf(k, entry));
  });
  return car;
}

CarSettings ReadCarSettings(const TCustomIniFile& settings, MessageBoxService& boxes) {
  TCustomIniFile::ReadPass pass(settings);
  CarSettings car;
  ReadCarKeys(
      settings,
      [&](CarKey k, const NumberEntry& entry) { SetGeometry(car, k, CarValueOf(k, entry)); },
      [&](int s, int m, const std::string& value,
          const std::variant<TStateRule, RuleError>& parsed) {
        if (const auto* error = std::get_if<RuleError>(&parsed)) {
          if (error->error) {
            std::rethrow_exception(error->error);
          }
          // Without two commas the rule cannot be cut into its three parts:
          // tell the user which one and go on with the next.
          std::string text = kMalformedRuleMessage;
          text += "\r\n";
          text += ToDisplayText(RuleKey(s, m).append("=").append(value));
          boxes.ShowMessageBox(text, kApplicationTitle, MessageBoxFlags::Ok);
          pass.Reread();
          return;
        }
        car.rules[s - 1][m] = std::get<TStateRule>(parsed);
        car.ruleSet[s - 1][m] = true;
      });
  return car;
}

StartPoint ReadStartPoint(const TCustomIniFile& settings) {
  const TCustomIniFile::ReadPass pass(settings);
  StartPoint start;
  ReadValues(settings, kStartKeys, [&](CarKey k, const NumberEntry& entry) {
    (k == kInitX ? start.x : start.y) = CarValueOf(k, entry);
  });
  return start;
}

void ObserveSettings(const TCustomIniFile& settings, SettingsObserver& observer) {
  const TCustomIniFile::ReadPass pass(settings);
  auto onValue = [&](CarKey k, const NumberEntry& entry) {
    observer.OnCarValue(k, entry, ValueOrDefault(k, entry));
  };
  ReadCarKeys(settings, onValue,
              [&](int s, int m, const std::string& value,
                  const std::variant<TStateRule, RuleError>& parsed) {
                observer.OnRule(s, m, value, parsed);
              });
  ReadValues(settings, kStartKeys, onValue);
}

}  // namespace ormakin
