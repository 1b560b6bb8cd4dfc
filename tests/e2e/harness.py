"""Drives the real zelvane.exe under Wine on a virtual X display, as a person would.

Input goes in as real X events (xinput.py); what the windows show is read from outside by
peek.exe (windows.py), and the registry is seeded and checked with Wine's own reg program
(registry.py); wine.py starts the programs. One Wine prefix and one Xvfb serve the whole run:
the fixture (fixture.py) starts them, and every test case resets the registry keys the
program touches instead of starting a prefix of its own, which would cost seconds.

The CTest registration passes the paths in the environment:
  ZELVANE_EXE          the program under test
  ZELVANE_PEEK         peek.exe, which reads windows from outside
  ZELVANE_CLIPBOARD    clipboard.exe, which puts a text on the clipboard for a paste
  ZELVANE_REGTOOL      regtool.exe, which makes registry links and sets key DACLs
  ZELVANE_WINE_EXEC    scripts/wine-exec
  ZELVANE_WINEPREFIX   the run's Wine prefix
  ZELVANE_E2E_DIR      where the fixture keeps its state and the tests their logs
ZELVANE_E2E_TRACE=1 prints every Wine command with the time it took; ZELVANE_E2E_SLOWNESS=N
lets every wait take N times as long (the emulated machine of the 32-bit exe's cases).
"""

import contextlib
import json
import os
import shutil
import subprocess
import sys
import time
import unittest
from pathlib import Path

from registry import DESKTOP_KEY, ERASED_PLACES, PLACE_ROOTS, Registry, account_key, place_key
from windows import WindowReader
from wine import SLOWNESS, Wine, did_not_run
from xinput import XInput


def twips_to_px(twips, dpi):
    return round(twips * dpi / 1440)


class Environment:
    """The paths of one run, and what works on them: Wine, the registry, the window reader
    and the input."""

    def __init__(self):
        env = os.environ
        try:
            self.exe = Path(env["ZELVANE_EXE"])
            self.regtool_exe = Path(env["ZELVANE_REGTOOL"])
            self.wine_exec = Path(env["ZELVANE_WINE_EXEC"])
            self.prefix = Path(env["ZELVANE_WINEPREFIX"])
            self.state_dir = Path(env["ZELVANE_E2E_DIR"])
            peek_exe = Path(env["ZELVANE_PEEK"])
            clipboard_exe = Path(env["ZELVANE_CLIPBOARD"])
        except KeyError as missing:
            raise SystemExit(f"{missing} is not set: run the end-to-end tests through CTest")
        self.log_dir = self.state_dir / "logs"
        self.log_dir.mkdir(parents=True, exist_ok=True)
        state_file = self.state_dir / "xvfb.json"
        if not state_file.exists():
            raise SystemExit(f"{state_file} is missing: the e2e fixture did not start Xvfb")
        display = json.loads(state_file.read_text())["display"]
        self.wine = Wine(self.wine_exec, self.prefix, display, self.log_dir,
                         trace=bool(env.get("ZELVANE_E2E_TRACE")))
        self.registry = Registry(self.wine, self.regtool_exe, self.state_dir)
        self.reader = WindowReader(self.wine, peek_exe)
        self.input = XInput(self.wine, self.reader, clipboard_exe)

    def screenshot(self, path):
        """The whole virtual screen as a PNG file."""
        subprocess.run(
            ["import", "-window", "root", str(path)],
            env=self.wine.env(),
            stdin=subprocess.DEVNULL,
            capture_output=True,
            timeout=30,
        )


