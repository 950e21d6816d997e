// The studies for the page's other module instances: the settings' lint; a
// rule's line and its edit; the sweep, whose starts the page's workers run
// in ranges, each worker an instance that opens the course and settings
// itself, and whose results the page's own studies instance joins in start
// order; and the search for a rule table, whose decisions the page's studies
// instance makes, one generation at a time, while the workers score its
// (controller, course) tasks. They exchange their inputs and results with
// the page through files in the instance's own file system under /study;
// the window's instance never calls them.
#include <emscripten.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/base/errors.h"
#include "core/base/text_encoding.h"
#include "core/settings/decimal_mark.h"
#include "core/settings/ini_file.h"
#include "core/settings/settings_model.h"
#include "core/window/platform.h"
#include "core/window/trace_map.h"
#include "studies/bmp_file.h"
#include "studies/controller.h"
#include "studies/line_course.h"
#include "studies/lint_report.h"
#include "studies/number_text.h"
#include "studies/rule_line.h"
#include "studies/rule_search.h"
#include "studies/rule_table_bytes.h"
#include "studies/run_score_bytes.h"
#include "studies/settings_lint.h"
#include "studies/sweep.h"
#include "studies/tune_report.h"
#include "studies/tuned_settings.h"
#include "web/json_text.h"

