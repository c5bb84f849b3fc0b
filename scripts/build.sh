#!/usr/bin/env bash
# Configures (once) and builds both trees: build/win (32-bit Windows programs and
# their tests) and build/host (the native core, tests, fuzzers and tools).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

if [ ! -f "$root/build/win/build.ninja" ]; then
  cmake -S "$root" -B "$root/build/win" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" -DCMAKE_BUILD_TYPE=Release
fi
if [ ! -f "$root/build/host/build.ninja" ]; then
  cmake -S "$root" -B "$root/build/host" -G Ninja \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release
fi
# The host tree first: the Windows tests read files that host tools make.
cmake --build "$root/build/host" -j "$jobs"
cmake --build "$root/build/win" -j "$jobs"
