// Runs the built ormakin-sim and collects what it printed.
#pragma once

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace ormakin::testing {

struct SimResult {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  int signal = 0;   // the signal that ended it, 0 when it exited
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs ormakin-sim with `args`, in `workDir`, with standard input empty.
SimResult RunSim(const std::vector<std::string>& args, const std::string& workDir = "/tmp");

// ormakin-sim started and not yet waited for, for a test that interrupts
// it. Its standard output goes to `standardOutput` when that is given.
class SimProcess {
 public:
  SimProcess(const std::vector<std::string>& args, const std::string& workDir = "/tmp",
             const std::string& standardOutput = {});
  // Ends a program still running (SIGKILL) and waits for it.
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // False once it has ended.
  bool Running();
  void Signal(int signal);
  // Waits for its end.
  SimResult Wait();

 private:
  void Ended(int status);

  TempDir outputs_;
  std::string outPath_;
  std::string errPath_;
  int pid_ = 0;
  bool ended_ = false;
  int status_ = 0;
};

// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

// The last line of a text.
std::string LastLine(const std::string& text);

}  // namespace ormakin::testing
