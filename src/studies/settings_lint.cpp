#include "studies/settings_lint.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "core/base/errors.h"
#include "core/base/text_encoding.h"
#include "core/settings/parse_number.h"
#include "core/settings/profile_scanner.h"
#include "core/window/trace_map.h"
#include "studies/number_text.h"

namespace ormakin::studies {

void SettingsLint::Add(std::uint64_t line, std::string message) {
  if (findings.size() < kMaxFindings) {
    findings.push_back({line, std::move(message)});
  } else {
    ++dropped;
  }
}

void SettingsLint::AddBlocking(std::uint64_t line, std::string message) {
  ++blocking;
  findings.push_back({line, std::move(message)});
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

// Where a section's keys go.
enum class Region { BeforeAnySection, Car, State, RepeatedCar, RepeatedState, Other };

class Linter {
 public:
  Linter(SettingsLint& lint, const TCustomIniFile& settings) : lint_(lint), settings_(settings) {}

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
        case ProfileLine::Kind::NameOnly:
          if (!IsReadKey(*line)) {
            lint_.Add(number,
                      "this line is ignored: it is neither [section], key=value nor a comment");
            break;
          }
          lint_.Add(number, "key " + Quoted(line->name) + " has no '=': it reads as empty");
          Key(*line, number);
          break;
        case ProfileLine::Kind::Ignored:
          lint_.Add(number,
                    "this line is ignored: it is neither [section], key=value nor a comment");
          break;
      }
    }
  }

  // Reads the values through the settings model, in the program's order:
  // the car's geometry and its rules as the car's constructor does, then the
  // start point as the open command does.
  void Evaluate() {
    Reading reading(*this);
    ObserveSettings(settings_, reading);
    if (reading.stop) {
      lint_.AddBlocking(*reading.stop, "building the car stops at " + reading.stopText +
                                           ": the window shows the error and no course can be run");
    }
    std::stable_sort(lint_.findings.begin(), lint_.findings.end(),
                     [](const LintFinding& a, const LintFinding& b) { return a.line < b.line; });
  }

 private:
  void EnterSection(const ProfileLine& line, std::uint64_t number) {
    const std::string name = line.nameComplete ? AsciiLower(line.name) : std::string();
    if (name == kCarSection) {
      region_ = carSection_ == 0 ? Region::Car : Region::RepeatedCar;
      if (carSection_ == 0) carSection_ = number;
    } else if (name == kStateSection) {
      region_ = stateSection_ == 0 ? Region::State : Region::RepeatedState;
      if (stateSection_ == 0) stateSection_ = number;
    } else {
      region_ = Region::Other;
      sectionName_ = line.name;
    }
  }

  // Whether the program reads the line's key: a car key in the first [car],
  // or a rule key in the first [state].
  bool IsReadKey(const ProfileLine& line) const {
    if (!line.nameComplete) return false;
    switch (region_) {
      case Region::Car: {
        const std::string name = AsciiLower(line.name);
        return std::any_of(kCarKeys.begin(), kCarKeys.end(),
                           [&](const CarKeyInfo& key) { return name == key.name; });
      }
      case Region::State:
        return ParseRuleKey(line.name).has_value();
      default:
        return false;
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
        lint_.Add(number,
                  "key " + Quoted(line.name) + " is never read: only the first [" +
                      (region_ == Region::RepeatedCar ? kCarSection : kStateSection) +
                      "] section is read (line " +
                      std::to_string(region_ == Region::RepeatedCar ? carSection_ : stateSection_) +
                      ")");
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
      if (line.nameComplete && name == kCarKeys[k].name) {
        Keep(car_[k], line, number);
        return;
      }
    }
    std::string message = "key " + Quoted(line.name) + " in [" + kCarSection + "] is never read";
    const char* nearest = nullptr;
    std::size_t best = 3;  // suggest only a near miss
    for (const CarKeyInfo& known : kCarKeys) {
      const std::size_t d = name.size() > 32 ? best : Distance(name, known.name);
      if (d < best) {
        best = d;
        nearest = known.name;
      }
    }
    if (nearest != nullptr) {
      message += std::string(": did you mean ") + nearest + "?";
    } else {
      message += ": the keys are";
      for (int k = 0; k < kCarKeyCount; ++k) {
        message += std::string(k == 0                  ? " "
                               : k + 1 == kCarKeyCount ? " and "
                                                       : ", ") +
                   kCarKeys[k].name;
      }
    }
    lint_.Add(number, message);
  }

  void RuleKeyLine(const ProfileLine& line, std::uint64_t number) {
    const auto rule = line.nameComplete ? ParseRuleKey(line.name) : std::nullopt;
    if (!rule) {
      lint_.Add(number, "key " + Quoted(line.name) +
                            " in [state] is never read: rule keys run from " + RuleKey(1, 0) +
                            " to " + RuleKey(kStateCount, kMaskCount - 1) + " (state 1 to " +
                            std::to_string(kStateCount) + ", sensor mask 0 to " +
                            std::to_string(kMaskCount - 1) + "), without leading zeros");
      return;
    }
    Keep(rules_[rule->first - 1][rule->second], line, number);
  }

  // The first line of a key that the program reads is the one it reads.
  void Keep(std::uint64_t& slot, const ProfileLine& line, std::uint64_t number) {
    if (slot != 0) {
      lint_.Add(number, "key " + Quoted(line.name) + " repeats the one on line " +
                            std::to_string(slot) + ", which is the one read");
      return;
    }
    slot = number;
  }

  // What the model reports of each key, turned into findings on the key's
  // line. The first failure that ends building the car is where it stops.
  class Reading : public SettingsObserver {
   public:
    explicit Reading(Linter& linter) : lint_(linter.lint_), linter_(linter) {}

    void OnCarValue(CarKey k, const NumberEntry& entry, double value) override {
      const std::uint64_t line = linter_.car_[k];
      const std::string name = kCarKeys[k].name;
      lint_.car[k] = value;
      lint_.carLine[k] = line;
      const std::string fallback =
          ": the default " + ExactText(kCarKeys[k].defaultValue) + " is used";
      if (entry.overflow) {
        const bool start = std::find(kStartKeys.begin(), kStartKeys.end(), k) != kStartKeys.end();
        try {
          std::rethrow_exception(entry.overflow);
        } catch (const Exception& e) {
          lint_.AddBlocking(
              line, name + "=" + ToDisplayText(entry.text) + ": " + WithFinalPeriod(e.what()) +
                        (start ? " Every opening of a course fails with this error." : ""));
        }
        if (!start) Failure(line, name);
      } else if (entry.text.empty()) {
        if (line != 0) lint_.Add(line, name + " is empty" + fallback);
      } else if (!entry.number) {
        lint_.Add(line, name + "=" + ToDisplayText(entry.text) + " is no number" + fallback);
      }
    }

    void OnRule(int state, int mask, const std::string& value,
                const std::variant<TStateRule, RuleError>& parsed) override {
      const std::uint64_t line = linter_.rules_[state - 1][mask];
      const std::string key = RuleKey(state, mask);
      if (const auto* error = std::get_if<RuleError>(&parsed)) {
        if (!error->error) {
          lint_.AddBlocking(line, std::string(kMalformedRuleMessage) + ": " +
                                      ToDisplayText(key + "=" + value) +
                                      " (a rule needs turn,advance,next state)");
          return;
        }
        try {
          std::rethrow_exception(error->error);
        } catch (const Exception& e) {
          lint_.AddBlocking(line, key + ": " + WithFinalPeriod(ToDisplayText(e.what())));
        }
        Failure(line, key);
        return;
      }
      ++lint_.rulesPerState[state - 1];
      const std::int32_t next = std::get<TStateRule>(parsed).NextState;
      if (next != 0 && !HasRow(next)) {
        lint_.Add(line, key + ": next state " + std::to_string(next) +
                            " has no rules (states run from 1 to " + std::to_string(kStateCount) +
                            "): the car stops there");
      }
    }

    std::optional<std::uint64_t> stop;  // where building the car stops
    std::string stopText;

   private:
    void Failure(std::uint64_t line, const std::string& key) {
      if (!stop) {
        stop = line;
        stopText = key;
      }
    }

    SettingsLint& lint_;
    const Linter& linter_;
  };

  SettingsLint& lint_;
  const TCustomIniFile& settings_;
  Region region_ = Region::BeforeAnySection;
  std::string sectionName_;
  std::uint64_t carSection_ = 0;  // line of the first [car]; 0 before it
  std::uint64_t stateSection_ = 0;
  std::array<std::uint64_t, kCarKeyCount> car_{};  // the line of each key, 0 if none
  std::array<std::array<std::uint64_t, kMaskCount>, kStateCount> rules_{};
};

}  // namespace

SettingsLint LintSettings(const TCustomIniFile& settings) {
  SettingsLint lint;
  ProfileScanner scanner(settings.Path);
  lint.readable = scanner.IsOpen();
  Linter linter(lint, settings);
  if (lint.readable) {
    linter.Scan(scanner);
  }
  linter.Evaluate();
  return lint;
}

}  // namespace ormakin::studies
