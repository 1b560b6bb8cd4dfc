#!/usr/bin/env bash
# zelvane.exe is one self-contained file: it imports from Windows' own DLLs and no other.
#   imports_test.sh OBJDUMP PROGRAM
set -euo pipefail
system_dlls=" advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll shlwapi.dll user32.dll "

imports=$("$1" -p "$2" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[[ -n "$imports" ]] || { echo "no imports found in $2" >&2; exit 1; }
status=0
for dll in $imports; do
    if [[ "$system_dlls" != *" $dll "* ]]; then
        echo "imports a DLL that Windows does not ship: $dll" >&2
        status=1
    fi
done
echo "imports:" $imports
exit $status
