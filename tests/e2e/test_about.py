"""The About window: opened once from the main window, its three contact entries handed to the
shell, and the program ending whichever window is closed first."""

import re
import stat
import unittest

from harness import Program, ProgramTestCase, control, wait_until

ABOUT = "About"
BROWSER_KEY = r"HKEY_CURRENT_USER\Software\Wine\WineBrowser"
WHITE_PAGES = re.compile(
    r"http://[^/\s]+/whitepages/message_me/1,,,00\.icq\?uin=(?P<uin>[^&]+)&action=message"
)


class AboutTests(ProgramTestCase):
    def setUp(self):
        super().setUp()
        self.program = self.start_program()
        self.main = self.program.wait_main_window()

    def about_windows(self):
        return [w for w in self.env.reader.windows(process=Program.PROCESS) if w["title"] == ABOUT]

    def open_about(self):
        self.env.input.click_rect(control(self.program.main_window(), "Button", "&About")["rect"])
        about = self.env.reader.window(ABOUT, process=Program.PROCESS, wait_ms=10000)
        self.assertIsNotNone(about, "the About window opens")
        return about

    def bring_to_front(self, title):
        self.env.input.activate(title, Program.PROCESS)
        wait_until(lambda: self.env.reader.window(title, process=Program.PROCESS),
                   check=lambda w: w is not None and w["foreground"],
                   what=f"'{title}' to come to the front")

    def close_with_alt_f4(self, title):
        self.bring_to_front(title)
        self.env.input.key("alt+F4")
        wait_until(lambda: self.env.reader.window(title, process=Program.PROCESS) is None,
                   what=f"'{title}' to close")

    def test_about_opens_once_and_leaves_the_main_window_usable(self):
        about = self.open_about()

        texts = [c["text"] for c in about["children"] if c["class"].lower() == "static"]
        for caption in ("Made By:", "Email:", "ICQ#:"):
            self.assertIn(caption, texts)
        contacts = [t for t in texts if t not in ("Made By:", "Email:", "ICQ#:", "")]
        self.assertEqual(len(contacts), 4, f"the author and three contact entries: {texts}")
        # Not owned by the main window: it neither stays above it nor goes with it.
        self.assertNotEqual(about["owner"], self.main["hwnd"])

        # A second click shows the same window again; no second one appears.
        self.env.input.activate(Program.TITLE, Program.PROCESS)
        self.open_about()
        self.assertEqual(len(self.about_windows()), 1)

        # Modeless: the main window still comes to the front and takes typing while About
        # is open.
        self.bring_to_front(Program.TITLE)
        self.env.input.click_rect(control(self.program.main_window(), "Edit")["rect"])
        self.env.input.type_text("42")
        wait_until(lambda: control(self.program.main_window(), "Edit")["text"],
                   check=lambda text: text == "42", what="the main window to take typing")
        self.assertEqual(len(self.about_windows()), 1)

    def test_each_contact_entry_hands_exactly_its_address_to_the_shell(self):
        # Wine's shell opens web and mail addresses with the programs named here: a script
        # that writes down what it is given.
        record = self.env.state_dir / "launched.txt"
        if record.exists():
            record.unlink()
        recorder = self.env.state_dir / "record-launch"
        recorder.write_text(f'#!/bin/sh\nprintf "%s\\n" "$@" >> "{record}"\n')
        recorder.chmod(recorder.stat().st_mode | stat.S_IXUSR)
        self.env.registry.load([(BROWSER_KEY,
                                 {"Browsers": str(recorder), "Mailers": str(recorder)})])
        self.addCleanup(self.env.registry.delete, BROWSER_KEY)

        about = self.open_about()
        statics = {c["text"]: c for c in about["children"] if c["class"].lower() == "static"}
        emails = sorted(t for t in statics if "@" in t)
        self.assertEqual(len(emails), 2, f"two e-mail addresses among {list(statics)}")
        uins = [t for t in statics if t.isdigit()]
        self.assertEqual(len(uins), 1, f"one account number among {list(statics)}")

        def launched():
            return record.read_text().splitlines() if record.exists() else []

        for entry in emails + uins:
            with self.subTest(entry=entry):
                count = len(launched())
                self.env.input.click_rect(statics[entry]["rect"])
                lines = wait_until(launched, check=lambda lines: len(lines) > count,
                                   what=f"the shell to be handed the address of {entry}")
                self.assertEqual(len(lines), count + 1, "one address per click")
                address = lines[-1]
                if "@" in entry:
                    self.assertEqual(address, "mailto:" + entry)
                else:
                    match = WHITE_PAGES.fullmatch(address)
                    self.assertIsNotNone(match, f"a white-pages address: {address}")
                    self.assertEqual(match["uin"], entry)

    def test_closing_about_then_main_ends_the_program(self):
        self.open_about()
        self.close_with_alt_f4(ABOUT)
        self.assertTrue(self.program.running(), "closing About alone leaves the program running")
        self.close_with_alt_f4(Program.TITLE)
        self.assert_program_ends()

    def test_closing_main_then_about_ends_the_program(self):
        self.open_about()
        self.close_with_alt_f4(Program.TITLE)
        self.close_with_alt_f4(ABOUT)
        self.assert_program_ends()

    def assert_program_ends(self):
        wait_until(lambda: not self.program.running(), timeout=15,
                   what="the program to end once its windows are closed")
        self.assertEqual(self.env.reader.windows(process=Program.PROCESS), [])


if __name__ == "__main__":
    unittest.main()
