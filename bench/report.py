#!/usr/bin/env python3
"""Prints the benchmark table from the RESULT lines that scripts/bench collected.

  report.py <results file>

Every line of the file reads "RESULT <what> key=value ...". Each ratio is Zelvane's time
(or size) over the baseline's, both measured in the same run; the raw figures stand beside
it. Nothing here passes or fails on a time.
"""

import statistics
import sys


# The steps that zelvane_bench build-steps times, in the order it takes them.
BUILD_STEPS = (
    ("common_controls_ms", "common controls: loaded and initialised"),
    ("application_ms", "the program's objects, the application's hidden owner window"),
    ("load_ms", "Load: the window, its icon, fonts and controls, the Load event"),
    ("show_ms", "Show: ShowWindow, SetForegroundWindow, the first paint"),
)


def read(path):
    results = []
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            words = line.split()
            if len(words) < 2 or words[0] != "RESULT":
                continue
            fields = dict(word.split("=", 1) for word in words[2:])
            fields["what"] = words[1]
            results.append(fields)
    return results


def ms(value):
    return f"{value:,.1f} ms"


def ratio(numerator, denominator):
    return f"{numerator / denominator:.2f}x" if denominator > 0 else "n/a"


class Table:
    HEADINGS = ("Benchmark", "Zelvane", "Baseline", "Ratio", "Baseline is / notes")

    def __init__(self):
        self.rows = []

    def section(self, title):
        self.rows.append(("section", title))

    def row(self, name, ours, theirs, note):
        self.rows.append(("row", (name, ours if isinstance(ours, str) else ms(ours),
                                  theirs if isinstance(theirs, str) else ms(theirs),
                                  ratio(ours, theirs)
                                  if not isinstance(ours, str) and not isinstance(theirs, str)
                                  else "",
                                  note)))

    def sized_row(self, name, ours, theirs, shown_ours, shown_theirs, note):
        self.rows.append(("row", (name, shown_ours, shown_theirs, ratio(ours, theirs), note)))

    def print(self):
        cells = [self.HEADINGS] + [row for kind, row in self.rows if kind == "row"]
        widths = [max(len(cell[column]) for cell in cells) for column in range(4)]

        def line(cell):
            return "  ".join([cell[0].ljust(widths[0]), cell[1].rjust(widths[1]),
                              cell[2].rjust(widths[2]), cell[3].rjust(widths[3]), cell[4]])

        print(line(self.HEADINGS))
        print("-" * (sum(widths) + 8 + max(len(cell[4]) for cell in cells)))
        for kind, row in self.rows:
            print(f"\n{row}" if kind == "section" else line(row))


