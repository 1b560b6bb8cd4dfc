"""Input as a person gives it: real X events on the virtual display, and the clipboard."""

import subprocess


class XInput:
    def __init__(self, wine, reader, clipboard_exe):
        self.wine = wine
        self.reader = reader
        self.clipboard_exe = clipboard_exe

    def xdotool(self, *args):
        subprocess.run(
            ["xdotool", *map(str, args)],
            env=self.wine.env(),
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
        stack = self.reader.windows()  # top to bottom
        window = self.reader.window(title, process=process)
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
        self.wine.run(self.clipboard_exe, units)
