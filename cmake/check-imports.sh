#!/bin/sh
# Fails when a Windows program imports a DLL that does not come with Windows itself.
# usage: check-imports.sh <objdump> <program.exe>
set -eu
objdump=$1
program=$2
allowed='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|comdlg32|version|crypt32|wintrust|msvcrt|ws2_32|uxtheme|mstask)\.dll$'
dlls=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || { echo "no imports found in $program" >&2; exit 1; }
status=0
for dll in $dlls; do
    if ! printf '%s\n' "$dll" | grep -Eq "$allowed"; then
        echo "$program imports $dll, which is not a Windows system DLL" >&2
        status=1
    fi
done
[ $status -eq 0 ] && echo "$(basename "$program") imports only system DLLs: $(echo $dlls)"
exit $status
