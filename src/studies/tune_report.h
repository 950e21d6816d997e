// What a search for a rule table reports of what it found: the result line
// and each course's run (what `tune` prints, and the page shows), the
// comments of the tuned settings file that follow from the runs, and the
// rules that changed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "studies/controller.h"
#include "studies/rule_search.h"
#include "studies/run_score.h"

namespace ormakin::studies {

// What a run on one course reached: its score, its laps or the share of the
// line it passed, and how it ended when it did not hold the line.
std::string TuneRunText(const RunScore& run, std::uint64_t ticks);

// "evaluations=N score=S start_score=S0", with " interrupted=yes" for a
// search stopped before its budget, then "COURSE: run" for each course.
std::vector<std::string> TuneResultLines(std::uint64_t evaluations, const Scored& best,
                                         double startTotal, bool interrupted,
                                         const std::vector<std::string>& courseNames,
                                         std::uint64_t ticks);

// The comments that follow those saying how the search was made: the ticks
// and the scores, each course's run, and the rules never applied.
std::vector<std::string> TuneRunComments(const Scored& best, double startTotal,
                                         const std::vector<std::string>& courseNames,
                                         std::uint64_t ticks);

// A rule that differs between two controllers: its key and its texts
// before and after, empty where it is not set.
struct ChangedRule {
  std::string key;
  std::string before;
  std::string after;
};

// The rules of `after` that act otherwise than those of `before` (set in
// one only, or with other numbers), in key order.
std::vector<ChangedRule> ChangedRules(const Controller& before, const Controller& after);

}  // namespace ormakin::studies
