"""Runs Windows programs under Wine, in the run's prefix and on its virtual display."""

import os
import subprocess
import sys
import tempfile
import time

# The exit code of a Wine process that did not run its program (see did_not_run).
WINE_DID_NOT_RUN = 1

# How much longer than on the build machine every wait may take: an emulated machine runs
# the same steps several times slower, and its speed follows the host's load.
SLOWNESS = float(os.environ.get("ZELVANE_E2E_SLOWNESS", "1"))


def did_not_run(exit_code, sign_of_life):
    """Whether a Wine process that ended with exit_code never ran its program.

    Now and then a Wine process ends at once with exit code 1, having printed nothing, shown
    nothing and run nothing: 3 times in some 8,000 starts of a loop that also started and
    killed zelvane.exe, never in 3,000 starts of reg alone. Every program run here prints
    something when it fails, and zelvane.exe ends with 1 only after its error box is closed,
    so a process that ended with 1 without a sign of life (a line printed, a window shown) is
    one to start again."""
    return exit_code == WINE_DID_NOT_RUN and not sign_of_life


def printed_by_program(text):
    """Whether text holds a line of the program's own. Wine's launcher prints two lines of its
    own when it could not start the program at all ("Application could not be started, or no
    application associated with the specified file." and "ShellExecuteEx failed: Internal
    error.", seen once for reg in a fresh prefix): those are no sign of life."""
    return any(line.strip() and not line.startswith(("Application could not be started",
                                                      "ShellExecuteEx failed"))
               for line in text.splitlines())


def without_shell_locale_warnings(text):
    """text without the lines bash prints when it lacks the locale LC_ALL names (the code
    page runs name one that need not be installed): they come from wine-exec, not from the
    program, and would pass for its output."""
    return "".join(line for line in text.splitlines(keepends=True)
                   if not line.startswith("bash: warning: setlocale: "))


class Wine:
    """Starts Windows programs in one Wine prefix, on one X display."""

    # How often a program run to its end is started again when Wine did not run it.
    TRIES = 3

    def __init__(self, wine_exec, prefix, display, log_dir, trace=False):
        self.wine_exec = wine_exec
        self.prefix = prefix
        self.display = display
        self.log_dir = log_dir
        # Prints each program run to its end with the time it took.
        self.trace = trace

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

    def run(self, *args, check=True, timeout=60):
        """Runs a Windows program to its end and returns the CompletedProcess (text output)."""
        for _ in range(self.TRIES):
            result = self._run_once(args, timeout * SLOWNESS)
            if not did_not_run(result.returncode,
                               printed_by_program(result.stdout + result.stderr)):
                break
        if check and result.returncode != 0:
            raise RuntimeError(
                f"wine {' '.join(map(str, args))} exited with {result.returncode}:\n"
                f"{result.stdout}{result.stderr}"
            )
        return result

    @staticmethod
    def by_path(args):
        """args with a bare program name ("reg") as the path of Wine's own program: given the
        name, Wine starts start.exe to look it up, a second process that loads the shell (in
        the emulated machine, seconds)."""
        program = str(args[0])
        if "\\" in program or "/" in program or "." in program:
            return args
        return (rf"C:\windows\system32\{program}.exe", *args[1:])

    def _run_once(self, args, timeout):
        started = time.monotonic()
        # The output goes through files, not pipes: a Wine process that the program starts
        # (the desktop process, say) inherits them and lives on, and a pipe would not reach
        # its end until that process did.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            code = subprocess.run(
                [str(self.wine_exec), *map(str, self.by_path(args))],
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
                without_shell_locale_warnings(err.read().decode("utf-8", errors="replace")),
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
