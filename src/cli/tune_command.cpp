#include "cli/tune_command.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <exception>
#include <memory>
#include <string_view>

#include "cli/cli_platform.h"
#include "cli/interruption.h"
#include "cli/job_pool.h"
#include "cli/output_file.h"
#include "cli/progress_bar.h"
#include "core/base/errors.h"
#include "core/settings/decimal_mark.h"
#include "core/window/trace_map.h"
#include "studies/controller.h"
#include "studies/line_course.h"
#include "studies/number_text.h"
#include "studies/rule_search.h"
#include "studies/tuned_settings.h"

namespace ormakin::cli {

using studies::Controller;
using studies::FixedText;
using studies::LineCourse;
using studies::Outcome;
using studies::RuleSearch;
using studies::RuleValues;
using studies::RunScore;
using studies::Scored;

namespace {

// The course of a bitmap file, loaded as the open command loads it.
LineCourse LoadCourse(const std::string& name) {
  TPicture picture;
  picture.LoadFromFile(name);
  const TBitmap* bitmap = picture.Bitmap();
  if (bitmap == nullptr) {
    // An icon or a metafile: the car's first probe would fail so.
    throw EInvalidOperation(kBitmapOnlyMessage);
  }
  return LineCourse(*bitmap);
}

// What a run on one course reached, for the comments and the summary.
std::string RunText(const RunScore& run, std::uint64_t ticks) {
  std::string text = "score " + FixedText(run.score, 1) + ", ";
  if (run.laps.empty()) {
    text += FixedText(100.0 * run.coverage, 1) + "% of the line passed, no lap";
  } else {
    text += std::to_string(run.laps.size()) + (run.laps.size() == 1 ? " lap" : " laps") +
            ", the first in " + std::to_string(run.laps.front()) + " ticks, the slowest in " +
            std::to_string(run.SlowestLap(ticks));
  }
  if (run.outcome != Outcome::kHolds) {
    text += std::string(", ") + studies::OutcomeName(run.outcome) + " at tick " +
            std::to_string(run.ticks);
  }
  return text;
}

// An argument as a POSIX shell reads it back: as it is when it holds only
// characters that the shell leaves alone, else in single quotes.
std::string ShellWord(const std::string& word) {
  const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
           std::string_view("_-./=:,+@%").find(c) != std::string_view::npos;
  });
  if (plain) {
    return word;
  }
  std::string quoted = "'";
  for (const char c : word) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  quoted += '\'';
  return quoted;
}

// The command that searches again exactly as this one did. The number of
// jobs is left out: it does not change what is found.
std::string RepeatCommand(const TuneOptions& options, const std::string& settingsPath) {
  std::string command = "ormakin-sim tune";
  const auto add = [&](const std::string& word) {
    command += ' ';
    command += word;
  };
  for (const std::string& course : options.courses) {
    add(ShellWord(course));
  }
  add("--settings");
  add(ShellWord(settingsPath));
  add("--ticks");
  add(std::to_string(options.ticks));
  if (options.evaluations) {
    add("--evaluations");
    add(std::to_string(*options.evaluations));
  } else if (options.seconds) {
    add("--seconds");
    add(FixedText(*options.seconds, 1));
  }
  add("--seed");
  add(std::to_string(options.seed));
  add("--out");
  add(ShellWord(options.out));
  return command;
}

}  // namespace

