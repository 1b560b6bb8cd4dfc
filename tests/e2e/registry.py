"""The registry of the run's Wine prefix: the places accounts are kept in, seeded with Wine's
own reg program, and regtool.exe for what reg cannot do or does slowly (links, DACLs, hives,
the snapshots that compare a tree before and after)."""

import os
import tempfile
from pathlib import Path

# Where accounts are kept, below each place's Software key.
ACCOUNTS_PATH = r"Mirabilis\ICQ\NewOwners"

# Which Windows the run's prefix is: "win64", 64-bit Windows running the 64-bit exe (the
# default); "wow64", 64-bit Windows running the 32-bit exe; "win32", 32-bit Windows. The
# registry is seeded and read with the prefix's own reg, which is 64-bit on 64-bit Windows.
WINDOWS = os.environ.get("ZELVANE_E2E_WINDOWS", "win64")
if WINDOWS not in ("win64", "wow64", "win32"):
    raise SystemExit(f"ZELVANE_E2E_WINDOWS={WINDOWS}: expected win64, wow64 or win32")
WINDOWS_64 = WINDOWS != "win32"

# The places an account can be kept in, each named by its Software key. The messenger is a
# 32-bit program, so its machine-hive keys live in the 32-bit view of the registry: under
# Wow6432Node on 64-bit Windows, where the 64-bit view is there for the tests that check it
# is left alone; in the one view of 32-bit Windows. UAC's virtual store keeps the
# machine-hive writes of a messenger run without administrator rights in the user's hive,
# in a form for 64-bit Windows and one for 32-bit.
HKCU = "HKCU"
DEFAULT_USER = r"HKU\.DEFAULT"
MACHINE32 = "HKLM32"
MACHINE64 = "HKLM64"
STORE64 = "VirtualStore64"
STORE32 = "VirtualStore32"

PLACE_ROOTS = {
    HKCU: r"HKEY_CURRENT_USER\Software",
    DEFAULT_USER: r"HKEY_USERS\.DEFAULT\Software",
    MACHINE32: r"HKEY_LOCAL_MACHINE\Software\Wow6432Node" if WINDOWS_64
    else r"HKEY_LOCAL_MACHINE\Software",
    STORE64: r"HKEY_CURRENT_USER\Software\Classes\VirtualStore\MACHINE\SOFTWARE\Wow6432Node",
    STORE32: r"HKEY_CURRENT_USER\Software\Classes\VirtualStore\MACHINE\SOFTWARE",
}
if WINDOWS_64:
    PLACE_ROOTS[MACHINE64] = r"HKEY_LOCAL_MACHINE\Software"

# Under WOW64 `wine reg` may start the 32-bit reg, which the registry would redirect to the
# 32-bit view like any 32-bit program (seen: a 64-bit prefix with 32-bit Wine beside it): every
# reg command names the 64-bit view, so that the keys above are the ones it reads and writes.
REG_VIEW = ("/reg:64",) if WINDOWS_64 else ()

# The machine place as the program names it: as regedit shows it on that Windows.
MACHINE_PLACE_NAME = (r"HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\Mirabilis\ICQ\NewOwners"
                      if WINDOWS_64 else r"HKEY_LOCAL_MACHINE\SOFTWARE\Mirabilis\ICQ\NewOwners")

# Where Zelvane erases an account from, in its order.
ERASED_PLACES = (HKCU, DEFAULT_USER, MACHINE32, STORE64, STORE32)


# Wine reads the screen's DPI from here when a program starts; without a value it is 96.
DESKTOP_KEY = r"HKEY_CURRENT_USER\Control Panel\Desktop"


def place_key(place, subpath=""):
    """Full key name, under a place's Software key; subpath is relative to it."""
    key = PLACE_ROOTS[place]
    return key + ("\\" + subpath if subpath else "")


def account_key(place, uin=""):
    """The NewOwners key of a place, or the key of one account in it."""
    return place_key(place, ACCOUNTS_PATH + ("\\" + uin if uin else ""))


# The hives by the names reg gives them and the shorter ones regtool takes.
HIVE_NAMES = (("HKEY_CURRENT_USER", "HKCU"), ("HKEY_USERS", "HKU"), ("HKEY_LOCAL_MACHINE", "HKLM"))


# Where Wine keeps the system parameters that programs have read (see Registry.snapshot).
WINE_PARAMETER_CACHE = r"HKEY_CURRENT_USER\Software\Wine\Temporary System Parameters"


def regtool_key(key):
    """A key (or a whole hive) as regtool names it."""
    for long, short in HIVE_NAMES:
        if key == long or key.startswith(long + "\\"):
            return short + key[len(long):]
    raise ValueError(key)


