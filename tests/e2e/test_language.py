"""The windows in their user's language (Wine takes it from LC_ALL): German, Russian and
Hebrew, Hebrew mirrored, an erase in Russian, and every label and button's text within its
control in every language."""

import re
from pathlib import Path

from harness import ProgramTestCase, control
from registry import DESKTOP_KEY, HKCU

IDOK, IDNO, IDYES = 1, 7, 6
WS_EX_LAYOUTRTL = 0x400000
LOCALES = {"en": "en_US", "de": "de_DE", "ru": "ru_RU", "uk": "uk_UA", "cs": "cs_CZ",
           "pl": "pl_PL", "pt_br": "pt_BR", "es": "es_ES", "he": "he_IL"}


def table(language):
    path = Path(__file__).resolve().parents[2] / "src" / "strings" / f"{language}.rc"
    found = re.findall(r'^\s*(IDS_\w+), "(.*)"$', path.read_text("utf-8"), re.MULTILINE)
    return {name: text.replace('""', '"') for name, text in found}


class LanguageTests(ProgramTestCase):
    def start_in(self, language):
        program = self.start_program(extra_env={"LC_ALL": f"{LOCALES[language]}.UTF-8"})
        return program, program.wait_main_window()

    def open_about(self, program, strings):
        self.env.input.click_rect(
            control(program.main_window(), "Button", strings["IDS_ABOUT_BUTTON"])["rect"])
        return self.env.reader.window(strings["IDS_ABOUT_CAPTION"], process=program.PROCESS,
                                      wait_ms=10000, measure=True)

    def test_german_russian_and_hebrew_windows_speak_their_language(self):
        for language in ("de", "ru", "he"):
            strings, rtl = table(language), language == "he"
            program, window = self.start_in(language)
            control(window, "Static", strings["IDS_UIN_LABEL"])
            erase = control(window, "Button", strings["IDS_ERASE_BUTTON"])
            about = control(window, "Button", strings["IDS_ABOUT_BUTTON"])
            # Mirrored, Erase lies left of About.
            self.assertEqual(bool(window["exstyle"] & WS_EX_LAYOUTRTL), rtl)
            self.assertEqual(erase["rect"][0] < about["rect"][0], rtl)
            self.env.input.click_rect(control(window, "Edit")["rect"])
            self.env.input.type_text("4242")
            self.env.input.click_rect(erase["rect"])
            box = program.wait_message_box(strings["IDS_CONFIRM_TITLE"])
            number = "\u202a4242\u202c" if rtl else "4242"
            self.assertEqual(box["text"], strings["IDS_CONFIRM"].replace("%1", number))
            self.assertEqual(bool(box["exstyle"] & WS_EX_LAYOUTRTL), rtl)
            self.env.screenshot(self.env.log_dir / f"language_{language}_confirmation.png")
            program.answer(box, IDNO)
            about = self.open_about(program, strings)
            self.assertEqual(bool(about["exstyle"] & WS_EX_LAYOUTRTL), rtl)
            control(about, "Static", strings["IDS_EMAIL"])
            self.env.screenshot(self.env.log_dir / f"language_{language}.png")
            program.stop()

    def test_an_erase_in_russian_ends_with_its_done(self):
        strings = table("ru")
        self.seed(HKCU, "31415926")
        program, window = self.start_in("ru")
        self.env.input.click_rect(control(window, "Edit")["rect"])
        self.env.input.type_text("31415926")
        self.env.input.click_rect(control(window, "Button", strings["IDS_ERASE_BUTTON"])["rect"])
        program.answer(program.wait_message_box(strings["IDS_CONFIRM_TITLE"]), IDYES)
        done = program.wait_message_box(strings["IDS_SUCCESS_TITLE"])
        self.assertEqual(done["text"], strings["IDS_DONE"])
        self.env.screenshot(self.env.log_dir / "language_ru_done.png")
        program.answer(done, IDOK)

    def test_every_text_fits_its_control_in_every_language(self):
        """A button's text within the button less its 2-pixel edges, a label's within the
        label. English's words and sizes are fixed: a left-to-right text may overflow as far
        as English's on the same control, never further. A mirrored control overflows at the
        text's start, its first letters: there none may. Wine's Tahoma has no Hebrew (Windows'
        has), so peek measures no text with a letter it would draw as a box."""
        for dpi in (96, 144):
            self.env.registry.load([(DESKTOP_KEY, {"LogPixels": dpi})])
            english = {}
            for language in LOCALES:
                program, _ = self.start_in(language)
                about = self.open_about(program, table(language))
                for main, window in ((True, program.main_window(measure=True)), (False, about)):
                    for child in window["children"]:
                        width, button = child["text_width"], child["class"] == "Button"
                        if not (button or child["class"] == "Static") or not child["text"]:
                            continue
                        if width is None:  # a letter Wine's Tahoma lacks
                            self.assertRegex(child["text"], "[\u0590-\u05ff]")
                            continue
                        room = child["rect"][2] - child["rect"][0] - 4 * button
                        limit = english.setdefault((main, child["id"]), max(room, width))
                        self.assertLessEqual(width, room if language == "he" else limit,
                                             f"{language} at {dpi} DPI: {child['text']!r}")
                program.stop()
