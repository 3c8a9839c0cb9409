#!/bin/sh
# Prints which Wine this machine can run: win32 when the kernel executes 32-bit programs,
# otherwise win64 (some kernels are booted without 32-bit emulation). TARN_WINE_ARCH overrides.
if [ -n "${TARN_WINE_ARCH:-}" ]; then
    echo "$TARN_WINE_ARCH"
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo win32
else
    echo win64
fi
