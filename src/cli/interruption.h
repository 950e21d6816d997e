// What an interruption does to ormakin-sim. Ctrl+C or a request to end it
// ends the program at once, as the system would, but first removes the
// temporary files of the outputs under way, so that none is left beside
// them. A command that can end its work early (tune) asks for Ctrl+C with a
// CtrlCStop: the first one then only asks it to stop.
#pragma once

#include <string>

#include "core/os/interrupt.h"

namespace ormakin::cli {

// Makes OnInterruption decide every interruption of the program.
void CatchInterruptions();

// The handler the system calls (on Windows the console's, on another
// thread): whether the program goes on. Safe in a signal handler.
bool OnInterruption(Interruption what);

// The temporary file of an output under way, removed by an interruption
// that ends the program, for as long as this lives.
class PendingFile {
 public:
  // Raises Exception when the name does not fit or too many are pending.
  explicit PendingFile(const std::string& name);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

 private:
  int slot_;
};

// While one lives, the first Ctrl+C sets Requested() and the program goes
// on; a second one, or a request to end, ends it.
class CtrlCStop {
 public:
  CtrlCStop();
  ~CtrlCStop();
  CtrlCStop(const CtrlCStop&) = delete;
  CtrlCStop& operator=(const CtrlCStop&) = delete;

  bool Requested() const;
};

}  // namespace ormakin::cli
