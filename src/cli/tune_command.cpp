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
#include "studies/tune_report.h"
#include "studies/tuned_settings.h"

namespace ormakin::cli {

using studies::Controller;
using studies::FixedText;
using studies::LineCourse;
using studies::Outcome;
using studies::RuleSearch;
using studies::RuleValues;
using studies::Scored;

namespace {

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
      courses.push_back(studies::LoadLineCourse(name));
    }
    const studies::ForEachIndex pool = PoolRunner(JobCount(options.jobs));
    Scored start = studies::Evaluate(Controller::Read(*traceMap.IniFile, *traceMap.Car), courses,
                                     options.ticks, pool);
    const double startTotal = start.total;
    RuleSearch search(std::move(start), courses.size(), options.seed,
                      RuleValues::For(DecimalMark()));

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
          children = search.ChildrenWithin(*options.evaluations);
          if (children == 0) {
            break;
          }
        } else if (elapsed() >= seconds) {
          break;
        }
        search.Generation(children, courses, options.ticks, pool);
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
    for (std::string& comment :
         studies::TuneRunComments(best, startTotal, options.courses, options.ticks)) {
      comments.push_back(std::move(comment));
    }

    file.Write(studies::TunedSettingsText(best.controller, comments));
    file.Close();

    for (const std::string& line : studies::TuneResultLines(
             search.Evaluations(), best, startTotal, interrupted, options.courses, options.ticks)) {
      std::fprintf(out, "%s\n", line.c_str());
    }
    return kExitDone;
  });
}

}  // namespace ormakin::cli
