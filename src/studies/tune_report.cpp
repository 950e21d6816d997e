#include "studies/tune_report.h"

#include "studies/number_text.h"

namespace ormakin::studies {

std::string TuneRunText(const RunScore& run, std::uint64_t ticks) {
  std::string text = "score " + FixedText(run.score, 1) + ", ";
  if (run.laps.empty()) {
    text += FixedText(100.0 * run.coverage, 1) + "% of the line passed, no lap";
  } else {
    text += std::to_string(run.laps.size()) + (run.laps.size() == 1 ? " lap" : " laps") +
            ", the first in " + std::to_string(run.laps.front()) + " ticks, the slowest in " +
            std::to_string(run.SlowestLap(ticks));
  }
  if (run.outcome != Outcome::kHolds) {
    text += std::string(", ") + OutcomeName(run.outcome) + " at tick " + std::to_string(run.ticks);
  }
  return text;
}

std::vector<std::string> TuneResultLines(std::uint64_t evaluations, const Scored& best,
                                         double startTotal, bool interrupted,
                                         const std::vector<std::string>& courseNames,
                                         std::uint64_t ticks) {
  std::vector<std::string> lines{
      "evaluations=" + std::to_string(evaluations) + " score=" + FixedText(best.total, 1) +
      " start_score=" + FixedText(startTotal, 1) + (interrupted ? " interrupted=yes" : "")};
  for (std::size_t k = 0; k < courseNames.size() && k < best.runs.size(); ++k) {
    lines.push_back(courseNames[k] + ": " + TuneRunText(best.runs[k], ticks));
  }
  return lines;
}

std::vector<std::string> TuneRunComments(const Scored& best, double startTotal,
                                         const std::vector<std::string>& courseNames,
                                         std::uint64_t ticks) {
  std::vector<std::string> comments;
  comments.push_back("Each course run for at most " + std::to_string(ticks) +
                     " ticks; total score " + FixedText(best.total, 1) + " (the start scored " +
                     FixedText(startTotal, 1) + ").");
  for (std::size_t k = 0; k < courseNames.size() && k < best.runs.size(); ++k) {
    comments.push_back(courseNames[k] + ": " + TuneRunText(best.runs[k], ticks));
  }
  const RuleSet applied = best.Applied();
  std::string unused;
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      if (best.controller.IsSet(s, m) && !applied[RuleIndex(s, m)]) {
        if (!unused.empty()) {
          unused += ' ';
        }
        unused += RuleKey(s, m);
      }
    }
  }
  comments.push_back(unused.empty()
                         ? std::string("Every rule below was applied in these runs.")
                         : "Never applied in these runs (they can be removed): " + unused);
  return comments;
}

std::vector<ChangedRule> ChangedRules(const Controller& before, const Controller& after) {
  std::vector<ChangedRule> changed;
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      const bool set = after.IsSet(s, m);
      if (set == before.IsSet(s, m)) {
        const TStateRule& was = before.Rule(s, m);
        const TStateRule& is = after.Rule(s, m);
        // What the car does, not how the text spells it.
        if (!set ||
            (was.NextState == is.NextState && was.Turn == is.Turn && was.Advance == is.Advance)) {
          continue;
        }
      }
      changed.push_back({RuleKey(s, m), before.IsSet(s, m) ? before.Text(s, m) : std::string(),
                         set ? after.Text(s, m) : std::string()});
    }
  }
  return changed;
}

}  // namespace ormakin::studies
