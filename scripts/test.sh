#!/bin/sh
# Installs what is missing, builds everything and runs every test suite: the portable logic on
# this host under AddressSanitizer/UndefinedBehaviorSanitizer with bounded fuzz runs, and the
# Windows test programs under Wine in a private prefix.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh

echo "== portable logic, native, under sanitizers and fuzzers"
cmake --preset native -DTARN_WERROR=ON >/dev/null
cmake --build --preset native
ctest --preset native -j2

echo "== 32-bit Windows programs"
cmake --preset windows-x86 -DTARN_WERROR=ON >/dev/null
cmake --build --preset windows-x86
arch=$(sh scripts/wine-arch.sh)
if [ "$arch" = win32 ]; then
    ctest --preset windows-x86 -j2
    echo "== the programs started in a 64-bit prefix: the 32-bit one must refuse the emulation"
    cmake --preset windows-x64 -DTARN_WERROR=ON >/dev/null
    cmake --build --preset windows-x64 --target window_tests tarnwell
    ctest --preset windows-x64 -L startup
else
    echo "this kernel cannot run 32-bit programs: checking the 32-bit build's imports," \
         "then running the same tests built for 64-bit Wine"
    ctest --preset windows-x86 -L imports
    cmake --preset windows-x64 -DTARN_WERROR=ON >/dev/null
    cmake --build --preset windows-x64
    ctest --preset windows-x64 -j2
fi
