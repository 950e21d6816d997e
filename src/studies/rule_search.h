// The search for a better rule table: a (1+λ) evolution strategy. Each
// generation makes λ children of the best controller found so far, each by a
// few random changes (of one rule, or of a whole state); all children are
// tried on every course, and the best child replaces its parent when it
// scores at least as well. Ties go to the parent's side of change: an equal
// child is taken, so the search can drift across flat ground.
//
// Every random choice of a child comes from the seed, the generation and the
// child's number alone, and the courses are scored independently, so the
// search gives the same controllers for a seed whatever runs its tasks (one
// thread or many, or other instances of the program that send the scores
// back).
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "studies/controller.h"
#include "studies/for_each_index.h"
#include "studies/line_course.h"
#include "studies/run_score.h"

namespace ormakin::studies {

// A deterministic random source (SplitMix64): small, fast, and the same on
// every platform and standard library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  // A whole number from 0 to n - 1 (n > 0).
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  // True with probability `p`.
  bool Chance(double p) { return static_cast<double>(Next() >> 11) * 0x1.0p-53 < p; }

 private:
  std::uint64_t state_;
};

// The seed of the random numbers of child `child` of generation
// `generation` in a search with seed `seed`.
std::uint64_t ChildSeed(std::uint64_t seed, int generation, int child);

// What the search may write into a rule.
struct RuleValues {
  std::vector<double> turns;     // degrees
  std::vector<double> advances;  // multiples of the speed
  // The values for a settings file whose decimal mark is `mark`: without a
  // point, a rule cannot hold a fraction.
  static RuleValues For(char mark);
};

// A controller with its score on each course.
struct Scored {
  Controller controller;
  std::vector<RunScore> runs;  // one per course
  double total = 0.0;
  // The rules that any of its runs applied.
  RuleSet Applied() const;
};

// The ticks of one run on one course when the caller names none.
inline constexpr std::uint64_t kTuneTicks = 5000;

// Controllers to try, each on every course: task `t` is controller
// t / courseCount on course t % courseCount. Whoever holds the courses may
// run any task; the scores, taken back in task order, are the same wherever
// they ran.
struct TuneTasks {
  std::vector<Controller> controllers;
  std::size_t courseCount = 0;

  std::size_t Count() const { return controllers.size() * courseCount; }
  // Runs task `task` for at most `ticks` ticks.
  RunScore Run(std::size_t task, std::vector<LineCourse>& courses, std::uint64_t ticks) const;
  // Every task through `forEach`, the scores in task order.
  std::vector<RunScore> RunAll(std::vector<LineCourse>& courses, std::uint64_t ticks,
                               const ForEachIndex& forEach) const;
  // The controllers with their scores, from the scores of every task in task
  // order. Raises Exception when their number is not Count().
  std::vector<Scored> Join(std::vector<RunScore> scores) const;
};

// Scores `controller` on every course, each run at most `ticks` ticks, one
// task per course through `forEach`.
Scored Evaluate(const Controller& controller, std::vector<LineCourse>& courses, std::uint64_t ticks,
                const ForEachIndex& forEach = SerialRunner());

class RuleSearch {
 public:
  static constexpr int kChildren = 8;  // λ

  // The search from `start` (scored on `courseCount` courses) with `seed`.
  RuleSearch(Scored start, std::size_t courseCount, std::uint64_t seed, RuleValues values);

  // How many children the next generation may have within a budget of
  // `evaluations` controllers tried: kChildren, fewer for the last one, 0
  // once the budget is spent.
  int ChildrenWithin(std::uint64_t evaluations) const;

  // A generation in two halves, so that its tasks may run elsewhere: Begin
  // makes the children (1 to kChildren) of the next generation and returns
  // their tasks; End takes the scores of those tasks in task order, keeps
  // the best child when it scores at least as well as the best so far, and
  // returns the number of controllers tried. Raises Exception for an End
  // without a Begin, or with another number of scores.
  const TuneTasks& BeginGeneration(int children);
  int EndGeneration(std::vector<RunScore> scores);

  // The tasks of the generation after the one under way, on the guess that
  // the scores of its first tasks, `firstScores` (in task order, whole
  // controllers of them counting), decide it: that no later child scores
  // above the best of them. `children` as for BeginGeneration. When the
  // generation ends as guessed, BeginGeneration makes the same tasks, so
  // they may run while its last tasks are still out, their scores kept only
  // then. Raises Exception without a generation under way.
  TuneTasks GuessNextGeneration(const std::vector<RunScore>& firstScores, int children) const;
  // The parent GuessNextGeneration takes for `firstScores`: the number of
  // the child of the generation under way that replaces the best so far on
  // those scores, or none for the best so far. The guess changes with more
  // scores only when this does. Raises Exception without a generation
  // under way.
  std::optional<std::size_t> GuessedParent(const std::vector<RunScore>& firstScores) const;

  // One whole generation, its tasks run on `courses` for at most `ticks`
  // ticks through `forEach`.
  int Generation(int children, std::vector<LineCourse>& courses, std::uint64_t ticks,
                 const ForEachIndex& forEach = SerialRunner());

  const Scored& Best() const { return best_; }
  std::uint64_t Evaluations() const { return evaluations_; }

 private:
  Controller Child(const Scored& parent, int generation, int child) const;
  void Mutate(Controller& controller, const RuleSet& applied, Random& random) const;
  // The children of `parent` in `generation`.
  TuneTasks ChildrenOf(const Scored& parent, int generation, int children) const;

  Scored best_;
  std::size_t courseCount_;
  std::uint64_t seed_;
  RuleValues values_;
  TuneTasks tasks_;  // the children of the generation under way, if any
  int generation_ = 0;
  std::uint64_t evaluations_ = 0;
};

}  // namespace ormakin::studies
