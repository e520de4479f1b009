#!/usr/bin/python3
"""What scripts/release hands out, checked with each ecosystem's own tools:
the Windows zip (its files against its SHA256SUMS, the one version and the
commit's time stamp in every program, the guide's images present; a signed
release verified by osslsigncode), the Debian package (lintian, the strict
DEP-5 parser, hardening, man pages that cover every option, the programs
installed into a fresh folder root and run from there) and the Ansible
collection (installed by ansible-galaxy, read by ansible-doc, ansible-test
sanity). A second run of scripts/release must give the same bytes.

Run after scripts/release (scripts/test does) with:
  QUILLON_BUILD_DIR  the build tree (build/win64/generated/QuillonVersion.h names the version)
  QUILLON_DIST_DIR   where scripts/release wrote (default: dist beside the sources)
"""
import gzip
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

import pefile
from debian.copyright import Copyright

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
BUILD = os.environ.get("QUILLON_BUILD_DIR", os.path.join(ROOT, "build"))
DIST = os.environ.get("QUILLON_DIST_DIR", os.path.join(ROOT, "dist"))


def project_version():
    with open(os.path.join(BUILD, "win64", "generated", "QuillonVersion.h")) as f:
        return re.search(r'#define QUILLON_VERSION_STRING "([0-9.]+)"', f.read()).group(1)


VERSION = project_version()
DEB_VERSION = VERSION + "-1"
MAINTAINER = "Quillon developers <quillon@example.com>"
TOP = "Quillon-%s-win64/" % VERSION
ZIP = os.path.join(DIST, "Quillon-%s-win64.zip" % VERSION)
ARCH = subprocess.run(["dpkg", "--print-architecture"], capture_output=True, text=True).stdout.strip()
DEB = os.path.join(DIST, "quillon_%s_%s.deb" % (DEB_VERSION, ARCH))
COLLECTION = os.path.join(DIST, "quillon-terminals-%s.tar.gz" % ".".join(VERSION.split(".")[:3]))
EXES = ("Quillon.exe", "cli/quillon.exe", "cli/packtool.exe")
COMMIT_TIME = int(subprocess.run(["git", "-C", ROOT, "log", "-1", "--format=%ct"],
                                 capture_output=True, text=True, check=True).stdout)


