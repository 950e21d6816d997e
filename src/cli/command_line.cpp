#include "cli/command_line.h"

#include <charconv>
#include <cstdint>
#include <vector>

namespace ormakin::cli {

const char* const kUsage =
    "usage: ormakin-sim run COURSE [--settings FILE] [--ticks N] [--trace FILE|-]\n"
    "                       [--frame FILE] [--path FILE] [--rules] [--until-loop]\n"
    "       ormakin-sim check COURSE [--mask FILE]\n"
    "       ormakin-sim lint [FILE] [--course FILE]\n"
    "       ormakin-sim sweep COURSE [--settings FILE] [--ticks N] [--around R] [--step S]\n"
    "                       [--line] [--map FILE] [--jobs J]\n"
    "       ormakin-sim tune COURSE... [--settings FILE] [--ticks N]\n"
    "                       [--seconds T | --evaluations E] [--seed S] [--jobs J] --out FILE\n"
    "       ormakin-sim --help | --version\n";

namespace {

// The arguments of one command, taken one at a time.
class ArgumentList {
 public:
  explicit ArgumentList(std::span<const std::string> args) : args_(args) {}

  bool Done() const { return next_ >= args_.size(); }

  // The next argument; an option written "--name=value" is split, and its
  // value is kept for Value().
  std::string Take() {
    std::string arg = args_[next_++];
    pending_.reset();
    if (arg.starts_with("--")) {
      const auto equals = arg.find('=');
      if (equals != std::string::npos) {
        pending_ = arg.substr(equals + 1);
        arg.resize(equals);
      }
    }
    return arg;
  }

  // The value of the option just taken.
  std::string Value(const std::string& option) {
    if (pending_) {
      std::string value = std::move(*pending_);
      pending_.reset();
      return value;
    }
    if (Done()) {
      throw UsageError(option + " needs a value");
    }
    return args_[next_++];
  }

  // An option without a value must not have been given one.
  void NoValue(const std::string& option) const {
    if (pending_) {
      throw UsageError(option + " takes no value");
    }
  }

 private:
  std::span<const std::string> args_;
  std::size_t next_ = 0;
  std::optional<std::string> pending_;
};

bool IsOption(const std::string& arg) {
  // A lone "-" is a name (standard output), not an option.
  return arg.size() > 1 && arg[0] == '-';
}

// A whole number from `lowest` to `highest`, in plain decimal digits.
std::uint64_t ParseWhole(const std::string& option, const std::string& text, std::uint64_t lowest,
                         std::uint64_t highest) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < lowest || value > highest) {
    throw UsageError(option + " needs a whole number from " + std::to_string(lowest) + " to " +
                     std::to_string(highest) + ", not '" + text + "'");
  }
  return value;
}

std::uint64_t ParseTicks(const std::string& text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) {
    throw UsageError("--ticks needs a whole number of ticks, 0 or more, not '" + text + "'");
  }
  return value;
}

// The most threads a command starts; the widest square of starts of a sweep
// (1001 x 1001 starts).
constexpr std::uint64_t kMaxJobs = 256;
constexpr std::uint64_t kMaxAround = 500;

int ParseJobs(const std::string& text) {
  return static_cast<int>(ParseWhole("--jobs", text, 1, kMaxJobs));
}

// Seconds as a decimal number with a point, whatever the locale: 0.5, 90.
double ParseSeconds(const std::string& text) {
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  if (text.empty() || ec != std::errc() || ptr != end || !(value > 0.0) || value > 1e7) {
    throw UsageError("--seconds needs a number of seconds above 0, not '" + text + "'");
  }
  return value;
}

// The one positional argument of a command.
void SetPositional(std::optional<std::string>& slot, const std::string& arg, const char* what) {
  if (slot) {
    throw UsageError(std::string("more than one ") + what + ": '" + arg + "'");
  }
  slot = arg;
}

// Reads the arguments of `command`: each option goes to `option`, which
// returns false for one it does not know; every other argument goes to
// `positional`.
template <typename Option, typename Positional>
void ReadArguments(ArgumentList& in, const char* command, Option&& option,
                   Positional&& positional) {
  while (!in.Done()) {
    const std::string arg = in.Take();
    if (option(arg)) {
      continue;
    }
    if (IsOption(arg)) {
      throw UsageError(std::string("unknown option for ") + command + ": " + arg);
    }
    positional(arg);
  }
}

// The same for a command that takes exactly one COURSE; returns it.
template <typename Option>
std::string ReadCourseArguments(ArgumentList& in, const char* command, Option&& option) {
  std::optional<std::string> course;
  ReadArguments(in, command, option,
                [&](const std::string& arg) { SetPositional(course, arg, "course"); });
  if (!course) {
    throw UsageError(std::string(command) + " needs a COURSE");
  }
  return *course;
}

