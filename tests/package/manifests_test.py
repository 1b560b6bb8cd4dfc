"""The package managers' manifests of a signed release made by scripts/package: each parses,
has the fields its format requires, and says what the release is: every hash is the one of
SHA256SUMS-signed and of the exe, every version the one in the exes' version resource.

  manifests_test.py RELEASE
"""

import hashlib
import json
import re
import sys
import unittest
import xml.etree.ElementTree as ET
from pathlib import Path

import yaml

# version_test reads the exes' version resource; no byte code of it is left in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "win32"))
import version_test  # noqa: E402

RELEASE = Path(sys.argv.pop(1))
MANIFESTS = RELEASE / "manifests"
SUMS_TEXT = (RELEASE / "SHA256SUMS-signed").read_text()
SUMS = dict(reversed(line.split()) for line in SUMS_TEXT.splitlines() if line[0] != "#")
FILES = {"x64": "zelvane-x64-signed.exe", "x86": "zelvane-x86-signed.exe"}
SCOOP_ARCH = {"x64": "64bit", "x86": "32bit"}


class ManifestTests(unittest.TestCase):
    def check(self, version, hashes, urls=None):
        """The version is the exes' own; each hash is the sums file's and the exe's."""
        for name in FILES.values():
            self.assertEqual(version_test.main(str(RELEASE / name), version), 0, version)
        for arch, name in FILES.items():
            self.assertEqual(hashes[arch].lower(), SUMS[name], name)
            self.assertEqual(SUMS[name], hashlib.sha256((RELEASE / name).read_bytes()).hexdigest())
            self.assertTrue(urls is None or urls[arch].endswith("/" + name))

    def test_winget(self):
        docs = [yaml.safe_load((MANIFESTS / "winget" / f"Zelvane.Zelvane{kind}.yaml").read_text())
                for kind in ("", ".locale.en-US", ".installer")]
        version, locale, installer = docs
        for doc, kind in zip(docs, ("version", "defaultLocale", "installer")):
            self.assertEqual((doc["ManifestType"], doc["PackageIdentifier"], doc["PackageVersion"]),
                             (kind, "Zelvane.Zelvane", version["PackageVersion"]))
            self.assertGreaterEqual(tuple(map(int, doc["ManifestVersion"].split("."))), (1, 6, 0))
        self.assertEqual(version["DefaultLocale"], locale["PackageLocale"])
        self.assertTrue(all(locale[f] for f in ("Publisher", "PackageName", "ShortDescription",
                                                "PackageUrl", "LicenseUrl")))
        self.assertEqual(locale["License"], "MIT")
        self.assertEqual((installer["InstallerType"], installer["Commands"],
                          installer["MinimumOSVersion"]), ("portable", ["zelvane"], "10.0.0.0"))
        by_arch = {entry["Architecture"]: entry for entry in installer["Installers"]}
        self.check(version["PackageVersion"],
                   {arch: entry["InstallerSha256"] for arch, entry in by_arch.items()},
                   {arch: entry["InstallerUrl"] for arch, entry in by_arch.items()})

    def test_scoop(self):
        doc = json.loads((MANIFESTS / "scoop" / "zelvane.json").read_text())
        self.assertTrue(all(doc[f] for f in ("description", "homepage", "license")))
        self.assertEqual(doc["license"]["identifier"], "MIT")
        arches = {arch: doc["architecture"][name] for arch, name in SCOOP_ARCH.items()}
        self.check(doc["version"], {arch: entry["hash"] for arch, entry in arches.items()},
                   {arch: entry["url"] for arch, entry in arches.items()})
        for arch, entry in arches.items():
            self.assertEqual(entry["bin"], [[FILES[arch], "zelvane"]])
            # An update to this very version finds this release again.
            update = doc["autoupdate"]["architecture"][SCOOP_ARCH[arch]]["url"]
            self.assertEqual(update.replace("$version", doc["version"]), entry["url"])
        # checkver reads the version off the published sums file, as Scoop would.
        self.assertTrue(doc["checkver"]["url"].endswith("/SHA256SUMS-signed"))
        self.assertNotIn(doc["version"], doc["checkver"]["url"])
        found = re.search(doc["checkver"]["regex"], SUMS_TEXT, re.M)
        self.assertEqual(found and found.group(1), doc["version"])
        self.assertEqual(doc["autoupdate"]["hash"]["url"], "$baseurl/SHA256SUMS-signed")

    def test_chocolatey(self):
        ns = {"n": "http://schemas.microsoft.com/packaging/2015/06/nuspec.xsd"}
        metadata = ET.parse(MANIFESTS / "chocolatey" / "zelvane.nuspec").find("n:metadata", ns)
        fields = {f: metadata.findtext(f"n:{f}", namespaces=ns)
                  for f in ("id", "version", "authors", "description", "licenseUrl")}
        self.assertTrue(all(fields.values()), fields)
        tools = MANIFESTS / "chocolatey" / "tools"
        self.check(fields["version"], {arch: hashlib.sha256((tools / name).read_bytes()).hexdigest()
                                       for arch, name in FILES.items()})
        self.assertIn("Permission is hereby granted", (tools / "LICENSE.txt").read_text())
        install = (tools / "chocolateyInstall.ps1").read_text()
        self.assertIn("Install-BinFile -Name 'zelvane'", install)
        for name in FILES.values():
            self.assertIn(f"'{name}'", install)
            self.assertIn(f"{name}: {SUMS[name]}", (tools / "VERIFICATION.txt").read_text())


if __name__ == "__main__":
    unittest.main(verbosity=2)