namespace ormakin::web {
namespace {

constexpr const char* kStudySettings = "/study/ormakin.ini";
constexpr const char* kStudyCourse = "/study/course.bmp";
constexpr const char* kStudyOutput = "/study/output.txt";
// The search's: its options, its courses (0.bmp, 1.bmp, ...) and their
// names, the tasks of the generation under way, and what it found.
constexpr const char* kTuneOptions = "/study/tune/options.txt";
constexpr const char* kTuneNames = "/study/tune/names.txt";
constexpr const char* kTuneSettings = "/study/tune/tuned.ini";
constexpr const char* kTuneChanges = "/study/tune/changes.txt";
// The text whose rules the page shows and edits, and an edit's parts.
constexpr const char* kStudyEdit = "/study/edit.ini";
constexpr const char* kStudyRule = "/study/rule.txt";

void CheckRulePlace(int state, int mask) {
  if (!HasRow(state) || mask < 0 || mask >= kMaskCount) {
    throw Exception("no rule has state " + std::to_string(state) + " and mask " +
                    std::to_string(mask));
  }
}

// The module's file system takes every read and write as a call out to the
// page's script, which costs far more than the bytes it moves: through a
// stream's buffer, a kilobyte a call, a generation's rule tables (some 27 KB)
// took milliseconds to write and as long to read. A file is written and read
// here unbuffered, in one call each.
void WriteText(std::string_view text, const char* file = kStudyOutput) {
  std::FILE* out = std::fopen(file, "wb");
  if (out == nullptr) {
    throw Exception(std::string("cannot write ") + file);
  }
  std::setvbuf(out, nullptr, _IONBF, 0);
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  if (std::fclose(out) != 0 || !written) {
    throw Exception(std::string("cannot write ") + file);
  }
}

std::string ReadBytes(const char* file) {
  std::FILE* in = std::fopen(file, "rb");
  if (in == nullptr) {
    throw Exception(std::string("cannot read ") + file);
  }
  std::setvbuf(in, nullptr, _IONBF, 0);
  std::string bytes;
  bool read = std::fseek(in, 0, SEEK_END) == 0;
  const long size = read ? std::ftell(in) : -1;
  read = size >= 0 && std::fseek(in, 0, SEEK_SET) == 0;
  if (read) {
    bytes.resize(static_cast<std::size_t>(size));
    read = std::fread(bytes.data(), 1, bytes.size(), in) == bytes.size();
  }
  std::fclose(in);
  if (!read) {
    throw Exception(std::string("cannot read ") + file);
  }
  return bytes;
}

// The scores of a range of a study's work, handed between the page and the
// instances in the module's memory rather than as a file (each file call is
// a call out to the page's script, and a tune takes thousands of ranges): a
// worker's run leaves them here for the page to copy out, and the page
// copies them into its own instance's before that takes them.
std::string results;

// The text of a failure, as the page shows it.
void WriteFailure(const std::exception& failure) {
  WriteText(WithFinalPeriod(ToDisplayText(failure.what())));
}

// A window that never waits: the course is the one the page put down (none
// when it put none down), and an error box ends the study with its text.
class StudyPlatform : public Platform {
 public:
  int ShowMessageBox(const std::string& text, const std::string& /*caption*/,
                     MessageBoxFlags flags) override {
    if (flags == MessageBoxFlags::OkWithErrorIcon && !error) {
      error = text;
    }
    return 1;
  }
  void ProcessMessages() override {}
  void Pause(int /*milliseconds*/) override {}
  std::optional<std::string> ChooseFile(const std::string& /*filter*/,
                                        const std::string& /*lastName*/) override {
    if (!std::ifstream(kStudyCourse)) {
      return std::nullopt;
    }
    return std::string(kStudyCourse);
  }
  void InvalidateImage() override {}
  void CancelMouseCapture() override {}
  void Terminate() override {}
  std::optional<std::string> error;
};

struct SweepSession {
  StudyPlatform platform;
  TTraceMap window{platform, kStudySettings};
  std::unique_ptr<studies::Sweep> sweep;
};

std::unique_ptr<SweepSession> session;

// The course files of a search, 0.bmp to (count - 1).bmp under /study/tune.
std::vector<studies::LineCourse> TuneCourses(int count) {
  std::vector<studies::LineCourse> courses;
  for (int k = 0; k < count; ++k) {
    courses.push_back(studies::LoadLineCourse("/study/tune/" + std::to_string(k) + ".bmp"));
  }
  return courses;
}

// The controller that the settings in /study/ormakin.ini give, read as the
// window reads them; raises the text of the window's error box.
studies::Controller SettingsController(SweepSession& s) {
  s.window.Create();
  if (!s.platform.error && !s.window.Car) {
    s.platform.error = "the car could not be built from the settings";
  }
  if (s.platform.error) {
    throw Exception(*s.platform.error);
  }
  return studies::Controller::Read(*s.window.IniFile, *s.window.Car);
}

// The page's search: the controller it started from, the courses' names, its
// budget and seed, the tasks of the generation under way (the start's own
// before the first) and the scores of them taken so far.
struct TuneSession {
  studies::Controller start;
  std::vector<std::string> names;
  std::uint64_t ticks = studies::kTuneTicks;
  std::uint64_t evaluations = 0;
  std::uint64_t seed = 0;
  double startTotal = 0.0;
  std::optional<studies::RuleSearch> search;
  studies::TuneTasks tasks;
  std::vector<studies::RunScore> scores;
  // The parent of the guess made during the generation under way (the
  // best so far when none), once one is made.
  std::optional<std::optional<std::size_t>> guessParent;
};

std::unique_ptr<TuneSession> tune;

// A worker's part of a search: the controller the settings give and the
// courses, on which it scores the tasks of the generation under way, read
// once a generation from the rule tables the page puts into the module's
// memory.
struct TuneWorker {
  studies::Controller base;
  std::vector<studies::LineCourse> courses;
  std::optional<studies::TuneTasks> tasks;
};

std::unique_ptr<TuneWorker> tuneWorker;

// A new generation's rule tables, put by the page for the worker's next
// range to read (empty once read). A file would cost calls out to the
// page's script for each range, to see whether it is there.
std::string tuneTables;

// A generation's rule tables left for studies_results, for the page to
// hand to the workers: in the module's memory, where a file would cost calls
// out to the page's script to write it and read it back.
void LeaveTables(const studies::TuneTasks& tasks) {
  results = studies::RuleTablesToBytes(tasks.controllers);
}

// Where the search stands, for the page's progress bar:
// "EVALUATIONS SCORE LAPS..." with the best's laps on each course.
void WriteProgress(const TuneSession& t) {
  const studies::Scored& best = t.search->Best();
  std::string text =
      std::to_string(t.search->Evaluations()) + " " + studies::FixedText(best.total, 1);
  for (const studies::RunScore& run : best.runs) {
    text += " " + std::to_string(run.laps.size());
  }
  WriteText(text);
}

}  // namespace
}  // namespace ormakin::web

