"""Expand and collapse: the real window grows to show the account list and shrinks back."""

import time
import unittest

from harness import ProgramTestCase, control, twips_to_px, wait_until
from registry import DESKTOP_KEY

COLLAPSED_TWIPS = 1755
EXPANDED_TWIPS = 3075


def height(window):
    return window["rect"][3] - window["rect"][1]


class AnimationTests(ProgramTestCase):
    def assert_height(self, window, twips, dpi):
        """The outer height is twips at dpi, rounded either way to whole pixels."""
        exact = twips * dpi / 1440
        self.assertLessEqual(abs(height(window) - exact), 0.5,
                             f"{height(window)} px for {twips} twips at {dpi} DPI")

    def follow(self, program, caption_after, clicks=1):
        """Clicks the toggle button (clicks times, as one double-click for 2) and follows the
        window until the button shows caption_after and is enabled; that last reading is
        taken again, whole, as in wait_animation_end. Returns the windows read, the one
        before the click first, and the seconds from the click to the end."""
        window = program.main_window()
        with self.env.reader.following(program.TITLE, caption_after,
                                       process=program.PROCESS) as seen:
            self.env.input.click_rect(program.toggle_button(window)["rect"], repeat=clicks)
            clicked = time.monotonic()
        elapsed = time.monotonic() - clicked
        seen[-1] = program.main_window()
        return seen, elapsed

    def animate(self, program, caption_after):
        """Double-clicks the toggle button and follows the animation to its end: the second
        click meets the button disabled and changes nothing. Returns the last window read and
        the seconds it took.

        Wine is not Windows here: a click made a second into the animation was taken only
        once the animation had ended and the button was enabled again (it then started the
        other animation), as if Wine read the X input late. The second click of a
        double-click comes right after the first, which has already disabled the button."""
        start_height = height(program.main_window())
        seen, elapsed = self.follow(program, caption_after, clicks=2)

        moving = [w for w in seen if height(w) not in (start_height, height(seen[-1]))]
        self.assertTrue(moving, "the window moves through heights in between")
        readings = [(height(w), program.toggle_button(w)["text"],
                     program.toggle_button(w)["enabled"]) for w in seen]
        for window in moving:
            button = program.toggle_button(window)
            self.assertFalse(button["enabled"],
                             f"the button is disabled while the window moves: {readings}")
            self.assertNotEqual(button["text"], caption_after, readings)
        return seen[-1], elapsed

    def wait_focus_on_toggle(self, program):
        """The click gave the button the focus; it has it again once the animation ends (just
        after the button is enabled, which animate waits for)."""
        wait_until(lambda: program.toggle_button(program.main_window())["focused"],
                   what="the focus back on the toggle button")

    def expand_and_collapse(self, dpi, rounds=1):
        self.env.registry.load([(r"HKEY_CURRENT_USER\Software\Mirabilis\ICQ\NewOwners\123456",
                              {"Nick": "a"})])
        program = self.start_program()
        window = program.wait_main_window()
        self.assert_height(window, COLLAPSED_TWIPS, dpi)
        self.assertEqual(program.toggle_button(window)["text"], "v")
        account_list = control(window, "ListBox")
        self.assertGreaterEqual(account_list["rect"][1], window["client"][3],
                                "collapsed, the list lies below the client area")

        for _ in range(rounds):
            expanded, seconds = self.animate(program, "^")
            self.wait_focus_on_toggle(program)
            self.assert_height(expanded, EXPANDED_TWIPS, dpi)
            account_list = control(expanded, "ListBox")
            self.assertEqual(account_list["items"], ["123456"])
            self.assertLessEqual(account_list["rect"][3], expanded["client"][3],
                                 "expanded, the whole list lies inside the client area")
            # Measured from outside, from the click to the first reading that saw the end.
            print(f"\n  at {dpi} DPI the expansion by {height(expanded) - height(window)} px "
                  f"took {seconds:.2f} s", end=" ")

            collapsed, _ = self.animate(program, "v")
            self.wait_focus_on_toggle(program)
            self.assertEqual(height(collapsed), height(window), "back to the starting height")
            self.assertEqual(collapsed["rect"][:2], window["rect"][:2],
                             "the top left corner stays")
        return window

    def test_expand_then_collapse_at_96_dpi(self):
        window = self.expand_and_collapse(96)
        self.assertEqual(height(window), twips_to_px(COLLAPSED_TWIPS, 96))
        self.assertEqual(height(window), 117)

    def test_with_animations_off_the_list_shows_and_hides_at_once(self):
        # "Show animations in Windows" is a bit of the user's preference mask, which Wine
        # reads when a program starts.
        mask = self.env.registry.binary(DESKTOP_KEY, "UserPreferencesMask")
        self.addCleanup(self.env.registry.load, [(DESKTOP_KEY, {"UserPreferencesMask": mask})])
        off = bytearray(mask)
        off[4] &= ~0x02
        self.env.registry.load([(DESKTOP_KEY, {"UserPreferencesMask": bytes(off)})])
        program = self.start_program()
        window = program.wait_main_window()

        for caption, twips in (("^", EXPANDED_TWIPS), ("v", COLLAPSED_TWIPS)):
            seen, _ = self.follow(program, caption)
            last = seen[-1]
            self.assert_height(last, twips, 96)
            self.assertLessEqual({height(w) for w in seen}, {height(window), height(last)},
                                 "no height in between")
            window = last

    def test_expand_then_collapse_at_144_dpi(self):
        # Wine reads the DPI from the current user's desktop settings when a program starts.
        self.env.registry.load([(DESKTOP_KEY, {"LogPixels": 144})])

        self.expand_and_collapse(144)

    def test_expand_then_collapse_twice_at_120_dpi(self):
        # At 125% the collapsed height, 146.25 px, falls between pixels.
        self.env.registry.load([(DESKTOP_KEY, {"LogPixels": 120})])

        window = self.expand_and_collapse(120, rounds=2)
        self.assertEqual(height(window), 146)


if __name__ == "__main__":
    unittest.main()
