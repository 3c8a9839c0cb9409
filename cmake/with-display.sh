#!/bin/sh
# Runs a command on the virtual display that xvfb.sh started.
# usage: with-display.sh <xvfb state folder> <command> [arguments...]
set -eu
state=$1
shift
DISPLAY=":$(cat "$state/display")"
export DISPLAY
exec "$@"
