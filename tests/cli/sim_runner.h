// Runs the built ormakin-sim and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace ormakin::testing {

struct SimResult {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs ormakin-sim with `args`, in `workDir`, with standard input empty.
SimResult RunSim(const std::vector<std::string>& args, const std::string& workDir = "/tmp");

// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

// The last line of a text.
std::string LastLine(const std::string& text);

}  // namespace ormakin::testing
