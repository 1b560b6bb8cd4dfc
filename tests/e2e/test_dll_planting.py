"""A folder with DLLs in it, such as Downloads, lends none of them to zelvane.exe run from
it: not at start-up, not in the About window or a link it opens, not in a confirmation and
an erasure, not in the instance started as administrator. The DLL planted under each name is
$ZELVANE_PLANTED (probe/planted.cpp), which writes planted.log beside itself when loaded."""

import os
import shutil
import stat
import unittest

from harness import ProgramTestCase, control, wait_until
from registry import DEFAULT_USER, HKCU, MACHINE32

IDYES = 6
IDOK = 1
TARGET = "123456789"
BROWSER_KEY = r"HKEY_CURRENT_USER\Software\Wine\WineBrowser"

# What Windows loads by name, on demand, for what the program does, and is no KnownDLL: a
# DLL of one of these names beside the exe would be found there first. Left out: version.dll
# and imm32.dll, which Wine's user32 loads as part of its own start, before the program's
# first instruction, so nothing the program does can keep them out under Wine; on Windows
# they are KnownDLLs or not loaded at that point.
PLANTED = (
    "uxtheme.dll", "dwmapi.dll", "msimg32.dll", "oleacc.dll", "propsys.dll", "cryptbase.dll",
    "userenv.dll", "setupapi.dll", "apphelp.dll", "clbcatq.dll", "comctl32.dll",
)

# Wine prefers its own builtin DLLs to a file of the same name; native-first is what Windows
# does for a DLL that is not a KnownDLL, and without it this test would prove nothing.
OVERRIDES = ",".join(name.removesuffix(".dll") for name in PLANTED) + "=n,b"


class PlantedDllTests(ProgramTestCase):
    def setUp(self):
        super().setUp()
        self.folder = self.env.prefix / "drive_c" / "Downloads"
        shutil.rmtree(self.folder, ignore_errors=True)
        self.folder.mkdir(parents=True)
        self.exe = self.folder / "zelvane.exe"
        shutil.copy(self.env.exe, self.exe)
        for name in PLANTED:
            shutil.copy(os.environ["ZELVANE_PLANTED"], self.folder / name)
        self.marker = self.folder / "planted.log"
        self.log = self.env.log_dir / f"{self.id()}.log"
        self.log.unlink(missing_ok=True)
        # The links go to a script that writes down the address instead of a browser.
        self.launched = self.env.state_dir / "planted-launched.txt"
        self.launched.unlink(missing_ok=True)
        recorder = self.env.state_dir / "planted-record-launch"
        recorder.write_text(f'#!/bin/sh\nprintf "%s\\n" "$@" >> "{self.launched}"\n')
        recorder.chmod(recorder.stat().st_mode | stat.S_IXUSR)
        self.env.registry.load([(BROWSER_KEY,
                                 {"Browsers": str(recorder), "Mailers": str(recorder)})])
        self.addCleanup(self.env.registry.delete, BROWSER_KEY)

    def start_planted(self, args=()):
        return self.start_program(exe=self.exe, args=args, extra_env={
            "WINEDLLOVERRIDES": OVERRIDES, "WINEDEBUG": "-all,+loaddll"})

    def test_no_dll_from_the_exe_folder_is_loaded(self):
        for place in (HKCU, DEFAULT_USER, MACHINE32):
            self.seed(place, TARGET)
        program = self.start_planted()
        program.wait_main_window()

        # About, and one of its links handed to the shell.
        self.env.input.click_rect(control(program.main_window(), "Button", "&About")["rect"])
        about = self.env.reader.window("About", process=program.PROCESS, wait_ms=10000)
        self.assertIsNotNone(about, "the About window opens")
        email = next(c for c in about["children"] if "@" in c["text"])
        self.env.input.click_rect(email["rect"])
        wait_until(self.launched.exists, what="the shell to be handed the link")

        # A confirmation and an erasure.
        self.env.input.activate(program.TITLE, program.PROCESS)
        self.env.input.click_rect(control(program.main_window(), "Edit")["rect"])
        self.env.input.type_text(TARGET)
        wait_until(lambda: control(program.main_window(), "Edit")["text"],
                   check=lambda text: text == TARGET, what="the box to take the number")
        self.env.input.click_rect(control(program.main_window(), "Button", "&Erase")["rect"])
        program.answer(program.wait_message_box("Confirmation"), IDYES)
        program.answer(program.wait_message_box("Success"), IDOK)
        self.assertFalse(self.env.registry.exists(r"HKEY_CURRENT_USER\Software\Mirabilis\ICQ"
                                             r"\NewOwners" + "\\" + TARGET))
        program.stop()

        # The instance started as administrator, on an account left in the shared places.
        for place in (DEFAULT_USER, MACHINE32):
            self.seed(place, TARGET)
        elevated = self.start_planted(args=("/erase-as-administrator", TARGET))
        elevated.answer(elevated.wait_message_box("Success"), IDOK)
        wait_until(lambda: not elevated.running(), what="the elevated instance to end")

        log = self.log.read_text(errors="replace")
        loaded = [line for line in log.splitlines() if "Loaded L" in line]
        self.assertIn("zelvane.exe", "".join(loaded), "the +loaddll trace was recorded")
        from_folder = [line for line in loaded if "downloads" in line.lower()
                       and "zelvane.exe" not in line.lower()]
        self.assertEqual(from_folder, [], "loaded from the exe's folder")
        self.assertFalse(self.marker.exists(),
                         f"a planted DLL ran: {self.marker.read_text() if self.marker.exists() else ''}")


if __name__ == "__main__":
    unittest.main()
