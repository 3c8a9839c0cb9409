#!/bin/sh
# Keeps one wineserver alive for a test run (start) and stops that one afterwards (stop).
# usage: wine-server.sh start|stop <prefix folder> <win32|win64>
set -eu
action=$1
prefix=$2
arch=$3
. "$(dirname "$0")/wine-env.sh"
case "$action" in
    start)
        # The persistent server comes first, so that creating the prefix does not start a
        # short-lived one of its own. Its output must not hold the caller's pipes open.
        mkdir -p "$WINEPREFIX"
        "$WINESERVER" -p </dev/null >/dev/null 2>&1 || true
        tarn_wine_ensure_prefix
        # Starts Wine's own helper processes now, away from any test's output.
        "$TARN_WINE_LOADER" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
        ;;
    stop)
        [ -d "$WINEPREFIX" ] && "$WINESERVER" -k 2>/dev/null || true
        ;;
    *)
        echo "usage: $0 start|stop <prefix> <win32|win64>" >&2
        exit 2
        ;;
esac
