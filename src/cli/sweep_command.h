// `ormakin-sim sweep`: the controller from many start points around its start
// (or from the line itself), and how each run ends.
#pragma once

#include <cstdio>

#include "cli/command_line.h"

namespace ormakin::cli {

// Runs the command: the summary goes to `out`, the progress bar, notices
// and failures to `err`. Returns the exit status.
int SweepCommand(const SweepOptions& options, std::FILE* out, std::FILE* err);

}  // namespace ormakin::cli
