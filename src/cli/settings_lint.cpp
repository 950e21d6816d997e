#include "settings_lint.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "errors.h"
#include "parse_number.h"
#include "profile_reader.h"
#include "profile_scanner.h"
#include "text_encoding.h"
#include "trace_map.h"

namespace ormakin::cli {

const std::array<const char*, kCarKeyCount> kCarKeyNames = {"init_x", "init_y", "sensor_left",
                                                            "sensor_right", "sensor_pos"};
const std::array<double, kCarKeyCount> kCarKeyDefaults = {5.0, 10.0, 3.0, 3.0, 10.0};

void SettingsLint::Add(std::uint64_t line, std::string message) {
  if (findings.size() < kMaxFindings) {
    findings.push_back({line, std::move(message)});
  } else {
    ++dropped;
  }
}

namespace {

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

// "s-m" with s in 1..20 and m in 0..7, written without leading zeros: the
// only rule keys the car reads. Gives the state and mask.
bool ParseRuleKey(const std::string& key, int& state, int& mask) {
  const auto dash = key.find('-');
  if (dash == std::string::npos || dash == 0 || dash > 2 || key.size() != dash + 2) return false;
  for (std::size_t i = 0; i < key.size(); ++i) {
    if (i != dash && (key[i] < '0' || key[i] > '9')) return false;
  }
  if (key[0] == '0') return false;
  state = std::stoi(key.substr(0, dash));
  mask = key[dash + 1] - '0';
  return state >= 1 && state <= kStateCount && mask < kMaskCount;
}

// The edit distance of two short names, to suggest the key meant.
std::size_t Distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

std::string Quoted(const std::string& text) {
  return "'" + ToDisplayText(text) + "'";
}

std::string Number(double value) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.17g", value);
  return text.data();
}

// Where a section's keys go.
enum class Region { BeforeAnySection, Car, State, RepeatedCar, RepeatedState, Other };

// What the scan keeps of a key that the program reads: its first line and
// value.
struct ReadKey {
  std::uint64_t line = 0;
  std::string value;
};

class Linter {
 public:
  explicit Linter(SettingsLint& lint) : lint_(lint) {}

  void Scan(ProfileScanner& scanner) {
    while (const auto line = scanner.Next()) {
      const std::uint64_t number = scanner.LineNumber();
      switch (line->kind) {
        case ProfileLine::Kind::Empty:
          break;
        case ProfileLine::Kind::Section:
          EnterSection(*line, number);
          break;
        case ProfileLine::Kind::Key:
          Key(*line, number);
          break;
        case ProfileLine::Kind::Ignored:
          lint_.Add(number,
                    "this line is ignored: it is neither [section], key=value nor a comment");
          break;
      }
    }
  }

  // Reads the kept values in the program's order: the car's geometry and its
  // rules as the car's constructor does, then the start point as the open
  // command does.
  void Evaluate() {
    std::optional<std::uint64_t> stop;  // where building the car stops
    std::string stopText;
    auto failure = [&](std::uint64_t line, const std::string& text) {
      if (!stop) {
        stop = line;
        stopText = text;
      }
    };
    for (int k : {kSensorLeft, kSensorRight, kSensorPos}) {
      if (!CarValue(k)) failure(car_[k].line, kCarKeyNames[k]);
    }
    for (int s = 1; s <= kStateCount; ++s) {
      for (int m = 0; m < kMaskCount; ++m) {
        const ReadKey& rule = rules_[s - 1][m];
        if (!rule.value.empty() && !Rule(s, m, rule)) {
          failure(rule.line, TCar::RuleKey(s, m));
        }
      }
    }
    for (int k : {kInitX, kInitY}) {
      CarValue(k);
    }
    if (stop) {
      lint_.Add(*stop, "building the car stops at " + stopText +
                           ": the window shows the error and no course can be run");
    }
    std::stable_sort(lint_.findings.begin(), lint_.findings.end(),
                     [](const LintFinding& a, const LintFinding& b) { return a.line < b.line; });
  }

 private:
  void EnterSection(const ProfileLine& line, std::uint64_t number) {
    const std::string name = line.nameComplete ? AsciiLower(line.name) : std::string();
    if (name == "car") {
      region_ = carSection_ == 0 ? Region::Car : Region::RepeatedCar;
      if (carSection_ == 0) carSection_ = number;
    } else if (name == "state") {
      region_ = stateSection_ == 0 ? Region::State : Region::RepeatedState;
      if (stateSection_ == 0) stateSection_ = number;
    } else {
      region_ = Region::Other;
      sectionName_ = line.name;
    }
  }

  void Key(const ProfileLine& line, std::uint64_t number) {
    const std::string key = ToDisplayText(line.name);
    switch (region_) {
      case Region::BeforeAnySection:
        lint_.Add(number, "key " + Quoted(line.name) + " lies before any section: never read");
        return;
      case Region::Other:
        lint_.Add(number, "key " + Quoted(line.name) + " in section [" +
                              ToDisplayText(sectionName_) +
                              "] is never read: only [car] and [state] are read");
        return;
      case Region::RepeatedCar:
      case Region::RepeatedState:
        lint_.Add(
            number,
            "key " + Quoted(line.name) + " is never read: only the first [" +
                (region_ == Region::RepeatedCar ? "car" : "state") + "] section is read (line " +
                std::to_string(region_ == Region::RepeatedCar ? carSection_ : stateSection_) + ")");
        return;
      case Region::Car:
        CarKeyLine(line, number);
        return;
      case Region::State:
        RuleKeyLine(line, number);
        return;
    }
  }

