#!/bin/sh
# Starts one virtual X display for a test run (start) and stops it again (stop). The display's
# number and the server's process id are kept in <state folder>.
# usage: xvfb.sh start|stop <state folder> [<width>x<height> of the screen, 1280x1024 unless given]
set -eu
action=$1
state=$2
screen=${3:-1280x1024}
case "$action" in
    start)
        mkdir -p "$state"
        for number in $(seq 90 160); do
            [ -e "/tmp/.X$number-lock" ] && continue
            Xvfb ":$number" -screen 0 "${screen}x24" -nolisten tcp </dev/null >"$state/xvfb.log" 2>&1 &
            pid=$!
            tries=0
            while [ $tries -lt 50 ] && [ ! -e "/tmp/.X11-unix/X$number" ]; do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
                tries=$((tries + 1))
            done
            # The display is ours only when the server that holds its lock is the one started
            # here: another test run may have started one on the same number a moment before.
            owner=$(tr -d ' \n' <"/tmp/.X$number-lock" 2>/dev/null || true)
            if kill -0 "$pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$number" ] && [ "$owner" = "$pid" ]; then
                echo "$number" >"$state/display"
                echo "$pid" >"$state/xvfb.pid"
                exit 0
            fi
            kill "$pid" 2>/dev/null || true
        done
        echo "no virtual display could be started" >&2
        exit 1
        ;;
    stop)
        if [ -f "$state/xvfb.pid" ]; then
            kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
            rm -f "$state/xvfb.pid" "$state/display"
        fi
        ;;
    *)
        echo "usage: $0 start|stop <state folder>" >&2
        exit 2
        ;;
esac
