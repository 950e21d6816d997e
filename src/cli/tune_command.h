// `ormakin-sim tune`: searches the rule table for the controller with the
// best score summed over the courses, and writes it as a settings file.
#pragma once

#include <cstdio>

#include "cli/command_line.h"

namespace ormakin::cli {

// Runs the command: the result's summary goes to `out`, the progress bar,
// notices and failures to `err`. Ctrl+C ends the search early; the best
// controller so far is written all the same. Returns the exit status.
int TuneCommand(const TuneOptions& options, std::FILE* out, std::FILE* err);

}  // namespace ormakin::cli
