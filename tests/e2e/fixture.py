"""Starts and stops what all the end-to-end tests of one run share.

  fixture.py setup     starts a virtual X display (Xvfb), creates the run's Wine prefix if
                       needed, sets it up for a display without a window manager, and
                       starts its wineserver on that display.
  fixture.py cleanup   ends the prefix's Wine processes and the X server.

With $ZELVANE_E2E_WM naming a window manager (openbox), setup starts it on the display and
sets the prefix up for a managed display instead; cleanup ends it too.

CTest runs these as the FIXTURES_SETUP and FIXTURES_CLEANUP tests of the e2e tests. The
state (display name, X server and window manager pids) is kept in $ZELVANE_E2E_DIR/xvfb.json.
"""

import json
import os
import signal
import subprocess
import sys
import time
from pathlib import Path

STATE_DIR = Path(os.environ["ZELVANE_E2E_DIR"])
PREFIX = Path(os.environ["ZELVANE_WINEPREFIX"])
WINE_EXEC = os.environ["ZELVANE_WINE_EXEC"]
START_XVFB = Path(WINE_EXEC).parent / "lib" / "start-xvfb"
STATE_FILE = STATE_DIR / "xvfb.json"
SCREEN = "1280x1024x24"
WINDOW_MANAGER = os.environ.get("ZELVANE_E2E_WM")

# Registry settings of the test prefix, which Wine reads when a program starts.
PREFIX_SETTINGS = r"""Windows Registry Editor Version 5.00

; Without a window manager on the virtual display, Wine draws the title bars and borders
; itself and places the windows where Windows would; with one, it leaves them to it.
[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="{managed}"
"Managed"="{managed}"

; A program that crashes ends at once instead of waiting behind Wine's crash dialog.
[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
"""


def wine_env(display=None):
    env = dict(os.environ, WINEPREFIX=str(PREFIX), ZELVANE_WINEPREFIX=str(PREFIX), WINEDEBUG="-all")
    if display:
        env["DISPLAY"] = display
    else:
        env.pop("DISPLAY", None)
    return env


def quiet(args, env, check=True, timeout=180):
    # Standard streams go nowhere: the Wine processes started here outlive the call, and
    # CTest would wait for a pipe they kept open.
    return subprocess.run(
        args,
        env=env,
        stdin=subprocess.DEVNULL,
        stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL,
        check=check,
        timeout=timeout,
    )


def stop_wine():
    if PREFIX.exists():
        quiet(["wineserver", "-k"], wine_env(), check=False, timeout=60)
        quiet(["wineserver", "-w"], wine_env(), check=False, timeout=60)


def stop_process(pid):
    try:
        os.kill(pid, signal.SIGTERM)
        for _ in range(50):
            os.kill(pid, 0)
            time.sleep(0.1)
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def stop_xvfb():
    if not STATE_FILE.exists():
        return
    state = json.loads(STATE_FILE.read_text())
    if "wm_pid" in state:
        stop_process(state["wm_pid"])
    stop_process(state["pid"])
    STATE_FILE.unlink()


def start_window_manager(display):
    """Starts the window manager on the display and waits until it has taken it over."""
    log = open(STATE_DIR / "wm.log", "wb")
    wm = subprocess.Popen(
        [WINDOW_MANAGER], env=dict(os.environ, DISPLAY=display), stdin=subprocess.DEVNULL,
        stdout=log, stderr=subprocess.STDOUT, start_new_session=True,
    )
    log.close()
    state = json.loads(STATE_FILE.read_text())
    STATE_FILE.write_text(json.dumps(dict(state, wm_pid=wm.pid)))
    for _ in range(100):
        check = subprocess.run(["xprop", "-display", display, "-root", "_NET_SUPPORTING_WM_CHECK"],
                               capture_output=True, text=True)
        if "window id" in check.stdout:
            return
        if wm.poll() is not None:
            break
        time.sleep(0.1)
    raise SystemExit(f"{WINDOW_MANAGER} did not take the display; see {STATE_DIR / 'wm.log'}")


def start_xvfb():
    display, pid = subprocess.run(
        [START_XVFB, SCREEN, str(STATE_DIR / "xvfb.log")],
        stdin=subprocess.DEVNULL, capture_output=True, text=True, check=True,
    ).stdout.split()
    STATE_FILE.write_text(json.dumps({"display": display, "pid": int(pid)}))
    return display


def setup():
    STATE_DIR.mkdir(parents=True, exist_ok=True)
    # What an interrupted run may have left behind.
    stop_wine()
    stop_xvfb()

    started = time.monotonic()
    display = start_xvfb()
    print(f"Xvfb on {display} ({SCREEN})")
    if WINDOW_MANAGER:
        start_window_manager(display)
        print(f"{WINDOW_MANAGER} manages it")

    # wine-exec creates the prefix on first use. The first program on a wineserver decides
    # the display its desktop lives on, so nothing runs here without DISPLAY. The server
    # is kept running between the cases of the run, with its services, so that no case
    # pays for starting it; the cleanup ends it. It must not end on its own: a restarted
    # wineserver forgets the hives a case loaded as a logged-on user's, and a server started
    # by a program ends seconds after the last one, a gap that a loaded machine leaves
    # between two steps of a case. A running server cannot be made persistent, so the one
    # that made the prefix is stopped first.
    env = wine_env(display)
    if not PREFIX.exists():
        quiet([WINE_EXEC, "cmd.exe", "/c", "exit"], env)
        stop_wine()
    quiet(["wineserver", "-p"], env)
    settings = STATE_DIR / "prefix-settings.reg"
    managed = "Y" if WINDOW_MANAGER else "N"
    settings.write_text(PREFIX_SETTINGS.format(managed=managed).replace("\n", "\r\n"))
    quiet([WINE_EXEC, "reg", "import", str(settings)], env)
    # cmd starts the desktop process too, which reg does not.
    quiet(["wine", "cmd.exe", "/c", "exit"], env)
    print(f"Wine prefix {PREFIX} ready in {time.monotonic() - started:.1f} s")


def cleanup():
    stop_wine()
    stop_xvfb()
    print("Wine processes and the X server stopped")


if __name__ == "__main__":
    if len(sys.argv) != 2 or sys.argv[1] not in ("setup", "cleanup"):
        raise SystemExit("usage: fixture.py setup|cleanup")
    setup() if sys.argv[1] == "setup" else cleanup()
