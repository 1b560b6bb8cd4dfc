"""Start-up: the main window as a user first sees it, and the account list it is filled with."""

import os
import subprocess
import time
import unittest
from pathlib import Path

from harness import Program, ProgramTestCase, control, twips_to_px, wait_until
from registry import DEFAULT_USER, HKCU, MACHINE32, MACHINE64, PLACE_ROOTS, account_key

COLLAPSED_TWIPS = 1755


class StartupTests(ProgramTestCase):
    def seed_everywhere(self):
        """Accounts of the current user, plus some that exist only in the other places."""
        own = ["123456", "87654321", "555555555"]
        for uin in own:
            self.seed(HKCU, uin, {"Nick": f"nick{uin}", "Password": "x"})
        self.seed(MACHINE32, "123456", {"Nick": "machine copy"})
        self.seed(MACHINE32, "700001", {"Nick": "machine only"})
        if MACHINE64 in PLACE_ROOTS:
            self.seed(MACHINE64, "700002", {"Nick": "64-bit view only"})
        self.seed(DEFAULT_USER, "700003", {"Nick": "default profile only"})
        self.seed(DEFAULT_USER, "87654321", {"Nick": "default profile copy"})
        return own

    def test_window_lists_only_the_current_users_accounts(self):
        own = self.seed_everywhere()
        # The seeding itself, read back: the current user's key holds exactly these.
        self.assertCountEqual(self.env.registry.subkeys(account_key(HKCU)), own)

        window = self.start_program().wait_main_window()

        self.assertEqual(window["title"], "Zelvane v2")
        lists = [c for c in window["children"] if c["class"].lower() == "listbox"]
        self.assertEqual(len(lists), 1, "one account list")
        items = lists[0]["items"]
        # Six, eight and nine digits come back exactly, with nothing trailing, each once.
        self.assertCountEqual(items, own)
        self.assertEqual(lists[0]["selected"], -1, "nothing is selected at start")
        for only_elsewhere in ("700001", "700002", "700003"):
            self.assertNotIn(only_elsewhere, items)

    def test_collapsed_window_at_start(self):
        program = self.start_program()
        window = program.wait_main_window()

        # The prefix runs at Wine's default of 96 DPI (each case resets LogPixels).
        left, top, right, bottom = window["rect"]
        self.assertEqual(bottom - top, twips_to_px(COLLAPSED_TWIPS, 96))
        self.assertEqual(bottom - top, 117)

        # The buttons of the upper panel, enabled, inside the client area.
        client = window["client"]
        for caption in ("&Erase", "&About", "v"):
            button = control(window, "Button", caption)
            self.assertTrue(button["visible"] and button["enabled"], caption)
            b_left, b_top, b_right, b_bottom = button["rect"]
            self.assertTrue(
                client[0] <= b_left < b_right <= client[2]
                and client[1] <= b_top < b_bottom <= client[3],
                f"{caption} {button['rect']} lies inside the client area {client}",
            )
        # Collapsed, the account list lies below the bottom of the client area.
        account_list = control(window, "ListBox")
        self.assertGreaterEqual(account_list["rect"][1], client[3])

        self.assertEqual(control(window, "Edit")["text"], "")
        self.assertEqual(program.message_boxes(), [])

    def test_screen_readers_find_a_name_for_every_control_that_takes_the_focus(self):
        window = self.start_program().wait_main_window()
        text_box = control(window, "Edit")
        self.assertEqual(text_box["previous"], control(window, "Static", "UIN:")["hwnd"],
                         "the label lies just before the text box in z-order")
        self.assertEqual(text_box["name"], "UIN:")
        WS_TABSTOP = 0x00010000
        focusable = [c for c in window["children"] if c["style"] & WS_TABSTOP]
        self.assertEqual(len(focusable), 5, "the text box, three buttons and the list")
        # The list has no label in the design: its name comes from an annotation, which
        # Wine does not keep, so only the others are read by the proxies' rule here.
        for child in focusable:
            if child["class"].lower() != "listbox":
                self.assertTrue(child["name"].strip(), child)

    def test_missing_key_gives_an_empty_list_and_no_message(self):
        # Accounts elsewhere, none for the current user: not even the NewOwners key.
        self.seed(MACHINE32, "700001")
        self.seed(DEFAULT_USER, "700003")
        self.assertFalse(self.env.registry.exists(account_key(HKCU)))

        program = self.start_program()
        window = program.wait_main_window()

        self.assertEqual(control(window, "ListBox")["items"], [])
        self.assertEqual(program.message_boxes(), [])
        self.assertTrue(program.running())

    def test_v_clicked_as_the_window_appears_opens_onto_the_whole_list(self):
        names = [str(100000000 + i) for i in range(10000)]
        self.env.registry.load([(account_key(HKCU, name), None) for name in names])
        program = self.start_program(max_items=3)

        # Found and clicked without waiting for the program, which may still be filling.
        window = self.env.reader.window(Program.TITLE, process=Program.PROCESS, wait_ms=30000,
                                 at_once=True)
        self.assertIsNotNone(window, "the window shows")
        self.env.input.click_rect(control(window, "Button", "v")["rect"])

        # Every look finds the list empty or whole, and whole once the click was handled. A
        # look that finds no window read (the program too busy filling to answer peek within
        # its time, as on a loaded machine) saw nothing, and the next one looks again.
        def look():
            window = program.main_window()
            if window is None:
                return None
            button, count = program.toggle_button(window), control(window, "ListBox")["count"]
            handled = button["text"] == "^" or not button["enabled"]
            self.assertIn(count, (0, 10000) if not handled else (10000,), button)
            return window

        window = wait_until(look, timeout=30, interval=0.1, what="the panel to open",
                            check=lambda w: w is not None and (
                                lambda b: b["text"] == "^" and b["enabled"])(
                                    program.toggle_button(w)))
        account_list = control(window, "ListBox")
        self.assertEqual(account_list["count"], 10000)
        self.assertEqual(account_list["items"], names[:3])
        self.assertLessEqual(account_list["rect"][3], window["client"][3], "the list shows")

    def test_text_box_takes_nine_digits_and_refuses_a_tenth(self):
        program = self.start_program()
        window = program.wait_main_window()
        text_box = control(window, "Edit")

        self.env.input.click_rect(text_box["rect"])
        self.env.input.type_text("1234567890")
        # Home moves the caret to the start once every key typed before it has been handled.
        self.env.input.key("Home")
        text_box = wait_until(
            lambda: control(program.main_window(), "Edit"),
            what="the typing to be handled",
            check=lambda box: box["text"] and box["selection"] == [0, 0],
        )

        self.assertEqual(text_box["text"], "123456789")



