"""The recipes in deploy/ against the real zelvane.exe under Wine (the Group Policy script under
Wine's cmd, the Ansible role under ansible-playbook), and the program's checks of the files it
writes. PowerShell does not run here: its recipes are read for their Zelvane command lines,
run here, and for the lines that make them fail closed, kept plain enough to check as text."""

import hashlib
import json
import os
import re
import shutil
import subprocess
import tempfile
from pathlib import Path

from registry import HKCU, MACHINE32, account_key, place_key, regtool_key
from test_command_line import EXPORTED, GRANT_ALL, CommandLineCase

DEPLOY = Path(__file__).resolve().parents[2] / "deploy"
PROGRAM_FOLDER = r"C:\Program Files"
SYSTEM_ROOT = r"C:\windows"


def powershell(name):
    """A PowerShell recipe: its string variables, and the arguments of its one Zelvane run."""
    text = (DEPLOY / name).read_text()
    values = {"env:SystemRoot": SYSTEM_ROOT, "ProgramFolder": PROGRAM_FOLDER}
    for variable, value in re.findall(r"^\$(\w+) = ['\"](.*)['\"]$", text, re.M):
        values[variable] = re.sub(r"\$([\w:]+)", lambda m: values[m.group(1)], value)
    (command,) = re.findall(r"& \$Zelvane ([^|\n]*)", text)
    return text, [re.sub(r"\$(\w+)", lambda m: values[m.group(1)], word)
                  for word in command.split()]


# The role's Windows modules here: win_command runs the exe under Wine (decoding as a console
# does unless told otherwise), win_copy and win_file use drive C:, win_owner does nothing.
STAND_INS = {
    "win_command": ({"argv": {"type": "list", "elements": "str"},
                     "output_encoding_override": {}},
                    "r = subprocess.run([os.environ['ZELVANE_WINE_EXEC'], *m.params['argv']],"
                    " stdin=subprocess.DEVNULL, capture_output=True)\n"
                    "out = r.stdout.decode(m.params['output_encoding_override'] or 'cp437')\n"
                    "m.exit_json(changed=True, cmd=' '.join(m.params['argv']), rc=r.returncode,"
                    " stdout_lines=out.splitlines())"),
    "win_copy": ({"src": {}, "dest": {}},
                 "same = os.path.exists(unix('dest')) and "
                 "filecmp.cmp(m.params['src'], unix('dest'))\n"
                 "same or shutil.copyfile(m.params['src'], unix('dest'))\n"
                 "m.exit_json(changed=not same)"),
    "win_file": ({"path": {}, "state": {}}, "os.makedirs(unix('path'), exist_ok=True)"),
    "win_owner": ({"path": {}, "user": {}, "recurse": {"type": "bool"}}, ""),
}
STAND_IN_HEAD = """import filecmp, os, shutil, subprocess
from ansible.module_utils.basic import AnsibleModule
m = AnsibleModule(argument_spec=%r, supports_check_mode=True)
def unix(name):
    return os.path.join(os.environ["WINEPREFIX"], "drive_c", *m.params[name][3:].split(chr(92)))
"""