int TuneCommand(const TuneOptions& options, std::FILE* out, std::FILE* err) {
  const std::string settingsPath = options.settings ? *options.settings : SettingsFilePath();
  CliSession session(options.courses.front(), settingsPath, err);
  TTraceMap& traceMap = session.Window();
  if (!session.Open()) {
    return kExitFailure;
  }

  return session.Run(out, [&] {
    // Made before the search, so that an --out that cannot be written fails
    // at once, not after minutes of work; it takes the old file's place only
    // once it is complete.
    OutputFile file(options.out);
    std::vector<LineCourse> courses;
    courses.reserve(options.courses.size());
    for (const std::string& name : options.courses) {
      courses.push_back(LoadCourse(name));
    }
    const studies::ForEachIndex pool = PoolRunner(JobCount(options.jobs));
    Scored start = studies::Evaluate(Controller::Read(*traceMap.IniFile, *traceMap.Car), courses,
                                     options.ticks, pool);
    const double startTotal = start.total;
    RuleSearch search(std::move(start), courses, options.ticks, options.seed,
                      RuleValues::For(DecimalMark()), pool);

    // Without a budget the search runs for a minute.
    const double seconds = options.seconds.value_or(options.evaluations ? 0.0 : 60.0);
    const auto began = std::chrono::steady_clock::now();
    auto elapsed = [&] {
      return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    };
    ProgressBar bar(err);
    bool interrupted = false;
    {
      // Ctrl+C ends the search after the generation under way.
      const CtrlCStop ctrlC;
      while (!ctrlC.Requested()) {
        int children = RuleSearch::kChildren;
        if (options.evaluations) {
          const std::uint64_t left = *options.evaluations - search.Evaluations();
          if (left == 0) {
            break;
          }
          children = static_cast<int>(std::min<std::uint64_t>(left, RuleSearch::kChildren));
        } else if (elapsed() >= seconds) {
          break;
        }
        search.Generation(children);
        const double done = options.evaluations ? static_cast<double>(search.Evaluations()) /
                                                      static_cast<double>(*options.evaluations)
                                                : elapsed() / seconds;
        const double rate = static_cast<double>(search.Evaluations()) / std::max(elapsed(), 1e-9);
        bar.Show(done, "best " + FixedText(search.Best().total, 1) + ", " + FixedText(rate, 0) +
                           " evaluations/s");
      }
      interrupted = ctrlC.Requested();
    }
    bar.Clear();

    const Scored& best = search.Best();
    std::vector<std::string> comments;
    comments.push_back("Found by ormakin-sim tune: seed " + std::to_string(options.seed) +
                       ", budget " +
                       (options.evaluations ? std::to_string(*options.evaluations) + " evaluations"
                                            : FixedText(seconds, 1) + " seconds") +
                       ", " + std::to_string(search.Evaluations()) + " controllers tried" +
                       (interrupted ? ", stopped by Ctrl+C" : "") + ".");
    comments.push_back(std::string(options.evaluations ? "Made, and made again, by: "
                                                       : "Made by (a time budget finds more on a "
                                                         "faster machine): ") +
                       RepeatCommand(options, settingsPath));
    comments.push_back("Each course run for at most " + std::to_string(options.ticks) +
                       " ticks; total score " + FixedText(best.total, 1) + " (the start scored " +
                       FixedText(startTotal, 1) + ").");
    for (std::size_t k = 0; k < courses.size(); ++k) {
      comments.push_back(options.courses[k] + ": " + RunText(best.runs[k], options.ticks));
    }
    const auto applied = best.Applied();
    std::string unused;
    for (int s = 1; s <= kStateCount; ++s) {
      for (int m = 0; m < kMaskCount; ++m) {
        if (best.controller.IsSet(s, m) && !applied[studies::RuleIndex(s, m)]) {
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

    file.Write(studies::TunedSettingsText(best.controller, comments));
    file.Close();

    std::fprintf(out, "evaluations=%llu score=%s start_score=%s%s\n",
                 static_cast<unsigned long long>(search.Evaluations()),
                 FixedText(best.total, 1).c_str(), FixedText(startTotal, 1).c_str(),
                 interrupted ? " interrupted=yes" : "");
    for (std::size_t k = 0; k < courses.size(); ++k) {
      std::fprintf(out, "%s: %s\n", options.courses[k].c_str(),
                   RunText(best.runs[k], options.ticks).c_str());
    }
    return kExitDone;
  });
}

}  // namespace ormakin::cli