RunOptions ParseRun(ArgumentList& in) {
  RunOptions options;
  options.course = ReadCourseArguments(in, "run", [&](const std::string& arg) {
    if (arg == "--settings") {
      options.settings = in.Value(arg);
    } else if (arg == "--ticks") {
      options.ticks = ParseTicks(in.Value(arg));
    } else if (arg == "--trace") {
      options.trace = in.Value(arg);
    } else if (arg == "--frame") {
      options.frame = in.Value(arg);
    } else if (arg == "--path") {
      options.path = in.Value(arg);
    } else if (arg == "--rules") {
      in.NoValue(arg);
      options.rules = true;
    } else if (arg == "--until-loop") {
      in.NoValue(arg);
      options.untilLoop = true;
    } else {
      return false;
    }
    return true;
  });
  return options;
}

CheckOptions ParseCheck(ArgumentList& in) {
  CheckOptions options;
  options.course = ReadCourseArguments(in, "check", [&](const std::string& arg) {
    if (arg == "--mask") {
      options.mask = in.Value(arg);
    } else {
      return false;
    }
    return true;
  });
  return options;
}

LintOptions ParseLint(ArgumentList& in) {
  LintOptions options;
  ReadArguments(
      in, "lint",
      [&](const std::string& arg) {
        if (arg != "--course") {
          return false;
        }
        options.course = in.Value(arg);
        return true;
      },
      [&](const std::string& arg) { SetPositional(options.file, arg, "settings file"); });
  return options;
}

SweepOptions ParseSweep(ArgumentList& in) {
  SweepOptions options;
  options.course = ReadCourseArguments(in, "sweep", [&](const std::string& arg) {
    if (arg == "--settings") {
      options.settings = in.Value(arg);
    } else if (arg == "--ticks") {
      options.ticks = ParseWhole(arg, in.Value(arg), 1, UINT32_MAX);
    } else if (arg == "--around") {
      options.around = static_cast<int>(ParseWhole(arg, in.Value(arg), 0, kMaxAround));
    } else if (arg == "--step") {
      options.step = static_cast<int>(ParseWhole(arg, in.Value(arg), 1, kMaxAround));
    } else if (arg == "--line") {
      in.NoValue(arg);
      options.line = true;
    } else if (arg == "--map") {
      options.map = in.Value(arg);
    } else if (arg == "--jobs") {
      options.jobs = ParseJobs(in.Value(arg));
    } else {
      return false;
    }
    return true;
  });
  return options;
}

TuneOptions ParseTune(ArgumentList& in) {
  TuneOptions options;
  std::optional<std::string> out;
  ReadArguments(
      in, "tune",
      [&](const std::string& arg) {
        if (arg == "--settings") {
          options.settings = in.Value(arg);
        } else if (arg == "--ticks") {
          options.ticks = ParseWhole(arg, in.Value(arg), 1, UINT32_MAX);
        } else if (arg == "--seconds") {
          options.seconds = ParseSeconds(in.Value(arg));
        } else if (arg == "--evaluations") {
          options.evaluations = ParseWhole(arg, in.Value(arg), 1, UINT32_MAX);
        } else if (arg == "--seed") {
          options.seed = ParseWhole(arg, in.Value(arg), 0, UINT64_MAX);
        } else if (arg == "--jobs") {
          options.jobs = ParseJobs(in.Value(arg));
        } else if (arg == "--out") {
          SetPositional(out, in.Value(arg), "--out");
        } else {
          return false;
        }
        return true;
      },
      [&](const std::string& arg) { options.courses.push_back(arg); });
  if (options.courses.empty()) {
    throw UsageError("tune needs at least one COURSE");
  }
  if (options.seconds && options.evaluations) {
    throw UsageError("tune takes --seconds or --evaluations, not both");
  }
  if (!out) {
    throw UsageError("tune needs --out FILE");
  }
  options.out = *out;
  return options;
}

}  // namespace

Command ParseCommandLine(std::span<const std::string> args) {
  if (args.empty()) {
    throw UsageError("no command given");
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    return HelpRequest{};
  }
  if (command == "--version") {
    return VersionRequest{};
  }
  ArgumentList in(args.subspan(1));
  if (command == "run") {
    return ParseRun(in);
  }
  if (command == "check") {
    return ParseCheck(in);
  }
  if (command == "lint") {
    return ParseLint(in);
  }
  if (command == "sweep") {
    return ParseSweep(in);
  }
  if (command == "tune") {
    return ParseTune(in);
  }
  throw UsageError("unknown command: " + command);
}

}  // namespace ormakin::cli
