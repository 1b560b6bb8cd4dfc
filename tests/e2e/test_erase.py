"""Erasure: choosing an account, the typing filter, the confirmation and the delete from every
place, checked against full registry exports taken before and after; links, denied keys, the
instance started as administrator, and a run-time error in the click's handler."""

import os
import time
import unittest

from harness import ProgramTestCase, control, wait_until
from registry import (
    DEFAULT_USER,
    ERASED_PLACES,
    HKCU,
    MACHINE32,
    MACHINE64,
    MACHINE_PLACE_NAME,
    PLACE_ROOTS,
    account_key,
    place_key,
    regtool_key,
)
from wine import SLOWNESS

IDOK, IDCANCEL, IDYES, IDNO, IDTRYAGAIN, IDCONTINUE = 1, 2, 6, 7, 10, 11

TARGET = "87654321"
OTHER = "123456"
# The machine hive's NewOwners as regtool names it; the 32-bit view is chosen apart.
MACHINE_NEW_OWNERS = r"HKLM\Software\Mirabilis\ICQ\NewOwners"
GRANT_ALL = "D:(A;;KA;;;WD)"

# Every tree an erasure could reach: the current user's hive, the default profile's and the
# machine's software, both registry views.
EXPORTED = ("HKEY_CURRENT_USER", r"HKEY_USERS\.DEFAULT", r"HKEY_LOCAL_MACHINE\Software")


def is_reddish(rgb):
    red, green, blue = rgb
    return red > green + 40 and red > blue + 40


def is_bluish(rgb):
    red, green, blue = rgb
    return blue > red + 30


