"""The command line of the real zelvane.exe under Wine: its output read through a pipe, its exit
codes, and the registry before and after; /allusers over a second profile made here, loaded by
the test (a logged-on user), left for Zelvane to load, and held open by another process."""

import subprocess
import unittest

from harness import ProgramTestCase
from registry import DEFAULT_USER, ERASED_PLACES, HKCU, MACHINE32, MACHINE_PLACE_NAME, account_key
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


class CommandLineCase(ProgramTestCase):
    def run_zelvane(self, *args, expected):
        """Runs zelvane.exe with its standard output and error on pipes; returns them. A run
        that Wine did not start is tried again, as Wine.run does."""
        for _ in range(Wine.TRIES):
            result = subprocess.run(
                [str(self.env.wine_exec), str(self.env.exe), *args],
                env=self.env.wine.env(),
                stdin=subprocess.DEVNULL,
                capture_output=True,
                timeout=120,
            )
            out = result.stdout.decode("utf-8").replace("\r\n", "\n")
            err = without_shell_locale_warnings(result.stderr.decode("utf-8", errors="replace"))
            if not did_not_run(result.returncode, printed_by_program(out + err)):
                break
        self.assertEqual(result.returncode, expected, f"{args}:\n{out}{err}")
        return out, err


class CurrentUserTests(CommandLineCase):
    def test_list_then_erase_then_erase_again(self):
        for place in ERASED_PLACES:
            self.seed(place, TARGET, {"Nick": "x"})
        self.seed(HKCU, "ü名9")
        self.seed(MACHINE32, OTHER)

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
        self.assertIn(rf"erased    {MACHINE_PLACE_NAME}\{TARGET}", out)
        self.assertTrue(out.endswith(f"{TARGET}: erased; nothing of it is left.\n"), out)
        self.assert_only_erased(before, self.env.registry.snapshot(*EXPORTED), [TARGET])

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
        self.assertIn(rf"failed    {MACHINE_PLACE_NAME}\{TARGET}: ", out)
        self.assertIn("(error 5)", out)
        self.assertIn(f"{TARGET}: not erased everywhere: 1 place failed.", out)
        # Its key cannot be read any more, but its parent names it.
        self.assertIn(TARGET, self.env.registry.subkeys(account_key(MACHINE32)))
        self.assertFalse(self.env.registry.exists(account_key(HKCU, TARGET)))

    def test_usage_errors_exit_2_and_touch_nothing(self):
        for place in ERASED_PLACES:
            self.seed(place, TARGET)
        before = self.env.registry.snapshot(*EXPORTED)
        for args in (("/erase",), ("/erase", TARGET + "\\x"), ("/erase", TARGET, "/force"),
                     ("/list", "/erase", TARGET), (TARGET,)):
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


class AllUsersTests(CommandLineCase):
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
        self.assertEqual(
            [k for k in self.env.registry.subkeys("HKU") if "zelvane" in k.lower()], [])
        # Unloaded: nothing holds the file any more. Wine does not write a loaded hive back
        # to its file when it is unloaded, so what the file holds now cannot be checked here.
        self.env.wine.run(self.env.regtool_exe, "hold", HIVE_WIN)

    def test_a_hive_held_by_another_process_fails_for_that_user(self):
        holder = subprocess.Popen(
            [str(self.env.wine_exec), str(self.env.regtool_exe), "hold", HIVE_WIN],
            env=self.env.wine.env(), stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        try:
            self.assertEqual(holder.stdout.readline().strip(), b"held")
            self.seed(HKCU, OTHER)
            out, _ = self.run_zelvane("/erase", OTHER, "/allusers", expected=1)
            self.assertIn(f"failed    {SID}: {HIVE_WIN} could not be loaded: ", out)
            self.assertIn("(error 32)", out)
            self.assertIn(rf"erased    HKEY_USERS\{WINE_USER}\{NEW_OWNERS}\{OTHER}", out)
        finally:
            holder.stdin.close()
            holder.wait(timeout=60)
            holder.stdout.close()

    def test_list_names_each_users_accounts(self):
        out, _ = self.run_zelvane("/list", "/allusers", expected=0)
        self.assertIn(f"{OTHER}\t{SID}\n555\t{SID}\n", out)


if __name__ == "__main__":
    unittest.main()
