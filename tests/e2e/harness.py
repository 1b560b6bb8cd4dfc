"""Drives the real zelvane.exe under Wine on a virtual X display, as a person would.

Input goes in as real X events (xdotool moves the pointer, clicks and types on the screen);
what the windows show is read from outside by peek.exe, and the registry is seeded and
checked with Wine's own reg program. One Wine prefix and one Xvfb serve the whole run: the
fixture (fixture.py) starts them, and every test case resets the registry keys the program
touches instead of starting a prefix of its own, which would cost seconds.

The CTest registration passes the paths in the environment:
  ZELVANE_EXE          the program under test
  ZELVANE_PEEK         peek.exe, which reads windows from outside
  ZELVANE_CLIPBOARD    clipboard.exe, which puts a text on the clipboard for a paste
  ZELVANE_REGTOOL      regtool.exe, which makes registry links and sets key DACLs
  ZELVANE_WINE_EXEC    scripts/wine-exec
  ZELVANE_WINEPREFIX   the run's Wine prefix
  ZELVANE_E2E_DIR      where the fixture keeps its state and the tests their logs
ZELVANE_E2E_TRACE=1 prints every Wine command with the time it took.
"""

import concurrent.futures
import json
import os
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

# Where accounts are kept, below each place's Software key.
ACCOUNTS_PATH = r"Mirabilis\ICQ\NewOwners"

# The places an account can be kept in, each named by its Software key. The messenger is a
# 32-bit program, so its machine-hive keys live in the 32-bit view of the registry, which
# Wine 64-bit keeps under Wow6432Node; the 64-bit view is there for the tests that check it
# is left alone. UAC's virtual store keeps the machine-hive writes of a messenger run without
# administrator rights in the user's hive, in a form for 64-bit Windows and one for 32-bit.
HKCU = "HKCU"
DEFAULT_USER = r"HKU\.DEFAULT"
MACHINE32 = "HKLM32"
MACHINE64 = "HKLM64"
STORE64 = "VirtualStore64"
STORE32 = "VirtualStore32"

PLACE_ROOTS = {
    HKCU: r"HKEY_CURRENT_USER\Software",
    DEFAULT_USER: r"HKEY_USERS\.DEFAULT\Software",
    MACHINE32: r"HKEY_LOCAL_MACHINE\Software\Wow6432Node",
    MACHINE64: r"HKEY_LOCAL_MACHINE\Software",
    STORE64: r"HKEY_CURRENT_USER\Software\Classes\VirtualStore\MACHINE\SOFTWARE\Wow6432Node",
    STORE32: r"HKEY_CURRENT_USER\Software\Classes\VirtualStore\MACHINE\SOFTWARE",
}

# Where Zelvane erases an account from, in its order.
ERASED_PLACES = (HKCU, DEFAULT_USER, MACHINE32, STORE64, STORE32)

# Wine reads the screen's DPI from here when a program starts; without a value it is 96.
DESKTOP_KEY = r"HKEY_CURRENT_USER\Control Panel\Desktop"


def place_key(place, subpath=""):
    """Full key name, under a place's Software key; subpath is relative to it."""
    key = PLACE_ROOTS[place]
    return key + ("\\" + subpath if subpath else "")


def account_key(place, uin=""):
    """The NewOwners key of a place, or the key of one account in it."""
    return place_key(place, ACCOUNTS_PATH + ("\\" + uin if uin else ""))


def parse_export(text):
    """A `reg export` file as {key name: tuple of its value lines}, in file order."""
    tree = {}
    key = None
    for line in text.splitlines():
        if line.startswith("[") and line.endswith("]"):
            key = line[1:-1]
            tree[key] = []
        elif key is not None and line.strip():
            tree[key].append(line)
    return {name: tuple(lines) for name, lines in tree.items()}


# The exit code of a Wine process that did not run its program (see Environment.wine).
WINE_DID_NOT_RUN = 1


def twips_to_px(twips, dpi):
    return round(twips * dpi / 1440)


