"""The command line of the real zelvane.exe under Wine: its output read through a pipe, its exit
codes, and the registry before and after; /allusers over a second profile made here, loaded by
the test (a logged-on user, its classes hive left to Zelvane), left for Zelvane to load, named by
a .bak entry, and held open by another process; a run ended while its output pipe was full; the
default user's hive."""

import fcntl
import os
import re
import shutil
import subprocess
import tempfile
import termios
import time
import unittest
from pathlib import Path

from harness import ProgramTestCase
from registry import (
    DEFAULT_USER,
    ERASED_PLACES,
    HKCU,
    MACHINE32,
    MACHINE64,
    MACHINE_PLACE_NAME,
    WINDOWS_64,
    account_key,
    parse_export,
    regtool_key,
)
from wine import Wine, did_not_run, printed_by_program, without_shell_locale_warnings

TARGET = "87654321"
OTHER = "123456"
GRANT_ALL = "D:(A;;KA;;;WD)"
EXPORTED = ("HKEY_CURRENT_USER", r"HKEY_USERS\.DEFAULT", r"HKEY_LOCAL_MACHINE\Software")
# Wine's one user, whose hive is loaded as HKEY_USERS\<SID> like a logged-on user's.
WINE_USER = "S-1-5-21-0-0-0-1000"
# The second profile: a made-up SID, its folder and its hive file.
SID = "S-1-5-21-5-5-5-2001"
PROFILE_LIST = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\ProfileList"
HIVE_WIN = r"C:\users\zelvane-other\NTUSER.DAT"
HIVE_SOURCE = r"HKCU\Software\ZelvaneHive"
NEW_OWNERS = r"Software\Mirabilis\ICQ\NewOwners"
VICTIM = r"HKLM\Software\ZelvaneVictim"
CLASSES_WIN = r"C:\users\zelvane-other\AppData\Local\Microsoft\Windows\UsrClass.dat"
STORE = r"VirtualStore\MACHINE\SOFTWARE\Wow6432Node\Mirabilis\ICQ\NewOwners"
# A name that would forge an inventory line if it were printed as it is.
FORGER = "1\tx\r\n123456789\tthe machine\r\n2"


def zelvane_hives(registry):
    """What Zelvane has loaded under HKEY_USERS, by its private names. (reg names the keys it
    lists by the hive's long name, which subkeys matches.)"""
    return [k for k in registry.subkeys("HKEY_USERS") if k.lower().startswith("zelvane-")]


class CommandLineCase(ProgramTestCase):
    def run_zelvane(self, *args, expected, cwd=None):
        """Runs zelvane.exe with its standard output and error on pipes; returns them. A run
        that Wine did not start is tried again, as Wine.run does. expected: the exit code, or a
        tuple of those that may be."""
        for _ in range(Wine.TRIES):
            result = subprocess.run(
                [str(self.env.wine_exec), str(self.env.exe), *args],
                env=self.env.wine.env(),
                stdin=subprocess.DEVNULL,
                capture_output=True,
                timeout=120,
                cwd=cwd,
            )
            out = result.stdout.decode("utf-8").replace("\r\n", "\n")
            err = without_shell_locale_warnings(result.stderr.decode("utf-8", errors="replace"))
            if not did_not_run(result.returncode, printed_by_program(out + err)):
                break
        self.assertIn(result.returncode, expected if isinstance(expected, tuple) else (expected,),
                      f"{args}:\n{out}{err}")
        return out, err


