// The command line of ormakin-sim: five commands, each with its options.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "studies/rule_search.h"

namespace ormakin::cli {

// Exit statuses of the tool.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// `run COURSE ...`: drive the car on a course without a window.
struct RunOptions {
  std::string course;
  std::optional<std::string> settings;  // default: the settings file beside the executable
  std::uint64_t ticks = 100000;         // the most ticks simulated
  std::optional<std::string> trace;     // CSV of every tick; "-" for standard output
  std::optional<std::string> frame;     // the last frame, PNG (BMP for a .bmp name)
  std::optional<std::string> path;      // the course with the car's path, PNG
  bool rules = false;                   // print how often each rule was applied
  bool untilLoop = false;               // end the run when the car's state repeats
};

// `check COURSE [--mask FILE]`: describe a course picture.
struct CheckOptions {
  std::string course;
  std::optional<std::string> mask;  // PBM of the pixels that a sensor sees as line
};

// `lint [FILE] [--course FILE]`: find what a settings file gets wrong.
struct LintOptions {
  std::optional<std::string> file;  // default: the settings file beside the executable
  std::optional<std::string> course;
};

// `sweep COURSE ...`: the controller from many start points, and how each ends.
struct SweepOptions {
  std::string course;
  std::optional<std::string> settings;  // default: the settings file beside the executable
  std::uint64_t ticks = 5000;           // the ticks a start must last to hold the line
  int around = 10;                      // starts within this many pixels of the start point
  int step = 1;                         // pixels between two starts
  bool line = false;                    // start from every step-th line pixel instead
  std::optional<std::string> map;       // PNG of every start coloured by its outcome
  int jobs = 0;                         // threads; 0: one per processor
};

// `tune COURSE... --out FILE`: search the rule table for a better controller.
struct TuneOptions {
  std::vector<std::string> courses;
  std::optional<std::string> settings;  // the rule table to start from; default: the one beside
                                        // the executable
  std::uint64_t ticks = studies::kTuneTicks;  // the ticks of one run on one course
  std::optional<double> seconds;              // time budget
  std::optional<std::uint64_t> evaluations;   // budget in controllers tried
  std::uint64_t seed = 1;
  int jobs = 0;
  std::string out;
};

// `--help`: print the usage text.
struct HelpRequest {};

// `--version`: print the program's name and version.
struct VersionRequest {};

using Command = std::variant<RunOptions, CheckOptions, LintOptions, SweepOptions, TuneOptions,
                             HelpRequest, VersionRequest>;

// A command line that does not fit the usage; the message says what is wrong.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments after the program's name. Options take their value as
// the next argument or after "=" (--ticks=50). Raises UsageError.
Command ParseCommandLine(std::span<const std::string> args);

// The short usage text shown with a usage error and for --help.
extern const char* const kUsage;

}  // namespace ormakin::cli
