"""Reads windows from outside with peek.exe: captions, texts, list items, rectangles."""

import json

from wine import SLOWNESS


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