def main():
    results = read(sys.argv[1])
    by_what = {}
    for result in results:
        by_what.setdefault(result["what"], []).append(result)
    table = Table()

    listings = by_what.get("listing", [])
    if listings:
        reps = listings[0]["reps"]
        table.section(f"Listing, in one process, median of {reps} rounds "
                      "(Zelvane: the main window shown, collapsed, as at start-up; causes: hidden)")
        for result in listings:
            accounts = int(result["accounts"])
            floor = float(result["floor_ms"])
            table.row(f"List {accounts:,} accounts", float(result["program_ms"]), floor,
                      "RegEnumKeyExW loop; Zelvane: the main window's Shown event, as at start-up")
            table.row("  cause: ListAccounts called outside Shown", float(result["direct_ms"]),
                      floor, "no redraw suspension around the fill, window hidden")
            table.row("  cause: ListAccounts, no list box", float(result["convert_ms"]), floor,
                      "the listing's own buffers and checks")
            table.row("  cause: RegEnumKeyExW + LB_ADDSTRING", float(result["addstring_ms"]),
                      floor, "the loop plus the list box, redraw on")
    for result in by_what.get("listing-shown", []):
        accounts = int(result["accounts"])
        floor = float(result["floor_ms"])
        table.section(f"Listing into a list box on screen, median of {result['reps']} rounds "
                      "(never done by the program)")
        table.row(f"List {accounts:,} accounts, redraw on", float(result["direct_ms"]), floor,
                  "RegEnumKeyExW loop")
        table.row(f"List {accounts:,} accounts, redraw off", float(result["noredraw_ms"]), floor,
                  "RegEnumKeyExW loop; WM_SETREDRAW FALSE around the fill")

    steps = by_what.get("build-steps", [])
    forms = by_what.get("build-form", [])
    if steps and forms:
        whole = statistics.median(float(result["ms"]) for result in forms)
        table.section(f"Building the main window, first build in a fresh process, median of "
                      f"{len(steps)} processes each")
        total = 0.0
        for key, name in BUILD_STEPS:
            step = statistics.median(float(result[key]) for result in steps)
            total += step
            table.row(f"  {name}", step, whole, "share of the whole build, the row below")
        table.row("Whole build, the program's own code", whole, total,
                  "the sum of the steps above")
        empties = [float(result["ms"]) for result in by_what.get("build-empty", [])]
        if empties:
            table.row("  the same against an empty window", whole, statistics.median(empties),
                      "empty_window.exe's window made, shown and painted, in a fresh process")

    for result in by_what.get("startup", []):
        empty = float(result["empty_shown_ms"])

        def spread(key):
            return f"{float(result[key + '_min']):.0f}-{float(result[key + '_max']):.0f} ms"

        table.section(f"Start-up, median of {result['runs']} launches each: CreateProcess "
                      "until the window is shown, and until the list is filled")
        for accounts in result["accounts"].split(","):
            key = f"zelvane_{accounts}"
            table.row(f"zelvane.exe, {int(accounts):,} accounts: window shown",
                      float(result[key + "_shown_ms"]), empty,
                      f"empty_window.exe (its range {spread('empty_shown')}); "
                      f"range {spread(key + '_shown')}")
            table.row(f"  {int(accounts):,} accounts: list filled", float(result[key + "_filled_ms"]),
                      empty, "empty_window.exe shown; the program's first wait for input")
        table.row("  zelvane.exe, no accounts: window shown", float(result["zelvane_0_shown_ms"]),
                  empty, "empty_window.exe; range " + spread("zelvane_0_shown"))
        table.row("  empty window + zelvane's DLLs and manifest",
                  float(result["empty_dlls_shown_ms"]), empty,
                  "empty_window.exe; range " + spread("empty_dlls_shown"))

    programs = [float(result["ms"]) for result in by_what.get("erase-program", [])]
    regs = [float(result["ms"]) for result in by_what.get("erase-reg", [])]
    starts = [float(result["ms"]) for result in by_what.get("erase-reg-start", [])]
    if programs and regs and starts:
        keys = by_what["seed-tree"][0]["keys"]
        values = by_what["seed-tree"][0]["values"]
        program = statistics.median(programs)
        reg = statistics.median(regs)
        start = statistics.median(starts)
        table.section(f"Erasure of one account holding {int(keys):,} keys and {int(values):,} "
                      f"values, median of {len(programs)} rounds")
        table.row("Win32Registry::DeleteTree", program, reg,
                  "`wine reg delete`, whole command, process start included")
        table.row("  the same, against reg's own work", program, reg - start,
                  "`wine reg delete` less its start and end (the row below)")
        table.row("  `wine reg delete` of a missing key", start, "", "its process start and end")
        clis = [float(result["ms"]) for result in by_what.get("erase-cli", [])]
        if clis:
            table.row("zelvane.exe /erase, whole process", statistics.median(clis), reg,
                      "`wine reg delete`, whole command (aim: at most 1.0x)")

    exports = [float(result["ms"]) for result in by_what.get("export-reg", [])]
    export_deletes = [float(result["ms"]) for result in by_what.get("export-delete-reg", [])]
    if exports and export_deletes:
        export = statistics.median(exports)
        export_delete = statistics.median(export_deletes)
        table.section(f"Reading the same account, median of {len(exports)} rounds")
        whatifs = [float(result["ms"]) for result in by_what.get("whatif-cli", [])]
        if whatifs:
            table.row("zelvane.exe /erase /whatif, whole process", statistics.median(whatifs),
                      export, "`wine reg export` of the account's key (aim: at most 1.0x)")
        reads = by_what.get("read-program", [])
        if reads:
            read_ms = statistics.median(float(result["ms"]) for result in reads)
            table.row("  ReadAccountSubtree, /whatif's read", read_ms, export,
                      "`wine reg export`, whole command")
            calls = sorted({key[:-6] for key in reads[0] if key.endswith("_calls")})
            for call in calls:
                spent = statistics.median(float(result.get(call + "_ms", 0)) for result in reads)
                count = reads[0][call + "_calls"]
                table.row(f"    {call}, {int(count):,} calls", spent, read_ms,
                          "share of the read, the row above")
        backups = [float(result["ms"]) for result in by_what.get("backup-cli", [])]
        if backups:
            table.row("zelvane.exe /erase /backup, whole process", statistics.median(backups),
                      export_delete, "`wine reg export` + `wine reg delete` (aim: at most 1.0x)")
        compared = by_what.get("backup-erase-program", [])
        if compared:
            table.row("  read for the backup + EraseAsBackedUp, in-process",
                      statistics.median(float(result["ms"]) for result in compared),
                      export_delete, "`wine reg export` + `wine reg delete` (aim: at most 1.0x)")
            table.row("    of which the read",
                      statistics.median(float(result["read_ms"]) for result in compared),
                      export, "`wine reg export`, whole command")

    everyone = {}
    for result in by_what.get("erase-allusers", []):
        everyone.setdefault(int(result["profiles"]), []).append(float(result["ms"]))
    if 1 in everyone:
        one = statistics.median(everyone[1])
        table.section("Erasure for all users (zelvane.exe /erase /allusers, whole process), "
                      f"profiles not loaded, median of {len(everyone[1])} rounds")
        for profiles, times in sorted(everyone.items()):
            median = statistics.median(times)
            note = "the run over 1 profile"
            if profiles > 1:
                note += f"; {(median - one) / (profiles - 1):,.1f} ms for each profile more"
            table.row(f"{profiles} profile{'s' if profiles > 1 else ''}", median, one, note)

    animations = by_what.get("animation", [])
    if animations:
        table.section("Expansion and collapse of the real window, timers at 10 ms, "
                      f"{animations[0]['dpi']} DPI")
        for result in animations:
            ticks = int(result["ticks"])
            table.row(f"{result['direction'].capitalize()} "
                      f"{float(result['from_twips']):.0f} to {float(result['to_twips']):.0f} twips",
                      float(result["ms"]), float(result["nominal_ms"]),
                      f"{ticks} ticks x 10 ms (the last one finishes)")

    sizes = by_what.get("size", [])
    if sizes:
        aim = 200 * 1024
        table.section("Size of zelvane.exe, release build")
        for result in sizes:
            size = int(result["bytes"])
            table.sized_row(f"zelvane.exe {result['arch']}", size, aim, f"{size:,} B",
                            f"{aim:,} B", "200 KB aim; imports " +
                            result["imports"].replace(",", " "))
    table.print()


if __name__ == "__main__":
    main()
