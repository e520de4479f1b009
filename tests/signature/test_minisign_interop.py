#!/usr/bin/python3
"""Signatures interoperate with Debian's minisign, both ways.

A pack signed by minisign (hashed, and the older whole-file form) passes
packtool check --trusted-key; a signature packtool sign writes, with its own
key or minisign's, passes minisign -V; keys protected by a password open
with PACKTOOL_KEY_PASSWORD.

Environment (set by ctest):
  QUILLON_PACKTOOL         packtool, or packtool.exe
  QUILLON_PACKTOOL_RUNNER  "" natively, the path of scripts/wine-run for packtool.exe
  QUILLON_WORK             scratch folder
"""
import os
import shutil
import subprocess
import unittest

PACKTOOL = os.environ.get("QUILLON_PACKTOOL", "")
RUNNER = os.environ.get("QUILLON_PACKTOOL_RUNNER", "")
WORK = os.environ.get("QUILLON_WORK", "")
UNTRUSTED = "升级失败，升级包的签名密钥不受信任."


def tool_path(path):
    return "Z:" + path.replace("/", "\\") if RUNNER else path


def packtool(*args, env=None):
    command = ([RUNNER] if RUNNER else []) + [PACKTOOL] + [tool_path(a) if a.startswith(WORK) else a for a in args]
    run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300,
                         env=dict(os.environ, **(env or {})))
    # Both builds write UTF-8; the Windows console ends lines with CR LF.
    text = [s.decode("utf-8", "replace").replace("\r\n", "\n") for s in (run.stdout, run.stderr)]
    return run.returncode, text[0], text[1]


def minisign(*args, password=None):
    run = subprocess.run(["minisign"] + list(args), input=(password + "\n" + password + "\n").encode() if password else None,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    return run.returncode, run.stdout.decode() + run.stderr.decode()


def key_id(pub):
    with open(pub) as f:
        return f.readline().split()[-1]


class MinisignInterop(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not PACKTOOL or not WORK:
            raise unittest.SkipTest("QUILLON_PACKTOOL and QUILLON_WORK are not set (run through ctest)")
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(os.path.join(WORK, "src"))
        with open(os.path.join(WORK, "src", "app.bin"), "wb") as f:
            f.write(os.urandom(100000))
        cls.pack = os.path.join(WORK, "AppUpgradePack.zip")
        code, out, err = packtool("make", "--model", "M3710", "--kind", "app", "-o", cls.pack, os.path.join(WORK, "src"))
        assert code == 0, out + err
        cls.theirs = os.path.join(WORK, "theirs")
        code, out = minisign("-G", "-W", "-p", cls.theirs + ".pub", "-s", cls.theirs + ".key")
        assert code == 0, out

    def check(self, *keys):
        args = ["check", "--model", "M3710", "--kind", "app"]
        for k in keys:
            args += ["--trusted-key", k]
        return packtool(*(args + [self.pack]))

    def test_minisign_signs_packtool_checks(self):
        for legacy in (False, True):
            with self.subTest(legacy=legacy):
                code, out = minisign("-S", "-s", self.theirs + ".key", "-m", self.pack, *(["-l"] if legacy else []))
                self.assertEqual(code, 0, out)
                code, out, err = self.check(self.theirs + ".pub")
                self.assertEqual(code, 0, out + err)
                self.assertIn("signed by key " + key_id(self.theirs + ".pub"), out)
                with open(self.theirs + ".pub") as f:
                    key_line = f.read().split("\n")[1]
                self.assertEqual(self.check(key_line)[0], 0, "the key's base64 line serves as well as its file")

    def test_packtool_signs_minisign_verifies(self):
        ours = os.path.join(WORK, "ours")
        code, out, err = packtool("keygen", "-o", ours)
        self.assertEqual(code, 0, out + err)
        self.assertEqual(packtool("keygen", "-o", ours)[0], 2, "an existing key pair is never replaced")
        if not RUNNER:  # the native build; Windows gives new files the folder's access
            self.assertEqual(os.stat(ours + ".key").st_mode & 0o777, 0o600, "the secret key is its owner's alone")
        for key, pub in ((ours + ".key", ours + ".pub"), (self.theirs + ".key", self.theirs + ".pub")):
            with self.subTest(key=os.path.basename(key)):
                code, out, err = packtool("sign", "--key", key, "--comment", "release 7", self.pack)
                self.assertEqual(code, 0, out + err)
                code, out = minisign("-V", "-p", pub, "-m", self.pack)
                self.assertEqual(code, 0, out)
                self.assertIn("Trusted comment: release 7", out)
                code, out, err = packtool("info", self.pack)
                self.assertIn("signer: " + key_id(pub) + "\ntrusted comment: release 7\n", out)
        # Signed by our key, checked against minisign's only: refused with its text.
        packtool("sign", "--key", ours + ".key", self.pack)
        code, out, err = self.check(self.theirs + ".pub")
        self.assertEqual((code, out.strip()), (1, UNTRUSTED), err)
        self.assertEqual(self.check(self.theirs + ".pub", ours + ".pub")[0], 0, "either of two keys passes")

    def test_password_protected_minisign_key(self):
        if RUNNER:
            self.skipTest("scrypt's 1 GiB is measured once, natively")
        enc = os.path.join(WORK, "enc")
        code, out = minisign("-G", "-p", enc + ".pub", "-s", enc + ".key", password="vendor secret")
        self.assertEqual(code, 0, out)
        self.assertEqual(packtool("sign", "--key", enc + ".key", self.pack)[0], 2, "no password given")
        wrong = packtool("sign", "--key", enc + ".key", self.pack, env={"PACKTOOL_KEY_PASSWORD": "guess"})
        self.assertEqual(wrong[0], 2)
        code, out, err = packtool("sign", "--key", enc + ".key", self.pack, env={"PACKTOOL_KEY_PASSWORD": "vendor secret"})
        self.assertEqual(code, 0, out + err)
        self.assertEqual(minisign("-V", "-p", enc + ".pub", "-m", self.pack)[0], 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
