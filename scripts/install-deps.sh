#!/bin/sh
# Installs, as root on Debian 12, whatever the build and the tests need and is not there yet, in two
# steps: first everything the 64-bit build, its suite and the run command need (no i386 package),
# then the 32-bit Wine with its i386 libraries. A second step that fails (a mirror caught mid-sync
# serves the i386 indexes badly) does not end the set-up: apt's words are kept for the commands,
# which go on with the 64-bit build and say why the 32-bit suite cannot run.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh

missing64=$(tarn_missing_packages "$tarn_packages_amd64")
missing32=$(tarn_missing_packages "$tarn_packages_i386")
mkdir -p "$(dirname "$tarn_wine32_missing_file")"
if [ -z "$missing64$missing32" ]; then
    rm -f "$tarn_wine32_missing_file"
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    if [ -n "$missing64" ]; then
        echo "missing packages:$missing64$missing32; run this as root to install them" >&2
        exit 1
    fi
    echo "not root: the 32-bit Wine cannot be installed (missing:$missing32)" >"$tarn_wine32_missing_file"
    exit 0
fi

log=$(mktemp)
update_log=$(mktemp)
trap 'rm -f "$log" "$update_log"' EXIT

# apt-get update, tried again a few times: a mirror mid-sync often answers well a little later.
update_lists() {
    for attempt in 1 2 3; do
        apt-get update -q >"$update_log" 2>&1 && return 0
        [ $attempt -lt 3 ] && sleep $((attempt * 5))
    done
    return 1
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
echo "installing:$missing64$missing32"
if ! update_lists; then
    # Lists that are still there (the other indexes, or older ones) let the install find out what is
    # missing itself.
    native=$(dpkg --print-architecture)
    if ! ls /var/lib/apt/lists/*_binary-"${native}"_Packages* >/dev/null 2>&1; then
        echo "apt-get update failed and no package lists are usable; apt said:" >&2
        grep '^[EW]:' "$update_log" | head -n 3 >&2
        exit 1
    fi
    echo "apt-get update failed three times; going on with the lists it has. apt said:"
    grep '^E:' "$update_log" | head -n 2 | sed 's/^/    /'
fi

install_packages() {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@" >"$log" 2>&1
}

if [ -n "$missing64" ] && ! install_packages $missing64; then
    echo "the packages the build needs could not be installed; apt said:" >&2
    tail -n 15 "$log" >&2
    exit 1
fi

missing32=$(tarn_missing_packages "$tarn_packages_i386")
if [ -n "$missing32" ] && ! install_packages $missing32; then
    # apt's own words: the failed i386 index, if the update had one, and the install's refusal.
    {
        grep '^E:' "$update_log" | grep -m 1 'i386' || true
        grep '^E:' "$log" | tail -n 1
    } | cut -c 1-300 >"$tarn_wine32_missing_file"
    [ -s "$tarn_wine32_missing_file" ] || tail -n 1 "$log" | cut -c 1-300 >"$tarn_wine32_missing_file"
    echo "the 32-bit Wine could not be installed; the 64-bit build stands in and the 32-bit suite" \
         "cannot run here. apt said:"
    sed 's/^/    /' "$tarn_wine32_missing_file"
    exit 0
fi
rm -f "$tarn_wine32_missing_file"
