#!/bin/sh
# Fails when a Windows program imports a DLL that does not come with Windows itself. With
# --shipped (the programs users start, often from a folder anyone can write to), only DLLs Windows
# always loads from its own folder may be imported: its KnownDLLs, and comctl32, which the
# manifest binds to the system's side-by-side version 6. Every other DLL is loaded at run time by
# full path from the system folder.
# usage: check-imports.sh [--shipped] <objdump> <program.exe>
set -eu
shipped=0
if [ "$1" = --shipped ]; then
    shipped=1
    shift
fi
objdump=$1
program=$2
allowed='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|comdlg32|version|crypt32|wintrust|msvcrt|ws2_32|uxtheme|mstask)\.dll$'
if [ $shipped -eq 1 ]; then
    allowed='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comdlg32|msvcrt|ws2_32|combase|rpcrt4|sechost|setupapi|imm32|msctf|psapi|normaliz|nsi|wldap32|imagehlp|clbcatq|coml2|gdiplus|shcore|comctl32)\.dll$'
fi
dlls=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || { echo "no imports found in $program" >&2; exit 1; }
status=0
for dll in $dlls; do
    if ! printf '%s\n' "$dll" | grep -Eq "$allowed"; then
        if [ $shipped -eq 1 ]; then
            echo "$program imports $dll, which Windows may load from the program's folder" >&2
        else
            echo "$program imports $dll, which is not a Windows system DLL" >&2
        fi
        status=1
    fi
done
[ $status -eq 0 ] && echo "$(basename "$program") imports only system DLLs: $(echo $dlls)"
exit $status
