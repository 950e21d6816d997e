// The search for a rule table, in memory: its random numbers, and the
// controller that a seed and a budget find on a small course, pinned whole.
#include "studies/rule_search.h"

#include <gtest/gtest.h>

#include <set>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "cli/job_pool.h"
#include "core/picture/bmp_reader.h"
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

// The search from a table of one rule, "straight on while the centre sensor
// sees the line", with seed 7 for 200 controllers: the file it would write,
// with its score on the course as the comment.
std::string Search(int jobs) {
  std::vector<LineCourse> courses = Ring();
  testing::MemoryIniFile ini;
  ini.Set("car", "init_x", "100").Set("car", "init_y", "60").Rule(1, 4, "0,1,1");
  testing::RecordingPlatform boxes;
  const TCar car(ReadCarSettings(ini, boxes), courses.front());
  constexpr std::uint64_t kTicks = 600;
  RuleSearch search(Evaluate(Controller::Read(ini, car), courses, kTicks, PoolRunner(jobs)),
                    courses, kTicks, 7, RuleValues::For('.'), PoolRunner(jobs));
  while (search.Evaluations() < 200) {
    search.Generation(RuleSearch::kChildren);
  }
  const RunScore& run = search.Best().runs.front();
  std::string laps;
  for (const std::uint64_t lap : run.laps) {
    laps += " " + std::to_string(lap);
  }
  return TunedSettingsText(search.Best().controller,
                           {"score " + std::to_string(search.Best().total) + ", laps at" + laps});
}

TEST(RuleSearch, ASeedAndABudgetFindTheSameControllerOnAnyNumberOfThreads) {
  const std::string found = Search(1);
  EXPECT_EQ(found, Search(2));
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

}  // namespace
}  // namespace ormakin::studies
