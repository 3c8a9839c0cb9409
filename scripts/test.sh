#!/bin/sh
# Installs what is missing, builds everything and runs every test suite: the portable logic on
# this host under AddressSanitizer/UndefinedBehaviorSanitizer with bounded fuzz runs, and the
# Windows test programs under Wine in private prefixes: the 64-bit suite everywhere, the 32-bit
# suite beside it where the kernel runs 32-bit programs.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh

echo "== portable logic, native, under sanitizers and fuzzers"
cmake --preset native -DTARN_WERROR=ON >/dev/null
cmake --build --preset native
ctest --preset native -j2

echo "== Windows programs, 32-bit and 64-bit builds"
cmake --preset windows-x86 -DTARN_WERROR=ON >/dev/null
cmake --build --preset windows-x86
cmake --preset windows-x64 -DTARN_WERROR=ON >/dev/null
cmake --build --preset windows-x64

arch=$(sh scripts/wine-arch.sh)
log32=build/windows-x86/suite.log
if [ "$arch" = win32 ]; then
    echo "== the 32-bit suite under 32-bit Wine, beside the 64-bit one (its output follows it)"
    (ctest --preset windows-x86 -j2 >"$log32" 2>&1; echo $? >"$log32.status") &
    suite32=$!
else
    echo "this kernel cannot run 32-bit programs: the 32-bit suite cannot run here; checking the" \
         "32-bit build's imports and layers only"
    ctest --preset windows-x86 -L imports
fi

echo "== the 64-bit suite under 64-bit Wine"
status=0
ctest --preset windows-x64 -j2 || status=1

if [ "$arch" = win32 ]; then
    wait "$suite32" || true
    echo "== the 32-bit suite's output"
    cat "$log32"
    [ "$(cat "$log32.status")" = 0 ] || status=1
fi
exit $status
