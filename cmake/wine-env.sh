# Sourced by the Wine scripts: selects the loader and server for a private prefix.
# Needs $prefix (folder of the prefix) and $arch (win32 or win64).

case "$prefix" in /*) ;; *) prefix="$(pwd)/$prefix" ;; esac
export WINEPREFIX="$prefix"
export WINEARCH="$arch"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

case "$arch" in
    win32) TARN_WINE_LOADER=/usr/lib/wine/wine ;;
    win64) TARN_WINE_LOADER=/usr/lib/wine/wine64 ;;
    *) echo "unknown Wine architecture: $arch" >&2; exit 2 ;;
esac
export WINELOADER="$TARN_WINE_LOADER"

if [ -x /usr/lib/wine/wineserver64 ]; then
    WINESERVER=/usr/lib/wine/wineserver64
else
    WINESERVER=/usr/lib/wine/wineserver32
fi
export WINESERVER

tarn_scripts_dir=$(cd "$(dirname "$0")" && pwd)

# Creates the prefix once (concurrent callers wait for the first), with the dialog fonts mapped
# to a CJK font so that Chinese text is readable in windows and screenshots, and with no folder
# linked out of the prefix.
tarn_wine_ensure_prefix() {
    [ -f "$WINEPREFIX/.tarn-ready-2" ] && return 0
    mkdir -p "$WINEPREFIX"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.tarn-ready-2" ]; then
            boot_log="$WINEPREFIX.boot.log"
            fonts_reg="$WINEPREFIX/tarn-fonts.reg"
            # A first boot that a busy machine cuts short is tried once more before giving up,
            # and a failure says what Wine said.
            booted=0
            for attempt in 1 2; do
                WINEDEBUG=err+all "$TARN_WINE_LOADER" wineboot --init </dev/null >"$boot_log" 2>&1 || true
                { printf '\377\376'; iconv -f UTF-8 -t UTF-16LE "$tarn_scripts_dir/wine-fonts.reg.txt"; } >"$fonts_reg"
                if "$TARN_WINE_LOADER" regedit /S "$fonts_reg" </dev/null >>"$boot_log" 2>&1; then
                    booted=1
                    break
                fi
                "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
                sleep 2
            done
            if [ $booted -eq 0 ]; then
                echo "the Wine prefix $WINEPREFIX could not be made ($TARN_WINE_LOADER); Wine said:" >&2
                tail -n 40 "$boot_log" >&2
                exit 1
            fi
            # Wine links the user's Desktop and document folders to the Unix home; real folders
            # keep the tests, and the program's walk of the desktop, inside the prefix.
            for link in "$WINEPREFIX"/drive_c/users/*/*; do
                if [ -L "$link" ]; then
                    rm -f "$link"
                    mkdir -p "$link"
                fi
            done
            # Let the first session of the new prefix end.
            "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
            touch "$WINEPREFIX/.tarn-ready-2"
        fi
    ) 9>"$WINEPREFIX.lock"
}