  void CarKeyLine(const ProfileLine& line, std::uint64_t number) {
    const std::string name = AsciiLower(line.name);
    for (int k = 0; k < kCarKeyCount; ++k) {
      if (line.nameComplete && name == kCarKeyNames[k]) {
        Keep(car_[k], line, number);
        return;
      }
    }
    std::string message = "key " + Quoted(line.name) + " in [car] is never read";
    const char* nearest = nullptr;
    std::size_t best = 3;  // suggest only a near miss
    for (const char* known : kCarKeyNames) {
      const std::size_t d = name.size() > 32 ? best : Distance(name, known);
      if (d < best) {
        best = d;
        nearest = known;
      }
    }
    message += nearest != nullptr ? std::string(": did you mean ") + nearest + "?"
                                  : ": the keys are init_x, init_y, sensor_left, sensor_right "
                                    "and sensor_pos";
    lint_.Add(number, message);
  }

  void RuleKeyLine(const ProfileLine& line, std::uint64_t number) {
    int state = 0;
    int mask = 0;
    if (!line.nameComplete || !ParseRuleKey(line.name, state, mask)) {
      lint_.Add(number, "key " + Quoted(line.name) +
                            " in [state] is never read: rule keys run from 1-0 to 20-7 "
                            "(state 1 to 20, sensor mask 0 to 7), without leading zeros");
      return;
    }
    Keep(rules_[state - 1][mask], line, number);
  }

  void Keep(ReadKey& slot, const ProfileLine& line, std::uint64_t number) {
    if (slot.line != 0) {
      lint_.Add(number, "key " + Quoted(line.name) + " repeats the one on line " +
                            std::to_string(slot.line) + ", which is the one read");
      return;
    }
    slot.line = number;
    slot.value = line.value;
  }

  // A car value as ReadNumber reads it. Returns false for a value beyond the
  // range of a double, which is an error the window shows.
  bool CarValue(int k) {
    const ReadKey& key = car_[k];
    lint_.car[k] = kCarKeyDefaults[k];
    lint_.carLine[k] = key.line;
    if (key.line == 0) return true;
    const std::string name = kCarKeyNames[k];
    const std::string fallback = ": the default " + Number(kCarKeyDefaults[k]) + " is used";
    if (key.value.empty()) {
      lint_.Add(key.line, name + " is empty" + fallback);
      return true;
    }
    try {
      lint_.car[k] = ParseReal(key.value);
    } catch (const EConvertError&) {
      lint_.Add(key.line, name + "=" + ToDisplayText(key.value) + " is no number" + fallback);
    } catch (const Exception& e) {
      ++lint_.blocking;
      lint_.Add(key.line, name + "=" + ToDisplayText(key.value) + ": " + WithFinalPeriod(e.what()) +
                              (k == kInitX || k == kInitY
                                   ? " Every opening of a course fails with this error."
                                   : ""));
      return false;
    }
    return true;
  }

  // A rule as the car's constructor reads it. Returns false when a part does
  // not convert, which ends the construction.
  bool Rule(int state, int mask, const ReadKey& rule) {
    const std::string& value = rule.value;
    const std::string key = TCar::RuleKey(state, mask);
    const auto first = value.find(',');
    const auto second = first == std::string::npos ? first : value.find(',', first + 1);
    if (second == std::string::npos) {
      ++lint_.blocking;
      lint_.Add(rule.line, std::string(kMalformedRuleMessage) + ": " +
                               ToDisplayText(key + "=" + value) +
                               " (a rule needs turn,advance,next state)");
      return true;
    }
    TStateRule parsed;
    try {
      parsed.Turn = ParseReal(std::string_view(value).substr(0, first));
      parsed.Advance = ParseReal(std::string_view(value).substr(first + 1, second - first - 1));
      parsed.NextState = ParseInteger(std::string_view(value).substr(second + 1));
    } catch (const Exception& e) {
      ++lint_.blocking;
      lint_.Add(rule.line, key + ": " + WithFinalPeriod(ToDisplayText(e.what())));
      return false;
    }
    ++lint_.rulesPerState[state - 1];
    if (parsed.NextState < 0 || parsed.NextState > kStateCount) {
      lint_.Add(rule.line, key + ": next state " + std::to_string(parsed.NextState) +
                               " has no rules (states run from 1 to 20): the car stops there");
    }
    return true;
  }

  SettingsLint& lint_;
  Region region_ = Region::BeforeAnySection;
  std::string sectionName_;
  std::uint64_t carSection_ = 0;  // line of the first [car]; 0 before it
  std::uint64_t stateSection_ = 0;
  std::array<ReadKey, kCarKeyCount> car_{};
  std::array<std::array<ReadKey, kMaskCount>, kStateCount> rules_{};
};

}  // namespace

SettingsLint LintSettings(const std::string& path) {
  SettingsLint lint;
  lint.car = kCarKeyDefaults;
  ProfileScanner scanner(path);
  lint.readable = scanner.IsOpen();
  Linter linter(lint);
  if (lint.readable) {
    linter.Scan(scanner);
  }
  linter.Evaluate();
  return lint;
}

}  // namespace ormakin::cli
