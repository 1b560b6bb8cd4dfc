"""Reads windows from outside with peek.exe: captions, texts, list items, rectangles."""

import contextlib
import json
import subprocess

from wine import SLOWNESS, Wine, did_not_run


class WindowReader:
    def __init__(self, wine, peek_exe):
        self.wine = wine
        self.peek_exe = peek_exe

    def peek(self, *args, timeout=60):
        result = self.wine.run(self.peek_exe, *args, check=False, timeout=timeout)
        if result.returncode == 2 or not result.stdout.strip():
            raise RuntimeError(f"peek {' '.join(args)} failed: {result.stdout}{result.stderr}")
        return json.loads(result.stdout)

    def window(self, title, process=None, wait_ms=0, max_items=None, at_once=False,
               measure=False):
        """The window and its controls; max_items caps the list-box items read out (reading
        one costs a few cross-process messages), while each list box's "count" is whole;
        measure adds each control's "text_width", in pixels in the control's own font.
        With wait_ms, the window is read once its program has handled what its start-up
        queued; at_once reads it as soon as it shows, without list-box or text-box fields."""
        args = ["window", "--title", title]
        if at_once:
            args.append("--at-once")
        if measure:
            args.append("--measure")
        if process:
            args += ["--process", process]
        if wait_ms:
            args += ["--wait", str(round(wait_ms * SLOWNESS))]
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
            args += ["--wait", str(round(wait_ms * SLOWNESS))]
        if gone:
            args.append("--gone")
        return self.peek(*args)

    def windows(self, process=None):
        """The top-level windows, top to bottom."""
        args = ["windows"]
        if process:
            args += ["--process", process]
        return self.peek(*args)

    @contextlib.contextmanager
    def following(self, title, until, process=None, timeout_ms=30000):
        """Follows the window while the block runs: one peek reads it as often as it can, as
        window(at_once=True) does, from before the block until one of its buttons shows
        `until` and is enabled. The block is given a list, which holds afterwards every
        reading that differed from the one before it, the first and the last included."""
        args = [self.peek_exe, "window", "--title", title, "--follow", until,
                "--wait", str(round(timeout_ms * SLOWNESS))]
        if process:
            args += ["--process", process]
        for _ in range(Wine.TRIES):
            # peek starts no process that could hold the pipe open (see Wine._run_once).
            # Unbuffered, so that the first line's read takes nothing of what follows from
            # communicate.
            peek = subprocess.Popen([self.wine.wine_exec, *args], env=self.wine.env(),
                                    stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL, bufsize=0)
            first = peek.stdout.readline()
            if first or not did_not_run(peek.wait(), False):
                break
        if not first:
            raise RuntimeError(f"peek --follow ended with {peek.returncode} before reading")
        readings = [json.loads(first)]
        try:
            yield readings
            rest, _ = peek.communicate(timeout=timeout_ms / 1000 * SLOWNESS + 60)
        finally:
            if peek.poll() is None:
                peek.kill()
                peek.communicate()
        readings += [json.loads(line) for line in rest.splitlines()]
        if peek.returncode != 0:
            raise AssertionError(f"no button of '{title}' showed '{until}' enabled within "
                                 f"{timeout_ms} ms; the last reading: {readings[-1]}")
