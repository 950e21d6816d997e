// ormakin-sim: the simulator without a window. It runs a controller on a
// course as fast as the machine allows, describes a course picture, and
// finds what a settings file gets wrong, all through the window's own code.
#include <cstdio>
#include <exception>
#include <string>
#include <variant>
#include <vector>

#include "cli/check_command.h"
#include "cli/command_files.h"
#include "cli/command_line.h"
#include "cli/interruption.h"
#include "cli/lint_command.h"
#include "cli/run_command.h"
#include "cli/sweep_command.h"
#include "cli/tune_command.h"
#include "core/settings/decimal_mark.h"

int main(int argc, char* argv[]) {
  using namespace ormakin::cli;
  // An interrupted command leaves no temporary file beside its outputs.
  CatchInterruptions();
  const std::vector<std::string> args(argv + 1, argv + argc);
  Command command;
  try {
    command = ParseCommandLine(args);
  } catch (const UsageError& error) {
    std::fprintf(stderr, "ormakin-sim: %s\n%s", error.what(), kUsage);
    return kExitUsage;
  }
  // Before anything is read or written: no output may land on an input or
  // on another output.
  if (const auto clash = FindOutputClash(FilesOf(command))) {
    std::fprintf(stderr, "ormakin-sim: %s\n", clash->c_str());
    return kExitUsage;
  }
  // Numbers in the settings file use the user's decimal mark, as in the window.
  ormakin::RefreshDecimalMark();
  int status = kExitFailure;
  try {
    status = std::visit(
        [](const auto& options) -> int {
          using T = std::decay_t<decltype(options)>;
          if constexpr (std::is_same_v<T, RunOptions>) {
            return RunCommand(options, stdout, stderr);
          } else if constexpr (std::is_same_v<T, CheckOptions>) {
            return CheckCommand(options, stdout, stderr);
          } else if constexpr (std::is_same_v<T, LintOptions>) {
            return LintCommand(options, stdout, stderr);
          } else if constexpr (std::is_same_v<T, SweepOptions>) {
            return SweepCommand(options, stdout, stderr);
          } else if constexpr (std::is_same_v<T, TuneOptions>) {
            return TuneCommand(options, stdout, stderr);
          } else if constexpr (std::is_same_v<T, VersionRequest>) {
            // The version is the build's, from the project's definition.
            std::printf("ormakin-sim %s\n", ORMAKIN_VERSION);
            return kExitDone;
          } else {
            std::fputs(kUsage, stdout);
            return kExitDone;
          }
        },
        command);
  } catch (const std::exception& failure) {
    // Whatever the commands did not catch themselves (memory running out).
    std::fprintf(stderr, "%s\n", failure.what());
    return kExitFailure;
  }
  // A summary that never reached its reader (a full disk) is no success.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "cannot write the standard output\n");
    return kExitFailure;
  }
  return status;
}
