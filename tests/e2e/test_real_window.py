"""The real windows at 96 and 144 DPI: where every control lies, use from the keyboard alone, and
start-up and erasure with 50,000 accounts and with names of any length and script."""

import time
import unittest

from harness import Program, ProgramTestCase, control, wait_until
from registry import (
    DESKTOP_KEY,
    ERASED_PLACES,
    HKCU,
    PLACE_ROOTS,
    account_key,
    parse_export,
    place_key,
)

IDOK, IDYES = 1, 6
STATE_SYSTEM_INVISIBLE = 0x8000
ANY_TEXT = object()  # a control whose caption the layout leaves to the program

# The layout in twips: (name, window class, caption, parent, left, top, width, height), each
# rectangle relative to its parent. A height of None is the etched line, two pixels high.
MAIN_LAYOUT = [
    ("Frame1", "Static", "", None, 80, 0, 1855, 1375),
    ("Frame2", "Static", "", "Frame1", 120, 120, 1620, 465),
    ("txtUIN", "Edit", "", "Frame2", 480, 120, 1095, 285),
    ("Label1", "Static", "UIN:", "Frame2", 60, 160, 375, 255),
    ("cmdDelete", "Button", "&Erase", "Frame1", 990, 740, 735, 255),
    ("cmdAbout", "Button", "&About", "Frame1", 140, 740, 735, 255),
    ("Command1", "Button", "v", "Frame1", 140, 1040, 1590, 255),
    ("Line1", "Static", "", "Frame1", 120, 690, 1600, None),
    ("Frame3", "Static", "", None, 80, 1360, 1855, 1300),
    ("List1", "ListBox", "", "Frame3", 60, 160, 1710, 1050),
]
ABOUT_LAYOUT = [
    ("Frame1", "Static", "", None, 80, 0, 3495, 1215),
    ("Label1(0)", "Static", "Made By:", "Frame1", 120, 180, 855, 255),
    ("Label1(1)", "Static", "Email:", "Frame1", 120, 400, 495, 255),
    ("Label1(2)", "Static", "ICQ#:", "Frame1", 120, 885, 495, 255),
    ("Label2", "Static", ANY_TEXT, "Frame1", 960, 180, 2205, 255),
    ("txtcntctEmail", "Static", ANY_TEXT, "Frame1", 960, 405, 1815, 255),
    ("txtcntctUIN", "Static", ANY_TEXT, "Frame1", 960, 885, 855, 255),
    ("Label3", "Static", ANY_TEXT, "Frame1", 960, 640, 1815, 255),
]
MAIN_CLIENT_WIDTH, COLLAPSED_HEIGHT = 2010, 1755
ABOUT_CLIENT = (3660, 1290)

BUTTON_NAMES = {"&Erase": "cmdDelete", "&About": "cmdAbout", "v": "Command1", "^": "Command1"}


def expected_pixels(layout, dpi):
    """{name: (class, caption, [left, top, right, bottom])}, exact (fractional) pixels relative
    to the client area: a frame's children are offset by the frames they lie in."""
    by_name = {row[0]: row for row in layout}
    out = {}
    for name, cls, text, parent, left, top, width, height in layout:
        while parent is not None:
            left, top = left + by_name[parent][4], top + by_name[parent][5]
            parent = by_name[parent][3]
        scale = dpi / 1440
        bottom = (top + height) * scale if height is not None else top * scale + 2
        out[name] = (cls, text, [left * scale, top * scale, (left + width) * scale, bottom])
    return out


def focused_name(window):
    focused = [c for c in window["children"] if c["focused"]]
    if len(focused) != 1:
        return f"{len(focused)} focused controls"
    c = focused[0]
    if c["class"] == "Button":
        return BUTTON_NAMES.get(c["text"], c["text"])
    return {"Edit": "txtUIN", "ListBox": "List1"}.get(c["class"], f"{c['class']} {c['text']!r}")


