#!/usr/bin/env bash
# zelvane.exe is one self-contained file that starts on Windows XP SP3 (x86) and XP x64 /
# Server 2003 (x64): it imports from Windows' own DLLs only, and only functions that those
# systems export. A function counts as present on them when the MinGW-w64 headers declare
# it with _WIN32_WINNT set to that version; the headers leave out what came later.
# Every DLL it imports is a KnownDLL, which Windows maps from the system folder whatever
# lies beside the exe; any other DLL the program loads at run time, from the system folder.
#   imports_test.sh OBJDUMP CC PROGRAM
# CC is a MinGW-w64 C compiler for the program's machine; only its headers are used.
set -euo pipefail
objdump=$1 cc=$2 program=$3
# The KnownDLLs of Windows 7 to 11 that a program like this may import; ntdll.dll is mapped
# into every process before the program's own imports. comctl32.dll is not one: imported, it
# would start before the program's first instruction and load uxtheme.dll by name, from the
# exe's folder first.
known_dlls=" advapi32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ntdll.dll ole32.dll "
known_dlls+=" oleaut32.dll shell32.dll shlwapi.dll user32.dll "

case "$("$objdump" -f "$program")" in
    *pei-i386*) oldest=0x0501 ;;   # Windows XP
    *pei-x86-64*) oldest=0x0502 ;; # Windows XP x64 and Server 2003
    *) echo "not a Windows program: $program" >&2; exit 1 ;;
esac

# "dll name" for every imported function, from the import table.
imports=$("$objdump" -p "$program" | awk '
    /^\tDLL Name: / { dll = tolower($3); next }
    dll != "" && /^\t[0-9a-f]+\t/ { print dll, ($3 == "" ? "#" $2 : $3); next }
    /^$/ { dll = "" }')
[[ -n "$imports" ]] || { echo "no imports found in $program" >&2; exit 1; }

status=0
for dll in $(cut -d' ' -f1 <<<"$imports" | sort -u); do
    if [[ "$known_dlls" != *" $dll "* ]]; then
        echo "imports a DLL that is not a KnownDLL: $dll" >&2
        status=1
    fi
done
if grep -q ' #' <<<"$imports"; then
    echo "imports by ordinal, which no header can vouch for:" $(grep ' #' <<<"$imports") >&2
    status=1
fi

# The MinGW-w64 start-up code takes these from msvcrt.dll, which has exported them since
# before Windows XP; no header declares them.
crt_startup=" __p__commode __set_app_type __wgetmainargs __winitenv _amsg_exit _commode _initterm "

# One translation unit names every imported function and datum; the compiler names
# each one the headers do not declare for the oldest Windows.
probe=$(mktemp --suffix=.c)
trap 'rm -f "$probe"' EXIT
{
    echo '#include <windows.h>'
    for header in commctrl.h shlwapi.h shellapi.h oleacc.h winternl.h objbase.h sddl.h tlhelp32.h \
                  stdio.h stdlib.h string.h wchar.h locale.h signal.h errno.h setjmp.h \
                  io.h process.h math.h ctype.h; do
        echo "#include <$header>"
    done
    echo 'void probe(void) {'
    while read -r dll name; do
        [[ "$name" == '#'* ]] && continue
        [[ "$dll" == msvcrt.dll && "$crt_startup" == *" $name "* ]] && continue
        echo "    (void)($name);"
    done <<<"$imports"
    echo '}'
} >"$probe"
compiled=0
errors=$(LC_ALL=C "$cc" -fsyntax-only -fmax-errors=0 -D_WIN32_WINNT=$oldest -DWINVER=$oldest \
             -D__MSVCRT_VERSION__=0x0700 "$probe" 2>&1) || compiled=$?
undeclared=$(sed -n "s/.*error: '\([A-Za-z0-9_]*\)' undeclared.*/\1/p" <<<"$errors" | sort -u)
if [[ -n "$undeclared" ]]; then
    echo "imports what Windows $oldest does not have:" $undeclared >&2
    status=1
elif [[ $compiled -ne 0 ]]; then
    echo "the headers could not be read:" >&2
    echo "$errors" >&2
    status=1
fi
echo "imports ($(wc -l <<<"$imports") functions):" $(cut -d' ' -f1 <<<"$imports" | sort -u)
exit $status