@unittest.skipUnless(os.environ.get("ZELVANE_E2E_REFERENCE_EXE"),
                     "no 64-bit exe to compare with here (ZELVANE_E2E_REFERENCE_EXE)")
class LookTests(ProgramTestCase):
    """The exe under test (the 32-bit one) draws its window as the 64-bit exe
    $ZELVANE_E2E_REFERENCE_EXE does in the same prefix, pixel for pixel."""

    def capture(self, program, tries=10):
        """The pixels of the program's window, read until the text box's blinking caret has
        been seen both ways (or tries readings). The pauses differ, so that readings taken at
        the pace of the blink, as a slow machine may take them, do not all find it alike."""
        left, top, right, bottom = program.wait_main_window()["rect"]
        shots = []
        for pause in range(tries):
            shots.append(subprocess.run(
                ["import", "-window", "root", "-crop",
                 f"{right - left}x{bottom - top}+{left}+{top}", "rgb:-"],
                env=self.env.wine.env(), stdin=subprocess.DEVNULL, capture_output=True,
                check=True, timeout=60).stdout)
            if len(set(shots)) > 1:
                break
            time.sleep(0.2 + 0.15 * pause)
        return (right - left, bottom - top), shots

    def test_the_window_looks_as_the_64_bit_exes(self):
        reference = os.environ["ZELVANE_E2E_REFERENCE_EXE"]
        self.seed(HKCU, "123456")
        self.seed(HKCU, "87654321")
        looks = []
        for exe in (Path(reference), None):
            program = self.start_program(exe=exe)
            looks.append(self.capture(program))
            program.stop()
            wait_until(lambda: not self.env.reader.windows(process=Program.PROCESS),
                       what="the window to go")
        (size64, shots64), (size, shots) = looks
        self.assertEqual(size, size64)
        if not set(shots64) & set(shots):
            width = size[0]
            differ = [i // 3 for i in range(0, len(shots[0]), 3)
                      if shots[0][i:i + 3] != shots64[0][i:i + 3]]
            for name, shot in (("64", shots64[0]), ("32", shots[0])):
                (self.env.log_dir / f"{self.id()}.{name}.rgb").write_bytes(shot)
            self.fail(f"no reading of the window matches one of the 64-bit exe's: "
                      f"{len(differ)} pixels differ, from {divmod(differ[0], width)[::-1]} "
                      f"to {divmod(differ[-1], width)[::-1]} (x, y) in the first readings")


if __name__ == "__main__":
    unittest.main()
