# Sourced by the set-up scripts: the Debian 12 packages the build, the tests and the run command need.
# The first list holds no i386 package, so that a mirror serving the i386 indexes badly cannot keep the
# 64-bit build, its suite and the run command from being set up.
tarn_packages_amd64="cmake make git clang libclang-rt-14-dev googletest
g++-mingw-w64-i686 g++-mingw-w64-x86-64
wine wine64 fonts-wine
xvfb xauth fonts-wqy-microhei osslsigncode openssl imagemagick tango-icon-theme
nlohmann-json3-dev"
# The 32-bit Wine and the 32-bit X libraries its window driver loads.
tarn_packages_i386="wine32:i386
libxrender1:i386 libxrandr2:i386 libxi6:i386 libxcursor1:i386 libxfixes3:i386
libxinerama1:i386 libxcomposite1:i386 libgnutls30:i386"
# Where the second step's failure is kept, for the commands to say why the 32-bit suite cannot run.
tarn_wine32_missing_file=build/wine32-unavailable.txt

# Prints the packages of the list that are not installed.
tarn_missing_packages() {
    for tarn_package in $1; do
        if ! dpkg-query -W -f='${Status}' "$tarn_package" 2>/dev/null | grep -q 'install ok installed'; then
            printf ' %s' "$tarn_package"
        fi
    done
}

# Says in a line or two why the 32-bit suite cannot run on this machine.
tarn_why_no_wine32() {
    if [ -s "$tarn_wine32_missing_file" ]; then
        printf 'the 32-bit Wine could not be installed; apt said:\n'
        sed 's/^/    /' "$tarn_wine32_missing_file"
    elif [ -n "$(tarn_missing_packages "$tarn_packages_i386")" ]; then
        printf 'the 32-bit Wine is not installed (missing:%s)\n' "$(tarn_missing_packages "$tarn_packages_i386")"
    else
        printf 'this kernel runs no 32-bit programs (/usr/lib/wine/wine does not start)\n'
    fi
}
