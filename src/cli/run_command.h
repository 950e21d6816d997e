// `ormakin-sim run`: the car on a course as fast as the machine allows,
// through the same start-up and open command as the window.
#pragma once

#include <cstdio>

#include "cli/command_line.h"

namespace ormakin::cli {

// Runs the command; the trace, the rule table, the loop notice and the
// summary line go to `out`, notices and failures to `err`. Returns the exit
// status.
int RunCommand(const RunOptions& options, std::FILE* out, std::FILE* err);

}  // namespace ormakin::cli
