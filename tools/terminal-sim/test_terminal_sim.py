#!/usr/bin/python3
"""Behaviour of the terminal simulator: paths, users, journal, start
command, each fault switch, its own end, and the test fixture."""
import ftplib
import hashlib
import io
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SIMULATOR = os.path.join(HERE, "terminal_sim.py")
FIXTURE = os.path.join(HERE, "sim_fixture.py")
sys.path.insert(0, HERE)
import sim_fixture  # noqa: E402
PASSWORD = "739204"


def wait_for(predicate, seconds=10.0):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    return predicate()


def running(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().split()[2] != "Z"
    except OSError:
        return False


class Simulator:
    """One simulator process on free loopback ports."""

    def __init__(self, *switches):
        self.dir = tempfile.mkdtemp(prefix="terminal-sim-test-")
        self.root = os.path.join(self.dir, "root")
        self.journal_path = os.path.join(self.dir, "journal.jsonl")
        ready = os.path.join(self.dir, "ready")
        self.proc = subprocess.Popen(
            [sys.executable, SIMULATOR, "--ftp-port", "0", "--start-port", "0", "--root", self.root,
             "--journal", self.journal_path, "--ready-file", ready, "--lifetime", "120"] + list(switches),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_for(lambda: os.path.exists(ready)):
            self.stop()
            raise RuntimeError("simulator did not start")
        with open(ready) as f:
            values = dict(line.rstrip("\n").split("=", 1) for line in f)
        self.ftp_port = int(values["ftp_port"])
        self.start_port = int(values["start_port"])

    def stop(self):
        self.proc.kill()
        self.proc.wait()
        shutil.rmtree(self.dir, ignore_errors=True)

    def ftp(self, user="admin", password=PASSWORD):
        f = ftplib.FTP()
        f.connect("127.0.0.1", self.ftp_port, timeout=10)
        try:
            f.login(user, password)
        except Exception:
            f.close()
            raise
        return f

    def journal(self, event=None):
        if not os.path.exists(self.journal_path):
            return []
        with open(self.journal_path, encoding="utf-8") as f:
            records = [json.loads(line) for line in f]
        return [r for r in records if event is None or r["event"] == event]


class SimulatorCase(unittest.TestCase):
    switches = ()

    def setUp(self):
        self.sim = Simulator(*self.switches)
        self.addCleanup(self.sim.stop)


class FileSystemAndJournal(SimulatorCase):
    def test_backslash_paths_are_stored_in_folders(self):
        f = self.sim.ftp()
        f.sendcmd("CWD \\Storage Card")
        f.storbinary("STOR \\Storage Card\\AppUpgradePack.zip", io.BytesIO(b"pack"))
        f.sendcmd("CWD \\HardDisk")
        f.storbinary("STOR \\HardDisk\\SystemUpgradeFlag.cfg", io.BytesIO(b"11"))
        f.storbinary("STOR \\ToolUpgradePack.zip", io.BytesIO(b"tool"))
        f.quit()
        with open(os.path.join(self.sim.root, "Storage Card", "AppUpgradePack.zip"), "rb") as g:
            self.assertEqual(g.read(), b"pack")
        with open(os.path.join(self.sim.root, "HardDisk", "SystemUpgradeFlag.cfg"), "rb") as g:
            self.assertEqual(g.read(), b"11")
        self.assertTrue(os.path.isfile(os.path.join(self.sim.root, "ToolUpgradePack.zip")))
        self.assertFalse(any("\\" in name for name in os.listdir(self.sim.root)))

    def test_both_users_log_in_and_wrong_password_is_refused(self):
        for user in ("admin", "update"):
            self.sim.ftp(user).quit()
        with self.assertRaises(ftplib.error_perm):
            self.sim.ftp("admin", "000000")
        with self.assertRaises(ftplib.error_perm):
            self.sim.ftp("guest", PASSWORD)
        self.assertTrue(wait_for(lambda: len(self.sim.journal("login")) == 4))
        logins = [(r["user"], r["ok"]) for r in self.sim.journal("login")]
        self.assertEqual(logins, [("admin", True), ("update", True), ("admin", False), ("guest", False)])

    def test_journal_records_size_and_md5_of_uploads(self):
        data = bytes(range(256)) * 300 + b"\r\n\x00"
        f = self.sim.ftp("update")
        f.storbinary("STOR \\Storage Card\\x.bin", io.BytesIO(data))
        f.quit()
        uploads = self.sim.journal("upload")
        self.assertEqual(len(uploads), 1)
        self.assertEqual(uploads[0]["path"], "Storage Card/x.bin")
        self.assertEqual(uploads[0]["user"], "update")
        self.assertEqual(uploads[0]["size"], len(data))
        self.assertEqual(uploads[0]["md5"], hashlib.md5(data).hexdigest())
        self.assertTrue(uploads[0]["ok"])

    def test_start_command_bytes_are_recorded(self):
        for payload in (bytes([4, 0, 0, 0, 1, 0, 0, 0, 0]), b"\x04\x00"):
            with socket.create_connection(("127.0.0.1", self.sim.start_port), timeout=5) as s:
                s.sendall(payload)
        self.assertTrue(wait_for(lambda: len(self.sim.journal("start")) == 2))
        starts = sorted(self.sim.journal("start"), key=lambda r: -r["size"])
        self.assertEqual(starts[0]["hex"], "040000000100000000")
        self.assertTrue(starts[0]["valid"])
        self.assertEqual(starts[1]["size"], 2)
        self.assertFalse(starts[1]["valid"])


class RefuseLogin(SimulatorCase):
    switches = ("--refuse-login",)

    def test_right_password_is_refused_too(self):
        with self.assertRaises(ftplib.error_perm):
            self.sim.ftp("admin", PASSWORD)
        self.assertTrue(wait_for(lambda: self.sim.journal("login")))
        self.assertEqual([r["ok"] for r in self.sim.journal("login")], [False])


class Silent(SimulatorCase):
    switches = ("--silent",)

    def test_accepts_tcp_and_never_answers(self):
        with socket.create_connection(("127.0.0.1", self.sim.ftp_port), timeout=5) as s:
            s.settimeout(1.5)
            with self.assertRaises(socket.timeout):
                s.recv(100)


class AnswerDelay(SimulatorCase):
    switches = ("--answer-delay", "1.5")

    def test_greeting_comes_late_and_sessions_are_journalled(self):
        start = time.time()
        f = self.sim.ftp()
        self.assertGreater(time.time() - start, 1.2)
        f.quit()
        self.assertTrue(wait_for(lambda: self.sim.journal("disconnect")))
        self.assertEqual(self.sim.journal("disconnect")[0]["user"], "admin")


class Latency(SimulatorCase):
    switches = ("--latency", "0.3")

    def test_every_reply_comes_late(self):
        start = time.time()
        f = self.sim.ftp()  # greeting, USER and PASS: three replies
        self.assertGreater(time.time() - start, 0.85)
        start = time.time()
        f.voidcmd("NOOP")
        self.assertGreater(time.time() - start, 0.28)
        f.quit()


class DropData(SimulatorCase):
    switches = ("--drop-data-after", "65536")

    def test_upload_is_cut_off(self):
        f = self.sim.ftp()
        with self.assertRaises((ftplib.error_temp, ftplib.error_reply, OSError)):
            f.storbinary("STOR \\Storage Card\\big.zip", io.BytesIO(b"p" * (4 << 20)))
        f.close()
        self.assertTrue(wait_for(lambda: self.sim.journal("upload")))
        upload = self.sim.journal("upload")[0]
        self.assertFalse(upload["ok"])
        self.assertLess(upload["size"], 4 << 20)


class Quota(SimulatorCase):
    switches = ("--quota", "100000")

    def test_uploads_fail_once_the_disk_is_full(self):
        f = self.sim.ftp()
        f.storbinary("STOR \\a.bin", io.BytesIO(b"a" * 60000))
        with self.assertRaises((ftplib.error_temp, ftplib.error_reply, OSError)):
            f.storbinary("STOR \\b.bin", io.BytesIO(b"b" * 60000))
        f.close()
        self.assertTrue(wait_for(lambda: len(self.sim.journal("upload")) == 2))
        self.assertEqual([r["ok"] for r in self.sim.journal("upload")], [True, False])


class StoreShort(SimulatorCase):
    switches = ("--store-short", "100")

    def test_upload_answered_as_complete_is_stored_short(self):
        f = self.sim.ftp()
        f.storbinary("STOR \\Storage Card\\p.zip", io.BytesIO(b"z" * 5000))  # answered 226
        self.assertEqual(f.size("\\Storage Card\\p.zip"), 4900)
        f.quit()


class NoSizeRefuseDelete(SimulatorCase):
    switches = ("--no-size", "--refuse-delete")

    def test_size_is_not_implemented_and_files_stay(self):
        f = self.sim.ftp()
        f.storbinary("STOR \\HardDisk\\SystemUpgradeFlag.cfg", io.BytesIO(b"11"))
        f.voidcmd("TYPE I")
        with self.assertRaises(ftplib.error_perm) as size:
            f.size("\\HardDisk\\SystemUpgradeFlag.cfg")
        self.assertTrue(str(size.exception).startswith("502"))
        with self.assertRaises(ftplib.error_perm) as dele:
            f.delete("\\HardDisk\\SystemUpgradeFlag.cfg")
        self.assertTrue(str(dele.exception).startswith("550"))
        f.quit()
        self.assertTrue(os.path.isfile(os.path.join(self.sim.root, "HardDisk", "SystemUpgradeFlag.cfg")))


class HangUp(SimulatorCase):
    switches = ("--hang-up-on", "size")

    def test_control_connection_closes_unanswered(self):
        f = self.sim.ftp()
        f.voidcmd("TYPE I")
        with self.assertRaises((EOFError, OSError)):
            f.size("\\x")
        f.close()
        self.assertTrue(wait_for(lambda: self.sim.journal("hang-up")))
        self.assertEqual(self.sim.journal("hang-up")[0]["command"], "SIZE")
        self.sim.ftp().quit()  # the server itself goes on


class Lifetime(unittest.TestCase):
    def test_simulator_ends_by_itself(self):
        d = tempfile.mkdtemp(prefix="terminal-sim-test-")
        self.addCleanup(shutil.rmtree, d, True)
        proc = subprocess.Popen([sys.executable, SIMULATOR, "--ftp-port", "0", "--start-port", "-1",
                                 "--root", d, "--lifetime", "1"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.assertEqual(proc.wait(timeout=15), 0)
        finally:
            proc.kill()


class Fixture(unittest.TestCase):
    def test_start_writes_state_and_stop_ends_every_simulator(self):
        d = tempfile.mkdtemp(prefix="terminal-sim-fixture-")
        self.addCleanup(shutil.rmtree, d, True)
        self.addCleanup(subprocess.run, [sys.executable, FIXTURE, "stop", d])
        subprocess.run([sys.executable, FIXTURE, "start", d], check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(d, "state.ini")) as f:
            state = dict(line.rstrip("\n").split("=", 1) for line in f)
        pids = [int(v) for k, v in state.items() if k.endswith(".pid")]
        self.assertEqual(len(pids), len(sim_fixture.TERMINALS))
        with socket.create_connection(("127.0.0.1", int(state["normal.ftp_port"])), timeout=5) as s:
            self.assertTrue(s.recv(100).startswith(b"220"))
        subprocess.run([sys.executable, FIXTURE, "stop", d], check=True)
        for pid in pids:
            self.assertFalse(running(pid), pid)


if __name__ == "__main__":
    unittest.main(verbosity=2)
