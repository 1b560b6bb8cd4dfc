"""The windows in their user's language: German, Russian and Hebrew as Wine's locale gives the
program its UI language, Hebrew mirrored, an erase in Russian to its end, and every label and
button's text within its control in every language, measured in the control's own font."""

import re
from pathlib import Path

from harness import ProgramTestCase, control, wait_until
from registry import DESKTOP_KEY, HKCU

IDOK, IDYES = 1, 6
WS_EX_LAYOUTRTL = 0x400000
STRINGS = Path(__file__).resolve().parents[2] / "src" / "strings"
# Wine takes the UI language from LC_ALL; a locale missing on the host is no obstacle.
LOCALES = {"en": "en_US", "de": "de_DE", "ru": "ru_RU", "uk": "uk_UA", "cs": "cs_CZ",
           "pl": "pl_PL", "pt_br": "pt_BR", "es": "es_ES", "he": "he_IL"}
RIGHT_TO_LEFT = {"he"}


def table(language):
    """The language's string table from its .rc file, by id name."""
    text = (STRINGS / f"{language}.rc").read_text(encoding="utf-8")
    return {name: value.replace('""', '"').replace("\\n", "\n")
            for name, value in re.findall(r'^\s*(IDS_\w+), "(.*)"$', text, re.MULTILINE)}


def mirrored(window):
    return bool(window["exstyle"] & WS_EX_LAYOUTRTL)


class LanguageTests(ProgramTestCase):
    def start_in(self, language):
        program = self.start_program(extra_env={"LC_ALL": f"{LOCALES[language]}.UTF-8"})
        return program, program.wait_main_window()

    def open_about(self, program, strings):
        button = control(program.main_window(), "Button", strings["IDS_ABOUT_BUTTON"])
        self.env.input.click_rect(button["rect"])
        about = self.env.reader.window(strings["IDS_ABOUT_CAPTION"], process=program.PROCESS,
                                       wait_ms=10000, measure=True)
        self.assertIsNotNone(about, f"an About window titled {strings['IDS_ABOUT_CAPTION']}")
        return about

    def screenshot(self, name):
        self.env.screenshot(self.env.log_dir / f"language_{name}.png")

    def test_german_russian_and_hebrew_windows_speak_their_language(self):
        for language in ("de", "ru", "he"):
            with self.subTest(language=language):
                strings = table(language)
                program, window = self.start_in(language)
                try:
                    self.check_windows(program, window, language, strings)
                finally:
                    program.stop()

    def check_windows(self, program, window, language, strings):
        """The main window, a confirmation and an input error, and the About window."""
        for name in ("IDS_UIN_LABEL", "IDS_ERASE_BUTTON", "IDS_ABOUT_BUTTON"):
            self.assertTrue(any(c["text"] == strings[name] for c in window["children"]),
                            f"{name} {strings[name]!r} in {window['children']}")
        erase = control(window, "Button", strings["IDS_ERASE_BUTTON"])
        about_button = control(window, "Button", strings["IDS_ABOUT_BUTTON"])
        # Mirrored, About is on the right and Erase on the left.
        self.assertEqual(mirrored(window), language in RIGHT_TO_LEFT)
        self.assertEqual(erase["rect"][0] < about_button["rect"][0],
                         language in RIGHT_TO_LEFT)
        self.env.input.click_rect(erase["rect"])
        box = program.wait_message_box(strings["IDS_CONFIRM_TITLE"])
        self.assertEqual(box["text"], strings["IDS_CONFIRM"].replace("%1", ""))
        self.assertEqual(mirrored(box), language in RIGHT_TO_LEFT)
        self.screenshot(f"{language}_confirmation")
        program.answer(box, IDYES)
        error = program.wait_message_box(strings["IDS_INPUT_ERROR_TITLE"])
        self.assertEqual(error["text"], strings["IDS_FILL_IN"].replace(
            "%1", strings["IDS_ERASE_BUTTON"].replace("&", "")))
        program.answer(error, IDOK)

        about = self.open_about(program, strings)
        self.assertEqual(mirrored(about), language in RIGHT_TO_LEFT)
        for name in ("IDS_MADE_BY", "IDS_EMAIL", "IDS_UIN_CAPTION"):
            control(about, "Static", strings[name])
        self.screenshot(language)

    def test_an_erase_in_russian_ends_with_its_done(self):
        strings = table("ru")
        self.seed(HKCU, "31415926")
        program, window = self.start_in("ru")
        self.env.input.click_rect(control(window, "Button", "v")["rect"])
        window = program.wait_animation_end("^")
        self.env.input.click_rect(control(window, "ListBox")["item_rects"][0])
        wait_until(lambda: control(program.main_window(), "Edit")["text"],
                   check=lambda text: text == "31415926", what="the box to hold the number")
        self.env.input.click_rect(control(window, "Button", strings["IDS_ERASE_BUTTON"])["rect"])
        box = program.wait_message_box(strings["IDS_CONFIRM_TITLE"])
        self.assertEqual(box["text"], strings["IDS_CONFIRM"].replace("%1", "31415926"))
        program.answer(box, IDYES)
        done = program.wait_message_box(strings["IDS_SUCCESS_TITLE"])
        self.assertEqual(done["text"], strings["IDS_DONE"])
        self.screenshot("ru_done")
        program.answer(done, IDOK)

    def test_every_text_fits_its_control_in_every_language(self):
        """A button's text within the button less its 2-pixel edges, a label's within the
        label. English's own words and sizes are fixed: where a left-to-right language's text
        overflows, it may do so no more than English's on the same control. A mirrored label
        or button has no such leeway: its text overflows at its start, the first letters."""
        unmeasured = set()
        for dpi in (96, 144):
            if dpi != 96:
                self.env.registry.load([(DESKTOP_KEY, {"LogPixels": dpi})])
            english = {}
            for language in LOCALES:
                strings = table(language)
                program, _ = self.start_in(language)
                main = program.main_window(measure=True)
                about = self.open_about(program, strings)
                for window in (main, about):
                    for child in window["children"]:
                        if child["class"] not in ("Button", "Static") or not child["text"]:
                            continue
                        key = (window["title"] == main["title"], child["id"])
                        room = child["rect"][2] - child["rect"][0]
                        if child["class"] == "Button":
                            room -= 4
                        width = child["text_width"]
                        if width is None:
                            # Wine's Tahoma has no Hebrew, which Windows' has: Wine draws a
                            # box for each letter, whose width says nothing.
                            self.assertTrue(any("\u0590" <= c <= "\u05ff" for c in child["text"]),
                                            f"no glyphs for {child['text']!r}")
                            unmeasured.add(child["text"])
                            continue
                        english.setdefault(key, width)
                        allowed = room if language in RIGHT_TO_LEFT else max(room, english[key])
                        self.assertLessEqual(
                            width, allowed,
                            f"{language} at {dpi} DPI: {child['text']!r} is {width} px wide, "
                            f"its control has {room} px (English {english[key]} px)")
                program.stop()
        if unmeasured:
            print(f"not measured, no glyphs in Wine's Tahoma: {sorted(unmeasured)}")
