// Kernel services the player's decoding core uses: global memory blocks, file
// access and the environment. Windows builds take them from the system; native
// builds (sanitizers, fuzzers, benchmarks) get the same names over the C library.
#pragma once

#ifdef _WIN32
#include <windows.h>
// A path is wide on Windows: a name in any script reaches the file system
// whole, where the ANSI calls would spell what the code page lacks as '?'.
typedef wchar_t PathChar;
#define PATH_TEXT(text) L##text
#else
#include "platform_posix.h"
#endif