using namespace ormakin;

extern "C" {

// Lints /study/ormakin.ini; writes its findings on lines to
// /study/output.txt as JSON, for the page to word each from its code:
// {"findings":[{"line":N,"code":"name","values":{"name":"value",...}},...]},
// or {"failure":"text"}.
EMSCRIPTEN_KEEPALIVE void studies_lint() {
  std::string text;
  try {
    const TIniFile settings(web::kStudySettings);
    const studies::SettingsLint lint = studies::LintSettings(settings);
    text = "{\"findings\":[";
    const char* separator = "";
    for (const studies::LintFinding& finding : lint.findings) {
      if (finding.line == 0) continue;
      text += separator;
      separator = ",";
      text += "{\"line\":" + std::to_string(finding.line) +
              ",\"code\":" + web::JsonText(studies::LintCodeName(finding.code)) + ",\"values\":{";
      const char* comma = "";
      for (const auto& [name, value] : finding.values) {
        text += comma + web::JsonText(name) + ":" + web::JsonText(value);
        comma = ",";
      }
      text += "}}";
    }
    text += "]}";
  } catch (const std::exception& failure) {
    text = "{\"failure\":" + web::JsonText(WithFinalPeriod(ToDisplayText(failure.what()))) + "}";
  }
  web::WriteText(text);
}

// The rule of `state` and `mask` in /study/edit.ini: writes its line's text
// to /study/output.txt, then, when the program reads a rule there, the
// rule's three parts (turn, advance, next state), a line each. Returns the
// line's number, 0 when no line gives the rule, or -1 with the error's text.
EMSCRIPTEN_KEEPALIVE int studies_rule_line(int state, int mask) {
  try {
    web::CheckRulePlace(state, mask);
    const studies::RuleLine line = studies::FindRuleLine(web::kStudyEdit, state, mask);
    std::string text = line.text + "\n";
    const TIniFile settings(web::kStudyEdit);
    const auto rule = ParseRule(settings.ReadEntry(kStateSection, RuleKey(state, mask)));
    if (const auto* parsed = std::get_if<TStateRule>(&rule)) {
      for (const std::string& part : RuleParts(*parsed)) text += part + "\n";
    }
    web::WriteText(text);
    return static_cast<int>(line.number);
  } catch (const std::exception& failure) {
    web::WriteText(WithFinalPeriod(ToDisplayText(failure.what())));
    return -1;
  }
}

// /study/edit.ini with the rule of `state` and `mask` set to the parts in
// /study/rule.txt (turn, advance, next state, a line each), or cleared when
// there is no such file: writes the new text to /study/output.txt and
// returns 0. A part that does not convert (or holds a comma) returns
// -2 (the turn), -3 (the advance) or -4 (the next state); any other failure
// -1 with the error's text.
EMSCRIPTEN_KEEPALIVE int studies_rule_edit(int state, int mask) {
  try {
    web::CheckRulePlace(state, mask);
    std::optional<TStateRule> rule;
    if (std::ifstream in{web::kStudyRule, std::ios::binary}) {
      std::array<std::string, 3> parts;
      for (int i = 0; i < 3; ++i) {
        std::getline(in, parts[i]);
        if (parts[i].find(',') != std::string::npos) return -2 - i;
      }
      const auto parsed = ParseRule(JoinRuleParts(parts));
      if (const auto* error = std::get_if<RuleError>(&parsed)) {
        return -2 - static_cast<int>(error->kind) + static_cast<int>(RuleError::Kind::Turn);
      }
      rule = std::get<TStateRule>(parsed);
    }
    web::WriteText(studies::RewriteRule(web::kStudyEdit, state, mask, rule));
    return 0;
  } catch (const std::exception& failure) {
    web::WriteText(WithFinalPeriod(ToDisplayText(failure.what())));
    return -1;
  }
}

// Starts a sweep of /study/course.bmp with /study/ormakin.ini, opened as the
// window opens them, with the default options. Returns the number of
// starts, or -1 with the error's text in /study/output.txt.
EMSCRIPTEN_KEEPALIVE int studies_sweep_begin() {
  web::session = std::make_unique<web::SweepSession>();
  web::SweepSession& s = *web::session;
  s.window.Create();
  if (!s.platform.error && s.window.Car) {
    s.window.Dispatch(&TTraceMap::Open1Click);
    // The window holds the course now; its file is not needed any more.
    std::remove(web::kStudyCourse);
    if (!s.platform.error && s.window.OpenDialog1.FileName.empty()) {
      s.platform.error = kNoCourseMessage;
    }
  }
  if (!s.platform.error && !s.window.Car) {
    s.platform.error = "the car could not be built from the settings";
  }
  if (!s.platform.error) {
    try {
      const TBitmap* picture = s.window.CourseImage->Picture.Bitmap();
      if (picture == nullptr) {
        throw EInvalidOperation(kBitmapOnlyMessage);
      }
      s.sweep = std::make_unique<studies::Sweep>(
          *picture, studies::Controller::Read(*s.window.IniFile, *s.window.Car),
          studies::SweepOptions{});
    } catch (...) {
      s.window.HandleException(std::current_exception());
    }
  }
  if (s.platform.error) {
    web::WriteText(*s.platform.error);
    web::session.reset();
    return -1;
  }
  return static_cast<int>(s.sweep->Starts().size());
}

// Where a study's results lie in the module's memory, as bytes; `size` >= 0
// first makes room for that many, for the page to copy a worker's results
// in. studies_results_size() tells how many there are.
EMSCRIPTEN_KEEPALIVE char* studies_results(int size) {
  if (size >= 0) {
    web::results.resize(static_cast<std::size_t>(size));
  }
  return web::results.data();
}

EMSCRIPTEN_KEEPALIVE int studies_results_size() {
  return static_cast<int>(web::results.size());
}

// Runs the `count` starts from `first` on and leaves their results for
// studies_results; returns how many ran, or -1 with the error's text.
EMSCRIPTEN_KEEPALIVE int studies_sweep_run(int first, int count) {
  try {
    if (!web::session || first < 0 || count < 0) {
      throw Exception("no sweep is under way");
    }
    const std::vector<studies::RunScore> results = web::session->sweep->RunRange(
        static_cast<std::size_t>(first), static_cast<std::size_t>(count));
    web::results = studies::ScoresToBytes(results);
    return static_cast<int>(results.size());
  } catch (const std::exception& failure) {
    web::WriteText(WithFinalPeriod(ToDisplayText(failure.what())));
    return -1;
  }
}

// Takes the results put with studies_results as those of the next starts;
// returns the number done in all, or -1 with the error's text.
EMSCRIPTEN_KEEPALIVE int studies_sweep_take() {
  try {
    if (!web::session) {
      throw Exception("no sweep is under way");
    }
    return static_cast<int>(
        web::session->sweep->Take(studies::ScoresFromBytes(std::exchange(web::results, {}))));
  } catch (const std::exception& failure) {
    web::WriteText(WithFinalPeriod(ToDisplayText(failure.what())));
    return -1;
  }
}

// Writes the summary to /study/output.txt and the map as the tool's BMP
// file to /study/map.bmp, and leaves the map's pixels for studies_results,
// row after row, as the bytes red, green, blue, 255 of each, which the
// page's canvas takes as they are; returns the map's width, its height in
// the high half (both below 65536), or -1 with the error's text.
EMSCRIPTEN_KEEPALIVE int studies_sweep_finish() {
  if (!web::session) {
    return -1;
  }
  int size = -1;
  try {
    const TBitmap map = web::session->sweep->Map();
    const auto width = static_cast<std::size_t>(map.Width());
    std::vector<std::uint32_t> pixels(width * static_cast<std::size_t>(map.Height()));
    for (int y = 0; y < map.Height(); ++y) {
      map.Store()->RowToRgba(y, map.Width(), pixels.data() + static_cast<std::size_t>(y) * width);
    }
    web::results.assign(reinterpret_cast<const char*>(pixels.data()),
                        pixels.size() * sizeof(std::uint32_t));
    std::string bmp;
    studies::WriteBmp(map, "/study/map.bmp", [&](const void* data, std::size_t count) {
      bmp.append(static_cast<const char*>(data), count);
    });
    web::WriteText(bmp, "/study/map.bmp");
    size = map.Width() | (map.Height() << 16);
    web::WriteText(web::session->sweep->Summary());
  } catch (const std::exception& failure) {
    web::WriteText(WithFinalPeriod(ToDisplayText(failure.what())));
  }
  web::session.reset();
  return size;
}

// Begins a search from the settings in /study/ormakin.ini on the courses
// under /study/tune, with the options in /study/tune/options.txt
// ("EVALUATIONS SEED") and the courses' names, one a line, in
// /study/tune/names.txt. Leaves the rule tables of the tasks that score
// the start for studies_results and returns their number, or -1 with the
// error's text.
EMSCRIPTEN_KEEPALIVE int studies_tune_begin() {
  web::tune.reset();
  try {
    std::istringstream options(web::ReadBytes(web::kTuneOptions));
    auto t = std::make_unique<web::TuneSession>();
    if (!(options >> t->evaluations >> t->seed) || t->evaluations == 0) {
      throw Exception("the search's options are damaged");
    }
    std::istringstream names(web::ReadBytes(web::kTuneNames));
    for (std::string name; std::getline(names, name);) {
      t->names.push_back(name);
    }
    if (t->names.empty()) {
      throw Exception("no course to tune on");
    }
    {
      web::SweepSession window;
      t->start = web::SettingsController(window);
    }
    // Every course is read here too, so that one no instance can read is
    // reported before any worker starts.
    const std::vector<studies::LineCourse> courses =
        web::TuneCourses(static_cast<int>(t->names.size()));
    t->tasks = studies::TuneTasks{{t->start}, courses.size()};
    web::LeaveTables(t->tasks);
    web::tune = std::move(t);
    return static_cast<int>(web::tune->tasks.Count());
  } catch (const std::exception& failure) {
    web::WriteFailure(failure);
    return -1;
  }
}

// Takes the scores put with studies_results as those of the next tasks of the
// generation under way. Once it has them all, the generation is decided.
// Returns the number of its tasks still to come, or -1 with the error's
// text.
EMSCRIPTEN_KEEPALIVE int studies_tune_take() {
  try {
    if (!web::tune) {
      throw Exception("no search is under way");
    }
    web::TuneSession& t = *web::tune;
    std::vector<studies::RunScore> scores =
        studies::ScoresFromBytes(std::exchange(web::results, {}));
    if (scores.size() > t.tasks.Count() - t.scores.size()) {
      throw Exception("more scores than the search has tasks");
    }
    std::move(scores.begin(), scores.end(), std::back_inserter(t.scores));
    const std::size_t left = t.tasks.Count() - t.scores.size();
    if (left == 0) {
      if (t.search) {
        t.search->EndGeneration(std::move(t.scores));
      } else {
        studies::Scored start = std::move(t.tasks.Join(std::move(t.scores)).front());
        t.startTotal = start.total;
        t.search.emplace(std::move(start), t.tasks.courseCount, t.seed,
                         studies::RuleValues::For(DecimalMark()));
      }
      t.scores.clear();
      t.tasks.controllers.clear();
      t.guessParent.reset();
      web::WriteProgress(t);
    }
    return static_cast<int>(left);
  } catch (const std::exception& failure) {
    web::WriteFailure(failure);
    return -1;
  }
}

// Begins the next generation: leaves its tasks' rule tables for
// studies_results and returns their number; 0 once the budget is spent; -1
// with the error's text.
EMSCRIPTEN_KEEPALIVE int studies_tune_next() {
  try {
    if (!web::tune || !web::tune->search || !web::tune->tasks.controllers.empty()) {
      throw Exception("no search is waiting for its next generation");
    }
    web::TuneSession& t = *web::tune;
    const int children = t.search->ChildrenWithin(t.evaluations);
    if (children == 0) {
      return 0;
    }
    t.tasks = t.search->BeginGeneration(children);
    web::LeaveTables(t.tasks);
    return static_cast<int>(t.tasks.Count());
  } catch (const std::exception& failure) {
    web::WriteFailure(failure);
    return -1;
  }
}

// Guesses the generation after the one under way from the scores taken of
// it so far (RuleSearch::GuessNextGeneration), for the workers to run while
// its last tasks are out: leaves its tasks' rule tables for studies_results
// and returns their number; 0 when there is no generation to guess (the start
// is being scored, or the budget ends with this one); -1 with the error's
// text. The page keeps their scores only when studies_tune_next makes the
// same tasks.
EMSCRIPTEN_KEEPALIVE int studies_tune_guess() {
  try {
    if (!web::tune) {
      throw Exception("no search is under way");
    }
    web::TuneSession& t = *web::tune;
    if (!t.search || t.tasks.controllers.empty()) {
      return 0;
    }
    // The budget left once this generation's children are counted.
    const std::uint64_t under = t.tasks.controllers.size();
    const int children = t.search->ChildrenWithin(t.evaluations - std::min(t.evaluations, under));
    if (children == 0) {
      return 0;
    }
    const studies::TuneTasks guess = t.search->GuessNextGeneration(t.scores, children);
    t.guessParent = t.search->GuessedParent(t.scores);
    web::LeaveTables(guess);
    return static_cast<int>(guess.Count());
  } catch (const std::exception& failure) {
    web::WriteFailure(failure);
    return -1;
  }
}

// Whether the scores taken since the generation under way was last guessed
// make another guess: 1 when they do (the page drops that guess and asks
// again), 0 when they do not or no guess was made; -1 with the error's
// text. Cheap: it compares the guess's parent, not its children.
EMSCRIPTEN_KEEPALIVE int studies_tune_guess_stale() {
  try {
    if (!web::tune) {
      throw Exception("no search is under way");
    }
    const web::TuneSession& t = *web::tune;
    if (!t.guessParent || !t.search || t.tasks.controllers.empty()) {
      return 0;
    }
    return t.search->GuessedParent(t.scores) != *t.guessParent ? 1 : 0;
  } catch (const std::exception& failure) {
    web::WriteFailure(failure);
    return -1;
  }
}

// Ends the search, `interrupted` when it was cancelled before its budget was
// spent: writes the tool's result lines to /study/output.txt, the tuned
// settings to /study/tune/tuned.ini and the rules that changed, "KEY\tBEFORE\t
// AFTER" a line (a rule not set is empty), to /study/tune/changes.txt.
// Returns 0, or -1 with the error's text.
EMSCRIPTEN_KEEPALIVE int studies_tune_finish(int interrupted) {
  int result = 0;
  try {
    if (!web::tune || !web::tune->search) {
      throw Exception("the search ended before its start was scored");
    }
    const web::TuneSession& t = *web::tune;
    const studies::Scored& best = t.search->Best();
    std::vector<std::string> comments{
        "Found in the page: seed " + std::to_string(t.seed) + ", budget " +
            std::to_string(t.evaluations) + " evaluations, " +
            std::to_string(t.search->Evaluations()) + " controllers tried" +
            (interrupted != 0 ? ", stopped by cancel" : "") + ".",
        "Made again by ormakin-sim tune on the same courses and settings with --ticks " +
            std::to_string(t.ticks) + " --evaluations " + std::to_string(t.evaluations) +
            " --seed " + std::to_string(t.seed) + "."};
    for (std::string& comment : studies::TuneRunComments(best, t.startTotal, t.names, t.ticks)) {
      comments.push_back(std::move(comment));
    }
    web::WriteText(studies::TunedSettingsText(best.controller, comments), web::kTuneSettings);
    std::string changes;
    for (const studies::ChangedRule& rule : studies::ChangedRules(t.start, best.controller)) {
      changes += rule.key + "\t" + rule.before + "\t" + rule.after + "\n";
    }
    web::WriteText(changes, web::kTuneChanges);
    std::string lines;
    for (const std::string& line : studies::TuneResultLines(
             t.search->Evaluations(), best, t.startTotal, interrupted != 0, t.names, t.ticks)) {
      lines += line + "\n";
    }
    web::WriteText(lines);
  } catch (const std::exception& failure) {
    web::WriteFailure(failure);
    result = -1;
  }
  web::tune.reset();
  return result;
}

// A worker's part of a search: opens /study/ormakin.ini as the window does
// and the `courseCount` courses under /study/tune. Returns 0, or -1 with the
// error's text.
EMSCRIPTEN_KEEPALIVE int studies_tune_work_begin(int courseCount) {
  web::tuneWorker.reset();
  try {
    auto w = std::make_unique<web::TuneWorker>();
    {
      web::SweepSession window;
      w->base = web::SettingsController(window);
    }
    w->courses = web::TuneCourses(courseCount);
    web::tuneWorker = std::move(w);
    return 0;
  } catch (const std::exception& failure) {
    web::WriteFailure(failure);
    return -1;
  }
}

// Makes room for `size` bytes of a new generation's rule tables, for the page
// to copy in before the worker's next range; returns where they go.
EMSCRIPTEN_KEEPALIVE char* studies_tune_work_tables(int size) {
  web::tuneTables.assign(static_cast<std::size_t>(std::max(size, 0)), '\0');
  return web::tuneTables.data();
}

// Scores the `count` tasks from `first` on of the generation under way and
// leaves them for studies_results; returns how many ran, or -1 with the
// error's text. When the page has put rule tables down with
// studies_tune_work_tables, they are a new generation's: they are read once,
// so that the generation's other ranges need only their place.
EMSCRIPTEN_KEEPALIVE int studies_tune_work(int first, int count) {
  try {
    if (!web::tuneWorker || first < 0 || count < 0) {
      throw Exception("no search is under way");
    }
    web::TuneWorker& w = *web::tuneWorker;
    if (!web::tuneTables.empty()) {
      w.tasks.reset();
      w.tasks.emplace(studies::TuneTasks{
          studies::RuleTablesFromBytes(std::exchange(web::tuneTables, {}), w.base),
          w.courses.size()});
    }
    if (!w.tasks) {
      throw Exception("no generation is under way");
    }
    const studies::TuneTasks& tasks = *w.tasks;
    const std::size_t from = std::min(tasks.Count(), static_cast<std::size_t>(first));
    std::vector<studies::RunScore> scores(
        std::min(tasks.Count() - from, static_cast<std::size_t>(count)));
    studies::RunSerially(
        scores.size(),
        [&](std::size_t i) { scores[i] = tasks.Run(from + i, w.courses, studies::kTuneTicks); },
        {});
    web::results = studies::ScoresToBytes(scores);
    return static_cast<int>(scores.size());
  } catch (const std::exception& failure) {
    web::WriteFailure(failure);
    return -1;
  }
}
}
