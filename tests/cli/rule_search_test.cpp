// The search for a rule table, in memory: its random numbers, and the
// controller that a seed and a budget find on a small course, pinned whole,
// whether its tasks run on threads or elsewhere with their rule tables and
// scores carried as bytes.
#include "studies/rule_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "cli/job_pool.h"
#include "core/base/errors.h"
#include "core/picture/bmp_reader.h"
#include "studies/rule_table_bytes.h"
#include "studies/run_score_bytes.h"
#include "studies/tune_report.h"
#include "studies/tuned_settings.h"
#include "support/course_builder.h"
#include "support/memory_ini_file.h"
#include "support/recording_platform.h"

namespace ormakin::studies {
namespace {

using cli::PoolRunner;

TEST(RuleSearch, NoTwoSeedsGenerationsOrChildrenShareTheirRandomNumbers) {
  std::set<std::uint64_t> seeds;
  int made = 0;
  for (const std::uint64_t seed : {0ull, 1ull, 2ull, 3ull, 1ull << 20, ~0ull}) {
    for (int generation = 0; generation < 4; ++generation) {
      for (int child = 0; child < RuleSearch::kChildren; ++child) {
        seeds.insert(ChildSeed(seed, generation, child));
        ++made;
      }
    }
  }
  EXPECT_EQ(seeds.size(), static_cast<std::size_t>(made));
}

// A ring of line 5 pixels wide round (60, 60), radius 40, on a course of
// 120 x 120 pixels; the car starts on its rightmost point.
std::vector<LineCourse> Ring() {
  const std::string bytes = testing::LineCourseBmp(120, 120, testing::Ring(60, 60, 40, 2.5));
  std::vector<LineCourse> courses;
  courses.emplace_back(
      ReadBitmap(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())));
  return courses;
}

// A table of one rule, "straight on while the centre sensor sees the line",
// for a car starting on the ring's rightmost point.
Controller RingStart(std::vector<LineCourse>& courses) {
  testing::MemoryIniFile ini;
  ini.Set("car", "init_x", "100").Set("car", "init_y", "60").Rule(1, 4, "0,1,1");
  testing::RecordingPlatform boxes;
  const TCar car(ReadCarSettings(ini, boxes), courses.front());
  return Controller::Read(ini, car);
}

// The search's tasks run as another instance of the program runs them: the
// rule tables and the scores through bytes, the controller's geometry from
// its own reading of the settings, the tasks in reverse order, their scores
// handed back in two parts.
std::vector<RunScore> RunElsewhere(const TuneTasks& tasks, const Controller& base,
                                   std::vector<LineCourse>& courses, std::uint64_t ticks) {
  const TuneTasks received{RuleTablesFromBytes(RuleTablesToBytes(tasks.controllers), base),
                           courses.size()};
  std::vector<RunScore> scores(received.Count());
  for (std::size_t task = scores.size(); task-- > 0;) {
    scores[task] = received.Run(task, courses, ticks);
  }
  const std::size_t half = scores.size() / 2;
  std::vector<RunScore> joined =
      ScoresFromBytes(ScoresToBytes({scores.begin(), scores.begin() + half}));
  for (RunScore& score : ScoresFromBytes(ScoresToBytes({scores.begin() + half, scores.end()}))) {
    joined.push_back(std::move(score));
  }
  return joined;
}

// The search from a table of one rule, "straight on while the centre sensor
// sees the line", with seed 7 for 200 controllers: the file it would write,
// with its score on the course as the comment. With `jobs` 0 each
// generation runs in two halves, its tasks elsewhere.
std::string Search(int jobs) {
  std::vector<LineCourse> courses = Ring();
  constexpr std::uint64_t kTicks = 600;
  const Controller start = RingStart(courses);
  RuleSearch search(Evaluate(start, courses, kTicks, PoolRunner(std::max(jobs, 1))), courses.size(),
                    7, RuleValues::For('.'));
  while (const int children = search.ChildrenWithin(200)) {
    if (jobs == 0) {
      search.EndGeneration(RunElsewhere(search.BeginGeneration(children), start, courses, kTicks));
    } else {
      search.Generation(children, courses, kTicks, PoolRunner(jobs));
    }
  }
  const RunScore& run = search.Best().runs.front();
  std::string laps;
  for (const std::uint64_t lap : run.laps) {
    laps += " " + std::to_string(lap);
  }
  return TunedSettingsText(search.Best().controller,
                           {"score " + std::to_string(search.Best().total) + ", laps at" + laps});
}

TEST(RuleSearch, ASeedAndABudgetFindTheSameControllerOnAnyNumberOfThreadsOrElsewhere) {
  const std::string found = Search(1);
  EXPECT_EQ(found, Search(2));
  EXPECT_EQ(found, Search(0));
  // It laps the ring three times in its 600 ticks. Any change to the
  // search's random choices, to what it may write into a rule or to the
  // score that it follows shows here.
  EXPECT_EQ(found,
            "; score 1578.333333, laps at 155 320 487\n"
            "\n[car]\ninit_x=100\ninit_y=60\n"
            "\n[state]\n"
            "1-0=-36,1.5,1\n1-1=3,1,1\n1-2=-45,0.5,1\n1-3=0,1.5,1\n1-4=0,1,1\n1-5=-15,0.5,2\n"
            "1-6=0,3,1\n"
            "2-0=18,3,2\n2-1=6,3,3\n2-5=-12,0.5,2\n"
            "3-0=18,3,2\n3-1=45,2,1\n3-5=-12,0.5,2\n"
            "4-0=18,3,2\n4-1=6,3,3\n4-5=-12,0.5,2\n");
}

// A budget is spent in whole generations and one short one; the halves
// refuse scores that are not those of the generation under way, and rule
// tables that were not written as such.
TEST(RuleSearch, TheHalvesOfAGenerationKeepToItsTasksAndBudget) {
  std::vector<LineCourse> courses = Ring();
  const Controller start = RingStart(courses);
  RuleSearch search(Evaluate(start, courses, 50), courses.size(), 1, RuleValues::For('.'));
  EXPECT_THROW(search.EndGeneration({}), Exception);

  std::vector<int> generations;
  while (const int children = search.ChildrenWithin(19)) {
    const TuneTasks& tasks = search.BeginGeneration(children);
    std::vector<RunScore> scores = tasks.RunAll(courses, 50, SerialRunner());
    scores.push_back(scores.front());
    EXPECT_THROW(search.EndGeneration(scores), Exception);
    scores.pop_back();
    generations.push_back(search.EndGeneration(scores));
  }
  EXPECT_EQ(generations, (std::vector<int>{8, 8, 3}));
  EXPECT_EQ(search.Evaluations(), 19u);

  const std::string bytes = RuleTablesToBytes({start, search.Best().controller});
  EXPECT_EQ(RuleTablesFromBytes(bytes, start).size(), 2u);
  std::string badSet = bytes;
  badSet[0] = 2;
  for (const std::string& damaged : {bytes.substr(1), badSet}) {
    EXPECT_THROW(RuleTablesFromBytes(damaged, start), Exception);
  }
}

// The next generation guessed from a generation's first scores is the one
// that follows when its other children change nothing: from all its scores
// always (its parent the best the generation leaves); from none exactly
// when the best stays the one it was.
TEST(RuleSearch, AGuessedGenerationIsTheNextOneWhenTheUnscoredChildrenChangeNothing) {
  std::vector<LineCourse> courses = Ring();
  const Controller start = RingStart(courses);
  constexpr std::uint64_t kBudget = 120;
  RuleSearch search(Evaluate(start, courses, 200), courses.size(), 3, RuleValues::For('.'));
  EXPECT_THROW(search.GuessNextGeneration({}, 8), Exception);

  const auto tables = [](const TuneTasks& tasks) { return RuleTablesToBytes(tasks.controllers); };
  int stayed = 0;
  int changed = 0;
  while (const int children = search.ChildrenWithin(kBudget)) {
    const TuneTasks& tasks = search.BeginGeneration(children);
    const std::vector<RunScore> scores = tasks.RunAll(courses, 200, SerialRunner());
    // The guess's parent from all the scores is the best that the
    // generation leaves.
    const std::optional<std::size_t> parent = search.GuessedParent(scores);
    const std::string guessedBest =
        RuleTablesToBytes({parent ? tasks.controllers[*parent] : search.Best().controller});
    const int next = static_cast<int>(std::min<std::uint64_t>(
        kBudget - search.Evaluations() - static_cast<std::uint64_t>(children),
        RuleSearch::kChildren));
    if (next == 0) {
      break;
    }
    const std::string fromAll = tables(search.GuessNextGeneration(scores, next));
    const std::string fromNone = tables(search.GuessNextGeneration({}, next));
    const std::string bestBefore = RuleTablesToBytes({search.Best().controller});
    search.EndGeneration(scores);
    EXPECT_EQ(RuleTablesToBytes({search.Best().controller}), guessedBest);
    const std::string made = tables(search.BeginGeneration(next));
    EXPECT_EQ(fromAll, made);
    const bool stays = RuleTablesToBytes({search.Best().controller}) == bestBefore;
    EXPECT_EQ(fromNone == made, stays);
    (stays ? stayed : changed) += 1;
    search.EndGeneration(search.BeginGeneration(next).RunAll(courses, 200, SerialRunner()));
  }
  // Both cases came up.
  EXPECT_GT(stayed, 0);
  EXPECT_GT(changed, 0);
}

// Only rules whose numbers or presence differ are changes, however a text
// spells them.
TEST(TuneReport, ChangedRulesAreThoseThatActOtherwise) {
  Controller before;
  before.SetRule(1, 0, TStateRule{1, 0.0, 1.0});
  before.ruleTexts[0][0] = "1, 0, 1.0";
  before.SetRule(1, 1, TStateRule{1, 3.0, 1.0});
  before.SetRule(2, 7, TStateRule{2, 3.0, 1.0});
  Controller after = before;
  after.SetRule(1, 0, TStateRule{1, 0.0, 1.0});  // same numbers, other text
  after.SetRule(1, 1, TStateRule{1, -3.0, 1.0});
  after.settings.ruleSet[1][7] = false;
  after.SetRule(3, 2, TStateRule{1, 0.0, 0.5});
  // The file's spelling stays until the rule is set again.
  EXPECT_EQ(before.Text(1, 0), "1, 0, 1.0");
  EXPECT_EQ(after.Text(1, 0), RuleText({1, 0.0, 1.0}));
  std::vector<std::string> changed;
  for (const ChangedRule& rule : ChangedRules(before, after)) {
    changed.push_back(rule.key + "=" + rule.before + ">" + rule.after);
  }
  EXPECT_EQ(changed,
            (std::vector<std::string>{
                "1-1=" + RuleText({1, 3.0, 1.0}) + ">" + RuleText({1, -3.0, 1.0}),
                "2-7=" + RuleText({2, 3.0, 1.0}) + ">", "3-2=>" + RuleText({1, 0.0, 0.5})}));
}

}  // namespace
}  // namespace ormakin::studies
