// Kernel services the player's decoding core uses: global memory blocks, file
// access and the environment. Windows builds take them from the system; native
// builds (sanitizers, fuzzers, benchmarks) get the same names over the C library.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "platform_posix.h"
#endif
