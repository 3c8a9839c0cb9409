#!/bin/sh
# Prints which Wine this machine can run: win32 when the 32-bit Wine and the i386 libraries it needs
# are installed and the kernel runs it, otherwise win64 (a kernel booted without 32-bit emulation,
# or a mirror that could not serve the i386 packages). TARN_WINE_ARCH overrides.
cd "$(dirname "$0")/.."
. scripts/packages.sh
if [ -n "${TARN_WINE_ARCH:-}" ]; then
    echo "$TARN_WINE_ARCH"
elif [ -z "$(tarn_missing_packages "$tarn_packages_i386")" ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo win32
else
    echo win64
fi
