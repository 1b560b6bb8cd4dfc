#!/usr/bin/env bash
# zelvane.exe is compiled as one translation unit, where the anonymous namespaces of all its
# files are one. A function there that shares its name with another file's overloads it, and
# a call meant for one could take the other, where its arguments fit that one better: in the
# exe alone, since the tests link the files apart. This refuses a name given there to
# functions of more than one parameter list, read off the unit compiled without inlining.
#   one_unit_names.sh NM OBJECT...
set -euo pipefail
nm=$1
shift
clashes=$("$nm" -C --defined-only "$@" |
    sed -nE 's/^[0-9a-f]+ [tT] (zelvane::)?\(anonymous namespace\)::([A-Za-z_][A-Za-z0-9_]*)(\(.*\))$/\2 \3/p' |
    grep -v ')::' | sort -u | awk '{ print $1 }' | uniq -d)
if [[ -n $clashes ]]; then
    echo "functions of one name in the one translation unit's anonymous namespace:" >&2
    echo "$clashes" >&2
    exit 1
fi
echo "$("$nm" -C --defined-only "$@" | grep -c 'anonymous namespace')" \
    "symbols in the anonymous namespace, no name with two parameter lists"
