// The interruptions of a program from outside: Ctrl+C (SIGINT; the console's
// Ctrl+C on Windows) and requests to end it (SIGTERM and SIGHUP; the
// console's Ctrl+Break, close, logoff and shutdown on Windows).
#pragma once

namespace ormakin {

enum class Interruption { kCtrlC, kEndRequest };

// Decides what an interruption does: true when the program goes on, false
// when it ends as the interruption ends a program that does not catch it.
// It runs in a signal handler or, on Windows, on a thread of the system's
// while the program's own threads go on: it may only use lock-free atomics
// and memory made ready beforehand, and RemoveFileAtOnce.
using InterruptionHandler = bool (*)(Interruption);

// Makes `handler` decide every interruption from now on. A signal that the
// program was started ignoring (SIGHUP under nohup) stays ignored.
void HandleInterruptions(InterruptionHandler handler);

// Removes the file `name` (UTF-8), as an interruption handler may; a file
// that is not there is no failure.
void RemoveFileAtOnce(const char* name);

}  // namespace ormakin