class RecipeTests(CommandLineCase):
    def setUp(self):
        super().setUp()
        self.log = self.env.prefix / "drive_c" / "windows" / "logs" / "Zelvane" / "zelvane.log"
        self.log.parent.mkdir(parents=True, exist_ok=True)
        self.log.unlink(missing_ok=True)
        # The backups' folder, which the recipes make inside the log's.
        self.backups = self.log.parent / "backups"
        self.backups.mkdir(exist_ok=True)

    def seed_found(self):
        for place in (HKCU, MACHINE32):
            self.seed(place, "123456789", {"Nick": "x"})

    def deny_machine(self):
        key = regtool_key(place_key(MACHINE32, r"Mirabilis\ICQ\NewOwners"))
        self.env.registry.load([(place_key(MACHINE32, r"Mirabilis\ICQ\NewOwners"), None)])
        self.env.registry.regtool("dacl", key, "D:P", "32")
        self.addCleanup(self.env.registry.regtool, "dacl", key, GRANT_ALL, "32")

    def test_powershell_recipes_run_only_an_administrators_exe_and_fail_closed(self):
        for name in ("intune/detect.ps1", "intune/remediate.ps1", "configmgr/discover.ps1",
                     "configmgr/remediate.ps1"):
            text, _ = powershell(name)
            fail = "throw" if name.startswith("configmgr") else "exit 1"
            self.assertIn(r'$Zelvane = "$ProgramFolder\Zelvane\zelvane.exe"', text)
            self.assertIn("if ($env:ProgramW6432) { $env:ProgramW6432 }", text)
            self.assertIn("$Trusted = 'S-1-5-32-544', 'S-1-5-18', 'S-1-5-80-956008885-", text)
            # Each check ends the script before Zelvane runs; a start that failed leaves
            # $LASTEXITCODE at $null, which would otherwise exit 0.
            guards = [r"if \(-not \(Test-Path -LiteralPath \$Zelvane -PathType Leaf\)\) \{ ",
                      r"if \(\$Trusted -notcontains \(Get-Owner \(Split-Path \$Zelvane\)\) -or "
                      r"\$Trusted -notcontains \(Get-Owner \$Zelvane\)\) \{ ",
                      r"\$global:LASTEXITCODE = \$null\n(#.*\n)?.*& \$Zelvane .*\n"
                      r"if \(\$null -eq \$LASTEXITCODE\) \{ "]
            for guard in guards:
                self.assertRegex(text, guard + r"[^}\n]*" + re.escape(fail), name)
            self.assertLess(text.index("Test-Path -LiteralPath $Zelvane"), text.index("& $Zelvane"))
        for recipe in DEPLOY.rglob("*"):
            if recipe.is_file():
                self.assertNotIn("programdata", recipe.read_text().lower(), recipe)

    def test_intune_detects_found_clean_and_denied_and_remediates(self):
        text, detect = powershell("intune/detect.ps1")
        self.assertEqual(detect, ["/find", "123456789", "/allusers"])
        # Intune shows what detection prints: the summary line alone.
        self.assertIn("| Select-Object -Last 1", text)
        out, _ = self.run_zelvane(*detect, expected=0)
        self.assertEqual(out.splitlines()[-1], "123456789: not found")
        self.seed_found()
        out, _ = self.run_zelvane(*detect, expected=1)
        self.assertRegex(out.splitlines()[-1], r"^123456789: found in 2 places \(1 user\)$")

        _, remediate = powershell("intune/remediate.ps1")
        self.assertIn(rf"{SYSTEM_ROOT}\Logs\Zelvane\zelvane.log", remediate)
        backups = set(self.backups.iterdir())
        self.assertIn(rf"{SYSTEM_ROOT}\Logs\Zelvane\backups" + "\\", remediate)
        self.run_zelvane(*remediate, expected=0)
        self.assertEqual(len(set(self.backups.iterdir()) - backups), 1)
        self.run_zelvane(*detect, expected=0)
        self.assertIn(" exit 0\r\n", self.log.read_bytes().decode("utf-8"))

        self.deny_machine()
        out, err = self.run_zelvane(*detect, expected=1)
        self.assertEqual(err, "")
        self.assertIn("not known to be clean", out.splitlines()[-1])

    def test_configmgr_discovery_counts_the_copies_or_fails(self):
        text, discover = powershell("configmgr/discover.ps1")
        patterns = re.findall(r"-match '([^']*)'", text)

        def discovered(code):
            out, _ = self.run_zelvane(*discover, expected=code)
            last = out.splitlines()[-1]
            for pattern in patterns:
                found = re.search(pattern, last)
                if found:
                    return int(found.group(1)) if found.groups() else 0
            return None  # the script throws: a discovery failure

        self.assertEqual(discovered(0), 0)
        self.seed_found()
        self.assertEqual(discovered(1), 2)
        text, remediate = powershell("configmgr/remediate.ps1")
        self.assertRegex(text, r"if \(\$LASTEXITCODE -ne 0\) \{ throw ")
        self.run_zelvane(*remediate, expected=0)
        self.assertEqual(discovered(0), 0)
        self.deny_machine()
        self.assertIsNone(discovered(1))

    def run_group_policy_script(self, folder, runs=1):
        """Runs startup.cmd from folder, the GPO's own, runs times at once; their exit codes."""
        script = DEPLOY / "gpo" / "startup.cmd"
        self.assertIn(b"\r\n", script.read_bytes())
        shutil.copy(script, folder)
        started = [subprocess.Popen(
            [str(self.env.wine_exec), "cmd", "/c", rf"C:\{folder.name}\startup.cmd"],
            env=self.env.wine.env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL) for _ in range(runs)]
        return [run.wait(timeout=120) for run in started]

    def test_group_policy_script_logs_a_missing_exe_and_runs_the_one_beside_it(self):
        folder = Path(tempfile.mkdtemp(dir=self.env.prefix / "drive_c", prefix="zelvane-gpo"))
        self.addCleanup(shutil.rmtree, folder)
        self.seed_found()
        self.assertEqual(self.run_group_policy_script(folder), [2])
        self.assertRegex(self.log.read_text(), r"startup\.cmd: not run: C:\\zelvane-gpo\w+"
                                               r"\\zelvane-x64\.exe is not there\r?\n$")

        # Wine's files take their DACL from the Unix mode, and the line cmd wrote made the
        # log readable by everyone, which Zelvane refuses: the runs below start a new one.
        self.log.unlink()
        shutil.copy(self.env.exe, folder / "zelvane-x64.exe")
        # Two runs at once append to one log: every line whole, and marked with its run.
        self.assertEqual(self.run_group_policy_script(folder, runs=2), [0, 0])
        lines = self.log.read_bytes().decode("utf-8").split("\r\n")
        self.assertEqual(lines.pop(), "")
        marked = [re.fullmatch(r"\S+ \S+Z \[(\d+)\] (.+)", line) for line in lines]
        self.assertTrue(all(marked), lines)
        starts = [m.group(1) for m in marked if m.group(2).startswith("start ")]
        ends = [m.group(1) for m in marked if m.group(2) == "exit 0"]
        self.assertEqual((len(set(starts)), sorted(starts)), (2, sorted(ends)), lines)
        self.assertEqual(sum(m.group(2).startswith("erased ") for m in marked), 2, lines)

    def play(self, folder, *options):
        """Runs the playbook here, the account 555 set by the inventory; the erase's result."""
        (folder / "inventory").write_text("[windows]\nhere ansible_connection=local ansible_"
                                          "python_interpreter=python3 zelvane_account=555\n")
        digest = hashlib.sha256(self.env.exe.read_bytes()).hexdigest()
        run = subprocess.run(
            ["ansible-playbook", "-i", str(folder / "inventory"),
             str(DEPLOY / "ansible/zelvane.yml"),
             "-e", f"zelvane_exe_source={self.env.exe} zelvane_exe_sha256={digest}", *options],
            env=self.env.wine.env(ANSIBLE_COLLECTIONS_PATH=str(folder),
                                  ANSIBLE_STDOUT_CALLBACK="json"),
            capture_output=True, text=True, timeout=600)
        self.assertEqual(run.returncode, 0, run.stdout[-3000:] + run.stderr)
        return json.loads(run.stdout)["plays"][0]["tasks"][-1]["hosts"]["here"]

    def test_check_mode_a_run_and_a_second_run_of_the_account_the_inventory_sets(self):
        if shutil.which("ansible-playbook") is None:
            self.skipTest("ansible-playbook is not installed")
        folder = Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, folder)
        modules = folder / "ansible_collections/ansible/windows/plugins/modules"
        modules.mkdir(parents=True)
        for name, (parameters, body) in STAND_INS.items():
            module = f"{STAND_IN_HEAD % parameters}{body}\nm.exit_json()"
            (modules / f"{name}.py").write_text(module)
        shutil.rmtree(self.env.prefix / "drive_c/Program Files/Zelvane", ignore_errors=True)
        self.seed(HKCU, "555", {"Nick": "x"})
        self.seed_found()
        before = self.env.registry.snapshot(*EXPORTED)
        checked = self.play(folder, "--check")
        self.assertTrue(checked["changed"])
        self.assertEqual(checked["cmd"], r"C:\Program Files\Zelvane\zelvane.exe /erase 555 "
                                         r"/allusers /quiet /backup C:\Program Files\Zelvane"
                                         "\\backups\\ /whatif")
        self.assertEqual(self.env.registry.snapshot(*EXPORTED), before)
        self.assertTrue(self.play(folder)["changed"])
        self.assertFalse(self.env.registry.exists(account_key(HKCU, "555")))
        self.assertTrue(self.env.registry.exists(account_key(HKCU, "123456789")))
        self.assertFalse(self.play(folder)["changed"])


