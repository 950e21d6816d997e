#include "studies/rule_search.h"

#include <algorithm>
#include <optional>
#include <span>

#include "core/base/errors.h"

namespace ormakin::studies {

namespace {

RunScore ScoreOn(const Controller& controller, LineCourse& course, std::uint64_t ticks) {
  TCar car = MakeCar(controller, course);
  return ScoreRun(car, course, ticks);
}

// One more than the highest state that a rule names, so that a change may
// bring one new state into use; at most the last state.
int Reach(const Controller& controller) {
  int highest = 1;
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      const std::int32_t next = controller.Rule(s, m).NextState;
      if (controller.IsSet(s, m) && next <= kStateCount) {
        highest = std::max(highest, static_cast<int>(next));
      }
    }
  }
  return std::min(highest + 1, kStateCount);
}

// A controller's total: the scores of its runs, one per course, summed in
// course order.
double Total(std::span<const RunScore> runs) {
  double total = 0.0;
  for (const RunScore& run : runs) {
    total += run.score;
  }
  return total;
}

// The child that replaces the best so far, whose total is `bestTotal`,
// among children of totals `totals`: the first of the best scoring, when it
// scores at least as well; none when there are no children.
std::optional<std::size_t> Successor(const std::vector<double>& totals, double bestTotal) {
  std::optional<std::size_t> leader;
  for (std::size_t c = 0; c < totals.size(); ++c) {
    if (!leader || totals[c] > totals[*leader]) {
      leader = c;
    }
  }
  if (leader && totals[*leader] >= bestTotal) {
    return leader;
  }
  return std::nullopt;
}

}  // namespace

std::uint64_t Random::Next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

// The seed, the generation and the child's number, mixed in turn, each through a full SplitMix64
// step, so that every bit of each changes about half the bits of the result and no two (seed,
// generation, child) share a child's random numbers.
std::uint64_t ChildSeed(std::uint64_t seed, int generation, int child) {
  std::uint64_t mixed = Random(seed).Next();
  mixed = Random(mixed ^ static_cast<std::uint64_t>(generation)).Next();
  return Random(mixed ^ static_cast<std::uint64_t>(child)).Next();
}

RuleValues RuleValues::For(char mark) {
  RuleValues values;
  // Every 3 degrees from a hard left to a hard right.
  for (int turn = -45; turn <= 45; turn += 3) {
    values.turns.push_back(turn);
  }
  values.advances =
      mark == '.' ? std::vector<double>{0, 0.5, 1, 1.5, 2, 3} : std::vector<double>{0, 1, 2, 3};
  return values;
}

RuleSet Scored::Applied() const {
  RuleSet applied;
  for (const RunScore& run : runs) {
    applied |= run.applied;
  }
  return applied;
}

RunScore TuneTasks::Run(std::size_t task, std::vector<LineCourse>& courses,
                        std::uint64_t ticks) const {
  if (task >= Count() || courses.size() != courseCount) {
    throw Exception("no such task of the search");
  }
  return ScoreOn(controllers[task / courseCount], courses[task % courseCount], ticks);
}

std::vector<RunScore> TuneTasks::RunAll(std::vector<LineCourse>& courses, std::uint64_t ticks,
                                        const ForEachIndex& forEach) const {
  std::vector<RunScore> scores(Count());
  forEach(scores.size(), [&](std::size_t task) { scores[task] = Run(task, courses, ticks); }, {});
  return scores;
}

std::vector<Scored> TuneTasks::Join(std::vector<RunScore> scores) const {
  if (scores.size() != Count()) {
    throw Exception("the search's scores do not match its tasks");
  }
  std::vector<Scored> joined;
  joined.reserve(controllers.size());
  for (std::size_t c = 0; c < controllers.size(); ++c) {
    Scored& scored = joined.emplace_back(Scored{controllers[c], {}, 0.0});
    for (std::size_t k = 0; k < courseCount; ++k) {
      scored.runs.push_back(std::move(scores[c * courseCount + k]));
    }
    scored.total = Total(scored.runs);
  }
  return joined;
}

Scored Evaluate(const Controller& controller, std::vector<LineCourse>& courses, std::uint64_t ticks,
                const ForEachIndex& forEach) {
  const TuneTasks tasks{{controller}, courses.size()};
  return std::move(tasks.Join(tasks.RunAll(courses, ticks, forEach)).front());
}

RuleSearch::RuleSearch(Scored start, std::size_t courseCount, std::uint64_t seed, RuleValues values)
    : best_(std::move(start)), courseCount_(courseCount), seed_(seed), values_(std::move(values)) {}