class Environment:
    """The paths of one run, and the Wine and X commands that work on them."""

    def __init__(self):
        env = os.environ
        try:
            self.exe = Path(env["ZELVANE_EXE"])
            self.peek_exe = Path(env["ZELVANE_PEEK"])
            self.clipboard_exe = Path(env["ZELVANE_CLIPBOARD"])
            self.regtool_exe = Path(env["ZELVANE_REGTOOL"])
            self.wine_exec = Path(env["ZELVANE_WINE_EXEC"])
            self.prefix = Path(env["ZELVANE_WINEPREFIX"])
            self.state_dir = Path(env["ZELVANE_E2E_DIR"])
        except KeyError as missing:
            raise SystemExit(f"{missing} is not set: run the end-to-end tests through CTest")
        self.log_dir = self.state_dir / "logs"
        self.log_dir.mkdir(parents=True, exist_ok=True)
        state_file = self.state_dir / "xvfb.json"
        if not state_file.exists():
            raise SystemExit(f"{state_file} is missing: the e2e fixture did not start Xvfb")
        self.display = json.loads(state_file.read_text())["display"]
        # ZELVANE_E2E_TRACE=1 prints each Wine command with the time it took.
        self.trace = bool(env.get("ZELVANE_E2E_TRACE"))

    def env(self, **extra):
        env = dict(os.environ)
        env.update(
            DISPLAY=self.display,
            WINEPREFIX=str(self.prefix),
            ZELVANE_WINEPREFIX=str(self.prefix),
            WINEDEBUG="-all",
        )
        env.update(extra)
        return env

    # --- Wine -------------------------------------------------------------------------------

    def wine(self, *args, check=True, timeout=60):
        """Runs a Windows program to its end and returns the CompletedProcess (text output).

        Now and then a Wine process ends at once with exit code 1, having printed nothing
        and run nothing: 3 times in some 8,000 starts of a loop that also started and killed
        zelvane.exe, never in 3,000 starts of reg alone. Every program run here prints
        something when it fails, so such a run is tried again."""
        for _ in range(3):
            result = self._wine_once(args, timeout)
            if result.returncode != WINE_DID_NOT_RUN or result.stdout or result.stderr:
                break
        if check and result.returncode != 0:
            raise RuntimeError(
                f"wine {' '.join(map(str, args))} exited with {result.returncode}:\n"
                f"{result.stdout}{result.stderr}"
            )
        return result

    def _wine_once(self, args, timeout):
        started = time.monotonic()
        # The output goes through files, not pipes: a Wine process that the program starts
        # (the desktop process, say) inherits them and lives on, and a pipe would not reach
        # its end until that process did.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            code = subprocess.run(
                [str(self.wine_exec), *map(str, args)],
                env=self.env(),
                stdin=subprocess.DEVNULL,
                stdout=out,
                stderr=err,
                timeout=timeout,
            ).returncode
            out.seek(0)
            err.seek(0)
            result = subprocess.CompletedProcess(
                args,
                code,
                out.read().decode("utf-8", errors="replace"),
                err.read().decode("utf-8", errors="replace"),
            )
        if self.trace:
            print(f"[{time.monotonic() - started:5.2f} s] wine {' '.join(map(str, args))}",
                  file=sys.stderr)
        return result

    def start(self, *args, log_name, extra_env=None):
        """Starts a Windows program and returns its Popen; its output goes to a log file.
        extra_env adds to or replaces the environment variables it is started with."""
        log = open(self.log_dir / log_name, "ab")
        try:
            return subprocess.Popen(
                [str(self.wine_exec), *map(str, args)],
                env=self.env(**(extra_env or {})),
                stdin=subprocess.DEVNULL,
                stdout=log,
                stderr=subprocess.STDOUT,
                start_new_session=True,
            )
        finally:
            log.close()

    # --- Registry ---------------------------------------------------------------------------

    def reg_add(self, key, value=None, data="", kind="REG_SZ"):
        args = ["reg", "add", key, "/f"]
        if value is not None:
            args += ["/v", value, "/t", kind, "/d", data]
        self.wine(*args)

    def reg_import(self, sections):
        """Imports registry sections in one Wine process: a list of (key, {value: data}),
        where a key written "-KEY" is deleted with everything below it (a missing key is
        fine) and data is a string, an int for a REG_DWORD, bytes for a REG_BINARY, or None
        to delete the value."""
        lines = ["Windows Registry Editor Version 5.00", ""]
        for key, values in sections:
            lines.append(f"[{key}]")
            for name, data in (values or {}).items():
                if data is None:
                    rendered = "-"
                elif isinstance(data, bytes):
                    rendered = "hex:" + ",".join(f"{byte:02x}" for byte in data)
                elif isinstance(data, int):
                    rendered = f"dword:{data:08x}"
                else:
                    rendered = '"' + data.replace("\\", "\\\\").replace('"', '\\"') + '"'
                lines.append(f'"{name}"={rendered}')
            lines.append("")
        with tempfile.NamedTemporaryFile(dir=self.state_dir, suffix=".reg", delete=False) as f:
            f.write("\r\n".join(lines).encode("utf-16"))
        try:
            self.wine("reg", "import", f.name)
        finally:
            os.unlink(f.name)

    def reg_delete(self, *keys):
        """Deletes keys with everything below them; missing keys are fine."""
        self.reg_import([("-" + key, None) for key in keys])

    def regtool(self, *args):
        """Makes a registry link or sets a key's DACL (see regtool.cpp)."""
        self.wine(self.regtool_exe, *args)

    def reg_binary(self, key, value):
        """The bytes of a REG_BINARY value."""
        for line in self.wine("reg", "query", key, "/v", value).stdout.splitlines():
            fields = line.split()
            if len(fields) == 3 and fields[0] == value and fields[1] == "REG_BINARY":
                return bytes.fromhex(fields[2])
        raise AssertionError(f"no binary value {value} in {key}")

    def key_exists(self, key):
        return self.wine("reg", "query", key, check=False).returncode == 0

    def subkeys(self, key):
        """Names of the direct subkeys of key, in the order the registry enumerates them."""
        result = self.wine("reg", "query", key, check=False)
        if result.returncode != 0:
            return []
        prefix = key.lower() + "\\"
        names = []
        for line in result.stdout.splitlines():
            line = line.strip()
            if line.lower().startswith(prefix) and "\\" not in line[len(prefix):]:
                names.append(line[len(prefix):])
        return names

    def reg_export(self, key):
        """Text of `reg export` of key (with every subkey), or "" when the key is missing."""
        with tempfile.NamedTemporaryFile(dir=self.state_dir, suffix=".reg") as f:
            result = self.wine("reg", "export", key, f.name, "/y", check=False)
            if result.returncode != 0:
                return ""
            return Path(f.name).read_bytes().decode("utf-16")

    def snapshot(self, *keys):
        """The keys below each of keys, exported by Wine's reg, as {key: value lines}."""
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            texts = list(pool.map(self.reg_export, keys))
        tree = {}
        for text in texts:
            tree.update(parse_export(text))
        return tree

    # --- Windows, read from outside -----------------------------------------------------------

    def peek(self, *args, timeout=60):
        result = self.wine(self.peek_exe, *args, check=False, timeout=timeout)
        if result.returncode == 2 or not result.stdout.strip():
            raise RuntimeError(f"peek {' '.join(args)} failed: {result.stdout}{result.stderr}")
        return json.loads(result.stdout)

    def window(self, title, process=None, wait_ms=0, max_items=None, at_once=False):
        """The window and its controls; max_items caps the list-box items read out (reading
        one costs a few cross-process messages), while each list box's "count" is whole.
        With wait_ms, the window is read once its program has handled what its start-up
        queued; at_once reads it as soon as it shows, without list-box or text-box fields."""
        args = ["window", "--title", title]
        if at_once:
            args.append("--at-once")
        if process:
            args += ["--process", process]
        if wait_ms:
            args += ["--wait", str(wait_ms)]
        if max_items is not None:
            args += ["--max-items", str(max_items)]
        return self.peek(*args)

    def message_boxes(self, process=None, title=None, wait_ms=0, gone=False):
        args = ["msgboxes"]
        if process:
            args += ["--process", process]
        if title:
            args += ["--title", title]
        if wait_ms:
            args += ["--wait", str(wait_ms)]
        if gone:
            args.append("--gone")
        return self.peek(*args)

    def windows(self, process=None):
        args = ["windows"]
        if process:
            args += ["--process", process]
        return self.peek(*args)

    # --- Input, as real X events ----------------------------------------------------------------

    def xdotool(self, *args):
        subprocess.run(
            ["xdotool", *map(str, args)],
            env=self.env(),
            check=True,
            stdin=subprocess.DEVNULL,
            capture_output=True,
            timeout=30,
        )

    def click(self, x, y, button=1, repeat=1):
        # X delivers the events in order, so Wine sees the pointer arrive before the button
        # goes down. (mousemove --sync would wait forever when the pointer is already there.)
        self.xdotool("mousemove", x, y, "sleep", 0.05, "click", "--repeat", repeat,
                     "--delay", 80, button)

    def click_rect(self, rect, repeat=1):
        left, top, right, bottom = rect
        self.click((left + right) // 2, (top + bottom) // 2, repeat=repeat)

    def activate(self, title, process):
        """Brings a window to the front as a user would: a click on a part of it that no
        other window covers, on its title bar if that shows, else on a spot of its client
        area where no control lies (frames excepted)."""
        stack = self.windows()  # top to bottom
        window = self.window(title, process=process)
        index = next(i for i, w in enumerate(stack) if w["hwnd"] == window["hwnd"])

        def covered(x, y):
            return any(w["rect"][0] <= x < w["rect"][2] and w["rect"][1] <= y < w["rect"][3]
                       for w in stack[:index])

        def on_control(x, y):
            return any(c["rect"][0] <= x < c["rect"][2] and c["rect"][1] <= y < c["rect"][3]
                       for c in window["children"]
                       if not (c["class"].lower() == "button" and c["style"] & 0xF == 7))

        left, top, right, bottom = window["rect"]
        client_top = window["client"][1]
        caption = [(x, (top + client_top) // 2) for x in range(left + 4, right - 24, 2)]
        inside = [(x, y) for y in range(client_top, bottom - 1, 2)
                  for x in range(left + 2, right - 2, 2)]
        for x, y in caption + inside:
            if not covered(x, y) and not on_control(x, y):
                self.click(x, y)
                return
        raise AssertionError(f"no part of '{title}' is free to click")

    def type_text(self, text):
        self.xdotool("type", "--delay", 40, text)

    def key(self, *keys):
        self.xdotool("key", "--delay", 40, *keys)

    def set_clipboard(self, text):
        """Puts text on the Windows clipboard, as if the user had copied it elsewhere."""
        data = text.encode("utf-16-le")
        units = "".join(
            f"{int.from_bytes(data[i:i + 2], 'little'):04X}" for i in range(0, len(data), 2)
        )
        self.wine(self.clipboard_exe, units)

    def screenshot(self, path):
        subprocess.run(
            ["import", "-window", "root", str(path)],
            env=self.env(),
            stdin=subprocess.DEVNULL,
            capture_output=True,
            timeout=30,
        )


def wait_until(probe, timeout=10.0, interval=0.2, what="condition", check=bool):
    """Calls probe until check(its value) holds and returns that value; fails after timeout."""
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
        self.start = lambda: environment.start(exe or environment.exe, *args, log_name=log_name,
                                               extra_env=extra_env)
        self.process = self.start()
        # Whether anything of it has been seen on the screen yet.
        self.seen = False

    def main_window(self, wait_ms=0):
        return self.environment.window(self.TITLE, process=self.PROCESS, wait_ms=wait_ms,
                                       max_items=self.max_items)

    def first_sight(self, look):
        """What look() finds; should the program have shown nothing yet and ended with 1,
        it never ran (it ends with 1 only after its error box is closed, which no one did;
        see Environment.wine), so it is started again and looked at once more."""
        found = look()
        if not found and not self.seen and self.process.poll() == WINE_DID_NOT_RUN:
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
        return self.environment.message_boxes(process=self.PROCESS, **kwargs)

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
        self.environment.click_rect(button["rect"])
        self.wait_box_gone(box, "the click")

    def answer_with_keys(self, box, *keys):
        """Answers a message box from the keyboard and waits for the box to go."""
        self.environment.key(*keys)
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
        self.environment.click_rect(self.toggle_button()["rect"])
        return self.wait_animation_end("^")

    def running(self):
        return self.process.poll() is None

    def stop(self):
        """Ends the program at once; the wineserver removes its windows."""
        if self.running():
            self.process.kill()
        self.process.wait(timeout=10)


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

    def tearDown(self):
        # unittest's private outcome object knows whether the test body has failed.
        if not getattr(self._outcome, "success", True):
            shot = self.env.log_dir / f"{self.id()}.png"
            self.env.screenshot(shot)
            print(f"screenshot of the failure: {shot}", file=sys.stderr)
        for program in self.programs:
            program.stop()

    def end_leftover_programs(self):
        """A program left running by an earlier case (or by hand) would be found in place of
        this case's own: end it first."""
        if self.env.windows(process=Program.PROCESS):
            print(f"ending a {Program.PROCESS} left running", file=sys.stderr)
            self.env.wine("taskkill", "/f", "/im", Program.PROCESS, check=False)
            wait_until(lambda: not self.env.windows(process=Program.PROCESS),
                       what=f"the leftover {Program.PROCESS} to end")

    def reset_registry(self):
        """Removes every account the tests may have seeded, in all places and both views,
        and the DPI a case may have set."""
        self.env.reg_import(
            [("-" + place_key(place, "Mirabilis"), None) for place in PLACE_ROOTS]
            + [(DESKTOP_KEY, {"LogPixels": None})]
        )

    def seed(self, place, uin, values=None):
        """Adds an account key with `wine reg add`, with the given string values."""
        key = account_key(place, uin)
        if not values:
            self.env.reg_add(key)
        for name, data in (values or {}).items():
            self.env.reg_add(key, name, data)
        return key

    def assert_only_erased(self, before, after, names, places=ERASED_PLACES):
        """after (a snapshot) is before without the named accounts, with everything below
        them, in the places given."""
        roots = [account_key(place, name).lower() for place in places for name in names]

        def erased(key):
            return any(key.lower() == r or key.lower().startswith(r + "\\") for r in roots)

        gone = sorted(k for k in before if erased(k))
        self.assertTrue(gone, f"{names} were in the registry to begin with")
        self.assertEqual(sorted(set(before) - set(after)), gone)
        self.assertEqual(after, {k: v for k, v in before.items() if not erased(k)})

    def start_program(self, max_items=None, args=(), exe=None, extra_env=None):
        """Starts zelvane.exe (or the copy exe) with args, and extra_env in its environment."""
        program = Program(self.env, log_name=f"{self.id()}.log", max_items=max_items, args=args,
                          exe=exe, extra_env=extra_env)
        self.programs.append(program)
        return program
