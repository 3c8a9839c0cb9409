#!/bin/sh
# Installs what is missing, builds the programs and runs the main job: the window program
# tarnwell.exe in the build's private Wine prefix. With DISPLAY set it opens there; without one it
# runs on a virtual display, waits for its first scan, saves a picture of every tab to
# build/screenshots/, says where they are and closes.
#   --demo     first fills the prefix with example registrations of every kind
#   --report   runs the console report tarnscan.exe instead (further arguments go to it)
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
arch=$(sh scripts/wine-arch.sh)
preset=windows-x86
# Where the 32-bit Wine cannot run (not installable, or a kernel without 32-bit programs), the same
# sources built for 64-bit Wine stand in.
if [ "$arch" = win64 ]; then
    preset=windows-x64
    . scripts/packages.sh
    echo "running the 64-bit build: $(tarn_why_no_wine32)"
fi
# Only the programs this run starts: the report; or the window with its picture taker, and the
# demo machine with the signed file it registers.
case "${1:-}" in
    --report) targets="tarnscan" ;;
    --demo) targets="tarnwell tarnshot tarndemo signed_fixtures" ;;
    *) targets="tarnwell tarnshot" ;;
esac
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target $targets >/dev/null
build="$(pwd)/build/$preset"
# A prefix of its own: what the run command (and its demo) writes never meets the tests.
prefix="$build/run-prefix"
windows_path() {
    printf 'Z:%s' "$1" | tr / '\\'
}

if [ "${1:-}" = --report ]; then
    shift
    exec sh cmake/wine-run.sh "$prefix" "$arch" "$build/tarnscan.exe" "$@"
fi
if [ "${1:-}" = --demo ]; then
    shift
    sh cmake/wine-run.sh "$prefix" "$arch" "$build/tarndemo.exe" 'C:\TarnDemo' \
        "$(windows_path "$build/tests/fixtures/signed/signed_quoted.exe")"
    echo "the prefix now holds example registrations in every category (C:\\TarnDemo)"
fi

if [ -n "${DISPLAY:-}" ]; then
    exec sh cmake/wine-run.sh "$prefix" "$arch" "$build/tarnwell.exe"
fi

state="$build/run-display"
sh cmake/xvfb.sh start "$state"
trap 'sh cmake/xvfb.sh stop "$state"' EXIT
shots="$(pwd)/build/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
# One virtual Wine desktop gives the window its frame; the picture taker works in the same one.
sh cmake/with-display.sh "$state" sh cmake/wine-run.sh "$prefix" "$arch" explorer /desktop=Tarnwell,900x760 \
    "$(windows_path "$build/tarnwell.exe")" &
program=$!
sh cmake/with-display.sh "$state" sh cmake/wine-run.sh "$prefix" "$arch" explorer /desktop=Tarnwell,900x760 \
    "$(windows_path "$build/tarnshot.exe")" "$(windows_path "$shots")"
wait "$program" || true
for picture in "$shots"/*.bmp; do
    convert "$picture" "${picture%.bmp}.png" && rm -f "$picture"
done
echo "screenshots of every tab, and of the window maximised: $shots"
ls "$shots"
