#include "settings_model.h"

#include "decimal_mark.h"
#include "errors.h"
#include "ini_file.h"
#include "message_box.h"
#include "parse_number.h"
#include "shortest_text.h"
#include "text_encoding.h"

namespace ormakin {

double ReadCarValue(const TCustomIniFile& settings, CarKey key) {
  return settings.ReadNumber(kCarSection, kCarKeys[key].name, kCarKeys[key].defaultValue);
}

std::string RuleKey(int state, int mask) {
  return std::to_string(state) + "-" + std::to_string(mask);
}

std::optional<std::pair<int, int>> ParseRuleKey(std::string_view key) {
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      if (key == RuleKey(s, m)) {
        return std::pair{s, m};
      }
    }
  }
  return std::nullopt;
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

std::string RuleText(const TStateRule& rule) {
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
  return real(rule.Turn) + "," + real(rule.Advance) + "," + std::to_string(rule.NextState);
}

CarSettings ReadCarGeometry(const TCustomIniFile& settings) {
  CarSettings car;
  car.sensorLeft = ReadCarValue(settings, kSensorLeft);
  car.sensorRight = ReadCarValue(settings, kSensorRight);
  car.sensorPos = ReadCarValue(settings, kSensorPos);
  return car;
}

CarSettings ReadCarSettings(const TCustomIniFile& settings, MessageBoxService& boxes) {
  CarSettings car = ReadCarGeometry(settings);
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      const std::string key = RuleKey(s, m);
      const std::string value = settings.ReadEntry(kStateSection, key);
      if (value.empty()) {
        continue;
      }
      auto parsed = ParseRule(value);
      if (const auto* error = std::get_if<RuleError>(&parsed)) {
        if (error->error) {
          std::rethrow_exception(error->error);
        }
        // Without two commas the rule cannot be cut into its three parts:
        // tell the user which one and go on with the next.
        std::string text = kMalformedRuleMessage;
        text += "\r\n";
        text += ToDisplayText(std::string(key).append("=").append(value));
        boxes.ShowMessageBox(text, kApplicationTitle, MessageBoxFlags::Ok);
        continue;
      }
      car.rules[s - 1][m] = std::get<TStateRule>(parsed);
      car.ruleSet[s - 1][m] = true;
    }
  }
  return car;
}

StartPoint ReadStartPoint(const TCustomIniFile& settings) {
  StartPoint start;
  start.x = ReadCarValue(settings, kInitX);
  start.y = ReadCarValue(settings, kInitY);
  return start;
}

}  // namespace ormakin
