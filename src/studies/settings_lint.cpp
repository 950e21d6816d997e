#include "studies/settings_lint.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

#include "core/base/errors.h"
#include "core/base/text_encoding.h"
#include "core/settings/parse_number.h"
#include "core/settings/profile_scanner.h"
#include "core/window/trace_map.h"
#include "studies/number_text.h"

namespace ormakin::studies {

namespace {

struct LintText {
  LintCode code;
  const char* name;
  const char* text;  // the tool's words, "{value}" where a value goes
};

// The tool's words for every code, in the order of LintCode.
constexpr LintText kLintTexts[] = {
    {LintCode::IgnoredLine, "ignoredLine",
     "this line is ignored: it is neither [section], key=value nor a comment"},
    {LintCode::NoEquals, "noEquals", "key '{key}' has no '=': it reads as empty"},
    {LintCode::BeforeAnySection, "beforeAnySection",
     "key '{key}' lies before any section: never read"},
    {LintCode::OtherSection, "otherSection",
     "key '{key}' in section [{section}] is never read: only [car] and [state] are read"},
    {LintCode::RepeatedSection, "repeatedSection",
     "key '{key}' is never read: only the first [{section}] section is read (line {line})"},
    {LintCode::UnknownCarKey, "unknownCarKey",
     "key '{key}' in [car] is never read: did you mean {nearest}?"},
    {LintCode::UnknownCarKeyList, "unknownCarKeyList",
     "key '{key}' in [car] is never read: the keys are {keys} and {last}"},
    {LintCode::UnknownRuleKey, "unknownRuleKey",
     "key '{key}' in [state] is never read: rule keys run from {first} to {last} (state 1 to "
     "{states}, sensor mask 0 to {masks}), without leading zeros"},
    {LintCode::RepeatedKey, "repeatedKey",
     "key '{key}' repeats the one on line {line}, which is the one read"},
    {LintCode::CarOverflow, "carOverflow", "{key}={value}: {error}"},
    {LintCode::StartOverflow, "startOverflow",
     "{key}={value}: {error} Every opening of a course fails with this error."},
    {LintCode::CarEmpty, "carEmpty", "{key} is empty: the default {default} is used"},
    {LintCode::CarNoNumber, "carNoNumber",
     "{key}={value} is no number: the default {default} is used"},
    {LintCode::MalformedRule, "malformedRule",
     "{box}: {rule} (a rule needs turn,advance,next state)"},
    {LintCode::RulePartFails, "rulePartFails", "{key}: {error}"},
    {LintCode::NextStateNoRow, "nextStateNoRow",
     "{key}: next state {next} has no rules (states run from 1 to {states}): the car stops "
     "there"},
    {LintCode::BuildStops, "buildStops",
     "building the car stops at {key}: the window shows the error and no course can be run"},
    {LintCode::StartOffLine, "startOffLine",
     "at the start point ({x}, {y}) no sensor sees the line on {course}: the car begins with "
     "rule 1-0"},
};

const LintText& TextOf(LintCode code) {
  const LintText& text = kLintTexts[static_cast<std::size_t>(code)];
  if (text.code != code) throw Exception("the lint's texts are out of order");
  return text;
}

}  // namespace

const char* LintCodeName(LintCode code) {
  return TextOf(code).name;
}

const char* LintTemplate(LintCode code) {
  return TextOf(code).text;
}

std::string LintMessage(const LintFinding& finding) {
  // One pass over the text, so that a value holding "{...}" stays as it is.
  const std::string_view text = TextOf(finding.code).text;
  std::string message;
  std::size_t done = 0;
  for (std::size_t open = text.find('{'); open != std::string_view::npos;
       open = text.find('{', done)) {
    const std::size_t close = text.find('}', open);
    const std::string_view name = text.substr(open + 1, close - open - 1);
    const auto value = std::find_if(finding.values.begin(), finding.values.end(),
                                    [&](const auto& named) { return named.first == name; });
    if (value == finding.values.end()) {
      throw Exception("the lint's finding lacks its " + std::string(name));
    }
    message += text.substr(done, open - done);
    message += value->second;
    done = close + 1;
  }
  message += text.substr(done);
  return message;
}

void SettingsLint::Add(LintFinding finding) {
  if (findings.size() < kMaxFindings) {
    findings.push_back(std::move(finding));
  } else {
    ++dropped;
  }
}

void SettingsLint::AddBlocking(LintFinding finding) {
  ++blocking;
  findings.push_back(std::move(finding));
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
            lint_.Add({number, LintCode::IgnoredLine, {}});
            break;
          }
          lint_.Add({number, LintCode::NoEquals, {{"key", ToDisplayText(line->name)}}});
          Key(*line, number);
          break;
        case ProfileLine::Kind::Ignored:
          lint_.Add({number, LintCode::IgnoredLine, {}});
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
      lint_.AddBlocking({*reading.stop, LintCode::BuildStops, {{"key", reading.stopText}}});
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
        lint_.Add({number, LintCode::BeforeAnySection, {{"key", key}}});
        return;
      case Region::Other:
        lint_.Add({number,
                   LintCode::OtherSection,
                   {{"key", key}, {"section", ToDisplayText(sectionName_)}}});
        return;
      case Region::RepeatedCar:
      case Region::RepeatedState: {
        const bool car = region_ == Region::RepeatedCar;
        lint_.Add({number,
                   LintCode::RepeatedSection,
                   {{"key", key},
                    {"section", car ? kCarSection : kStateSection},
                    {"line", std::to_string(car ? carSection_ : stateSection_)}}});
        return;
      }
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
    const char* nearest = nullptr;
    std::size_t best = 3;  // suggest only a near miss
    for (const CarKeyInfo& known : kCarKeys) {
      const std::size_t d = name.size() > 32 ? best : Distance(name, known.name);
      if (d < best) {
        best = d;
        nearest = known.name;
      }
    }
    const std::string key = ToDisplayText(line.name);
    if (nearest != nullptr) {
      lint_.Add({number, LintCode::UnknownCarKey, {{"key", key}, {"nearest", nearest}}});
      return;
    }
    std::string keys;
    for (int k = 0; k + 1 < kCarKeyCount; ++k) {
      keys += std::string(k == 0 ? "" : ", ") + kCarKeys[k].name;
    }
    lint_.Add({number,
               LintCode::UnknownCarKeyList,
               {{"key", key}, {"keys", keys}, {"last", kCarKeys[kCarKeyCount - 1].name}}});
  }

  void RuleKeyLine(const ProfileLine& line, std::uint64_t number) {
    const auto rule = line.nameComplete ? ParseRuleKey(line.name) : std::nullopt;
    if (!rule) {
      lint_.Add({number,
                 LintCode::UnknownRuleKey,
                 {{"key", ToDisplayText(line.name)},
                  {"first", RuleKey(1, 0)},
                  {"last", RuleKey(kStateCount, kMaskCount - 1)},
                  {"states", std::to_string(kStateCount)},
                  {"masks", std::to_string(kMaskCount - 1)}}});
      return;
    }
    Keep(rules_[rule->first - 1][rule->second], line, number);
  }

  // The first line of a key that the program reads is the one it reads.
  void Keep(std::uint64_t& slot, const ProfileLine& line, std::uint64_t number) {
    if (slot != 0) {
      lint_.Add({number,
                 LintCode::RepeatedKey,
                 {{"key", ToDisplayText(line.name)}, {"line", std::to_string(slot)}}});
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
      const std::string fallback = ExactText(kCarKeys[k].defaultValue);
      if (entry.overflow) {
        const bool start = std::find(kStartKeys.begin(), kStartKeys.end(), k) != kStartKeys.end();
        try {
          std::rethrow_exception(entry.overflow);
        } catch (const Exception& e) {
          lint_.AddBlocking({line,
                             start ? LintCode::StartOverflow : LintCode::CarOverflow,
                             {{"key", name},
                              {"value", ToDisplayText(entry.text)},
                              {"error", WithFinalPeriod(e.what())}}});
        }
        if (!start) Failure(line, name);
      } else if (entry.text.empty()) {
        if (line != 0) {
          lint_.Add({line, LintCode::CarEmpty, {{"key", name}, {"default", fallback}}});
        }
      } else if (!entry.number) {
        lint_.Add({line,
                   LintCode::CarNoNumber,
                   {{"key", name}, {"value", ToDisplayText(entry.text)}, {"default", fallback}}});
      }
    }

    void OnRule(int state, int mask, const std::string& value,
                const std::variant<TStateRule, RuleError>& parsed) override {
      const std::uint64_t line = linter_.rules_[state - 1][mask];
      const std::string key = RuleKey(state, mask);
      if (const auto* error = std::get_if<RuleError>(&parsed)) {
        if (!error->error) {
          lint_.AddBlocking(
              {line,
               LintCode::MalformedRule,
               {{"box", kMalformedRuleMessage}, {"rule", ToDisplayText(key + "=" + value)}}});
          return;
        }
        try {
          std::rethrow_exception(error->error);
        } catch (const Exception& e) {
          lint_.AddBlocking({line,
                             LintCode::RulePartFails,
                             {{"key", key}, {"error", WithFinalPeriod(ToDisplayText(e.what()))}}});
        }
        Failure(line, key);
        return;
      }
      ++lint_.rulesPerState[state - 1];
      const std::int32_t next = std::get<TStateRule>(parsed).NextState;
      if (next != 0 && !HasRow(next)) {
        lint_.Add({line,
                   LintCode::NextStateNoRow,
                   {{"key", key},
                    {"next", std::to_string(next)},
                    {"states", std::to_string(kStateCount)}}});
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