class CurrentUserTests(CommandLineCase):
    def test_list_then_erase_then_erase_again(self):
        for place in ERASED_PLACES:
            self.seed(place, TARGET, {"Nick": "x"})
        self.seed(HKCU, "ü名9")
        self.seed(MACHINE32, OTHER)
        # The 64-bit twin of the machine copy, which Zelvane leaves alone.
        if WINDOWS_64:
            self.seed(MACHINE64, TARGET)

        out, _ = self.run_zelvane("/list", expected=0)
        lines = out.splitlines()
        self.assertIn(f"{TARGET}\t{WINE_USER}", [line[: len(TARGET) + 1 + len(WINE_USER)]
                                                 for line in lines])
        self.assertTrue(any(line.startswith(f"ü名9\t{WINE_USER}") for line in lines), out)
        self.assertIn(f"{OTHER}\tthe machine", lines)
        self.assertIn(f"{TARGET}\tthe default profile", lines)

        before = self.env.registry.snapshot(*EXPORTED)
        out, _ = self.run_zelvane("/ERASE", TARGET, expected=0)
        self.assertEqual(out.count("\nerased    ") + out.startswith("erased    "), 5, out)
        # The machine line names the key that was erased, as reg shows it, and not its twin.
        machine = [line[len("erased    "):] for line in out.splitlines()
                   if line.startswith(r"erased    HKEY_LOCAL_MACHINE")]
        self.assertEqual(machine, [rf"{MACHINE_PLACE_NAME}\{TARGET}"], out)
        self.assertTrue(out.endswith(f"{TARGET}: erased; nothing of it is left.\n"), out)
        self.assert_only_erased(before, self.env.registry.snapshot(*EXPORTED), [TARGET])
        self.assertFalse(self.env.registry.exists(machine[0]))
        if WINDOWS_64:
            self.assertTrue(self.env.registry.exists(account_key(MACHINE64, TARGET)))

        out, _ = self.run_zelvane("-erase", TARGET, expected=0)
        self.assertEqual(out.count("not there "), 5, out)

    def test_a_denied_place_is_named_and_fails_the_run(self):
        self.seed(HKCU, TARGET)
        self.seed(MACHINE32, TARGET)
        # A DACL that grants nothing: Wine, like Windows, then refuses the account's key.
        machine = r"HKLM\Software\Mirabilis\ICQ\NewOwners" + "\\" + TARGET
        self.env.registry.regtool("dacl", machine, "D:P", "32")
        self.addCleanup(self.env.registry.regtool, "dacl", machine, GRANT_ALL, "32")

        # Every Wine process is elevated, so this is 1, never 3 (the native tests cover 3).
        out, _ = self.run_zelvane("/erase", TARGET, expected=1)
        self.assertIn(
            rf"failed    {MACHINE_PLACE_NAME}\{TARGET}: ", out)
        self.assertIn("(error 5)", out)
        self.assertIn(f"{TARGET}: not erased everywhere: 1 place failed.", out)
        # Its key cannot be read any more, but its parent names it.
        self.assertIn(TARGET, self.env.registry.subkeys(account_key(MACHINE32)))
        self.assertFalse(self.env.registry.exists(account_key(HKCU, TARGET)))

    def test_list_fails_on_a_place_it_cannot_read_and_no_name_forges_a_line(self):
        self.seed(HKCU, TARGET)
        self.env.registry.add(account_key(HKCU, FORGER))
        out, _ = self.run_zelvane("/list", expected=0)
        self.assertIn(f"1\\tx\\r\\n123456789\\tthe machine\\r\\n2\t{WINE_USER}", out)
        self.assertNotIn("123456789\tthe machine", out.splitlines())
        out, _ = self.run_zelvane("/erase", FORGER, expected=0)
        self.assertIn(r"erased    HKEY_CURRENT_USER\Software\Mirabilis\ICQ\NewOwners\1\tx\r\n", out)
        self.assertEqual(len(out.splitlines()), 6, out)

        # A user who denies everyone their NewOwners cannot hide an account from the list.
        own = regtool_key(account_key(HKCU))
        self.env.registry.regtool("dacl", own, "D:P")
        self.addCleanup(self.env.registry.regtool, "dacl", own, GRANT_ALL)
        out, err = self.run_zelvane("/list", expected=1)
        self.assertIn(r"failed    HKEY_CURRENT_USER\Software\Mirabilis\ICQ\NewOwners: ", err)
        self.assertIn("(error 5)", err)

    def test_a_running_messenger_is_named_and_gives_exit_4(self):
        self.seed(HKCU, TARGET)
        with self.messenger_running("icqlite.exe"):
            out, _ = self.run_zelvane("/erase", TARGET, expected=4)
        self.assertRegex(out, r"\nrunning   icqlite\.exe \(process \d+, [^)]+\)\n")
        self.assertIn(f"{TARGET}: erased, but the messenger was running", out)
        self.assertFalse(self.env.registry.exists(account_key(HKCU, TARGET)))
        out, _ = self.run_zelvane("/erase", TARGET, expected=0)
        self.assertNotIn("running", out)

    def test_a_log_that_cannot_be_opened_touches_nothing_and_a_killed_run_leaves_its_start(self):
        self.seed(HKCU, TARGET)
        before = self.env.registry.snapshot(*EXPORTED)
        _, err = self.run_zelvane("/erase", TARGET, "/log", r"C:\no such folder\z.log",
                                  expected=1)
        self.assertIn("the log could not be opened", err)
        self.assertEqual(self.env.registry.snapshot(*EXPORTED), before)

        # More lines than a pipe of one page holds, read by no one: the run waits on its
        # output until it is killed.
        self.env.registry.load([(account_key(HKCU, f"{n:09}"), None)
                                for n in range(100000000, 100000300)])
        log = self.env.prefix / "drive_c" / "zelvane-killed.log"
        log.unlink(missing_ok=True)
        self.addCleanup(log.unlink, missing_ok=True)
        read_end, write_end = os.pipe()
        fcntl.fcntl(write_end, fcntl.F_SETPIPE_SZ, 4096)
        run = subprocess.Popen([str(self.env.wine_exec), str(self.env.exe), "/list", "/log",
                                r"C:\zelvane-killed.log"], env=self.env.wine.env(),
                               stdin=subprocess.DEVNULL, stdout=write_end,
                               stderr=subprocess.DEVNULL)
        os.close(write_end)
        try:
            deadline = time.monotonic() + 60
            while "100000050" not in (log.read_text("utf-8") if log.exists() else ""):
                self.assertIsNone(run.poll(), "the run ended before it was killed")
                self.assertLess(time.monotonic(), deadline, "the run did not fill its pipe")
                time.sleep(0.2)
            self.env.wine.run("taskkill", "/f", "/im", "zelvane.exe", check=False)
            run.wait(timeout=60)
        finally:
            if run.poll() is None:
                run.kill()
            os.close(read_end)
        text = log.read_bytes().decode("utf-8")
        lines = text.split("\r\n")
        self.assertRegex(lines[0], r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\dZ \[\d+\] start     \S+ .*: "
                                   r"zelvane /list /log C:\\zelvane-killed\.log$")
        self.assertNotIn(" exit ", text)

    def test_usage_errors_exit_2_and_touch_nothing(self):
        for place in ERASED_PLACES:
            self.seed(place, TARGET)
        before = self.env.registry.snapshot(*EXPORTED)
        for args in (("/erase",), ("/erase", TARGET + "\\x"), ("/erase", TARGET, "/force"),
                     ("/list", "/erase", TARGET), (TARGET,), ("/erase", "7" * 256)):
            out, err = self.run_zelvane(*args, expected=2)
            self.assertEqual(out, "")
            self.assertIn("zelvane /? tells how", err)
        self.assertEqual(self.env.registry.snapshot(*EXPORTED), before)

    def test_quiet_shows_nothing_where_a_box_would_wait(self):
        # Started as Explorer or a service starts it: no standard handles, no console. Then
        # the outcome goes to a message box, which waits; with /quiet nothing is shown and
        # the run ends by itself.
        self.seed(HKCU, TARGET)
        loud = self.env.wine.start(self.env.regtool_exe, "run", self.env.exe, "/erase", OTHER,
                              log_name=f"{self.id()}.log")
        try:
            box = self.env.reader.message_boxes(process="zelvane.exe", title="Zelvane",
                                                wait_ms=20000)
            self.assertEqual(len(box), 1)
            self.assertIn(f"{OTHER}: not found; nothing to erase.", box[0]["text"])
        finally:
            self.env.wine.run("taskkill", "/f", "/im", "zelvane.exe", check=False)
            loud.wait(timeout=60)

        quiet = self.env.wine.start(self.env.regtool_exe, "run", self.env.exe, "/erase", TARGET,
                               "/quiet", log_name=f"{self.id()}.log")
        while quiet.poll() is None:
            self.assertEqual(self.env.reader.windows(process="zelvane.exe"), [])
        self.assertEqual(quiet.wait(timeout=60), 0)
        self.assertFalse(self.env.registry.exists(account_key(HKCU, TARGET)))


