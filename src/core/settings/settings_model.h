// The settings file as the program reads it: its two sections, the car's keys
// with their defaults, the rule keys and the syntax of a rule, the order of
// the reads and the car's start. Everything that reads a rule or names a key
// goes through here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace ormakin {

class MessageBoxService;
class TCustomIniFile;
struct NumberEntry;

inline constexpr const char* kCarSection = "car";
inline constexpr const char* kStateSection = "state";

// The keys of section "car".
enum CarKey { kInitX, kInitY, kSensorLeft, kSensorRight, kSensorPos, kCarKeyCount };

struct CarKeyInfo {
  const char* name;
  double defaultValue;
};
inline constexpr std::array<CarKeyInfo, kCarKeyCount> kCarKeys{{{"init_x", 5.0},
                                                                {"init_y", 10.0},
                                                                {"sensor_left", 3.0},
                                                                {"sensor_right", 3.0},
                                                                {"sensor_pos", 10.0}}};

// The order of the reads: building a car reads its geometry, then every rule
// (state by state, mask by mask); opening a course reads the start point.
inline constexpr std::array<CarKey, 3> kGeometryKeys{kSensorLeft, kSensorRight, kSensorPos};
inline constexpr std::array<CarKey, 2> kStartKeys{kInitX, kInitY};

// The controller: 20 states by 8 sensor masks.
inline constexpr int kStateCount = 20;  // active states 1..20; 0 means stopped
inline constexpr int kMaskCount = 8;

// Whether a state has a row in the rule table; any other state stops the car.
constexpr bool HasRow(std::int32_t state) {
  return state >= 1 && state <= kStateCount;
}

// One controller rule.
struct TStateRule {
  std::int32_t NextState = 0;  // the state after this rule; 0 stops the car
  double Turn = 0.0;           // change of heading in degrees, positive to the car's left
  double Advance = 0.0;        // distance moved, as a multiple of the car's speed
};

// The key of the rule for state s and mask m: "s-m".
std::string RuleKey(int state, int mask);
// The state and mask of a key that RuleKey gives; nothing for any other key.
std::optional<std::pair<int, int>> ParseRuleKey(std::string_view key);

// Why a rule value is no rule.
struct RuleError {
  enum class Kind { Malformed, Turn, Advance, NextState };
  Kind kind = Kind::Malformed;
  std::size_t position = 0;  // where the part that failed begins in the value
  std::exception_ptr error;  // the conversion failure; null for Malformed
};

// A rule value "turn,advance,next state": cut at its first two commas, the
// turn and the advance converted as reals, the next state as an integer.
// Malformed when there are fewer than two commas.
std::variant<TStateRule, RuleError> ParseRule(std::string_view value);

// A rule's three parts as the settings file writes them: the turn and the
// advance in their shortest decimal form with the decimal mark, the next
// state as an integer. Raises Exception for a real with a fraction when the
// decimal mark is the comma that separates the parts.
std::array<std::string, 3> RuleParts(const TStateRule& rule);
// The parts joined as a rule value is written: "turn,advance,next state".
std::string JoinRuleParts(const std::array<std::string, 3>& parts);
// A rule as the settings file holds it: its parts joined.
std::string RuleText(const TStateRule& rule);

// The text of the box shown for a rule value without two commas.
inline constexpr const char* kMalformedRuleMessage = "データに誤りがあります";

// What a car is built from: the sensor geometry and the rule table.
struct CarSettings {
  double sensorLeft = kCarKeys[kSensorLeft].defaultValue;
  double sensorRight = kCarKeys[kSensorRight].defaultValue;
  double sensorPos = kCarKeys[kSensorPos].defaultValue;
  std::array<std::array<TStateRule, kMaskCount>, kStateCount> rules{};
  // The rules that the settings give (the others stop the car).
  std::array<std::array<bool, kMaskCount>, kStateCount> ruleSet{};
};

// The sensor geometry alone, with an empty rule table. A value empty or no
// real gives its default; raises EOverflow for a real beyond a double.
CarSettings ReadCarGeometry(const TCustomIniFile& settings);
// The geometry, then every rule in key order (state by state, mask by mask).
// An empty value leaves its rule unset; a malformed one shows a box through
// `boxes` and is skipped. Raises EConvertError or EOverflow when a part or a
// car value does not convert.
CarSettings ReadCarSettings(const TCustomIniFile& settings, MessageBoxService& boxes);

// The car's start: the point from the settings, heading straight down the
// screen, at the start speed.
inline constexpr double kStartHeading = 4.71238898038469;
inline constexpr double kStartSpeed = 1.0;
struct StartPoint {
  double x = kCarKeys[kInitX].defaultValue;
  double y = kCarKeys[kInitY].defaultValue;
};
// A value empty or no real gives its default; raises EOverflow for a real
// beyond a double.
StartPoint ReadStartPoint(const TCustomIniFile& settings);

// Told the outcome of each key the program reads, so that a checker sees
// exactly what the program sees.
class SettingsObserver {
 public:
  virtual ~SettingsObserver() = default;
  // A car value as read, and the value the program goes on with: the default
  // unless the entry holds a number. An entry with an overflow ends building
  // the car (a geometry key) or opening the course (a start key).
  virtual void OnCarValue(CarKey key, const NumberEntry& entry, double value) = 0;
  // A rule that the file sets (its value is not empty). A RuleError without
  // an exception shows a box and is skipped; one with an exception ends
  // building the car.
  virtual void OnRule(int state, int mask, const std::string& value,
                      const std::variant<TStateRule, RuleError>& rule) = 0;
};

// Reads every key in the program's order (ReadCarSettings' reads, then
// ReadStartPoint's) and tells `observer` each outcome. Unlike the program it
// goes on past a value that ends building the car, and shows no box.
void ObserveSettings(const TCustomIniFile& settings, SettingsObserver& observer);

}  // namespace ormakin
