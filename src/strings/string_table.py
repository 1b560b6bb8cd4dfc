#!/usr/bin/env python3
"""Writes the string tables of the .rc files as a C++ table, for the in-memory backend that
the unit tests run the windows on, and for the tests of the tables themselves.

  string_table.py IDS_HEADER OUTPUT RC_FILE...

Each .rc file holds one LANGUAGE statement (primary and sub-language as hexadecimal numbers)
and one STRINGTABLE whose lines read `IDS_NAME, "text"`; the ids' numbers come from the
header's #define lines. A doubled quote inside a text is one quote, as in the resource
compiler; the rest (\\n) means the same in C++.
"""

import re
import sys

DEFINE = re.compile(r"#define\s+(IDS_\w+)\s+(\d+)")
LANGUAGE = re.compile(r"LANGUAGE\s+0x([0-9A-Fa-f]+)\s*,\s*0x([0-9A-Fa-f]+)")
ENTRY = re.compile(r'\s*(IDS_\w+)\s*,\s*"(.*)"\s*$')


def main(header, output, rc_files):
    with open(header, encoding="utf-8") as text:
        ids = dict(DEFINE.findall(text.read()))
    tables = []
    for rc_file in rc_files:
        language, entries = None, []
        with open(rc_file, encoding="utf-8") as lines:
            for number, line in enumerate(lines, 1):
                if match := LANGUAGE.match(line):
                    language = int(match[1], 16) | int(match[2], 16) << 10
                elif match := ENTRY.match(line):
                    if match[1] not in ids:
                        sys.exit(f"{rc_file}:{number}: {match[1]} has no id")
                    text = match[2].replace('""', '\\"')
                    entries.append(f'    {{{ids[match[1]]}, L"{text}"}},')
        if language is None:
            sys.exit(f"{rc_file}: no LANGUAGE statement")
        tables.append((language, entries))

    out = ["// Written by src/strings/string_table.py from the .rc files beside it.",
           '#include "platform/memory/memory_strings.h"', "", "namespace zelvane {", "",
           "namespace {", ""]
    for language, entries in tables:
        out += [f"constexpr StringEntry k{language:04X}[] = {{", *entries, "};"]
    out += ["", "constexpr int kIds[] = {" + ", ".join(sorted(ids.values(), key=int)) + "};"]
    out += ["", "constexpr StringTable kTables[] = {"]
    out += [f"    {{0x{language:04X}, k{language:04X}}}," for language, _ in tables]
    out += ["};", "", "}  // namespace", "",
            "std::span<const StringTable> StringTables() {", "    return kTables;", "}", "",
            "std::span<const int> StringIds() {", "    return kIds;", "}", "",
            "}  // namespace zelvane", ""]
    with open(output, "w", encoding="utf-8") as text:
        text.write("\n".join(out))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