class RealWindowTests(ProgramTestCase):
    # --- helpers ------------------------------------------------------------------------------

    def set_dpi(self, dpi):
        # Wine reads the DPI from the current user's desktop settings when a program starts.
        if dpi != 96:
            self.env.registry.load([(DESKTOP_KEY, {"LogPixels": dpi})])

    def assert_near(self, actual, exact, what):
        self.assertLessEqual(abs(actual - exact), 1, f"{what}: {actual} px, exactly {exact:.2f}")

    def assert_layout(self, window, layout, dpi):
        """Each control of the layout is a child of the window lying where the layout puts it,
        every edge within a pixel, and the window has no other child."""
        cx, cy = window["client"][:2]
        seen = []
        for name, (cls, text, exact) in expected_pixels(layout, dpi).items():
            kind = [c for c in window["children"] if c["class"] == cls
                    and (c["text"] != "" if text is ANY_TEXT else c["text"] == text)]
            rects = [[c["rect"][0] - cx, c["rect"][1] - cy, c["rect"][2] - cx, c["rect"][3] - cy]
                     for c in kind]
            near = [c for c, r in zip(kind, rects)
                    if all(abs(a - e) <= 1 for a, e in zip(r, exact))]
            self.assertEqual(
                len(near), 1, f"{name} at {dpi} DPI: expected [left, top, right, bottom] "
                f"{[round(e, 2) for e in exact]}, {cls} controls {text!r} lie at {rects}")
            seen.append(near[0]["hwnd"])
        self.assertEqual(len(set(seen)), len(layout))
        self.assertEqual(len(window["children"]), len(layout),
                         [(c["class"], c["text"]) for c in window["children"]])

    def focus_of(self, program):
        return focused_name(program.main_window())

    def move_focus(self, program, key, names):
        """Presses key (Tab, Shift+Tab) once for each name; the focus moves to that control."""
        for name in names:
            before = self.focus_of(program)
            self.env.input.key(key)
            now = wait_until(lambda: self.focus_of(program), check=lambda f: f != before,
                             what=f"{key} to move the focus off {before}")
            self.assertEqual(now, name, f"{key} from {before}")

    def wait_focus(self, program, name):
        """Waits for the focus to be on name: an animation gives it back just after it has
        enabled the button again."""
        wait_until(lambda: self.focus_of(program), check=lambda f: f == name,
                   what=f"the focus on {name}")

    def box_text(self, program):
        return control(program.main_window(), "Edit")["text"]

    def wait_box_text(self, program, check, what):
        return wait_until(lambda: self.box_text(program), check=check, what=what)

    def snapshot(self):
        return self.env.registry.snapshot(*(place_key(place, "Mirabilis") for place in PLACE_ROOTS))

    def seed_everywhere(self, names):
        """Each name as an account with a value and a subkey, in every place erased."""
        self.env.registry.load([
            section
            for place in ERASED_PLACES for name in names
            for section in ((account_key(place, name), {"Nick": "n"}),
                            (account_key(place, name) + r"\Settings", {"Skin": "s"}))
        ])

    def enumerated(self):
        """The subkey names of the current user's NewOwners key, in the registry's order, read
        from a UTF-16 export so that no name is bent to a code page."""
        parent = account_key(HKCU).lower() + "\\"
        exported = parse_export(self.env.registry.export(account_key(HKCU)))
        return [key[len(parent):] for key in exported
                if key.lower().startswith(parent) and "\\" not in key[len(parent):]]

    def erase_item(self, program, index):
        """Clicks item index of the list, then Erase and Yes; answers the box that follows
        with OK and returns its (title, text)."""
        account_list = control(program.main_window(), "ListBox")
        text = account_list["items"][index]
        self.env.input.click_rect(account_list["item_rects"][index])
        self.wait_box_text(program, lambda t: t == text, f"the box to show item {index}")
        self.env.input.click_rect(control(program.main_window(), "Button", "&Erase")["rect"])
        confirmation = program.wait_message_box("Confirmation")
        self.assertEqual(confirmation["text"],
                         f"Are you sure you want to delete this UIN? ({text})")
        program.answer(confirmation, IDYES)
        boxes = program.message_boxes(wait_ms=10000)
        self.assertEqual(len(boxes), 1, [b["title"] for b in boxes])
        program.answer(boxes[0], IDOK)
        return boxes[0]["title"], boxes[0]["text"]

    def start_expanded(self):
        program = self.start_program()
        program.wait_main_window()
        return program, program.expand()

    # --- geometry -----------------------------------------------------------------------------

    def check_geometry(self, dpi):
        self.set_dpi(dpi)
        program = self.start_program()
        window = program.wait_main_window()

        left, top, right, bottom = window["client"]
        self.assert_near(right - left, MAIN_CLIENT_WIDTH * dpi / 1440, "main client width")
        self.assert_near(window["rect"][3] - window["rect"][1], COLLAPSED_HEIGHT * dpi / 1440,
                         "collapsed outer height")
        self.assert_layout(window, MAIN_LAYOUT, dpi)

        self.env.input.click_rect(control(window, "Button", "&About")["rect"])
        about = self.env.reader.window("About", process=Program.PROCESS, wait_ms=10000)
        self.assertIsNotNone(about, "the About window opens")
        left, top, right, bottom = about["client"]
        self.assert_near(right - left, ABOUT_CLIENT[0] * dpi / 1440, "About client width")
        self.assert_near(bottom - top, ABOUT_CLIENT[1] * dpi / 1440, "About client height")
        self.assert_layout(about, ABOUT_LAYOUT, dpi)

    def test_geometry_at_96_dpi(self):
        self.check_geometry(96)

    def test_geometry_at_144_dpi(self):
        self.check_geometry(144)

    # --- keyboard only ------------------------------------------------------------------------

    def check_keyboard_only(self, dpi):
        self.set_dpi(dpi)
        self.seed_everywhere(["123456", "654321"])
        before = self.snapshot()
        program = self.start_program()
        program.wait_main_window()

        # The first control in tab order has the focus and takes typing; the filter drops
        # the letters. Tab goes through the upper panel in order, Shift+Tab back.
        self.assertEqual(self.focus_of(program), "txtUIN")
        self.env.input.type_text("12ab3")
        self.assertEqual(self.wait_box_text(program, lambda t: t.endswith("3"), "typing"), "123")
        self.move_focus(program, "Tab", ["cmdDelete", "cmdAbout", "Command1"])
        self.move_focus(program, "shift+Tab", ["cmdAbout", "cmdDelete", "txtUIN"])

        # Alt+E asks about the typed number; N answers No and nothing more happens.
        self.env.input.key("alt+e")
        box = program.wait_message_box("Confirmation")
        self.assertEqual(box["text"], "Are you sure you want to delete this UIN? (123)")
        program.answer_with_keys(box, "n")
        self.assertEqual(program.message_boxes(wait_ms=1000), [], "No shows nothing more")

        # Alt+A opens About in front; Alt+F4 closes it and gives the main window back, with
        # the focus on the About button.
        self.env.input.key("alt+a")
        about = self.env.reader.window("About", process=Program.PROCESS, wait_ms=10000)
        self.assertTrue(about is not None and about["foreground"], "About opens in front")
        self.env.input.key("alt+F4")
        wait_until(lambda: self.env.reader.window("About", process=Program.PROCESS) is None,
                   what="About to close")
        window = wait_until(program.main_window, check=lambda w: w["foreground"],
                            what="the main window to come to the front")
        self.assertEqual(focused_name(window), "cmdAbout")

        # Space on the focused toggle button expands the window. The button is disabled
        # while the window moves and has the focus back once it is done; the list now shows
        # and takes its place in the tab order after the button.
        self.move_focus(program, "Tab", ["Command1"])
        self.env.input.key("space")
        window = program.wait_animation_end("^")
        self.assertLessEqual(control(window, "ListBox")["rect"][3], window["client"][3])
        self.wait_focus(program, "Command1")
        self.move_focus(program, "Tab",
                        ["List1", "txtUIN", "cmdDelete", "cmdAbout", "Command1", "List1"])

        # Home then End pick the last account of the list; Alt+E and Y erase it, and Enter
        # closes the report.
        items = control(program.main_window(), "ListBox")["items"]
        self.env.input.key("Home", "End")
        chosen = self.wait_box_text(program, lambda t: t == items[-1], "End to pick the last")
        self.env.input.key("alt+e")
        box = program.wait_message_box("Confirmation")
        self.assertEqual(box["text"], f"Are you sure you want to delete this UIN? ({chosen})")
        program.answer_with_keys(box, "y")
        done = program.wait_message_box("Success")
        self.assertEqual(done["text"], "Done!")
        program.answer_with_keys(done, "Return")
        self.assert_only_erased(before, self.snapshot(), [chosen])

        # Enter on the toggle button, reached by Tab from Erase, collapses the window.
        self.assertEqual(self.focus_of(program), "cmdDelete")
        self.move_focus(program, "Tab", ["cmdAbout", "Command1"])
        self.env.input.key("Return")
        program.wait_animation_end("v")

    def assert_list_shown(self, window, shown):
        """The list is visible, to the eye and to a screen reader, or neither."""
        account_list = control(window, "ListBox")
        self.assertEqual(account_list["visible"], shown)
        self.assertIsNotNone(account_list["accessible_state"], "no accessible object")
        self.assertEqual(account_list["accessible_state"] & STATE_SYSTEM_INVISIBLE == 0, shown)

    def tab_to(self, program, name):
        """Presses Tab until the focus is on name, once round the window at most."""
        for _ in range(len(MAIN_LAYOUT)):
            before = self.focus_of(program)
            if before == name:
                return
            self.env.input.key("Tab")
            wait_until(lambda: self.focus_of(program), check=lambda f: f != before,
                       what=f"Tab to move the focus off {before}")
        self.assertEqual(self.focus_of(program), name)

    def test_keyboard_never_reaches_the_list_out_of_sight(self):
        self.seed_everywhere(["123456", "654321"])
        program = self.start_program()
        window = program.wait_main_window()
        self.assert_list_shown(window, False)

        # Collapsed, Tab and Shift+Tab go round more stops than the window has, with Down
        # at each: the list never takes the focus, and the box never changes. Each stop is
        # read once the next Tab has moved the focus, so after the Down before it.
        for key in ("Tab", "shift+Tab"):
            for _ in range(6):
                before = self.focus_of(program)
                self.env.input.key(key)
                now = wait_until(lambda: self.focus_of(program), check=lambda f: f != before,
                                 what=f"{key} to move the focus off {before}")
                self.assertNotEqual(now, "List1")
                self.assertEqual(self.box_text(program), "", f"Down before {key} to {now}")
                self.env.input.key("Down")

        # Space on "v" shows the list, and the focus is back on the button once it has
        # opened; Tab reaches the list, whose arrows pick an account.
        self.tab_to(program, "Command1")
        self.env.input.key("space")
        window = program.wait_animation_end("^")
        self.wait_focus(program, "Command1")
        self.assert_list_shown(window, True)
        items = control(window, "ListBox")["items"]
        self.move_focus(program, "Tab", ["List1"])
        self.env.input.key("Home")
        self.wait_box_text(program, lambda t: t == items[0], "Home to pick the first")
        self.env.input.key("Down")
        self.wait_box_text(program, lambda t: t == items[1], "Down to pick the second")

        # Space on "^" hides it again, with the focus back on "v": Down changes nothing. Space
        # opens it once more.
        self.move_focus(program, "shift+Tab", ["Command1"])
        self.env.input.key("space")
        window = program.wait_animation_end("v")
        self.wait_focus(program, "Command1")
        self.assert_list_shown(window, False)
        self.assertEqual(control(window, "ListBox")["items"], items)
        self.env.input.key("Down", "Down")
        time.sleep(1)
        self.assertEqual(self.focus_of(program), "Command1")
        self.assertEqual(self.box_text(program), items[1])
        self.env.input.key("space")
        window = program.wait_animation_end("^")
        self.wait_focus(program, "Command1")
        self.assert_list_shown(window, True)

    def test_keyboard_only_at_96_dpi(self):
        self.check_keyboard_only(96)

    def test_keyboard_only_at_144_dpi(self):
        self.check_keyboard_only(144)

    # --- robustness ---------------------------------------------------------------------------

    def timed_start(self):
        """Starts the program and returns it, its window once shown, and the seconds from the
        launch until the window was read, list filled (the read waits for the program's
        start-up, the fill included). Only the first items are read: reading 50,000 across
        processes takes a minute."""
        started = time.monotonic()
        program = self.start_program(max_items=3)
        window = program.wait_main_window(timeout_ms=55000)
        return program, window, time.monotonic() - started

    def test_fifty_thousand_accounts(self):
        empty_program, _, empty_seconds = self.timed_start()
        empty_program.stop()

        names = [str(100000000 + i) for i in range(50000)]
        started = time.monotonic()
        self.env.registry.load([(account_key(HKCU, name), None) for name in names])
        seed_seconds = time.monotonic() - started
        before = self.snapshot()
        self.assertEqual(len(before), 50000 + 3, "the accounts and the keys above them")

        program, window, seconds = self.timed_start()
        print(f"\n  launch to window shown: {empty_seconds:.2f} s without accounts, "
              f"{seconds:.2f} s with 50,000 listed (seeded in {seed_seconds:.1f} s)", end=" ")
        account_list = control(window, "ListBox")
        self.assertEqual(account_list["count"], 50000)
        self.assertEqual(len(set(account_list["items"])), 3)
        self.assertLessEqual(set(account_list["items"]), set(names))

        # The last account is reached and erased, and it alone.
        window = program.expand()
        self.env.input.click_rect(control(window, "ListBox")["item_rects"][0])
        self.wait_box_text(program, lambda t: t == account_list["items"][0], "the first item")
        self.env.input.key("End")
        wait_until(lambda: control(program.main_window(), "ListBox")["selected"],
                   check=lambda index: index == 49999, what="End to select the last item")
        last = self.box_text(program)
        self.assertIn(last, names)
        self.assertNotEqual(last, account_list["items"][0])
        self.env.input.click_rect(control(program.main_window(), "Button", "&Erase")["rect"])
        program.answer(program.wait_message_box("Confirmation"), IDYES)
        done = program.wait_message_box("Success")
        self.assertEqual(done["text"], "Done!")
        program.answer(done, IDOK)
        self.assert_only_erased(before, self.snapshot(), [last])
        self.assertTrue(program.running())

    def test_names_of_254_and_255_characters(self):
        fits, longest = "2" * 254, "3" * 255
        self.seed_everywhere(["100000", fits, longest, "400000"])
        order = self.enumerated()
        before = self.snapshot()

        program, window = self.start_expanded()
        self.assertEqual(control(window, "ListBox")["items"], order)
        # Both long ones are copied whole into the box and erased, then an ordinary one.
        for name in (longest, fits, "100000"):
            self.assertEqual(self.erase_item(program, order.index(name)), ("Success", "Done!"))
        self.assert_only_erased(before, self.snapshot(), [longest, fits, "100000"])
        self.assertTrue(program.running())

    def test_names_of_any_script_are_listed_and_erased_exactly(self):
        # Cyrillic and CJK, and full-width digits that look like the account beside them.
        strange = ["\u041f\u0451\u0442\u0440", "\u4e2d\u6587",
                   "\uff11\uff12\uff13\uff14\uff15\uff16"]
        self.seed_everywhere(["123456", "654321"] + strange)
        order = self.enumerated()
        self.assertCountEqual(order, ["123456", "654321"] + strange)

        program, window = self.start_expanded()
        self.assertEqual(control(window, "ListBox")["items"], order)
        for name in strange + ["654321"]:
            with self.subTest(name=name):
                before = self.snapshot()
                self.assertEqual(self.erase_item(program, order.index(name)), ("Success", "Done!"))
                self.assert_only_erased(before, self.snapshot(), [name])
        self.assertTrue(program.running())


if __name__ == "__main__":
    unittest.main()