class EraseTests(ProgramTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # The run under another code page must really be under it.
        expected = os.environ.get("ZELVANE_E2E_CODEPAGE")
        if expected:
            acp = cls.env.reader.peek("codepage")["acp"]
            if acp != int(expected):
                raise AssertionError(f"the programs run with code page {acp}, not {expected}")

    # The account to erase, with a subtree, in the three places and also in the machine
    # hive's 64-bit view, which is not where the messenger keeps it; another account in
    # every place; values on the parent keys.
    initial_sections = [
        section
        for place in PLACE_ROOTS
        for section in (
            (place_key(place, "Mirabilis"), {"Owner": "kept"}),
            (account_key(place), {"Version": "2003b"}),
            (account_key(place, OTHER), {"Nick": "other", "Sound": 1}),
            (account_key(place, OTHER) + r"\Settings", {"Skin": "classic"}),
            (account_key(place, OTHER) + r"\Ui", {"Font": "Tahoma"}),
            (account_key(place, TARGET), {"Nick": "target", "Password": "x"}),
            (account_key(place, TARGET) + r"\Settings", {"Skin": "blue"}),
            (account_key(place, TARGET) + r"\Settings\Deeper", {"Depth": 2}),
        )
    ] + [(account_key(HKCU, "555555555"), {"Nick": "only the user's"})]

    def accounts_snapshot(self):
        """The Mirabilis keys of every place, with their values."""
        return self.env.registry.snapshot(*(place_key(place, "Mirabilis") for place in PLACE_ROOTS))

    def start(self):
        program = self.start_program()
        program.wait_main_window()
        return program, program.expand()

    def item_rect(self, window, text):
        account_list = control(window, "ListBox")
        return account_list["item_rects"][account_list["items"].index(text)]

    def text_box(self, program):
        return control(program.main_window(), "Edit")

    def type_into_box(self, program, expected, text=None, keys=()):
        """Clicks into the text box, types, and checks that the box ends up holding expected.

        A key the box drops leaves no trace to wait for, so the box must show expected and
        still show it a moment later."""
        self.env.input.click_rect(self.text_box(program)["rect"])
        if text:
            self.env.input.type_text(text)
        if keys:
            self.env.input.key(*keys)
        wait_until(lambda: self.text_box(program)["text"], check=lambda t: t == expected,
                   what=f"the box to hold {expected!r}")
        time.sleep(0.5)
        self.assertEqual(self.text_box(program)["text"], expected)

    def click_erase(self, program):
        self.env.input.click_rect(control(program.main_window(), "Button", "&Erase")["rect"])

    def assert_confirmation(self, program, shown_text):
        box = program.wait_message_box("Confirmation")
        self.assertEqual(box["text"], f"Are you sure you want to delete this UIN? ({shown_text})")
        self.assertEqual(sorted(b["id"] for b in box["buttons"]), [IDYES, IDNO])
        self.assertTrue(is_reddish(box["icon_rgb"]), f"stop icon, not {box['icon_rgb']}")
        return box

    def test_clicking_and_arrowing_through_the_list_copies_each_item_exactly(self):
        program, window = self.start()
        self.type_into_box(program, "999", text="999")

        self.env.input.click_rect(self.item_rect(window, OTHER))
        wait_until(lambda: self.text_box(program)["text"], check=lambda t: t == OTHER,
                   what=f"the box to show {OTHER}")
        self.env.input.click_rect(self.item_rect(window, TARGET))
        wait_until(lambda: self.text_box(program)["text"], check=lambda t: t == TARGET,
                   what=f"the box to show {TARGET}")

        # The keyboard moves the selection, and the box follows it.
        items = control(program.main_window(), "ListBox")["items"]
        selected = items.index(TARGET)
        key, neighbour = ("Up", selected - 1) if selected > 0 else ("Down", selected + 1)
        self.env.input.key(key)
        wait_until(lambda: self.text_box(program)["text"], check=lambda t: t == items[neighbour],
                   what=f"the box to follow the selection to {items[neighbour]}")
        self.assertEqual(program.message_boxes(), [])

    def test_double_click_asks_and_no_leaves_the_registry_untouched(self):
        before = self.env.registry.snapshot(*EXPORTED)
        program, window = self.start()

        self.env.input.click_rect(self.item_rect(window, TARGET), repeat=2)
        box = self.assert_confirmation(program, TARGET)
        program.answer(box, IDNO)

        self.assertEqual(program.message_boxes(wait_ms=1000), [], "No shows nothing more")
        self.assertEqual(self.env.registry.snapshot(*EXPORTED), before)

    def erase_typed(self, program, text):
        """Puts text into the box with a real paste, clicks Erase and Yes; returns the box
        that follows, still shown."""
        self.env.input.set_clipboard(text)
        self.type_into_box(program, text, keys=("End",) + ("BackSpace",) * 9 + ("ctrl+v",))
        self.click_erase(program)
        program.answer(self.assert_confirmation(program, text), IDYES)
        boxes = program.message_boxes(wait_ms=10000)
        self.assertEqual(len(boxes), 1, [b["title"] for b in boxes])
        return boxes[0]

    def restore_dacl(self, *args):
        """Gives a key whose DACL a case narrowed full access again, so that the next
        case's reset can delete it."""
        self.addCleanup(self.env.registry.regtool, "dacl", *args[:1], GRANT_ALL, *args[1:])

    def test_yes_erases_the_account_from_every_place_and_nothing_else(self):
        before = self.env.registry.snapshot(*EXPORTED)
        program, window = self.start()

        self.env.input.click_rect(self.item_rect(window, TARGET))
        wait_until(lambda: self.text_box(program)["text"], check=lambda t: t == TARGET,
                   what=f"the box to show {TARGET}")
        self.click_erase(program)
        program.answer(self.assert_confirmation(program, TARGET), IDYES)
        done = program.wait_message_box("Success")
        self.assertEqual(done["text"], "Done!")
        self.assertEqual([b["id"] for b in done["buttons"]], [IDOK])
        self.assertTrue(is_bluish(done["icon_rgb"]), f"information icon, not {done['icon_rgb']}")
        program.answer(done, IDOK)

        after = self.env.registry.snapshot(*EXPORTED)
        # Exactly the account's keys are gone, three levels deep in each of the five places,
        # the two of UAC's virtual store among them, and every other key is there with the
        # same values, nothing added.
        gone = self.assert_only_erased(before, after, [TARGET])
        for place in ERASED_PLACES:
            self.assertIn(account_key(place, TARGET), gone, f"seeded in {place}, and erased")
        self.assertEqual(len(gone), 3 * len(ERASED_PLACES))
        # The machine hive's 64-bit view of 64-bit Windows is not where the account lives:
        # it stays.
        if MACHINE64 in PLACE_ROOTS:
            self.assertIn(account_key(MACHINE64, TARGET), after)

        # The list is not refreshed and the box keeps the number.
        window = program.main_window()
        self.assertIn(TARGET, control(window, "ListBox")["items"])
        self.assertEqual(control(window, "Edit")["text"], TARGET)

    def test_a_running_messenger_is_named_before_the_confirmation(self):
        before = self.env.registry.snapshot(*EXPORTED)
        with self.messenger_running("ICQ.exe"):
            program, window = self.start()
            self.env.input.click_rect(self.item_rect(window, TARGET), repeat=2)
            box = program.wait_message_box("Messenger running")
            self.assertRegex(box["text"], r"The messenger is running: ICQ\.exe \(process \d+, ")
            self.assertEqual(sorted(b["id"] for b in box["buttons"]),
                             [IDCANCEL, IDTRYAGAIN, IDCONTINUE])
            program.answer(box, IDCANCEL)
            self.assertEqual(program.message_boxes(wait_ms=1000), [], "Cancel shows nothing more")
            self.assertEqual(self.env.registry.snapshot(*EXPORTED), before)

            self.click_erase(program)
            program.answer(program.wait_message_box("Messenger running"), IDCONTINUE)
            program.answer(self.assert_confirmation(program, TARGET), IDYES)
            self.assertEqual(program.wait_message_box("Success")["text"], "Done!")
        self.assert_only_erased(before, self.env.registry.snapshot(*EXPORTED), [TARGET])

    def test_erase_with_an_empty_box_asks_first_then_reports_the_input_error(self):
        before = self.accounts_snapshot()
        program, _ = self.start()

        self.click_erase(program)
        program.answer(self.assert_confirmation(program, ""), IDYES)
        error = program.wait_message_box("Input Error")
        self.assertEqual(error["text"], "Fill in the UIN, And then click 'Erase'")
        self.assertEqual([b["id"] for b in error["buttons"]], [IDOK])
        self.assertTrue(is_reddish(error["icon_rgb"]))
        program.answer(error, IDOK)

        self.assertEqual(self.accounts_snapshot(), before)

    def test_erase_with_the_text_box_destroyed_reports_run_time_error_91_and_goes_on(self):
        """The error is thrown in the click's handler, inside the window procedure that
        WM_COMMAND reached, and caught by the program's dispatch below it: on x86 the path
        of the i686 unwinder, which must carry it there and no further."""
        program = self.start_program()
        window = program.wait_main_window()
        # Another program closes the text box, as any program may: a control leaves WM_CLOSE
        # to DefWindowProc, which destroys it (so Wine does too).
        self.assertEqual(self.env.reader.peek("close", control(window, "Edit")["hwnd"]),
                         {"gone": True})

        # Erase reads the box before it asks anything, and the error is reported once.
        self.click_erase(program)
        error = program.wait_message_box("Zelvane")
        self.assertEqual(error["text"], "Run-time error '91':\n\n"
                                        "Object variable or With block variable not set")
        self.assertEqual([b["id"] for b in error["buttons"]], [IDOK])
        self.assertTrue(is_reddish(error["icon_rgb"]), f"stop icon, not {error['icon_rgb']}")
        program.answer(error, IDOK)

        # The window still answers, and closed, the program ends as it always does.
        self.assertEqual(self.env.reader.peek("close", window["hwnd"]), {"gone": True})
        self.assertEqual(program.process.wait(timeout=30 * SLOWNESS), 0)

    def test_a_number_that_exists_nowhere_still_reports_done(self):
        before = self.accounts_snapshot()
        program, _ = self.start()

        self.type_into_box(program, "424242", text="424242")
        self.click_erase(program)
        program.answer(self.assert_confirmation(program, "424242"), IDYES)
        done = program.wait_message_box("Success")
        self.assertEqual(done["text"], "Done!")
        program.answer(done, IDOK)

        self.assertEqual(self.accounts_snapshot(), before)

    def test_enter_in_the_box_asks_to_erase_and_escape_does_nothing(self):
        before = self.accounts_snapshot()
        program = self.start_program()
        program.wait_main_window()
        self.type_into_box(program, TARGET, text=TARGET)

        self.env.input.key("Escape")
        self.assertEqual(program.message_boxes(wait_ms=1000), [], "Escape shows nothing")
        window = program.main_window()
        self.assertEqual(control(window, "Edit")["text"], TARGET)
        self.assertTrue(program.running())

        self.env.input.key("Return")
        box = self.assert_confirmation(program, TARGET)
        program.answer_with_keys(box, "n")
        self.assertEqual(program.message_boxes(wait_ms=1000), [], "No shows nothing more")
        self.assertEqual(self.accounts_snapshot(), before)

    def test_typing_keeps_digits_and_spaces_and_drops_everything_else(self):
        program, _ = self.start()

        self.type_into_box(program, "123 4", text="a1B2.,;-/+=\\3 4z")
        # Backspace goes through the filter too.
        self.type_into_box(program, "123", keys=("End", "BackSpace", "BackSpace"))

    def test_pasted_texts_that_name_other_keys_are_refused_without_touching_the_registry(self):
        before = self.accounts_snapshot()
        program, _ = self.start()

        # The whole NewOwners key, and a key below an account (the box takes nine characters).
        for text in ("\\", OTHER + "\\Ui"):
            with self.subTest(text=text):
                refusal = self.erase_typed(program, text)
                self.assertEqual(refusal["title"], "Input Error")
                self.assertIn(f'"{text}"', refusal["text"])
                program.answer(refusal, IDOK)
                self.assertEqual(program.message_boxes(), [])

        self.assertEqual(self.accounts_snapshot(), before)

    def test_names_outside_ascii_are_erased_exactly_everywhere(self):
        # 0x8868 ends in the byte 0x5C, a backslash's, in Shift-JIS (code page 932); the
        # full-width digits look like OTHER. Each is its own account, erased alone.
        names = ("\u8868", "\uff11\uff12\uff13\uff14\uff15\uff16")
        self.env.registry.load([(account_key(place, name) + r"\Settings", {"Skin": "s"})
                             for place in PLACE_ROOTS for name in names])
        program, _ = self.start()
        for name in names:
            with self.subTest(name=name):
                before = self.accounts_snapshot()
                done = self.erase_typed(program, name)
                self.assertEqual((done["title"], done["text"]), ("Success", "Done!"))
                program.answer(done, IDOK)
                self.assert_only_erased(before, self.accounts_snapshot(), [name])

    def test_a_link_named_like_an_account_is_removed_not_followed(self):
        victim = r"HKEY_CURRENT_USER\Software\ZelvaneVictim"
        self.addCleanup(self.env.registry.delete, victim)
        self.env.registry.load([(victim + r"\Child", {"Data": "kept"})])
        self.env.registry.regtool("link", r"HKCU\Software\Mirabilis\ICQ\NewOwners\666666",
                         r"HKCU\Software\ZelvaneVictim")
        self.assertTrue(self.env.registry.exists(account_key(HKCU, "666666") + r"\Child"))
        before = self.env.registry.snapshot(victim)

        program, _ = self.start()
        done = self.erase_typed(program, "666666")
        self.assertEqual((done["title"], done["text"]), ("Success", "Done!"))
        program.answer(done, IDOK)

        self.assertFalse(self.env.registry.exists(account_key(HKCU, "666666")))
        self.assertEqual(self.env.registry.snapshot(victim), before)
        self.assertTrue(before)

    def test_a_denied_machine_copy_is_named_and_the_others_are_erased(self):
        # A DACL that grants nothing: Wine, like Windows, then refuses the account's key.
        key = MACHINE_NEW_OWNERS + "\\" + TARGET
        self.env.registry.regtool("dacl", key, "D:P", "32")
        self.restore_dacl(key, "32")
        before = self.accounts_snapshot()

        program, _ = self.start()
        warning = self.erase_typed(program, TARGET)
        self.assertEqual(warning["title"], "Not erased everywhere")
        self.assertIn(MACHINE_PLACE_NAME + " (access is denied)", warning["text"])
        self.assertNotIn("HKEY_USERS", warning["text"])
        program.answer(warning, IDOK)
        self.assert_only_erased(before, self.accounts_snapshot(), [TARGET],
                                [p for p in ERASED_PLACES if p != MACHINE32])

    def test_a_read_only_machine_new_owners_without_the_account_is_done(self):
        self.env.registry.delete(account_key(MACHINE32, TARGET))
        self.env.registry.regtool("dacl", MACHINE_NEW_OWNERS, "D:P(A;;KR;;;WD)", "32")
        self.restore_dacl(MACHINE_NEW_OWNERS, "32")
        before = self.accounts_snapshot()

        program, _ = self.start()
        done = self.erase_typed(program, TARGET)
        self.assertEqual((done["title"], done["text"]), ("Success", "Done!"))
        program.answer(done, IDOK)
        self.assert_only_erased(before, self.accounts_snapshot(), [TARGET],
                                [p for p in ERASED_PLACES if p != MACHINE32])

    def test_the_instance_started_as_administrator_erases_only_the_shared_places(self):
        before = self.env.registry.snapshot(*EXPORTED)
        program = self.start_program(args=("/erase-as-administrator", TARGET))
        done = program.wait_message_box("Success")
        self.assertEqual(done["text"], "Done!")
        self.assertEqual([w["title"] for w in self.env.reader.windows(process=program.PROCESS)],
                         ["Success"], "no window but its outcome")
        program.answer(done, IDOK)
        wait_until(lambda: not program.running(), what="the instance to end")
        self.assert_only_erased(before, self.env.registry.snapshot(*EXPORTED), [TARGET],
                                [DEFAULT_USER, MACHINE32])

    def test_the_administrator_instance_refuses_a_linked_machine_new_owners(self):
        # A standard user who may write the machine's Mirabilis key points NewOwners at a key
        # of the user's choice, then has an administrator finish an erase.
        victim = r"HKEY_CURRENT_USER\Software\ZelvaneVictim"
        self.addCleanup(self.env.registry.delete, victim)
        self.env.registry.load([(victim + "\\" + TARGET + r"\Child", {"Data": "kept"})])
        self.env.registry.delete(account_key(MACHINE32))
        link = regtool_key(account_key(MACHINE32))
        self.env.registry.regtool("link", link, r"HKCU\Software\ZelvaneVictim")
        self.addCleanup(self.env.registry.regtool, "unlink", link)
        self.assertTrue(self.env.registry.exists(account_key(MACHINE32, TARGET) + r"\Child"),
                        "the link leads to the victim")
        before = self.env.registry.snapshot(*EXPORTED)

        program = self.start_program(args=("/erase-as-administrator", TARGET))
        warning = program.wait_message_box("Not erased everywhere")
        self.assertIn(MACHINE_PLACE_NAME + " (a registry link, not followed)", warning["text"])
        self.assertNotIn("HKEY_USERS", warning["text"])
        program.answer(warning, IDOK)
        wait_until(lambda: not program.running(), what="the instance to end")
        self.assertTrue(self.env.registry.exists(victim + "\\" + TARGET + r"\Child"))
        self.assert_only_erased(before, self.env.registry.snapshot(*EXPORTED), [TARGET],
                                [DEFAULT_USER])

    def test_keys_named_with_a_nul_below_the_account_are_erased_everywhere(self):
        # "\0x" once reopened the key itself until the stack ran out; "A\0B" was taken for A.
        # Wine's reg cannot delete such keys: should the erase leave them, the next case's
        # reset would fail.
        accounts = [regtool_key(account_key(place, TARGET)) for place in ERASED_PLACES]
        self.addCleanup(self.env.registry.regtool, "unnul", *accounts)
        self.env.registry.regtool("nulkeys", *accounts)
        before = self.accounts_snapshot()
        program, _ = self.start()
        done = self.erase_typed(program, TARGET)
        self.assertEqual((done["title"], done["text"]), ("Success", "Done!"))
        program.answer(done, IDOK)
        self.assert_only_erased(before, self.accounts_snapshot(), [TARGET])
        for place in ERASED_PLACES:
            self.assertFalse(self.env.registry.exists(account_key(place, TARGET)), place)


if __name__ == "__main__":
    unittest.main()