def parse_dump(text):
    """The output of `regtool dump` as {key name, with the hive as reg names it: tuple of its
    value lines}; a key that could not be read has its error for its one line."""
    tree = {}
    lines = None
    # Split at the line feeds regtool writes only: splitlines would also split a name at
    # U+2028 and the like.
    for line in text.split("\n"):
        if line.startswith("["):
            end = line.rindex("]")
            key = line[1:end]
            for long, short in HIVE_NAMES:
                if key == short or key.startswith(short + "\\"):
                    key = long + key[len(short):]
            lines = tree[key] = [line[end + 1:].strip()] if line[end + 1:].strip() else []
        elif lines is not None and line:
            lines.append(line)
    return {name: tuple(values) for name, values in tree.items()}


def parse_export(text):
    """A `reg export` file as {key name: tuple of its value lines}, in file order."""
    tree = {}
    key = None
    for line in text.splitlines():
        if line.startswith("[") and line.endswith("]"):
            key = line[1:-1]
            tree[key] = []
        elif key is not None and line.strip():
            tree[key].append(line)
    return {name: tuple(lines) for name, lines in tree.items()}


class Registry:
    def __init__(self, wine, regtool_exe, scratch_dir):
        self.wine = wine
        self.regtool_exe = regtool_exe
        # Where the .reg files passed to and from reg are written.
        self.scratch_dir = scratch_dir

    def add(self, key, value=None, data="", kind="REG_SZ"):
        args = ["reg", "add", key, "/f", *REG_VIEW]
        if value is not None:
            args += ["/v", value, "/t", kind, "/d", data]
        self.wine.run(*args)

    def load(self, sections):
        """Imports registry sections in one Wine process: a list of (key, {value: data}),
        where a key written "-KEY" is deleted with everything below it (a missing key is
        fine) and data is a string, an int for a REG_DWORD, bytes for a REG_BINARY, or None
        to delete the value."""
        lines = ["Windows Registry Editor Version 5.00", ""]
        for key, values in sections:
            lines.append(f"[{key}]")
            for name, data in (values or {}).items():
                if data is None:
                    rendered = "-"
                elif isinstance(data, bytes):
                    rendered = "hex:" + ",".join(f"{byte:02x}" for byte in data)
                elif isinstance(data, int):
                    rendered = f"dword:{data:08x}"
                else:
                    rendered = '"' + data.replace("\\", "\\\\").replace('"', '\\"') + '"'
                lines.append(f'"{name}"={rendered}')
            lines.append("")
        with tempfile.NamedTemporaryFile(dir=self.scratch_dir, suffix=".reg",
                                         delete=False) as f:
            f.write("\r\n".join(lines).encode("utf-16"))
        try:
            self.wine.run("reg", "import", f.name, *REG_VIEW)
        finally:
            os.unlink(f.name)

    def delete(self, *keys):
        """Deletes keys with everything below them; missing keys are fine."""
        self.load([("-" + key, None) for key in keys])

    def regtool(self, *args):
        """Makes a registry link or sets a key's DACL (see regtool.cpp)."""
        self.wine.run(self.regtool_exe, *args)

    def binary(self, key, value):
        """The bytes of a REG_BINARY value."""
        for line in self.wine.run("reg", "query", key, "/v", value, *REG_VIEW).stdout.splitlines():
            fields = line.split()
            if len(fields) == 3 and fields[0] == value and fields[1] == "REG_BINARY":
                return bytes.fromhex(fields[2])
        raise AssertionError(f"no binary value {value} in {key}")

    def exists(self, key):
        return self.wine.run("reg", "query", key, *REG_VIEW, check=False).returncode == 0

    def subkeys(self, key):
        """Names of the direct subkeys of key, in the order the registry enumerates them."""
        result = self.wine.run("reg", "query", key, *REG_VIEW, check=False)
        if result.returncode != 0:
            return []
        prefix = key.lower() + "\\"
        names = []
        for line in result.stdout.splitlines():
            line = line.strip()
            if line.lower().startswith(prefix) and "\\" not in line[len(prefix):]:
                names.append(line[len(prefix):])
        return names

    def export(self, key):
        """Text of `reg export` of key (with every subkey), or "" when the key is missing."""
        with tempfile.NamedTemporaryFile(dir=self.scratch_dir, suffix=".reg") as f:
            result = self.wine.run("reg", "export", key, f.name, "/y", *REG_VIEW, check=False)
            if result.returncode != 0:
                return ""
            return Path(f.name).read_bytes().decode("utf-16")

    def snapshot(self, *keys):
        """Every key and value below each of keys, as {key: value lines}, read in one process
        by regtool (reg export takes seconds for HKEY_LOCAL_MACHINE\\Software alone).

        Wine's volatile cache of system parameters is left out: Wine fills it in as programs
        run, so which of its keys exist depends on what ran since the wineserver started, not
        on what the program under test did (seen: a case in a fresh prefix found keys there
        after the program ran that were not there before)."""
        dump = self.wine.run(self.regtool_exe, "dump", *map(regtool_key, keys))
        cache = WINE_PARAMETER_CACHE.lower()
        return {key: values for key, values in parse_dump(dump.stdout).items()
                if key.lower() != cache and not key.lower().startswith(cache + "\\")}