def hex_bytes(data):
    return ",".join(f"{byte:02x}" for byte in data)


def utf16z(*strings):
    """Strings as a REG_EXPAND_SZ or REG_MULTI_SZ holds them: UTF-16LE, each with its NUL."""
    return b"".join(text.encode("utf-16-le") + b"\0\0" for text in strings)


def every_type(account):
    """An account holding a value of every type, nested keys and a key without values, as
    .reg lines for reg import (which takes hex lines of any length)."""
    expand = hex_bytes(utf16z("%SystemRoot%\\名"))
    multi = hex_bytes(utf16z("one", "zwei ü", "三") + b"\0\0")
    return [
        f"[{account}]",
        r'@="default \"quoted\" C:\\dir\\ 名前 ü"',
        r'"back\\slash \"name\""="x"',
        f'"Expand"=hex(2):{expand}',
        f'"Multi"=hex(7):{multi}',
        f'"Binary"=hex:{hex_bytes(bytes(range(7, 127)))}',
        '"Dword"=dword:8badf00d',
        f'"Qword"=hex(b):{hex_bytes(bytes([1, 2, 3, 4, 5, 6, 7, 0x88]))}',
        '"None"=hex(0):01,02',
        "",
        f"[{account}\\Nested\\Deeper]",
        '"S"="deep"',
        "",
        f"[{account}\\Empty]",
        "",
    ]


# REG_SZ values whose bytes the quoted form would change: an odd length, no terminating NUL.
ODD_STRINGS = {"Odd": "610062", "NoNul": "61006200"}


def without_odd_strings(lines):
    """Export text, or a snapshot's value lines, without the lines of ODD_STRINGS."""
    odd = tuple(f'"{name}"=' for name in ODD_STRINGS)
    if isinstance(lines, str):
        return "\n".join(line for line in lines.splitlines() if not line.startswith(odd))
    return tuple(line for line in lines if not line.startswith(odd))


