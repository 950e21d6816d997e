// The command line of ormakin-sim: three commands, each with its options.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <variant>

namespace ormakin::cli {

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

// `--help`: print the usage text.
struct HelpRequest {};

using Command = std::variant<RunOptions, CheckOptions, LintOptions, HelpRequest>;

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
