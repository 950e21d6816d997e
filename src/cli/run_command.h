// `ormakin-sim run`: the car on a course as fast as the machine allows,
// through the same start-up and open command as the window.
#pragma once

#include <cstdio>

#include "command_line.h"

namespace ormakin::cli {

// Exit statuses of the tool.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Runs the command; the trace, the rule table, the loop notice and the
// summary line go to `out`, notices and failures to `err`. Returns the exit
// status.
int RunCommand(const RunOptions& options, std::FILE* out, std::FILE* err);

}  // namespace ormakin::cli
