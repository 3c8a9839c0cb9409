#!/bin/sh
# Installs what is missing, builds the 32-bit Windows programs and runs the main job: the console
# report of every autostart registration, under Wine against the private prefix's registry.
# Arguments go to the report (--csv, --no-verify).
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86 >/dev/null
arch=$(sh scripts/wine-arch.sh)
preset=windows-x86
if [ "$arch" = win64 ]; then
    # This kernel runs no 32-bit programs: the same sources built for 64-bit Wine stand in.
    preset=windows-x64
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target tarnscan >/dev/null
fi
exec sh cmake/wine-run.sh "$(pwd)/build/$preset/wine" "$arch" "build/$preset/tarnscan.exe" "$@"
