#!/bin/sh
# Installs what is missing, builds the programs and runs the main job: the window program
# tarnwell.exe in the build's private Wine prefix. With DISPLAY set it opens there; without one it
# runs on a virtual display, waits for its first scan, saves a picture of every tab and of the
# window maximised to build/screenshots/ (at 100 %, 150 % and 200 %), says where they are and closes.
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
# Room for the window at 200 % and for a 4K desktop.
sh cmake/xvfb.sh start "$state" 3840x2160
shots="$(pwd)/build/screenshots"
set_scale() {
    # Wine takes the display's DPI from the user's desktop settings when a program starts.
    sh cmake/wine-run.sh "$prefix" "$arch" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
        /d "$1" /f >/dev/null
}
trap 'set_scale 96 || true; sh cmake/xvfb.sh stop "$state"' EXIT
rm -rf "$shots"
# Every tab at 100 % (and the window maximised on a 1920 x 1080 desktop), at 150 % and at 200 %
# (maximised on a 3840 x 2160 one, as 4K laptops run it).
for scale in 100:96:1920x1080: 150:144:1920x1080:/150 200:192:3840x2160:/200; do
    percent=${scale%%:*}
    rest=${scale#*:}
    dpi=${rest%%:*}
    rest=${rest#*:}
    desktop=${rest%%:*}
    folder="$shots${rest#*:}"
    mkdir -p "$folder"
    set_scale "$dpi"
    # One virtual Wine desktop gives the window its frame; the picture taker works in the same one.
    sh cmake/with-display.sh "$state" sh cmake/wine-run.sh "$prefix" "$arch" explorer "/desktop=Tarnwell$percent,$desktop" \
        "$(windows_path "$build/tarnwell.exe")" &
    program=$!
    sh cmake/with-display.sh "$state" sh cmake/wine-run.sh "$prefix" "$arch" explorer "/desktop=Tarnwell$percent,$desktop" \
        "$(windows_path "$build/tarnshot.exe")" "$(windows_path "$folder")"
    wait "$program" || true
    for picture in "$folder"/*.bmp; do
        convert "$picture" "${picture%.bmp}.png" && rm -f "$picture"
    done
done
echo "screenshots of every tab and of the window maximised, at 100 % in $shots, at 150 % and 200 % in $shots/150 and $shots/200"
ls -R "$shots"
