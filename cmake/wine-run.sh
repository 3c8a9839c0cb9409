#!/bin/sh
# Runs a Windows program in this build's private Wine prefix, creating the prefix on first use.
# usage: wine-run.sh <prefix folder> <win32|win64> <program> [arguments...]
#
# The program's output goes through files: helper processes that Wine starts on the way
# (services, the desktop) inherit the output descriptors and outlive the program, and a pipe
# they held open would keep the caller waiting for its end.
set -eu
prefix=$1
arch=$2
shift 2
. "$(dirname "$0")/wine-env.sh"
tarn_wine_ensure_prefix

out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
set +e
"$TARN_WINE_LOADER" "$@" </dev/null >"$out" 2>"$err"
status=$?
set -e
cat "$out"
cat "$err" >&2
exit $status
