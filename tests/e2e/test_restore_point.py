"""The reading of an account another program changes, keys nested past any path's length, and
/restore of a user not logged on, refused for an altered file, never over an account."""

import shutil
import subprocess
import unittest

from registry import HKCU, account_key, regtool_key
from test_command_line import (EXPORTED, HIVE_SOURCE, HIVE_WIN, NEW_OWNERS, ODD_STRINGS, SID,
                               TARGET, CommandLineCase, SecondProfileCase, every_type,
                               zelvane_hives)

BACKUP = r"C:\zelvane-restore-point.reg"


def fresh_backup(case):
    """The backup's file, gone before the case and after it."""
    file = case.env.prefix / "drive_c" / BACKUP[3:]
    file.unlink(missing_ok=True)
    case.addCleanup(file.unlink, missing_ok=True)
    return file


class ReadingTests(CommandLineCase):
    def test_an_account_changed_while_it_is_read_is_never_taken_for_not_there(self):
        account = account_key(HKCU, "515151")
        seed = [(account + f"\\{n}", None) for n in range(1000, 1300)]
        self.env.registry.load(seed)
        folder = self.env.prefix / "drive_c" / "zelvane-churn"
        folder.mkdir(exist_ok=True)
        self.addCleanup(shutil.rmtree, folder)
        churn = subprocess.Popen([self.env.wine_exec, self.env.regtool_exe, "churn",
                                  regtool_key(account)], env=self.env.wine.env(),
                                 stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.addCleanup(churn.stdout.close)
        try:
            self.assertEqual(churn.stdout.readline().strip(), b"held")
            for _ in range(20):
                for extra in (["/whatif"], ["/backup", "C:\\zelvane-churn\\"]):
                    out, _ = self.run_zelvane("/erase", "515151", *extra, expected=(0, 1))
                    self.assertNotIn("not found", out)
                    self.assertNotIn(r"not there HKEY_CURRENT_USER\Software\Mirabilis", out)
                    if "nothing of it is left" in out:
                        self.env.registry.load(seed)
        finally:
            churn.stdin.close()
            churn.wait(timeout=60)

    def test_a_key_whose_real_name_is_longer_than_a_counted_string_is_no_link(self):
        """Its name's length kept in 16 bits would name the account's own key."""
        account = self.seed(HKCU, "424242")
        file = fresh_backup(self)
        self.env.registry.regtool("nest", regtool_key(account), "128", "255")
        before = self.env.registry.snapshot(account)
        out, _ = self.run_zelvane("/erase", "424242", "/backup", BACKUP, expected=0)
        self.assertIn(f"backed up {BACKUP} (129 keys, 128 values)", out)
        self.assertNotIn("link", out + file.read_bytes().decode("utf-16"))
        out, _ = self.run_zelvane("/restore", BACKUP, expected=0)
        self.assertIn(rf"restored  HKEY_CURRENT_USER\{NEW_OWNERS}\424242 (129 keys, ", out)
        self.assertEqual(self.env.registry.snapshot(account), before)
        self.run_zelvane("/erase", "424242", expected=0)


class SecondUserTests(SecondProfileCase):
    def setUp(self):
        super().setUp()
        self.file = fresh_backup(self)

    def test_keys_nested_past_any_paths_length_in_a_loaded_hive_are_erased_and_found_alike(self):
        account = self.load_as_logged_on() + "\\" + NEW_OWNERS + r"\123456789"
        self.env.registry.add(account)
        self.env.registry.regtool("nest", account, "170", "200")
        shown = rf"HKEY_USERS\{SID}\{NEW_OWNERS}\123456789"
        out, _ = self.run_zelvane("/find", "123456789", "/allusers", expected=1)
        self.assertIn("123456789: found in 1 place (1 user)", out)
        out, _ = self.run_zelvane("/erase", "123456789", "/allusers", "/whatif", expected=0)
        self.assertIn(f"would erase {shown} (171 keys, ", out)
        out, _ = self.run_zelvane("/erase", "123456789", "/allusers", "/backup", BACKUP,
                                  expected=0)
        self.assertIn(f"erased    {shown}\n", out)
        self.run_zelvane("/find", "123456789", "/allusers", expected=0)

    def test_a_backup_of_a_user_not_logged_on_goes_back_to_that_users_hive(self):
        """Wine does not write a hive back to its file as it unloads it: the file is made again
        without the account, and the bytes compared with the hive loaded as a logged-on user's."""
        source = HIVE_SOURCE + "\\" + NEW_OWNERS + "\\" + TARGET
        lines = "\r\n".join(["Windows Registry Editor Version 5.00", "", *every_type(source)])
        imported = self.env.state_dir / "zelvane-every-type.reg"
        imported.write_bytes(lines.encode("utf-16"))
        self.env.wine.run("reg", "import", str(imported))
        imported.unlink()
        for name, data in ODD_STRINGS.items():
            self.env.registry.regtool("set", source, name, "1", data)
        self.save_hive()
        account = rf"HKEY_USERS\{SID}\{NEW_OWNERS}\{TARGET}"
        self.env.registry.regtool("load", SID, HIVE_WIN)
        before = self.env.registry.snapshot(account)
        self.env.registry.regtool("unload", SID)
        self.run_zelvane("/erase", TARGET, "/allusers", "/backup", BACKUP, expected=0)

        altered = self.env.prefix / "drive_c" / "zelvane-altered.reg"
        self.addCleanup(altered.unlink, missing_ok=True)
        altered.write_bytes(self.file.read_bytes().decode("utf-16").replace(
            rf"\{NEW_OWNERS}\{TARGET}\Nested]", r"\Software\ZelvaneVictim]").encode("utf-16"))
        untouched = self.env.registry.snapshot(*EXPORTED)
        out, err = self.run_zelvane("/restore", r"C:\zelvane-altered.reg", expected=2)
        self.assertIn(r"C:\zelvane-altered.reg: not restored: line ", err)
        self.assertIn(": a key outside the account, or before the key above it.", err)
        self.assertEqual((out, zelvane_hives(self.env.registry)), ("", []))
        self.assertEqual(self.env.registry.snapshot(*EXPORTED), untouched)

        self.env.registry.delete(source)
        self.save_hive()
        out, _ = self.run_zelvane("/restore", BACKUP, expected=0)
        self.assertIn(rf"restored  HKEY_USERS\Zelvane-{SID}\{NEW_OWNERS}\{TARGET} (4 keys, "
                      "11 values)", out)
        self.assertEqual(zelvane_hives(self.env.registry), [])
        self.load_as_logged_on()
        for expected, line in ((0, "restored  "), (1, "failed    ")):
            out, _ = self.run_zelvane("/restore", BACKUP, expected=expected)
            self.assertIn(line + account, out)
            self.assertEqual(self.env.registry.snapshot(account), before)
        self.assertIn(": there again; not restored", out)

    def save_hive(self):
        self.hive.unlink()
        self.env.registry.regtool("save", HIVE_SOURCE, HIVE_WIN)


if __name__ == "__main__":
    unittest.main()
