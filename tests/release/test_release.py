#!/usr/bin/python3
"""What scripts/release hands out: the Windows zip (its files against its
SHA256SUMS, the one version in every program's version block, the guide's
images present) and the Debian package installed into a fresh folder root
and run from there. A second run of scripts/release must give the same bytes.

Run after scripts/release (scripts/test does) with:
  QUILLON_BUILD_DIR  the build tree (build/win64/generated/QuillonVersion.h names the version)
  QUILLON_DIST_DIR   where scripts/release wrote (default: dist beside the sources)
"""
import hashlib
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import zipfile

import pefile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
BUILD = os.environ.get("QUILLON_BUILD_DIR", os.path.join(ROOT, "build"))
DIST = os.environ.get("QUILLON_DIST_DIR", os.path.join(ROOT, "dist"))


def project_version():
    with open(os.path.join(BUILD, "win64", "generated", "QuillonVersion.h")) as f:
        return re.search(r'#define QUILLON_VERSION_STRING "([0-9.]+)"', f.read()).group(1)


VERSION = project_version()
TOP = "Quillon-%s-win64/" % VERSION
ZIP = os.path.join(DIST, "Quillon-%s-win64.zip" % VERSION)
ARCH = subprocess.run(["dpkg", "--print-architecture"], capture_output=True, text=True).stdout.strip()
DEB = os.path.join(DIST, "quillon_%s_%s.deb" % (VERSION, ARCH))


def version_block(data):
    pe = pefile.PE(data=data)
    fixed = pe.VS_FIXEDFILEINFO[0]
    strings = {}
    for info in getattr(pe, "FileInfo", [[]])[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    numbers = lambda ms, ls: "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    return (numbers(fixed.FileVersionMS, fixed.FileVersionLS),
            numbers(fixed.ProductVersionMS, fixed.ProductVersionLS), strings)


class WindowsZip(unittest.TestCase):
    def setUp(self):
        self.zip = zipfile.ZipFile(ZIP)
        self.names = [n[len(TOP):] for n in self.zip.namelist()]
        self.assertTrue(all(n.startswith(TOP) for n in self.zip.namelist()), "one top folder")

    def read(self, name):
        return self.zip.read(TOP + name)

    def test_files_match_their_sums(self):
        sums = {}
        for line in self.read("SHA256SUMS").decode().splitlines():
            digest, name = line.split("  ", 1)
            sums[name] = digest
        self.assertEqual(sorted(sums), sorted(n for n in self.names if n != "SHA256SUMS"))
        for name, digest in sums.items():
            self.assertEqual(hashlib.sha256(self.read(name)).hexdigest(), digest, name)
        for needed in ("Quillon.exe", "cli/quillon.exe", "cli/packtool.exe", "THIRD-PARTY-NOTICES.txt",
                       "guide/index.html", "guide/Quillon-guide.pdf"):
            self.assertIn(needed, sums)
        # No two entries a Windows folder would take for one file.
        self.assertEqual(len({n.lower() for n in self.names}), len(self.names))

    def test_every_program_carries_the_one_version(self):
        common = None
        for exe in ("Quillon.exe", "cli/quillon.exe", "cli/packtool.exe"):
            file_version, product_version, strings = version_block(self.read(exe))
            self.assertEqual((file_version, product_version), (VERSION, VERSION), exe)
            self.assertEqual((strings.get("FileVersion"), strings.get("ProductVersion")), (VERSION, VERSION), exe)
            self.assertEqual(strings.get("OriginalFilename"), os.path.basename(exe))
            self.assertTrue(strings.get("FileDescription", "").startswith("电能质量终端升级工具"), strings)
            names = (strings.get("CompanyName"), strings.get("ProductName"))
            self.assertTrue(all(names), strings)
            common = common or names
            self.assertEqual(names, common, exe)

    def test_guide_shows_this_version_and_its_images(self):
        html = self.read("guide/index.html").decode()
        self.assertIn("V" + VERSION, html)
        self.assertNotIn("@VERSION@", html)
        images = re.findall(r'<img src="([^"]+)"', html)
        self.assertGreaterEqual(len(images), 7)
        for src in images:
            self.assertIn("guide/" + src, self.names)
            self.assertEqual(self.read("guide/" + src)[:8], b"\x89PNG\r\n\x1a\n", src)
        notices = self.read("THIRD-PARTY-NOTICES.txt").decode()
        for library in ("zlib", "minizip", "libdeflate", "libsodium", "MinGW-w64", "GCC RUNTIME LIBRARY EXCEPTION"):
            self.assertIn(library, notices)


