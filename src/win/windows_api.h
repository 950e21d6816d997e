// The Windows headers, for the shell's files. The core names the two
// message-box flags it uses itself (with the system's values), so the
// system's macros of the same names are dropped: they would rewrite the
// core's declarations.
#pragma once

#include <windows.h>

#undef MB_OK
#undef MB_ICONERROR