def release(dist, **settings):
    """Runs scripts/release into another folder."""
    env = dict(os.environ, QUILLON_DIST_DIR=dist, QUILLON_BUILD_DIR=BUILD, **settings)
    for name in ("QUILLON_SIGN_PKCS12", "QUILLON_SIGN_PASSWORD", "QUILLON_SIGN_TIMESTAMP_URL"):
        if name not in settings:
            env.pop(name, None)
    subprocess.run([os.path.join(ROOT, "scripts", "release")], env=env, check=True, stdout=subprocess.DEVNULL)


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
        for needed in EXES + ("THIRD-PARTY-NOTICES.txt", "LICENSE.txt", "guide/index.html",
                              "guide/Quillon-guide.pdf"):
            self.assertIn(needed, sums)
        # No two entries a Windows folder would take for one file.
        self.assertEqual(len({n.lower() for n in self.names}), len(self.names))

    def test_every_program_carries_the_one_version_and_the_commit_time(self):
        common = None
        for exe in EXES:
            self.assertEqual(pefile.PE(data=self.read(exe)).FILE_HEADER.TimeDateStamp, COMMIT_TIME, exe)
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
        self.doc = os.path.join(self.root, "usr/share/doc/quillon")

    def tearDown(self):
        shutil.rmtree(self.root)

    def run_installed(self, program, *args):
        return subprocess.run([os.path.join(self.root, "usr", "bin", program)] + list(args),
                              capture_output=True, text=True, cwd=self.root)

    def test_lintian_finds_no_error_or_warning(self):
        done = subprocess.run(["lintian", "--fail-on", "error,warning", "--display-info", "--pedantic", DEB],
                              capture_output=True, text=True)
        print("\nlintian %s:\n%s" % (os.path.basename(DEB), done.stdout.strip() or "(no tags)"), file=sys.stderr)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)

    def test_control_changelog_and_copyright(self):
        fields = subprocess.run(["dpkg-deb", "-f", DEB, "Package", "Version", "Maintainer", "Depends"],
                                capture_output=True, text=True, check=True).stdout
        self.assertIn("Package: quillon", fields)
        self.assertIn("Version: " + DEB_VERSION, fields)
        self.assertIn("Maintainer: " + MAINTAINER, fields)
        depends = re.search(r"Depends: (.*)", fields).group(1)
        for package in ("libc6", "libstdc++6", "zlib1g", "libminizip1", "libcurl4", "libsodium23", "libdeflate0"):
            self.assertRegex(depends, r"(^|, )%s( |,|$)" % re.escape(package))
        with gzip.open(os.path.join(self.doc, "changelog.Debian.gz"), "rt") as f:
            changelog = f.read()
        self.assertTrue(changelog.startswith("quillon (%s) unstable; urgency=medium\n" % DEB_VERSION), changelog)
        self.assertIn(" -- %s  " % MAINTAINER, changelog)
        with open(os.path.join(self.doc, "copyright")) as f:
            copyright = Copyright(f, strict=True)
        project = copyright.find_files_paragraph("usr/bin/quillon")
        self.assertEqual((project.files, project.license.synopsis), (("*",), "Expat"))
        licences = {p.license.synopsis: p.license.text for p in copyright.all_license_paragraphs()}
        self.assertIn("Permission is hereby granted", licences["Expat"])
        for library in ("zlib", "minizip", "libdeflate", "libcurl", "libsodium", "libstdc++6"):
            self.assertIn(library, copyright.header.comment)

    def test_programs_are_hardened(self):
        for program in ("quillon", "packtool"):
            path = os.path.join(self.root, "usr/bin", program)
            dynamic = subprocess.run(["readelf", "-d", "-W", path], capture_output=True, text=True, check=True).stdout
            self.assertRegex(dynamic, r"FLAGS.*\bBIND_NOW\b", program)
            self.assertRegex(dynamic, r"FLAGS_1.*\bPIE\b", program)
            symbols = subprocess.run(["readelf", "--dyn-syms", "-W", path], capture_output=True, text=True,
                                     check=True).stdout
            self.assertRegex(symbols, r"__\w+_chk@", program + " has no fortified calls")
            self.assertIn("__stack_chk_fail", symbols, program)

    def test_man_pages_cover_every_command_and_option(self):
        pages = {}
        for page in ("quillon", "packtool"):
            path = os.path.join(self.root, "usr/share/man/man1/%s.1.gz" % page)
            with gzip.open(path, "rt") as f:
                source = f.read()
            self.assertIn('.TH %s 1 ' % page.upper(), source)
            self.assertIn("V" + VERSION, source)
            shown = subprocess.run(["man", "--warnings", "-l", path], capture_output=True, text=True,
                                   env=dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8", MAN_KEEP_FORMATTING=""))
            self.assertEqual(shown.stderr, "", page)
            lines = shown.stdout.splitlines()
            self.assertEqual([l for l in lines if len(l) > 80], [], page)
            for section in ("NAME", "SYNOPSIS", "DESCRIPTION", "COMMANDS", "OPTIONS", "EXIT STATUS",
                            "ENVIRONMENT", "FILES", "EXAMPLES", "SEE ALSO"):
                self.assertIn(section, lines, page)
            pages[page] = shown.stdout
        # Every option the programs' own help names is in the page.
        helps = {"quillon": [self.run_installed("quillon", "--help").stdout],
                 "packtool": [self.run_installed("packtool", c, "--help").stdout
                              for c in ("make", "check", "info", "sign", "keygen")]}
        for page, texts in helps.items():
            options = set(re.findall(r"(?<![\w-])(--?[a-z][a-z-]*)", "".join(texts)))
            self.assertGreater(len(options), 3, page)
            for option in sorted(options):
                self.assertRegex(pages[page], r"(?<![\w-])%s(?![\w-])" % re.escape(option), page)
        for command in ("make", "check", "info", "sign", "keygen"):
            self.assertRegex(pages["packtool"], r"\n       %s\b" % command)
        self.assertIn("trusted-keys.txt", pages["quillon"])
        self.assertIn("upgrades.jsonl", pages["quillon"])

    def test_installed_programs_run(self):
        self.assertEqual(self.run_installed("quillon", "--version").stdout, "quillon V%s\n" % VERSION)
        self.assertEqual(self.run_installed("packtool", "--version").stdout, "packtool V%s\n" % VERSION)
        for command in (["upgrade"], ["upgrade", "--model", "M3710"], ["disks"], ["pack"], ["pack", "sign"]):
            answer = self.run_installed("quillon", *command, "--help")
            self.assertEqual(answer.returncode, 0, (command, answer.stderr))
            self.assertIn("usage", answer.stdout, command)
        for doc in ("guide/index.html", "examples/ansible/rollout.yml", "examples/ansible/inventory.yml",
                    "examples/ansible/" + os.path.basename(COLLECTION)):
            self.assertTrue(os.path.exists(os.path.join(self.doc, doc)), doc)

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


class AnsibleCollection(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.home = tempfile.mkdtemp(prefix="quillon-galaxy-")
        cls.env = dict(os.environ, ANSIBLE_HOME=cls.home, ANSIBLE_COLLECTIONS_PATH=cls.home, ANSIBLE_NOCOLOR="1")
        subprocess.run(["ansible-galaxy", "collection", "install", "--offline", "-p", cls.home, COLLECTION],
                       env=cls.env, check=True, capture_output=True)
        cls.installed = os.path.join(cls.home, "ansible_collections", "quillon", "terminals")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.home)

    def test_ansible_doc_reads_the_module(self):
        done = subprocess.run(["ansible-doc", "--json", "quillon.terminals.upgrade"], env=self.env,
                              capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        doc = json.loads(done.stdout)["quillon.terminals.upgrade"]
        self.assertEqual(sorted(doc["doc"]["options"]),
                         ["address", "kind", "max_rate", "model", "pack", "quillon", "retries", "skip_done",
                          "trusted_key", "upgrade_log", "usb"])
        self.assertIn("quillon.terminals.upgrade:", doc["examples"])
        self.assertIn("result", doc["return"])
        with open(os.path.join(self.installed, "plugins/modules/upgrade.py")) as f:
            self.assertEqual(f.readline(), "#!/usr/bin/python\n")

    def test_ansible_test_sanity_passes(self):
        done = subprocess.run(["/usr/bin/python3", os.path.join(HERE, "ansible_sanity.py"), self.installed],
                              capture_output=True, text=True)
        print("\nansible-test sanity:\n" + done.stdout.strip(), file=sys.stderr)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)


class SignedRelease(unittest.TestCase):
    def test_signed_programs_verify(self):
        work = tempfile.mkdtemp(prefix="quillon-sign-")
        try:
            key, cert, p12 = (os.path.join(work, n) for n in ("key.pem", "cert.pem", "sign.p12"))
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                            "-days", "3650", "-subj", "/CN=Quillon test signing",
                            "-addext", "extendedKeyUsage=codeSigning"], check=True, capture_output=True)
            subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", p12,
                            "-passout", "pass:throwaway"], check=True, capture_output=True)
            dist = os.path.join(work, "dist")
            release(dist, QUILLON_SIGN_PKCS12=p12, QUILLON_SIGN_PASSWORD="throwaway")
            with zipfile.ZipFile(os.path.join(dist, os.path.basename(ZIP))) as z:
                for exe in EXES:
                    path = os.path.join(work, os.path.basename(exe))
                    with open(path, "wb") as f:
                        f.write(z.read(TOP + exe))
                    done = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", path],
                                          capture_output=True, text=True)
                    self.assertEqual(done.returncode, 0, exe + "\n" + done.stdout + done.stderr)
                    self.assertIn("Signature verification: ok", done.stdout, exe)
                    # A program changed after signing no longer verifies.
                    with open(path, "r+b") as f:
                        f.seek(1024)
                        byte = f.read(1)
                        f.seek(1024)
                        f.write(bytes([byte[0] ^ 0xFF]))
                    tampered = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", path],
                                              capture_output=True, text=True)
                    self.assertNotEqual(tampered.returncode, 0, exe)
        finally:
            shutil.rmtree(work)