void RuleSearch::Mutate(Controller& controller, const RuleSet& applied, Random& random) const {
  const int reach = Reach(controller);
  auto anyState = [&] { return 1 + random.Below(reach); };
  std::vector<int> used;
  for (std::size_t i = 0; i < applied.size(); ++i) {
    if (applied[i]) {
      used.push_back(static_cast<int>(i));
    }
  }

  const int kind = random.Below(10);
  if (kind < 7) {
    // One rule: mostly one that the runs applied, where a change tells.
    int state = 0;
    int mask = 0;
    if (!used.empty() && random.Chance(0.75)) {
      const int pick = used[static_cast<std::size_t>(random.Below(static_cast<int>(used.size())))];
      state = pick / kMaskCount + 1;
      mask = pick % kMaskCount;
    } else {
      state = anyState();
      mask = random.Below(kMaskCount);
    }
    // A rule not set yet starts as "straight on, one step, same state".
    TStateRule rule =
        controller.IsSet(state, mask) ? controller.Rule(state, mask) : TStateRule{state, 0.0, 1.0};
    const auto turn = [&] {
      return values_
          .turns[static_cast<std::size_t>(random.Below(static_cast<int>(values_.turns.size())))];
    };
    const auto advance = [&] {
      return values_.advances[static_cast<std::size_t>(
          random.Below(static_cast<int>(values_.advances.size())))];
    };
    switch (random.Below(4)) {
      case 0:
        rule.Turn = turn();
        break;
      case 1:
        rule.Advance = advance();
        break;
      case 2:
        rule.NextState = anyState();
        break;
      default:
        rule = TStateRule{anyState(), turn(), advance()};
        break;
    }
    controller.SetRule(state, mask, rule);
  } else if (kind < 9) {
    // A whole state: another state's rules copied over it.
    const int from = anyState();
    const int to = anyState();
    controller.CopyState(from, to);
  } else {
    // A whole state: every set rule of it leads to one state.
    const int state = anyState();
    const int next = anyState();
    for (int mask = 0; mask < kMaskCount; ++mask) {
      if (controller.IsSet(state, mask)) {
        TStateRule rule = controller.Rule(state, mask);
        rule.NextState = next;
        controller.SetRule(state, mask, rule);
      }
    }
  }
}

Controller RuleSearch::Child(const Scored& parent, int generation, int child) const {
  Random random(ChildSeed(seed_, generation, child));
  Controller controller = parent.controller;
  const RuleSet applied = parent.Applied();
  // One change, sometimes two or three.
  int changes = 1;
  while (changes < 3 && random.Chance(0.5)) {
    ++changes;
  }
  for (int i = 0; i < changes; ++i) {
    Mutate(controller, applied, random);
  }
  return controller;
}

int RuleSearch::ChildrenWithin(std::uint64_t evaluations) const {
  const std::uint64_t left = evaluations - std::min(evaluations, evaluations_);
  return static_cast<int>(std::min<std::uint64_t>(left, kChildren));
}

TuneTasks RuleSearch::ChildrenOf(const Scored& parent, int generation, int children) const {
  TuneTasks tasks{{}, courseCount_};
  for (int c = 0; c < std::clamp(children, 1, kChildren); ++c) {
    tasks.controllers.push_back(Child(parent, generation, c));
  }
  return tasks;
}

const TuneTasks& RuleSearch::BeginGeneration(int children) {
  tasks_ = ChildrenOf(best_, generation_, children);
  return tasks_;
}

std::optional<std::size_t> RuleSearch::GuessedParent(
    const std::vector<RunScore>& firstScores) const {
  if (tasks_.controllers.empty()) {
    throw Exception("no generation of the search is under way");
  }
  std::vector<double> totals(
      std::min(firstScores.size() / courseCount_, tasks_.controllers.size()));
  const std::span<const RunScore> scores(firstScores);
  for (std::size_t c = 0; c < totals.size(); ++c) {
    totals[c] = Total(scores.subspan(c * courseCount_, courseCount_));
  }
  return Successor(totals, best_.total);
}

TuneTasks RuleSearch::GuessNextGeneration(const std::vector<RunScore>& firstScores,
                                          int children) const {
  const std::optional<std::size_t> parent = GuessedParent(firstScores);
  if (!parent) {
    return ChildrenOf(best_, generation_ + 1, children);
  }
  const auto runs = firstScores.begin() + static_cast<std::ptrdiff_t>(*parent * courseCount_);
  const TuneTasks child{{tasks_.controllers[*parent]}, courseCount_};
  return ChildrenOf(child.Join({runs, runs + static_cast<std::ptrdiff_t>(courseCount_)}).front(),
                    generation_ + 1, children);
}

int RuleSearch::EndGeneration(std::vector<RunScore> scores) {
  if (tasks_.controllers.empty()) {
    throw Exception("no generation of the search is under way");
  }
  std::vector<Scored> tried = tasks_.Join(std::move(scores));
  tasks_.controllers.clear();
  std::vector<double> totals;
  totals.reserve(tried.size());
  for (const Scored& child : tried) {
    totals.push_back(child.total);
  }
  if (const std::optional<std::size_t> successor = Successor(totals, best_.total)) {
    best_ = std::move(tried[*successor]);
  }
  ++generation_;
  const int children = static_cast<int>(tried.size());
  evaluations_ += static_cast<std::uint64_t>(children);
  return children;
}

int RuleSearch::Generation(int children, std::vector<LineCourse>& courses, std::uint64_t ticks,
                           const ForEachIndex& forEach) {
  return EndGeneration(BeginGeneration(children).RunAll(courses, ticks, forEach));
}

}  // namespace ormakin::studies
