#!/usr/bin/python3
"""Signatures interoperate with Debian's minisign, both ways.

A pack signed by minisign (hashed, and the older whole-file form) passes
packtool check --trusted-key; a signature packtool sign writes, with its own
key or minisign's, passes minisign -V; keys protected by a password open
with PACKTOOL_KEY_PASSWORD or the password typed on the terminal; a secret
key others may read is refused. The site's trust file applies to check
(natively the file QUILLON_TRUST_FILE names; packtool.exe in the release
layout, one folder below Quillon.exe).

Run through ctest, which names the programs (tests/support/ctest_env.py).
"""
import os
import pty
import select
import shutil
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from ctest_env import PACKTOOL, PACKTOOL_RUNNER as RUNNER, WORK, fresh_work, packtool_path as tool_path  # noqa: E402
UNTRUSTED = "升级失败，升级包的签名密钥不受信任."
UNSIGNED = "升级失败，升级包没有签名."
TRUST_BROKEN = "升级失败，受信任密钥文件有误."


def packtool(*args, env=None, program=None):
    command = ([RUNNER] if RUNNER else []) + [program or PACKTOOL] + [tool_path(a) if a.startswith(WORK) else a for a in args]
    # A session of its own: no terminal to ask a password on.
    run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300, start_new_session=True,
                         stdin=subprocess.DEVNULL, env=dict(os.environ, **(env or {})))
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
        fresh_work(WORK, QUILLON_PACKTOOL=PACKTOOL)
        os.makedirs(os.path.join(WORK, "src"))
        with open(os.path.join(WORK, "src", "app.bin"), "wb") as f:
            f.write(os.urandom(100000))
        cls.pack = os.path.join(WORK, "AppUpgradePack.zip")
        code, out, err = packtool("make", "--model", "M3710", "--kind", "app", "-o", cls.pack, os.path.join(WORK, "src"))
        assert code == 0, out + err
        cls.theirs = os.path.join(WORK, "theirs")
        code, out = minisign("-G", "-W", "-p", cls.theirs + ".pub", "-s", cls.theirs + ".key")
        assert code == 0, out

    def check(self, *keys, **kw):
        args = ["check", "--model", "M3710", "--kind", "app"]
        for k in keys:
            args += ["--trusted-key", k]
        return packtool(*(args + [self.pack]), **kw)

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
        if not RUNNER:  # natively; the Windows access list is read back in signature_test
            self.assertEqual(os.stat(ours + ".key").st_mode & 0o777, 0o600, "the secret key is its owner's alone")
            # A link pointing nowhere in the place of the .pub is not followed.
            for f in (ours + ".key", ours + ".pub"):
                os.remove(f)
            os.symlink(os.path.join(WORK, "elsewhere"), ours + ".pub")
            code, out, err = packtool("keygen", "-o", ours)
            self.assertEqual(code, 2, out + err)
            self.assertFalse(os.path.lexists(os.path.join(WORK, "elsewhere")))
            self.assertFalse(os.path.exists(ours + ".key"), "no secret key without its public half")
            os.remove(ours + ".pub")
            self.assertEqual(packtool("keygen", "-o", ours)[0], 0)
            # A secret key others may read is refused, and signs again once it is its owner's.
            os.chmod(self.theirs + ".key", 0o644)
            code, out, err = packtool("sign", "--key", self.theirs + ".key", self.pack)
            self.assertEqual(code, 2)
            self.assertIn("refused: the secret key may be read by its group or other users (mode 0644)", err)
            os.chmod(self.theirs + ".key", 0o600)
        for key, pub in ((ours + ".key", ours + ".pub"), (self.theirs + ".key", self.theirs + ".pub")):
            with self.subTest(key=os.path.basename(key)):
                code, out, err = packtool("sign", "--key", key, "--comment", "release 7", self.pack)
                self.assertEqual(code, 0, out + err)
                code, out = minisign("-V", "-p", pub, "-m", self.pack)
                self.assertEqual(code, 0, out)
                self.assertIn("Trusted comment: release 7", out)
                code, out, err = packtool("info", self.pack)
                self.assertIn("signer: " + key_id(pub) + "\ntrusted comment (unverified): release 7\n", out)
        # Signed by our key, checked against minisign's only: refused with its text.
        packtool("sign", "--key", ours + ".key", self.pack)
        code, out, err = self.check(self.theirs + ".pub")
        self.assertEqual((code, out.strip()), (1, UNTRUSTED), err)
        self.assertEqual(self.check(self.theirs + ".pub", ours + ".pub")[0], 0, "either of two keys passes")
        # A comment that would reorder its line shows its controls escaped.
        packtool("sign", "--key", ours + ".key", "--comment", "release \u202e7\u2066", self.pack)
        self.assertIn("trusted comment (unverified): release \\u202E7\\u2066\n", packtool("info", self.pack)[1])

    def site_check(self, site_text, *keys):
        """check with the site's trust file holding `site_text`."""
        if RUNNER:
            # The release zip: Quillon.exe on top, packtool.exe in cli\.
            top = os.path.join(WORK, "release")
            shutil.rmtree(top, ignore_errors=True)
            os.makedirs(os.path.join(top, "cli"))
            open(os.path.join(top, "Quillon.exe"), "wb").close()
            program = shutil.copy(PACKTOOL, os.path.join(top, "cli", "packtool.exe"))
            site, env = os.path.join(top, "trusted-keys.txt"), None
        else:
            program, site = None, os.path.join(WORK, "site-trusted-keys.txt")
            env = {"QUILLON_TRUST_FILE": site}
        with open(site, "w", newline="") as f:
            f.write(site_text)
        return self.check(*keys, env=env, program=program)

    def test_site_trust_file_applies_to_check(self):
        ours = os.path.join(WORK, "site-ours")
        for f in (ours + ".key", ours + ".pub"):
            if os.path.exists(f):
                os.remove(f)
        self.assertEqual(packtool("keygen", "-o", ours)[0], 0)
        with open(self.theirs + ".pub") as f:
            theirs_line = f.read().split("\n")[1]
        if os.path.exists(self.pack + ".minisig"):
            os.remove(self.pack + ".minisig")
        code, out, err = self.site_check(theirs_line + "\n")
        self.assertEqual((code, out.strip()), (1, UNSIGNED), "the site file alone requires a signature: " + err)
        self.assertEqual(packtool("sign", "--key", ours + ".key", self.pack)[0], 0)
        for site_text in ("", "# " + theirs_line + "\n", "\r\n"):
            with self.subTest(site=site_text):
                code, out, err = self.site_check(site_text, ours + ".pub")
                self.assertEqual((code, out.strip()), (1, TRUST_BROKEN), "a keyless site file refuses every pack: " + err)
        code, out, err = self.site_check(theirs_line + "\n")
        self.assertEqual((code, out.strip()), (1, UNTRUSTED), err)
        code, out, err = self.site_check(theirs_line + "\r", ours + ".pub")
        self.assertEqual(code, 0, "--trusted-key adds a key to the site's: " + out + err)

    def test_password_protected_minisign_key(self):
        if RUNNER:
            self.skipTest("scrypt's 1 GiB is measured once, natively")
        enc = os.path.join(WORK, "enc")
        code, out = minisign("-G", "-p", enc + ".pub", "-s", enc + ".key", password="vendor secret")
        self.assertEqual(code, 0, out)
        code, out, err = packtool("sign", "--key", enc + ".key", self.pack)
        self.assertEqual(code, 2, "no password given, and no terminal to ask on")
        self.assertIn("PACKTOOL_KEY_PASSWORD", err)
        wrong = packtool("sign", "--key", enc + ".key", self.pack, env={"PACKTOOL_KEY_PASSWORD": "guess"})
        self.assertEqual(wrong[0], 2)
        code, out, err = packtool("sign", "--key", enc + ".key", self.pack, env={"PACKTOOL_KEY_PASSWORD": "vendor secret"})
        self.assertEqual(code, 0, out + err)
        self.assertEqual(minisign("-V", "-p", enc + ".pub", "-m", self.pack)[0], 0)
        # Without the variable the password is asked for on the terminal, and not echoed.
        os.remove(self.pack + ".minisig")
        pid, fd = pty.fork()
        if pid == 0:
            env = dict(os.environ)
            env.pop("PACKTOOL_KEY_PASSWORD", None)
            os.execve(PACKTOOL, [PACKTOOL, "sign", "--key", enc + ".key", self.pack], env)
        seen = b""
        deadline = time.monotonic() + 120

        def read_more():
            """What the terminal shows next; b"" once it is closed. Never waits past the deadline."""
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                os.kill(pid, signal.SIGKILL)
                os.waitpid(pid, 0)
                self.fail("packtool sign gave no answer on the terminal: %r" % seen)
            try:
                return os.read(fd, 1024)
            except OSError:  # the terminal closed
                return b""

        while b"Password for " not in seen:
            more = read_more()
            if not more:
                break
            seen += more
        self.assertIn(b"Password for ", seen, "the password is asked for on the terminal")
        os.write(fd, b"vendor secret\n")
        while True:
            more = read_more()
            if not more:
                break
            seen += more
        _, status = os.waitpid(pid, 0)
        self.assertEqual(os.waitstatus_to_exitcode(status), 0, seen.decode("utf-8", "replace"))
        self.assertNotIn(b"vendor secret", seen, "the password is not echoed")
        self.assertEqual(minisign("-V", "-p", enc + ".pub", "-m", self.pack)[0], 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
