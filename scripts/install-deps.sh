#!/bin/sh
# Installs, as root on Debian 12, whatever the build and the tests need and is not there yet.
set -eu

packages="cmake make git clang libclang-rt-14-dev googletest
g++-mingw-w64-i686 g++-mingw-w64-x86-64
wine wine32:i386 wine64 fonts-wine
libxrender1:i386 libxrandr2:i386 libxi6:i386 libxcursor1:i386 libxfixes3:i386
libxinerama1:i386 libxcomposite1:i386 libgnutls30:i386
xvfb xauth fonts-wqy-microhei osslsigncode openssl imagemagick tango-icon-theme
nlohmann-json3-dev"

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $package"
    fi
done
[ -n "$missing" ] || exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages:$missing; run this as root to install them" >&2
    exit 1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
echo "installing:$missing"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
