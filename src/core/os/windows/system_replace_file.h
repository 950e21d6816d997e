// The system's call that puts a finished file in another's place
// (ReplaceFileW), reached through a pointer that a test may point at a
// stand-in: its partial failures, where the old file has been moved aside and
// the new one has not taken its name, cannot be provoked on demand.
#pragma once

#include <windows.h>

namespace ormakin::win {

using ReplaceFileFunction = BOOL(WINAPI*)(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup,
                                          DWORD flags, LPVOID exclude, LPVOID reserved);

// ReplaceFileW, unless a test has set another.
ReplaceFileFunction& SystemReplaceFile();

}  // namespace ormakin::win
