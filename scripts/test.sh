#!/bin/sh
# Installs what is missing, builds everything and runs every test suite: the portable logic on
# this host under AddressSanitizer/UndefinedBehaviorSanitizer with bounded fuzz runs, and the
# Windows test programs under Wine in private prefixes: the 64-bit suite everywhere, the 32-bit
# suite beside it where the 32-bit Wine is installed and the kernel runs it.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh

echo "== portable logic, native, under sanitizers and fuzzers"
cmake --preset native -DTARN_WERROR=ON >/dev/null
cmake --build --preset native
ctest --preset native -j2

arch=$(sh scripts/wine-arch.sh)
. scripts/packages.sh
log32=build/windows-x86/suite.log
cmake --preset windows-x86 -DTARN_WERROR=ON >/dev/null
cmake --preset windows-x64 -DTARN_WERROR=ON >/dev/null
if [ "$arch" = win32 ]; then
    echo "== Windows programs, 32-bit and 64-bit builds"
    cmake --build --preset windows-x86
    cmake --build --preset windows-x64
    echo "== the 32-bit suite under 32-bit Wine, beside the 64-bit one (its output follows it)"
    (ctest --preset windows-x86 -j2 >"$log32" 2>&1; echo $? >"$log32.status") &
    suite32=$!
else
    # Only what is checked of the 32-bit build: its programs' imports and the layers.
    why32=$(tarn_why_no_wine32)
    echo "== the 32-bit suite cannot run here: $why32"
    echo "== Windows programs: the 32-bit programs (for their import and layer checks), the 64-bit build"
    cmake --build --preset windows-x86 --target tarnwell tarnscan
    cmake --build --preset windows-x64
    ctest --preset windows-x86 -R '^(layers\.(includes|categories)|imports\.(tarnwell|tarnscan))$'
fi

echo "== the 64-bit suite under 64-bit Wine"
status=0
ctest --preset windows-x64 -j2 || status=1

if [ "$arch" = win32 ]; then
    wait "$suite32" || true
    echo "== the 32-bit suite's output"
    cat "$log32"
    [ "$(cat "$log32.status")" = 0 ] || status=1
else
    echo "== not run: the 32-bit suite ($(printf '%s\n' "$why32" | head -n 1) see above);" \
         "the 64-bit suite and the 32-bit import and layer checks ran"
fi
exit $status