class LogPlacementTests(CommandLineCase):
    """/log and /backup write only where their path says. Wine shows a handle's final path, a
    link count, and the Unix owner as a file's (Anonymous for another Unix user); it makes a
    DACL from the Unix mode, so a file of mode 644 lets Everyone read it."""

    def test_a_file_reached_otherwise_than_its_path_says_or_not_private_is_refused(self):
        self.seed(HKCU, "123456789")
        real, files = (Path(tempfile.mkdtemp(dir=self.env.prefix / "drive_c", prefix=name))
                       for name in ("zelvane-real", "zelvane-files"))
        self.addCleanup(shutil.rmtree, real)
        self.addCleanup(shutil.rmtree, files)
        (files / "link").symlink_to(real, target_is_directory=True)
        for name, mode in (("kept.log", 0o600), ("open.log", 0o644)):
            (files / name).write_text("kept\n")
            (files / name).chmod(mode)
        os.link(files / "kept.log", files / "second.log")
        cases = {r"link\z.log": "leads elsewhere (", "second.log": "another name (a hard link)",
                 "open.log": "open to other accounts"}
        if os.geteuid() == 0:
            shutil.copy(files / "kept.log", files / "owned.log")
            os.chown(files / "owned.log", 65534, 65534)
            cases["owned.log"] = "owned by another account"
        else:
            print("not root: no log of another Unix user, so no other owner, can be made here")
        before = self.env.registry.snapshot(*EXPORTED)
        for name, reason in cases.items():
            _, err = self.run_zelvane("/erase", "123456789", "/log", rf"C:\{files.name}\{name}",
                                      expected=1)
            self.assertRegex(err, rf"the log could not be opened: .*{re.escape(reason)}.*\. "
                                  r"Nothing was touched\.\r?\n$")
        out, _ = self.run_zelvane("/erase", "123456789", "/backup",
                                  rf"C:\{files.name}\link\b.reg", expected=1)
        self.assertIn("the backup could not be written: leads elsewhere", out)
        self.assertEqual(self.env.registry.snapshot(*EXPORTED), before)
        self.assertEqual(list(real.iterdir()), [])
        self.assertEqual({(files / name).read_text() for name in cases if "link" not in name},
                         {"kept\n"})
