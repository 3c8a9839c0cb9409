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
        # The prefix is made in a session of its own, which ends before the persistent one
        # starts: services started by the first boot of a prefix do not all come up. The
        # server's output must not hold the caller's pipes open.
        tarn_wine_ensure_prefix
        "$WINESERVER" -p </dev/null >/dev/null 2>&1 || true
        # Starts Wine's own helper processes now, away from any test's output.
        "$TARN_WINE_LOADER" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
        # The Task Scheduler service, which the scheduler's clients otherwise start on demand
        # with a time-out that a busy test run can exceed.
        state=$(mktemp)
        "$TARN_WINE_LOADER" sc start Schedule </dev/null >/dev/null 2>&1 || true
        tries=0
        while [ $tries -lt 120 ]; do
            "$TARN_WINE_LOADER" sc query Schedule </dev/null >"$state" 2>&1 || true
            grep -q RUNNING "$state" && break
            sleep 0.5
            tries=$((tries + 1))
        done
        running=0
        grep -q RUNNING "$state" && running=1
        rm -f "$state"
        if [ $running -eq 0 ]; then
            echo "the Task Scheduler service did not start" >&2
            exit 1
        fi
        ;;
    stop)
        [ -d "$WINEPREFIX" ] && "$WINESERVER" -k 2>/dev/null || true
        ;;
    *)
        echo "usage: $0 start|stop <prefix> <win32|win64>" >&2
        exit 2
        ;;
esac