def wait_until(probe, timeout=10.0, interval=0.2, what="condition", check=bool):
    """Calls probe until check(its value) holds and returns that value; fails after timeout."""
    timeout *= SLOWNESS
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if check(value):
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class Program:
    """One running zelvane.exe."""

    TITLE = "Zelvane v2"
    PROCESS = "zelvane.exe"

    def __init__(self, environment, log_name, max_items=None, args=(), exe=None,
                 extra_env=None):
        self.environment = environment
        # How many list items every read of the main window takes in (all when None).
        self.max_items = max_items
        self.start = lambda: environment.wine.start(exe or environment.exe, *args,
                                                    log_name=log_name, extra_env=extra_env)
        self.process = self.start()
        # Whether anything of it has been seen on the screen yet.
        self.seen = False

    def main_window(self, wait_ms=0, measure=False):
        return self.environment.reader.window(self.TITLE, process=self.PROCESS,
                                              wait_ms=wait_ms, max_items=self.max_items,
                                              measure=measure)

    def first_sight(self, look):
        """What look() finds; should the program have ended before anything of it was seen,
        in a way that says Wine never ran it, it is started again and looked at once more."""
        found = look()
        if not found and did_not_run(self.process.poll(), self.seen):
            self.process = self.start()
            found = look()
        self.seen = self.seen or bool(found)
        return found

    def wait_main_window(self, timeout_ms=30000):
        window = self.first_sight(lambda: self.main_window(wait_ms=timeout_ms))
        if window is None:
            raise AssertionError(
                f"no window '{self.TITLE}' of {self.PROCESS} within {timeout_ms} ms; "
                f"exit code {self.process.poll()}"
            )
        return window

    def message_boxes(self, **kwargs):
        return self.environment.reader.message_boxes(process=self.PROCESS, **kwargs)

    def wait_message_box(self, title, timeout_ms=10000):
        """The one message box of the program with that title, once it is shown."""
        boxes = self.first_sight(lambda: self.message_boxes(title=title, wait_ms=timeout_ms))
        if len(boxes) != 1:
            raise AssertionError(
                f"expected one message box '{title}', found {len(boxes)}; shown: "
                f"{[(b['title'], b['text']) for b in self.message_boxes()]}; "
                f"exit code {self.process.poll()}"
            )
        return boxes[0]

    def answer(self, box, button_id):
        """Clicks the button of a message box and waits for the box to go."""
        button = next((b for b in box["buttons"] if b["id"] == button_id), None)
        if button is None:
            raise AssertionError(f"no button {button_id} in {box['title']}: {box['buttons']}")
        self.environment.input.click_rect(button["rect"])
        self.wait_box_gone(box, "the click")

    def answer_with_keys(self, box, *keys):
        """Answers a message box from the keyboard and waits for the box to go."""
        self.environment.input.key(*keys)
        self.wait_box_gone(box, " ".join(keys))

    def wait_box_gone(self, box, after):
        if self.message_boxes(title=box["title"], wait_ms=10000, gone=True):
            raise AssertionError(f"message box '{box['title']}' still shown after {after}")

    def toggle_button(self, window=None):
        """The expand/collapse button: the button whose caption is "v" or "^"."""
        window = window or self.main_window()
        return next(c for c in window["children"]
                    if c["class"].lower() == "button" and c["text"] in ("v", "^"))

    def wait_animation_end(self, caption, timeout=30):
        """Waits until the toggle button shows caption and is enabled again; returns the
        window as it is after that."""
        wait_until(
            self.main_window,
            timeout=timeout,
            interval=0.1,
            what=f"the animation to end with '{caption}'",
            check=lambda window: (lambda button: button["text"] == caption
                                  and button["enabled"])(self.toggle_button(window)),
        )
        # One reading takes the window's rect before its controls, so the reading that saw
        # the button enabled may hold the height from before the finishing snap.
        return self.main_window()

    def expand(self):
        """Clicks "v" and waits until the account list is shown; returns the window."""
        self.environment.input.click_rect(self.toggle_button()["rect"])
        return self.wait_animation_end("^")

    def running(self):
        return self.process.poll() is None

    def stop(self):
        """Ends the program at once; the wineserver removes its windows."""
        if self.running():
            self.process.kill()
        self.process.wait(timeout=10 * SLOWNESS)


def control(window, cls, text=None):
    """The one child control of window of class cls (and with that text, if given)."""
    found = [
        child
        for child in window["children"]
        if child["class"].lower() == cls.lower() and (text is None or child["text"] == text)
    ]
    if len(found) != 1:
        raise AssertionError(
            f"expected one {cls} control{'' if text is None else ' ' + repr(text)}, "
            f"found {len(found)}: {[c['text'] for c in window['children']]}"
        )
    return found[0]