class Reproducible(unittest.TestCase):
    def test_guide_pdf_does_not_depend_on_its_folder(self):
        elsewhere = tempfile.mkdtemp(prefix="quillon-guide-")
        try:
            with zipfile.ZipFile(ZIP) as z:
                for name in z.namelist():
                    if name.startswith(TOP + "guide/"):
                        z.extract(name, os.path.join(elsewhere, "another", "folder"))
                pdf = z.read(TOP + "guide/Quillon-guide.pdf")
            guide = os.path.join(elsewhere, "another", "folder", TOP, "guide")
            again = os.path.join(elsewhere, "again.pdf")
            subprocess.run(["/usr/bin/python3", os.path.join(ROOT, "tools", "release", "guide_pdf.py"),
                            os.path.join(guide, "index.html"), again, str(COMMIT_TIME)], check=True,
                           env=dict(os.environ, SOURCE_DATE_EPOCH=str(COMMIT_TIME)), capture_output=True)
            with open(again, "rb") as f:
                self.assertTrue(f.read() == pdf, "the guide's PDF changes with the folder it is printed in")
        finally:
            shutil.rmtree(elsewhere)

    def test_second_run_gives_the_same_bytes(self):
        again = tempfile.mkdtemp(prefix="quillon-dist-")
        try:
            release(again)
            for path in (ZIP, DEB, COLLECTION):
                with open(path, "rb") as a, open(os.path.join(again, os.path.basename(path)), "rb") as b:
                    self.assertTrue(a.read() == b.read(), os.path.basename(path) + " differs between runs")
        finally:
            shutil.rmtree(again)


if __name__ == "__main__":
    unittest.main(verbosity=2)