class BackupTests(CommandLineCase):
    """/whatif and /backup FILE, with the file in the Wine prefix's drive C:."""

    FILE_WIN = r"C:\zelvane-backup.reg"

    def setUp(self):
        super().setUp()
        self.file = self.env.prefix / "drive_c" / "zelvane-backup.reg"
        self.file.unlink(missing_ok=True)
        self.addCleanup(self.file.unlink, missing_ok=True)

    def import_lines(self, lines):
        with tempfile.NamedTemporaryFile(dir=self.env.state_dir, suffix=".reg",
                                         delete=False) as f:
            f.write("\r\n".join(["Windows Registry Editor Version 5.00", ""] + lines)
                    .encode("utf-16"))
        try:
            return self.env.wine.run("reg", "import", f.name, check=False)
        finally:
            Path(f.name).unlink()

    def test_whatif_changes_nothing_and_names_each_copy(self):
        for place in ERASED_PLACES:
            self.seed(place, TARGET, {"Nick": "x"})
        before = self.env.registry.snapshot(*EXPORTED)
        out, _ = self.run_zelvane("/erase", TARGET, "/whatif", expected=0)
        self.assertEqual(self.env.registry.snapshot(*EXPORTED), before)
        would = [line for line in out.splitlines() if line.startswith("would erase ")]
        self.assertEqual(len(would), 5, out)
        self.assertIn(rf"would erase HKEY_CURRENT_USER\{NEW_OWNERS}\{TARGET} (1 key, 1 value)",
                      would)
        self.assertIn(rf"would erase HKEY_USERS\.DEFAULT\{NEW_OWNERS}\{TARGET} (1 key, 1 value)",
                      would)
        self.assertTrue(out.endswith(f"{TARGET}: would be erased from 5 places. "
                                     "Nothing was changed (/whatif).\n"), out)

    def test_backup_then_reg_import_gives_the_account_back(self):
        places = (HKCU, MACHINE32)
        lines = []
        for place in places:
            lines += every_type(account_key(place, TARGET))
        self.assertEqual(self.import_lines(lines).returncode, 0)
        # Strings whose bytes the quoted form would change, set as they are (reg import would
        # change them, see below).
        for name, data in ODD_STRINGS.items():
            self.env.registry.regtool("set", rf"HKCU\{NEW_OWNERS}\{TARGET}", name, "1", data)
        before = {place: self.env.registry.export(account_key(place, TARGET)) for place in places}
        self.assertIn("hex(b):01,02,03,04,05,06,07,88", before[HKCU])
        # reg export writes the odd strings cut short; the snapshot holds their bytes.
        exact = self.env.registry.snapshot(account_key(HKCU, TARGET))

        out, _ = self.run_zelvane("/erase", TARGET, "/backup", self.FILE_WIN, expected=0)
        self.assertIn(rf"backed up {self.FILE_WIN} (8 keys, 20 values)", out)
        for place in places:
            self.assertFalse(self.env.registry.exists(account_key(place, TARGET)), out)
        text = self.file.read_bytes()
        self.assertTrue(text.startswith(b"\xff\xfeW\x00i\x00"), text[:8])
        text = text.decode("utf-16")
        # The user's copy exactly as reg export writes it, line for line, long hex wrapped; the
        # odd strings whole, in hex(1) form.
        self.assertIn('\r\n"Odd"=hex(1):61,00,62\r\n', text)
        self.assertIn('\r\n"NoNul"=hex(1):61,00,62,00\r\n', text)
        written = parse_export(without_odd_strings(text))
        for key, values in parse_export(without_odd_strings(before[HKCU])).items():
            self.assertEqual(written.get(key), values, key)

        self.assertEqual(self.env.wine.run("reg", "import", self.FILE_WIN, check=False)
                         .returncode, 0)
        restored = self.env.registry.snapshot(account_key(HKCU, TARGET))
        self.assertEqual({k: without_odd_strings(v) for k, v in restored.items()},
                         {k: without_odd_strings(v) for k, v in exact.items()})
        # Where Windows keeps the odd strings' bytes as the file gives them, Wine's reg import
        # appends a NUL character to string data in hex form that does not end in one, written
        # over the last byte of an odd length (the byte after it is whatever Wine's buffer held).
        lines = restored.get(account_key(HKCU, TARGET), ())
        for name, data in ODD_STRINGS.items():
            appended = data[:len(data) // 4 * 4] + "0000" + ("[0-9a-f]{2}" if len(data) % 4 else "")
            self.assertTrue(any(re.fullmatch(f'"{name}"=1:({data}|{appended})', line)
                                for line in lines), (name, lines))
        # The machine's copy is restored to the 32-bit view only if the file names that view's
        # key as 64-bit Windows names it, SOFTWARE\WOW6432Node.
        for place in places:
            self.assertEqual(without_odd_strings(self.env.registry.export(account_key(place, TARGET))),
                             without_odd_strings(before[place]), place)

        # Never written over: a second backup to the same file is refused, and then nothing is
        # erased.
        out, err = self.run_zelvane("/erase", TARGET, "/backup", self.FILE_WIN, expected=2)
        self.assertIn("is there already", err)
        self.assertTrue(self.env.registry.exists(account_key(HKCU, TARGET)))

    def test_a_link_below_the_account_is_named_in_the_file_and_erased_as_the_link(self):
        self.seed(HKCU, TARGET, {"Nick": "x"})
        self.env.registry.delete(VICTIM)
        self.addCleanup(self.env.registry.delete, VICTIM)
        self.env.registry.add(VICTIM + r"\Keep", "K", "v")
        self.env.registry.regtool("link", rf"HKCU\{NEW_OWNERS}\{TARGET}\Link", VICTIM)
        out, _ = self.run_zelvane("/erase", TARGET, "/backup", self.FILE_WIN, expected=0)
        self.assertNotIn("not backed up", out)
        text = self.file.read_bytes().decode("utf-16")
        self.assertIn(rf"; a registry link, erased as the link: HKEY_CURRENT_USER\{NEW_OWNERS}"
                      rf"\{TARGET}\Link -> \REGISTRY\MACHINE\Software\ZelvaneVictim" + "\r\n",
                      text)
        self.assertNotIn("Keep", text)
        self.assertIn(f'[HKEY_CURRENT_USER\\{NEW_OWNERS}\\{TARGET}]\r\n"Nick"="x"\r\n', text)
        self.assertFalse(self.env.registry.exists(account_key(HKCU, TARGET)))
        self.assertTrue(self.env.registry.exists(VICTIM + r"\Keep"))

    def test_a_key_that_holds_a_link_value_is_backed_up_and_erased_whole(self):
        """Any key may hold a value named SymbolicLinkValue of type REG_LINK; only a key made as
        a link is one."""
        account = self.seed(HKCU, TARGET)
        settings = account + r"\Settings"
        self.env.registry.load([(settings, {"Nick": "x"}), (settings + r"\A\B\C", {"S": "y"})])
        target = r"\REGISTRY\MACHINE\Software\ZelvaneVictim"
        self.env.registry.regtool("set", regtool_key(settings), "SymbolicLinkValue", "6",
                                  target.encode("utf-16-le").hex())
        before = self.env.registry.snapshot(account)
        out, _ = self.run_zelvane("/erase", TARGET, "/whatif", expected=0)
        self.assertIn(rf"would erase HKEY_CURRENT_USER\{NEW_OWNERS}\{TARGET} (5 keys, 3 values)",
                      out)
        out, _ = self.run_zelvane("/erase", TARGET, "/backup", self.FILE_WIN, expected=0)
        self.assertIn(rf"backed up {self.FILE_WIN} (5 keys, 3 values)", out)
        self.assertNotIn("link", out)
        self.assertFalse(self.env.registry.exists(account))
        self.assertEqual(self.env.wine.run("reg", "import", self.FILE_WIN, check=False)
                         .returncode, 0)
        self.assertEqual(self.env.registry.snapshot(account), before)

    def test_a_name_the_file_cannot_hold_leaves_that_place_and_fails_the_run(self):
        for place in (HKCU, MACHINE32):
            self.seed(place, TARGET, {"Nick": "x"})
        account = account_key(HKCU, TARGET)
        self.env.registry.regtool("nulkeys", regtool_key(account))
        self.addCleanup(self.env.registry.regtool, "unnul", regtool_key(account))
        before = self.env.registry.snapshot(account)
        out, _ = self.run_zelvane("/erase", TARGET, "/backup", self.FILE_WIN, expected=1)
        self.assertIn(rf"not backed up HKEY_CURRENT_USER\{NEW_OWNERS}\{TARGET}\\x00x: a name "
                      "holding a NUL", out)
        self.assertIn(rf"failed    HKEY_CURRENT_USER\{NEW_OWNERS}\{TARGET}: not erased, since "
                      "the backup does not hold it", out)
        self.assertEqual(self.env.registry.snapshot(account), before)
        self.assertFalse(self.env.registry.exists(account_key(MACHINE32, TARGET)))
        self.assertIn(f"{TARGET}: not erased everywhere: 1 place failed.", out)

    def test_the_file_is_for_its_writer_alone_and_named_by_its_full_path(self):
        """Wine keeps no DACL on a file: it makes one from the file's Unix mode when asked (the
        owner's and SYSTEM's entries, and Everyone's for the mode's bits for others), so here
        only what the mode carries is seen, that no one else is let in. Windows keeps the DACL
        as it was made: protected, with Administrators, SYSTEM and the user alone."""
        self.seed(HKCU, TARGET, {"Nick": "x"})
        # Relative, with a trailing space that Windows drops from the name it writes.
        out, _ = self.run_zelvane("/erase", TARGET, "/backup", "zelvane-backup.reg ",
                                  expected=0, cwd=self.env.prefix / "drive_c")
        self.assertIn(rf"backed up {self.FILE_WIN} (1 key, 1 value)", out)
        dacl = self.env.wine.run(self.env.regtool_exe, "filedacl", self.FILE_WIN).stdout.strip()
        self.assertRegex(dacl, rf"^D:.*\(A;;FA;;;{WINE_USER}\)", dacl)
        self.assertNotIn(";WD)", dacl)
        self.assertEqual(self.file.stat().st_mode & 0o007, 0, oct(self.file.stat().st_mode))

    def test_a_folder_gets_a_new_file_from_each_run_that_finds_the_account(self):
        folder = self.env.prefix / "drive_c" / "zelvane-backups"
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir()
        self.addCleanup(shutil.rmtree, folder)
        # A path ending in a backslash, a folder that is there, and nothing to erase; the
        # number names no stream in the file's name.
        for path, found in (("C:\\zelvane-backups\\", True), (r"C:\zelvane-backups", True),
                            (r"C:\zelvane-backups", False)):
            if found:
                self.seed(HKCU, "12:3", {"Nick": "x"})
            out, _ = self.run_zelvane("/erase", "12:3", "/backup", path, expected=0)
        self.assertIn("12:3: nothing to back up; no file was written.\n", out)
        names = [p.name for p in folder.iterdir()]
        self.assertEqual(len(names), 2, names)
        for name in names:
            self.assertRegex(name, r"^.+-12_003A3-\d{8}T\d{6}Z(-2)?\.reg$")

    def test_a_backup_that_cannot_be_written_erases_nothing(self):
        for place in ERASED_PLACES:
            self.seed(place, TARGET, {"Nick": "x"})
        before = self.env.registry.snapshot(*EXPORTED)
        out, _ = self.run_zelvane("/erase", TARGET, "/backup", r"C:\no such folder\b.reg",
                                  expected=1)
        self.assertIn(r"failed    C:\no such folder\b.reg: the backup could not be written: ",
                      out)
        self.assertIn(f"{TARGET}: nothing was erased, since its backup could not be written.", out)
        self.assertEqual(self.env.registry.snapshot(*EXPORTED), before)


class SecondProfileCase(CommandLineCase):
    """A second profile: its hive saved with RegSaveKeyW from keys made here, named in the
    profile list with a folder that needs %SystemDrive% expanded."""

    def setUp(self):
        super().setUp()
        folder = self.env.prefix / "drive_c" / "users" / "zelvane-other"
        folder.mkdir(parents=True, exist_ok=True)
        self.hive = folder / "NTUSER.DAT"
        self.hive.unlink(missing_ok=True)
        self.env.registry.delete(HIVE_SOURCE, VICTIM)
        self.env.registry.add(HIVE_SOURCE + "\\" + NEW_OWNERS + "\\" + OTHER + r"\Sub", "N", "x")
        self.env.registry.add(HIVE_SOURCE + "\\" + NEW_OWNERS + r"\555")
        self.env.registry.add(HIVE_SOURCE + r"\Software\Kept", "K", "y")
        self.env.registry.regtool("save", HIVE_SOURCE, HIVE_WIN)
        self.env.registry.add(PROFILE_LIST + "\\" + SID, "ProfileImagePath",
                         r"%SystemDrive%\users\zelvane-other", "REG_EXPAND_SZ")
        self.addCleanup(self.env.registry.delete, PROFILE_LIST + "\\" + SID, HIVE_SOURCE, VICTIM)

    def load_as_logged_on(self):
        self.env.registry.regtool("load", SID, HIVE_WIN)
        self.addCleanup(self.env.wine.run, self.env.regtool_exe, "unload", SID, check=False)
        return rf"HKU\{SID}"


class AllUsersTests(SecondProfileCase):

    def test_a_logged_on_user_loses_the_account_and_nothing_else(self):
        user = self.load_as_logged_on()
        self.seed(DEFAULT_USER, OTHER)
        before = self.env.registry.snapshot(rf"HKEY_USERS\{SID}")
        out, _ = self.run_zelvane("/erase", OTHER, "/allusers", expected=0)
        self.assertIn(rf"erased    HKEY_USERS\{SID}\{NEW_OWNERS}\{OTHER}", out)
        self.assertIn(rf"erased    HKEY_USERS\.DEFAULT\{NEW_OWNERS}\{OTHER}", out)
        after = self.env.registry.snapshot(rf"HKEY_USERS\{SID}")
        gone = {k for k in before if (NEW_OWNERS + "\\" + OTHER).lower() in k.lower()}
        self.assertEqual(len(gone), 2)
        self.assertEqual(after, {k: v for k, v in before.items() if k not in gone})
        self.assertTrue(self.env.registry.exists(user + r"\Software\Kept"))

    def test_a_users_hive_loaded_alone_has_its_classes_hive_loaded_beside_it(self):
        # Windows loads a user's classes hive at logon, and links Software\Classes to it; Wine
        # loads none and keeps the classes in Software\Classes, a key of its own, as here. (Wine
        # runs every process elevated: what a standard user could not reach is not tried here.)
        classes = self.env.prefix / "drive_c" / CLASSES_WIN[3:].replace("\\", "/")
        classes.parent.mkdir(parents=True, exist_ok=True)
        self.addCleanup(classes.unlink, missing_ok=True)
        self.addCleanup(self.env.registry.delete, r"HKCU\Software\ZelvaneClasses")
        self.env.registry.add(r"HKCU\Software\ZelvaneClasses" + "\\" + STORE + "\\" + OTHER)
        self.env.registry.regtool("save", r"HKCU\Software\ZelvaneClasses", CLASSES_WIN)
        self.env.registry.add(self.load_as_logged_on() + r"\Software\Classes" + "\\" + STORE +
                              "\\" + OTHER)
        before = self.env.registry.snapshot(rf"HKEY_USERS\{SID}")
        out, _ = self.run_zelvane("/erase", OTHER, "/allusers", expected=0)
        self.assertIn(rf"loaded    {SID}: {CLASSES_WIN} as HKEY_USERS\Zelvane-{SID}_Classes", out)
        self.assertIn(rf"erased    HKEY_USERS\Zelvane-{SID}_Classes\{STORE}\{OTHER}", out)
        self.assertEqual(self.env.registry.snapshot(rf"HKEY_USERS\{SID}"),
                         {k: v for k, v in before.items() if "\\" + OTHER not in k})
        self.assertEqual(zelvane_hives(self.env.registry), [])
        self.env.wine.run(self.env.regtool_exe, "hold", CLASSES_WIN)

    def test_a_bak_entry_is_reached(self):
        # The entry Windows leaves when it gives a user a temporary profile; its path here ends
        # in a backslash.
        self.env.registry.delete(PROFILE_LIST + "\\" + SID)
        self.addCleanup(self.env.registry.delete, PROFILE_LIST + "\\" + SID + ".bak")
        self.env.registry.load([(PROFILE_LIST + "\\" + SID + ".bak",
                                 {"ProfileImagePath": "C:\\users\\zelvane-other\\"})])
        out, _ = self.run_zelvane("/erase", OTHER, "/allusers", expected=0)
        self.assertIn(rf"erased    HKEY_USERS\Zelvane-{SID}.bak\{NEW_OWNERS}\{OTHER}", out)
        self.assertEqual(zelvane_hives(self.env.registry), [])
        self.env.wine.run(self.env.regtool_exe, "hold", HIVE_WIN)

    def test_a_link_in_a_users_hive_is_refused_and_its_target_survives(self):
        user = self.load_as_logged_on()
        self.env.registry.delete(user + "\\" + NEW_OWNERS)
        self.env.registry.add(VICTIM + "\\" + OTHER + r"\Keep", "K", "v")
        self.env.registry.regtool("link", user + "\\" + NEW_OWNERS, VICTIM)
        self.assertTrue(self.env.registry.exists(user + "\\" + NEW_OWNERS + "\\" + OTHER),
                        "the link leads to the machine's key")

        out, _ = self.run_zelvane("/erase", OTHER, "/allusers", expected=1)
        self.assertIn(rf"failed    HKEY_USERS\{SID}\{NEW_OWNERS}\{OTHER}: a registry link", out)
        self.assertTrue(self.env.registry.exists(VICTIM + "\\" + OTHER + r"\Keep"))

    def test_a_user_not_logged_on_is_loaded_erased_and_unloaded(self):
        out, _ = self.run_zelvane("/erase", OTHER, "/allusers", expected=0)
        self.assertIn(rf"loaded    {SID}: {HIVE_WIN} as HKEY_USERS\Zelvane-{SID}", out)
        self.assertIn(rf"erased    HKEY_USERS\Zelvane-{SID}\{NEW_OWNERS}\{OTHER}", out)
        self.assertEqual(zelvane_hives(self.env.registry), [])
        # Unloaded: nothing holds the file any more. Wine does not write a loaded hive back
        # to its file when it is unloaded, so what the file holds now cannot be checked here.
        self.env.wine.run(self.env.regtool_exe, "hold", HIVE_WIN)

    def test_an_object_squatting_the_locks_name_does_not_stop_a_run(self):
        """Wine has no private namespaces (it exports none of their functions), so the lock
        here is the global mutex Windows XP has, and any process may make an object of its name
        first. On Vista and later the lock lives in a namespace this event cannot reach."""
        squatter = subprocess.Popen(
            [str(self.env.wine_exec), str(self.env.regtool_exe), "event",
             r"Global\Zelvane-AllUsers"],
            env=self.env.wine.env(), stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        try:
            self.assertEqual(squatter.stdout.readline().strip(), b"held")
            out, err = self.run_zelvane("/list", "/allusers", expected=0)
            self.assertIn("no lock   an object that no administrator made has the name", err)
            self.assertIn(f"{OTHER}\t{SID}", out)
        finally:
            squatter.stdin.close()
            squatter.wait(timeout=60)
            squatter.stdout.close()

    def test_a_hive_held_by_another_process_fails_for_that_user(self):
        holder = subprocess.Popen(
            [str(self.env.wine_exec), str(self.env.regtool_exe), "hold", HIVE_WIN],
            env=self.env.wine.env(), stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        try:
            self.assertEqual(holder.stdout.readline().strip(), b"held")
            self.seed(HKCU, OTHER)
            out, _ = self.run_zelvane("/erase", OTHER, "/allusers", expected=1)
            self.assertIn(f"failed    {SID}: {HIVE_WIN}: ", out)
            self.assertIn("(error 32)", out)
            self.assertIn(rf"erased    HKEY_USERS\{WINE_USER}\{NEW_OWNERS}\{OTHER}", out)
        finally:
            holder.stdin.close()
            holder.wait(timeout=60)
            holder.stdout.close()

    def test_whatif_and_backup_reach_a_user_not_logged_on(self):
        before = self.hive.read_bytes()
        out, _ = self.run_zelvane("/erase", OTHER, "/allusers", "/whatif", expected=0)
        self.assertIn(rf"loaded    {SID}: {HIVE_WIN} as HKEY_USERS\Zelvane-{SID}", out)
        self.assertIn(rf"would erase HKEY_USERS\Zelvane-{SID}\{NEW_OWNERS}\{OTHER} (2 keys, "
                      "1 value)", out)
        self.assertEqual(self.hive.read_bytes(), before)

        backup = self.env.prefix / "drive_c" / "zelvane-users.reg"
        backup.unlink(missing_ok=True)
        self.addCleanup(backup.unlink, missing_ok=True)
        out, _ = self.run_zelvane("/erase", OTHER, "/allusers", "/backup", r"C:\zelvane-users.reg",
                                  expected=0)
        self.assertIn(rf"erased    HKEY_USERS\Zelvane-{SID}\{NEW_OWNERS}\{OTHER}", out)
        text = backup.read_bytes().decode("utf-16")
        self.assertNotIn("Zelvane-", text)
        self.assertIn(f"[HKEY_USERS\\{SID}\\{NEW_OWNERS}\\{OTHER}\\Sub]\r\n\"N\"=\"x\"\r\n", text)
        recipe = [line[4:] for line in text.splitlines() if line.startswith(";   reg ")]
        self.assertEqual(recipe, [f'reg load HKU\\{SID} "{HIVE_WIN}"', "reg import <this file>",
                                  f"reg unload HKU\\{SID}"])
        # Followed as written, with regtool's load and unload for reg's: the keys are back
        # while the hive is loaded. (Wine does not write a loaded hive back to its file, so
        # the file cannot show them after the unload.)
        self.env.registry.regtool("load", SID, HIVE_WIN)
        try:
            self.env.wine.run("reg", "import", r"C:\zelvane-users.reg")
            self.assertTrue(self.env.registry.exists(rf"HKU\{SID}\{NEW_OWNERS}\{OTHER}\Sub"))
        finally:
            self.env.registry.regtool("unload", SID)
        self.assertEqual(
            [k for k in self.env.registry.subkeys("HKU") if "zelvane" in k.lower()], [])

    def test_list_names_each_users_accounts(self):
        out, _ = self.run_zelvane("/list", "/allusers", expected=0)
        self.assertIn(f"{OTHER}\t{SID}\n555\t{SID}\n", out)
        # /find looks where /list looks: a copy in a hive that is not loaded is found.
        out, err = self.run_zelvane("/find", "555", "/allusers", expected=1)
        self.assertEqual((out, err), (f"555\t{SID}\n555: found in 1 place (1 user)\n", ""))

    def test_list_follows_no_link_in_a_users_hive(self):
        user = self.load_as_logged_on()
        self.env.registry.delete(user + "\\" + NEW_OWNERS)
        self.env.registry.add(VICTIM + "\\" + TARGET)
        self.env.registry.regtool("link", user + "\\" + NEW_OWNERS, VICTIM)
        out, err = self.run_zelvane("/list", "/allusers", expected=1)
        self.assertNotIn(TARGET, out)
        self.assertIn(rf"failed    HKEY_USERS\{SID}\{NEW_OWNERS}: a registry link, not followed",
                      err)

    def test_a_relative_profile_folder_is_refused(self):
        # The hive file where a relative path would find it: below Zelvane's working folder.
        with tempfile.TemporaryDirectory() as folder:
            (Path(folder) / "cwdprof").mkdir()
            shutil.copy(self.hive, Path(folder) / "cwdprof" / "NTUSER.DAT")
            self.env.registry.add(PROFILE_LIST + "\\" + SID, "ProfileImagePath", "cwdprof")
            out, _ = self.run_zelvane("/erase", OTHER, "/allusers", expected=1, cwd=folder)
        self.assertIn(f'failed    {SID}: the profile folder "cwdprof": not a full path on a '
                      "local drive, refused\n", out)
        self.assertNotIn("loaded    ", out)
        self.assertEqual(zelvane_hives(self.env.registry), [])

    def test_the_default_users_hive_is_loaded_erased_and_unloaded(self):
        # Wine's profile list names no default user; Windows names C:\Users\Default.
        folder = self.env.prefix / "drive_c" / "users" / "zelvane-default"
        folder.mkdir(parents=True, exist_ok=True)
        (folder / "NTUSER.DAT").unlink(missing_ok=True)
        shutil.copy(self.hive, folder / "NTUSER.DAT")
        self.env.registry.add(PROFILE_LIST, "Default", r"%SystemDrive%\users\zelvane-default",
                              "REG_EXPAND_SZ")
        self.addCleanup(self.env.wine.run, "reg", "delete", PROFILE_LIST, "/v", "Default", "/f")
        hive = r"C:\users\zelvane-default\NTUSER.DAT"

        out, _ = self.run_zelvane("/list", "/allusers", expected=0)
        self.assertIn(f"{OTHER}\tthe default user\n", out)
        out, _ = self.run_zelvane("/erase", OTHER, "/allusers", expected=0)
        self.assertIn(rf"loaded    the default user: {hive} as HKEY_USERS\Zelvane-DefaultUser", out)
        self.assertIn(rf"erased    HKEY_USERS\Zelvane-DefaultUser\{NEW_OWNERS}\{OTHER}", out)
        self.assertEqual(zelvane_hives(self.env.registry), [])
        # Unloaded: nothing holds the file any more (what it holds now, Wine does not say).
        self.env.wine.run(self.env.regtool_exe, "hold", hive)

    def test_a_run_ended_while_its_output_waits_leaves_no_hive_to_the_next(self):
        # More lines about the user than a pipe of one page holds.
        self.env.registry.load([(HIVE_SOURCE + "\\" + NEW_OWNERS + f"\\{n:09}", None)
                                for n in range(100000000, 100000300)])
        self.hive.unlink()
        self.env.registry.regtool("save", HIVE_SOURCE, HIVE_WIN)

        # Started as a deployment tool starts it and then reads its output only at the end,
        # if ever: the run blocks on the full pipe.
        read_end, write_end = os.pipe()
        fcntl.fcntl(write_end, fcntl.F_SETPIPE_SZ, 4096)
        run = subprocess.Popen([str(self.env.wine_exec), str(self.env.exe), "/list", "/allusers"],
                               env=self.env.wine.env(), stdin=subprocess.DEVNULL,
                               stdout=write_end, stderr=subprocess.DEVNULL)
        os.close(write_end)
        try:
            def waiting():
                # Full to within a line: a write of less than a page goes whole or waits.
                buffered = bytearray(4)
                fcntl.ioctl(read_end, termios.FIONREAD, buffered)
                return int.from_bytes(buffered, "little") > 4096 - 64
            deadline = time.monotonic() + 60
            while not waiting():
                self.assertIsNone(run.poll(), "the run ended before its pipe was full")
                self.assertLess(time.monotonic(), deadline, "the pipe did not fill")
                time.sleep(0.2)
            time.sleep(1)
            self.assertIsNone(run.poll())
            # It waits on the pipe with the user's hive unloaded.
            self.assertEqual(zelvane_hives(self.env.registry), [])
            self.env.wine.run("taskkill", "/f", "/im", "zelvane.exe", check=False)
            run.wait(timeout=60)
        finally:
            if run.poll() is None:
                run.kill()
                run.wait(timeout=60)
            os.close(read_end)

        # A run ended with a hive loaded (a kill at the worst moment, as the test makes it
        # here) leaves it for the next, which unloads it first.
        self.env.registry.regtool("load", f"Zelvane-{SID}", HIVE_WIN)
        self.addCleanup(self.env.wine.run, self.env.regtool_exe, "unload", f"Zelvane-{SID}",
                        check=False)
        out, _ = self.run_zelvane("/erase", OTHER, "/allusers", expected=0)
        self.assertIn(rf"unloaded  HKEY_USERS\Zelvane-{SID}: left loaded by an earlier run", out)
        self.assertIn(rf"erased    HKEY_USERS\Zelvane-{SID}\{NEW_OWNERS}\{OTHER}", out)
        self.assertEqual(zelvane_hives(self.env.registry), [])


if __name__ == "__main__":
    unittest.main()