class DebianPackage(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="quillon-deb-")
        subprocess.run(["dpkg-deb", "-x", DEB, self.root], check=True)

    def tearDown(self):
        shutil.rmtree(self.root)

    def run_installed(self, program, *args):
        return subprocess.run([os.path.join(self.root, "usr", "bin", program)] + list(args),
                              capture_output=True, text=True, cwd=self.root)

    def test_control_names_debian_packages(self):
        fields = subprocess.run(["dpkg-deb", "-f", DEB, "Package", "Version", "Depends"],
                                capture_output=True, text=True, check=True).stdout
        self.assertIn("Package: quillon", fields)
        self.assertIn("Version: " + VERSION, fields)
        depends = re.search(r"Depends: (.*)", fields).group(1)
        for package in ("libc6", "libstdc++6", "zlib1g", "libminizip1", "libcurl4", "libsodium23", "libdeflate0"):
            self.assertRegex(depends, r"(^|, )%s( |,|$)" % re.escape(package))

    def test_installed_programs_run(self):
        self.assertEqual(self.run_installed("quillon", "--version").stdout, "quillon V%s\n" % VERSION)
        self.assertEqual(self.run_installed("packtool", "--version").stdout, "packtool V%s\n" % VERSION)
        for page in ("quillon", "packtool"):
            text = subprocess.run(["zcat", os.path.join(self.root, "usr/share/man/man1/%s.1.gz" % page)],
                                  capture_output=True, text=True, check=True).stdout
            self.assertIn(".TH %s" % page.upper(), text)
            self.assertIn("V" + VERSION, text)
        for doc in ("guide/index.html", "examples/ansible/library/quillon_upgrade.py", "examples/ansible/rollout.yml"):
            self.assertTrue(os.path.exists(os.path.join(self.root, "usr/share/doc/quillon", doc)), doc)

        # A pack made and checked by the installed programs: accepted for its
        # model, refused with the window's text for another.
        content = os.path.join(self.root, "content")
        os.makedirs(content)
        with open(os.path.join(content, "app.bin"), "wb") as f:
            f.write(os.urandom(4096))
        pack = os.path.join(self.root, "AppUpgradePack.zip")
        made = self.run_installed("packtool", "make", "--model", "M3710", "--kind", "app", "-o", pack, content)
        self.assertEqual(made.returncode, 0, made.stderr)
        accepted = self.run_installed("quillon", "pack", "check", "--model", "M3710", "--kind", "app", pack)
        self.assertEqual(accepted.returncode, 0, accepted.stdout + accepted.stderr)
        refused = self.run_installed("quillon", "pack", "check", "--model", "M2410", "--kind", "app", pack)
        self.assertEqual(refused.returncode, 1)
        self.assertIn("升级失败,M3710 与 M2410不能匹配", refused.stdout + refused.stderr)


class Reproducible(unittest.TestCase):
    def test_second_run_gives_the_same_bytes(self):
        again = tempfile.mkdtemp(prefix="quillon-dist-")
        try:
            env = dict(os.environ, QUILLON_DIST_DIR=again, QUILLON_BUILD_DIR=BUILD)
            subprocess.run([os.path.join(ROOT, "scripts", "release")], env=env, check=True,
                           stdout=subprocess.DEVNULL)
            for path in (ZIP, DEB):
                with open(path, "rb") as a, open(os.path.join(again, os.path.basename(path)), "rb") as b:
                    self.assertTrue(a.read() == b.read(), os.path.basename(path) + " differs between runs")
        finally:
            shutil.rmtree(again)


if __name__ == "__main__":
    unittest.main(verbosity=2)
