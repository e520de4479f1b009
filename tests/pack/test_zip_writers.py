#!/usr/bin/python3
"""Packs zipped by the writers vendors use are accepted by packtool check.

One source folder gets its verify record and MD5 manifest written here (not
by the project's code), then is zipped by Info-ZIP zip (deflate, stored),
7-Zip (default, -mx=0), libarchive's bsdtar ("./" names) and Python's
zipfile (to a file, and to a pipe, which writes data descriptors). Each pack
must be accepted; the same pack with one file changed after the manifest
was written must be refused as damaged.

Run through ctest, which names the programs (tests/support/ctest_env.py).
"""
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from ctest_env import PACKTOOL, PACKTOOL_RUNNER as RUNNER, WORK, fresh_work, packtool_path as tool_path  # noqa: E402
MODEL = "M3710"
DAMAGED = "升级失败，升级包被损坏."

PIPE_WRITER = r"""
import os, sys, zipfile
top = sys.argv[1]
with zipfile.ZipFile(sys.stdout.buffer, "w", zipfile.ZIP_DEFLATED) as z:
    for folder, dirs, files in sorted(os.walk(top)):
        for name in sorted(files):
            path = os.path.join(folder, name)
            z.write(path, os.path.relpath(path, top))
"""


def write_pack_files(top):
    """The verify record and FolderMD5.ini, laid out as the pack format says."""
    record = MODEL.encode("utf-16-le") + b"\0\0"
    record += b"\0" * (1536 - len(record)) + struct.pack("<i", 0) + b"\0" * 4
    with open(os.path.join(top, "UpgradePack.verify"), "wb") as f:
        f.write(record)
    lines = []
    for folder, _, files in os.walk(top):
        for name in files:
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, top)
            if relative == "FolderMD5.ini":
                continue
            with open(path, "rb") as f:
                digest = hashlib.md5(f.read()).hexdigest()
            lines.append((".\\" + relative.replace("/", "\\"), digest))
    # Keys sorted by UTF-16 code units, as the tool writes them.
    lines.sort(key=lambda kv: kv[0].encode("utf-16-be"))
    text = "[MD5]\r\n" + "".join(f"{k}={v}\r\n" for k, v in lines)
    with open(os.path.join(top, "FolderMD5.ini"), "wb") as f:
        f.write(b"\xff\xfe" + text.encode("utf-16-le"))


def make_source(top):
    files = {
        "bin/app.exe": bytes((i * 37 + 11) % 256 for i in range(150000)),
        "conf/terminal.ini": b"[net]\r\nip=198.51.100.5\r\n" * 200,
        "conf/empty.dat": b"",
        "readme.txt": b"upgrade notes\n",
        "lib/deep/er/core.dll": os.urandom(4096),
    }
    for relative, data in files.items():
        path = os.path.join(top, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    os.makedirs(os.path.join(top, "logs"))  # an empty folder
    write_pack_files(top)


def zip_with_python(top, out, to_pipe):
    if to_pipe:
        made = subprocess.run([sys.executable, "-c", PIPE_WRITER, top], stdout=subprocess.PIPE, check=True)
        with open(out, "wb") as f:
            f.write(made.stdout)
        return
    import zipfile
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for folder, _, files in sorted(os.walk(top)):
            for name in sorted(files):
                path = os.path.join(folder, name)
                z.write(path, os.path.relpath(path, top))


WRITERS = {
    "zip-deflate": ["zip", "-q", "-r", "-X", "{out}", "."],
    "zip-stored": ["zip", "-q", "-r", "-X", "-0", "{out}", "."],
    "7z-default": ["7z", "a", "-tzip", "-bd", "-bso0", "{out}", "."],
    "7z-mx0": ["7z", "a", "-tzip", "-bd", "-bso0", "-mx=0", "{out}", "."],
    "bsdtar": ["bsdtar", "--format", "zip", "-cf", "{out}", "."],
    "python-file": "file",
    "python-pipe": "pipe",
}


def make_zip(writer, top, out):
    if os.path.exists(out):
        os.remove(out)
    command = WRITERS[writer]
    if isinstance(command, str):
        zip_with_python(top, out, command == "pipe")
    else:
        subprocess.run([a.format(out=out) for a in command], cwd=top, check=True)


def local_flags(zip_path):
    """Flags of every local header, read from the archive's start on."""
    with open(zip_path, "rb") as f:
        data = f.read()
    flags, at = [], 0
    while data[at:at + 4] == b"PK\x03\x04":
        flags.append(struct.unpack_from("<H", data, at + 6)[0])
        compressed, _, name, extra = struct.unpack_from("<IIHH", data, at + 18)
        at += 30 + name + extra
        if flags[-1] & 8:  # the descriptor follows: find the next header
            nxt = data.find(b"PK\x03\x04", at)
            at = nxt if nxt >= 0 else len(data)
        else:
            at += compressed
    return flags


def check(pack):
    command = ([RUNNER] if RUNNER else []) + [PACKTOOL, "check", "--model", MODEL, "--kind", "app", tool_path(pack)]
    run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
    return run.returncode, run.stdout.decode("utf-8", "replace"), run.stderr.decode("utf-8", "replace")


class ZipWriters(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        fresh_work(WORK, QUILLON_PACKTOOL=PACKTOOL)
        cls.good = os.path.join(WORK, "good")
        cls.changed = os.path.join(WORK, "changed")
        make_source(cls.good)
        # The same folder with one file changed after its manifest was written.
        shutil.copytree(cls.good, cls.changed)
        with open(os.path.join(cls.changed, "conf", "terminal.ini"), "r+b") as f:
            f.write(b"X")

    def test_each_writer(self):
        for writer in WRITERS:
            with self.subTest(writer=writer):
                pack = os.path.join(WORK, writer + ".zip")
                make_zip(writer, self.good, pack)
                code, out, err = check(pack)
                self.assertEqual(code, 0, f"{writer}: {out}{err}")
                bad = os.path.join(WORK, writer + "-changed.zip")
                make_zip(writer, self.changed, bad)
                code, out, err = check(bad)
                self.assertEqual((code, out.strip()), (1, DAMAGED), f"{writer}: {err}")

    def test_the_shapes_are_the_ones_meant(self):
        names = subprocess.run(["zipinfo", "-1", os.path.join(WORK, "bsdtar.zip")], stdout=subprocess.PIPE,
                               check=True).stdout.decode().split()
        self.assertIn("./bin/app.exe", names)
        self.assertTrue(all(f & 8 for f in local_flags(os.path.join(WORK, "python-pipe.zip"))))


if __name__ == "__main__":
    loader = unittest.TestLoader()
    loader.sortTestMethodsUsing = None  # the shapes are read from the packs the first test makes
    unittest.main(testLoader=loader, verbosity=2)
