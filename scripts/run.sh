#!/bin/sh
# Installs what is missing and builds the 32-bit Windows programs (and, where this kernel runs
# only 64-bit programs, the 64-bit build that Wine can run here).
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86
arch=$(sh scripts/wine-arch.sh)
preset=windows-x86
if [ "$arch" = win64 ]; then
    preset=windows-x64
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
fi
echo "built: $(ls build/windows-x86/*.exe build/windows-x86/tests/*.exe 2>/dev/null | tr '\n' ' ')"
