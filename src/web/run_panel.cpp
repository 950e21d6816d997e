#include "web/run_panel.h"

#include <algorithm>

#include "core/base/shortest_text.h"
#include "core/car/stop_reason.h"
#include "core/settings/settings_model.h"
#include "studies/number_text.h"

namespace ormakin::web {

namespace {

std::string Quoted(const std::string& text) {
  // The texts here are numbers and rules: nothing to escape but what a rule
  // read from the settings may hold.
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out + "\"";
}

const char* CodeName(StopCause::Code code) {
  switch (code) {
    case StopCause::Code::NotSet:
      return "notSet";
    case StopCause::Code::ToZero:
      return "toZero";
    case StopCause::Code::NoRowNext:
      return "noRowNext";
    default:
      return "noRules";
  }
}

}  // namespace

void RunPanel::Placed(const TCar& car) {
  usage_ = studies::RuleUsage();
  firsts_ = {};
  path_.reset();
  placed_.emplace(car);
  opened_ = true;
  ticks_ = 0;
  lastState_ = 0;
  lastMask_ = 0;
}

void RunPanel::Ticked(const TickReport& tick) {
  if (!opened_) {
    return;
  }
  BeginPath();
  ++ticks_;
  lastState_ = tick.appliedState;
  lastMask_ = tick.mask;
  usage_.Ticked(tick);
  std::uint64_t& first =
      firsts_[static_cast<std::size_t>(tick.appliedState - 1)][static_cast<std::size_t>(tick.mask)];
  if (first == 0) {
    first = ticks_;
  }
  if (path_) {
    path_->Ticked(tick);
  }
}

void RunPanel::BeginPath() {
  if (!placed_) {
    return;
  }
  const TBitmap* course = window_.CourseImage ? window_.CourseImage->Picture.Bitmap() : nullptr;
  if (course != nullptr) {
    // Only the view's part of the path is kept, drawn as over the whole
    // course: a course of any size costs the view's pixels.
    path_.emplace(TBitmap(std::min(course->Width(), kImageWidth),
                          std::min(course->Height(), kImageHeight), clWhite),
                  course->Width(), course->Height());
    path_->Placed(*placed_);
  }
  placed_.reset();
}

const TBitmap* RunPanel::Path() {
  BeginPath();
  return path_ ? &path_->Picture() : nullptr;
}

std::string RunPanel::GivenRuleText(int state, int mask) const {
  const TCar* car = window_.Car.get();
  const bool given = car != nullptr && state >= 1 && state <= kStateCount && mask >= 0 &&
                     mask < kMaskCount && car->Settings().ruleSet[state - 1][mask];
  return given ? RuleText(car->Rule(state, mask)) : "";
}

std::string RunPanel::RulesJson() const {
  std::string rules;
  std::string set;
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      const std::string given = GivenRuleText(s, m);
      const char* comma = s == 1 && m == 0 ? "" : ",";
      rules += comma + Quoted(given);
      set += comma + std::string(given.empty() ? "0" : "1");
    }
  }
  return "{\"rules\":[" + rules + "],\"set\":[" + set + "]}";
}

// {"opened":false} before a course is opened or without a car; then
// {"opened":true, "tick", "state" (after the tick), "mask" (the last probe),
//  "applied":[state, mask] or null before the first tick, "rule": the applied
//  rule's text, "" where the settings set none, "x", "y", "direction" (radians, as the trace writes
//  them), "counts":[160], "firsts":[160] (the first tick each rule fired at, 0 for none), "marks":
//  160 characters of the rule usage's marks, "stop": null or {"code", "tick", "state", "mask",
//  "turn", "advance", "next"}, "probes":[[x, y, on the line] x 3, left, right, centre]}.
std::string RunPanel::SnapshotJson() {
  const TCar* car = window_.Car.get();
  if (!opened_ || car == nullptr || window_.Closed()) {
    return "{\"opened\":false}";
  }
  std::string json = "{\"opened\":true,\"tick\":" + std::to_string(ticks_);
  json += ",\"state\":" + std::to_string(car->State());
  json += ",\"mask\":" + std::to_string(car->SensorBits());
  if (ticks_ > 0) {
    json += ",\"applied\":[" + std::to_string(lastState_) + "," + std::to_string(lastMask_) + "]";
    json += ",\"rule\":" + Quoted(GivenRuleText(lastState_, lastMask_));
  } else {
    json += ",\"applied\":null,\"rule\":null";
  }
  json += ",\"x\":" + Quoted(studies::ExactText(car->X()));
  json += ",\"y\":" + Quoted(studies::ExactText(car->Y()));
  json += ",\"direction\":" + Quoted(studies::ExactText(car->Direction()));
  std::string counts;
  std::string firsts;
  std::string marks;
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      const char* comma = s == 1 && m == 0 ? "" : ",";
      counts += comma + std::to_string(usage_.Applied(s, m));
      firsts += comma + std::to_string(firsts_[s - 1][m]);
      marks += usage_.Mark(car->Settings(), s, m);
    }
  }
  json += ",\"counts\":[" + counts + "],\"firsts\":[" + firsts + "],\"marks\":" + Quoted(marks);
  if (car->Stopped()) {
    const StopCause cause = StopCauseOf(*car, ticks_, lastState_, lastMask_);
    json += ",\"stop\":{\"code\":\"" + std::string(CodeName(cause.code)) +
            "\",\"tick\":" + std::to_string(cause.tick) +
            ",\"state\":" + std::to_string(cause.state) +
            ",\"mask\":" + std::to_string(cause.mask) +
            ",\"turn\":" + Quoted(ShortestText(cause.rule.Turn)) +
            ",\"advance\":" + Quoted(ShortestText(cause.rule.Advance)) +
            ",\"next\":" + std::to_string(cause.rule.NextState) + "}";
  } else {
    json += ",\"stop\":null";
  }
  json += ",\"probes\":[";
  const char* separator = "";
  for (const SensorProbe& probe : car->Probes()) {
    json += separator;
    separator = ",";
    json += "[" + (probe.x ? std::to_string(*probe.x) : "null") + "," +
            (probe.y ? std::to_string(*probe.y) : "null") + "," + (probe.onLine ? "1" : "0") + "]";
  }
  return json + "]}";
}

}  // namespace ormakin::web