class ProgramTestCase(unittest.TestCase):
    """A test case that starts from a registry without accounts and stops what it started."""

    environment = None

    @classmethod
    def setUpClass(cls):
        if ProgramTestCase.environment is None:
            ProgramTestCase.environment = Environment()
        cls.env = ProgramTestCase.environment

    def setUp(self):
        self.programs = []
        self.end_leftover_programs()
        self.reset_registry()

    # Registry sections (as Registry.load takes them) that every case of a class starts
    # with, written in the same Wine process as the reset.
    initial_sections = ()

    def run(self, result=None):
        # The programs are stopped here rather than in tearDown: whether the case failed is
        # on the result only once it has run, and a failure is photographed while its
        # windows are still up.
        if result is None:
            result = self.defaultTestResult()
        problems = len(result.failures) + len(result.errors)
        try:
            return super().run(result)
        finally:
            if len(result.failures) + len(result.errors) > problems:
                shot = self.env.log_dir / f"{self.id()}.png"
                self.env.screenshot(shot)
                print(f"screenshot of the failure: {shot}", file=sys.stderr)
            for program in getattr(self, "programs", ()):
                program.stop()

    def end_leftover_programs(self):
        """A program left running by an earlier case (or by hand) would be found in place of
        this case's own: end it first. Its windows are read only when a process of that name
        runs in this prefix, which /proc tells at once where a Wine program takes seconds."""
        if self.leftover_process() and self.env.reader.windows(process=Program.PROCESS):
            print(f"ending a {Program.PROCESS} left running", file=sys.stderr)
            self.env.wine.run("taskkill", "/f", "/im", Program.PROCESS, check=False)
            wait_until(lambda: not self.env.reader.windows(process=Program.PROCESS),
                       what=f"the leftover {Program.PROCESS} to end")

    def leftover_process(self):
        """Whether a process named as the program runs in this run's prefix, or may: Wine
        names each process by its exe, and a process it starts inherits WINEPREFIX from its
        parent; one whose environment cannot be read counts."""
        prefix = f"WINEPREFIX={self.env.prefix}".encode()
        for proc in Path("/proc").iterdir():
            try:
                if (proc / "comm").read_text().strip() != Program.PROCESS:
                    continue
            except OSError:
                continue
            try:
                environment = (proc / "environ").read_bytes().split(b"\0")
            except OSError:
                return True
            if prefix in environment or not any(v.startswith(b"WINEPREFIX=") for v in environment):
                return True
        return False

    def reset_registry(self):
        """Removes every account the tests may have seeded, in all places and both views,
        and the DPI a case may have set."""
        self.env.registry.load(
            [("-" + place_key(place, "Mirabilis"), None) for place in PLACE_ROOTS]
            + [(DESKTOP_KEY, {"LogPixels": None})]
            + list(self.initial_sections)
        )

    def seed(self, place, uin, values=None):
        """Adds an account key with the given string values."""
        key = account_key(place, uin)
        self.env.registry.load([(key, values)])
        return key

    def assert_only_erased(self, before, after, names, places=ERASED_PLACES):
        """after (a snapshot) is before without the named accounts, with everything below
        them, in the places given; returns the keys that went."""
        roots = [account_key(place, name).lower() for place in places for name in names]

        def erased(key):
            return any(key.lower() == r or key.lower().startswith(r + "\\") for r in roots)

        gone = sorted(k for k in before if erased(k))
        self.assertTrue(gone, f"{names} were in the registry to begin with")
        self.assertEqual(sorted(set(before) - set(after)), gone)
        self.assertEqual(after, {k: v for k, v in before.items() if not erased(k)})
        return gone

    @contextlib.contextmanager
    def messenger_running(self, image):
        """A stand-in for the messenger while the block runs: an idle program under the
        messenger's image name (a copy of regtool holding a file until its input ends)."""
        folder = self.env.prefix / "drive_c" / "zelvane-messenger"
        folder.mkdir(exist_ok=True)
        shutil.copyfile(self.env.regtool_exe, folder / image)
        (folder / f"{image}.held").write_bytes(b"")
        process = subprocess.Popen(
            [str(self.env.wine_exec), str(folder / image), "hold",
             rf"C:\zelvane-messenger\{image}.held"],
            env=self.env.wine.env(), stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        try:
            self.assertEqual(process.stdout.readline().strip(), b"held")
            yield
        finally:
            process.stdin.close()
            process.wait(timeout=60 * SLOWNESS)
            process.stdout.close()

    def start_program(self, max_items=None, args=(), exe=None, extra_env=None):
        """Starts zelvane.exe (or the copy exe) with args, and extra_env in its environment."""
        program = Program(self.env, log_name=f"{self.id()}.log", max_items=max_items, args=args,
                          exe=exe, extra_env=extra_env)
        self.programs.append(program)
        return program
