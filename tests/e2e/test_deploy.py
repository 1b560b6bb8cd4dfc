"""The recipes in deploy/ against the real zelvane.exe under Wine. PowerShell, cmd's batch
files and Ansible's Windows modules do not run here, so each recipe is read for what decides
its outcome, the Zelvane command lines and the patterns they are matched on, and those
command lines run on a registry where the account is found, where it is not, and where a
place cannot be read. The recipes are kept plain enough that nothing else decides."""

import re
import shutil
import subprocess
import tempfile
from pathlib import Path

from registry import HKCU, MACHINE32, account_key, place_key, regtool_key
from test_command_line import GRANT_ALL, CommandLineCase

DEPLOY = Path(__file__).resolve().parents[2] / "deploy"
PROGRAM_DATA = r"C:\ProgramData"


def powershell(name):
    """A PowerShell recipe: its string variables, and the arguments of its one Zelvane run."""
    text = (DEPLOY / name).read_text()
    values = {"env:ProgramData": PROGRAM_DATA}
    for variable, value in re.findall(r"^\$(\w+) = ['\"](.*)['\"]$", text, re.M):
        values[variable] = re.sub(r"\$([\w:]+)", lambda m: values[m.group(1)], value)
    (command,) = re.findall(r"& \$Zelvane ([^|\n]*)", text)
    return text, [re.sub(r"\$(\w+)", lambda m: values[m.group(1)], word)
                  for word in command.split()]


class RecipeTests(CommandLineCase):
    def setUp(self):
        super().setUp()
        self.log = self.env.prefix / "drive_c" / "ProgramData" / "Zelvane" / "zelvane.log"
        self.log.parent.mkdir(parents=True, exist_ok=True)
        self.log.unlink(missing_ok=True)

    def seed_found(self):
        for place in (HKCU, MACHINE32):
            self.seed(place, "123456789", {"Nick": "x"})

    def deny_machine(self):
        key = regtool_key(place_key(MACHINE32, r"Mirabilis\ICQ\NewOwners"))
        self.env.registry.load([(place_key(MACHINE32, r"Mirabilis\ICQ\NewOwners"), None)])
        self.env.registry.regtool("dacl", key, "D:P", "32")
        self.addCleanup(self.env.registry.regtool, "dacl", key, GRANT_ALL, "32")

    def test_intune_detects_found_clean_and_denied_and_remediates(self):
        _, detect = powershell("intune/detect.ps1")
        self.assertEqual(detect, ["/find", "123456789", "/allusers"])
        # Detection's exit code is the decision: 1 runs the remediation.
        out, _ = self.run_zelvane(*detect, expected=0)
        self.assertEqual(out.splitlines()[-1], "123456789: not found")
        self.seed_found()
        out, _ = self.run_zelvane(*detect, expected=1)
        self.assertRegex(out.splitlines()[-1], r"^123456789: found in 2 places \(1 user\)$")

        _, remediate = powershell("intune/remediate.ps1")
        self.assertIn(rf"{PROGRAM_DATA}\Zelvane\zelvane.log", remediate)
        self.run_zelvane(*remediate, expected=0)
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
            return None  # the script's exit 1: a discovery failure

        self.assertEqual(discovered(0), 0)
        self.seed_found()
        self.assertEqual(discovered(1), 2)
        _, remediate = powershell("configmgr/remediate.ps1")
        self.run_zelvane(*remediate, expected=0)
        self.assertEqual(discovered(0), 0)
        self.deny_machine()
        self.assertIsNone(discovered(1))

    def test_ansible_reports_changed_exactly_when_the_run_erases(self):
        text = (DEPLOY / "ansible/zelvane.yml").read_text()
        variables = dict(re.findall(r"^\s+(zelvane_\w+): \"?([^\"\n]*)\"?$", text, re.M))
        (command,) = re.findall(r"win_command: >-\n((?:\s+.+\n)+?)\s+check_mode", text)
        (changed,) = re.findall(r"select\('match', '([^']*)'\)", text)

        def task(check_mode):
            line = " ".join(command.split())
            line = re.sub(r"\{\{ '/whatif' if ansible_check_mode else '' \}\}",
                          "/whatif" if check_mode else "", line)
            line = re.sub(r"\{\{ (\w+) \}\}", lambda m: variables[m.group(1)], line)
            words = line.replace('"', "").split()
            self.assertEqual(words[0], variables["zelvane_exe"])
            out, _ = self.run_zelvane(*words[1:], expected=0)
            return any(re.match(changed, line) for line in out.splitlines())

        self.seed_found()
        self.assertTrue(task(check_mode=True))
        self.assertTrue(self.env.registry.exists(account_key(HKCU, "123456789")))
        self.assertTrue(task(check_mode=False))
        self.assertFalse(task(check_mode=True))
        self.assertFalse(task(check_mode=False))

        # Debian's Ansible checks the task file with the Windows collection it names.
        if shutil.which("ansible-playbook") is None:
            self.skipTest("ansible-playbook is not installed")
        with tempfile.TemporaryDirectory() as folder:
            playbook = Path(folder) / "play.yml"
            playbook.write_text("- hosts: all\n  gather_facts: false\n  tasks:\n"
                                f"    - import_tasks: {DEPLOY / 'ansible/zelvane.yml'}\n")
            checked = subprocess.run(["ansible-playbook", "--syntax-check", "-i", "localhost,",
                                      str(playbook)], capture_output=True, text=True)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)

    def test_group_policy_script_erases_and_logs(self):
        text = (DEPLOY / "gpo/startup.cmd").read_text()
        values = {"ProgramData": PROGRAM_DATA}
        for name, value in re.findall(r"^set (\w+)=(.*)$", text, re.M):
            values[name] = re.sub(r"%(\w+)%", lambda m: values[m.group(1)], value)
        (command,) = re.findall(r'^"%ZELVANE%" (.*)$', text, re.M)
        arguments = [re.sub(r"%(\w+)%", lambda m: values[m.group(1)], word).strip('"')
                     for word in command.split()]
        self.assertIn("/log", arguments)
        self.seed_found()
        # Two runs at once append to one log: every line whole, and marked with its run.
        runs = [subprocess.Popen([str(self.env.wine_exec), str(self.env.exe), *arguments],
                                 env=self.env.wine.env(), stdin=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL) for _ in range(2)]
        self.assertEqual([run.wait(timeout=120) for run in runs], [0, 0])
        lines = self.log.read_bytes().decode("utf-8").split("\r\n")
        self.assertEqual(lines.pop(), "")
        marked = [re.fullmatch(r"\S+ \S+Z \[(\d+)\] (.+)", line) for line in lines]
        self.assertTrue(all(marked), lines)
        starts = [m.group(1) for m in marked if m.group(2).startswith("start ")]
        ends = [m.group(1) for m in marked if m.group(2) == "exit 0"]
        self.assertEqual((len(set(starts)), sorted(starts)), (2, sorted(ends)), lines)
        self.assertEqual(sum(m.group(2).startswith("erased ") for m in marked), 2, lines)
