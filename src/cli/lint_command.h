// `ormakin-sim lint`: every finding of a settings file, with its line.
#pragma once

#include <cstdio>

#include "cli/command_line.h"

namespace ormakin::cli {

// Prints the findings and a summary to `out`. Returns 0 when the window
// would build the car and open a course without any message box, 1
// otherwise (a course that cannot be loaded is a failure too).
int LintCommand(const LintOptions& options, std::FILE* out, std::FILE* err);

}  // namespace ormakin::cli
