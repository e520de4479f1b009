#!/usr/bin/python3
"""The command line `quillon` as a whole program: batches of simulated
terminals on test hosts in network namespaces (198.51.100.0/24, made and
removed here), refused packs and addresses, and (natively) USB disks found
on a recorded sysfs tree.

Run through ctest (cli_native_test, cli_wine_test) or by hand with:
  QUILLON_CLI          the program (quillon or quillon.exe)
  QUILLON_CLI_RUNNER   "" natively, "wine" for quillon.exe (QUILLON_WINEPREFIX)
  QUILLON_PACKTOOL     packtool (packtool.exe under Wine) for making packs
  QUILLON_WORK         scratch folder
  QUILLON_NETNS_TAG    namespace tag (1-4 letters or digits)
  QUILLON_ADDRESS_BASE first of five terminal addresses (198.51.100.21)
"""
import hashlib
import json
import os
import random
import shutil
import subprocess
import sys
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "app", "gui"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "terminal-sim"))

sys.path.insert(0, os.path.join(HERE, "..", "support"))

import sim_netns  # noqa: E402
from ctest_env import settings  # noqa: E402

CLI, RUNNER, PACKTOOL, WORK = settings("QUILLON_CLI", "QUILLON_CLI_RUNNER", "QUILLON_PACKTOOL", "QUILLON_WORK")
TAG = os.environ.get("QUILLON_NETNS_TAG", "cli")
ADDRESS_BASE = os.environ.get("QUILLON_ADDRESS_BASE", "198.51.100.21")
WINE = RUNNER == "wine"

SUCCESS = "请重启设备完成升级！"
CONNECT_FAILED = "终端连接失败."
UPLOAD_FAILED = "拷贝升级包失败."
VERIFY_FAILED = "升级包校验失败，请重新升级！"
OLD_FLAG_STAYS = "无法删除终端上的旧标志文件，未拷贝升级包！"
START_COMMAND = "040000000100000000"
PACK = "AppUpgradePack.zip"
FLAG = "AppUpgradeFlag.cfg"


def md5(path):
    with open(path, "rb") as f:
        return hashlib.md5(f.read()).hexdigest()


def address(offset):
    head, last = ADDRESS_BASE.rsplit(".", 1)
    return "%s.%d" % (head, int(last) + offset)


class Program:
    """Runs quillon and packtool natively or under Wine (the Wine session
    of the window tests)."""

    def __init__(self):
        self.env = dict(os.environ)
        self.desk = None
        if WINE:
            from desktop import Desktop
            prefix = os.environ.get("QUILLON_WINEPREFIX") or os.environ.get("WINEPREFIX", "")
            if not prefix:
                raise unittest.SkipTest("QUILLON_WINEPREFIX is not set (run through ctest)")
            self.desk = Desktop(prefix, os.path.join(WORK, "screenshots"))
            self.env = dict(self.desk.env)

    def path(self, unix_path):
        if WINE:
            from desktop import windows_path
            return windows_path(unix_path)
        return unix_path

    def run(self, program, args, extra_env=None, timeout=600):
        env = dict(self.env, **(extra_env or {}))
        command = ([RUNNER] if RUNNER else []) + [program] + list(args)
        result = subprocess.run(command, env=env, capture_output=True, timeout=timeout)
        # Both builds write UTF-8 (the Windows programs switch the console to 65001).
        result.stdout = result.stdout.decode("utf-8", errors="replace").replace("\r\n", "\n")
        result.stderr = result.stderr.decode("utf-8", errors="replace").replace("\r\n", "\n")
        return result

    def quillon(self, *args, **kw):
        return self.run(CLI, args, **kw)

    def make_pack(self, model, source, target):
        os.makedirs(os.path.dirname(target), exist_ok=True)
        made = self.run(PACKTOOL, ["make", "--model", model, "--kind", "app", "-o", self.path(target),
                                   self.path(source)])
        assert made.returncode == 0, made.stdout + made.stderr
        return target

    def close(self):
        if self.desk:
            self.desk.close()


def write_source(folder, size, seed):
    """A pack's content: a block of random bytes (so it does not shrink) and a text file."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(os.path.join(folder, "bin"))
    with open(os.path.join(folder, "bin", "app.bin"), "wb") as f:
        f.write(random.Random(seed).randbytes(size))
    with open(os.path.join(folder, "readme.txt"), "w") as f:
        f.write("terminal software %d\n" % seed)
    return folder


def damage_manifest(pack, target):
    """A copy of the pack whose FolderMD5.ini gives one file a wrong digest."""
    with zipfile.ZipFile(pack) as source, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as out:
        for info in source.infolist():
            data = source.read(info)
            if info.filename.lower() == "foldermd5.ini":
                encoding = "utf-16" if data[:2] in (b"\xff\xfe", b"\xfe\xff") else "latin-1"
                lines = data.decode(encoding).split("\n")
                line = next(i for i, text in enumerate(lines) if "app.bin=" in text)
                key, digest = lines[line].split("=", 1)
                digest = digest.strip()
                lines[line] = lines[line].replace(digest, ("0" if digest[0] != "0" else "1") + digest[1:])
                data = "\n".join(lines).encode(encoding)
            out.writestr(info, data)
    return target


def final_table(stdout):
    """The rows after the last "target result seconds" header: (target, text, seconds)."""
    lines = stdout.splitlines()
    headers = [i for i, line in enumerate(lines) if line.split()[:3] == ["target", "result", "seconds"]]
    if not headers:
        raise AssertionError("no final table in the output:\n" + stdout)
    rows = []
    for line in lines[headers[-1] + 1:]:
        fields = line.split()
        if not fields:
            continue
        rows.append((fields[0], " ".join(fields[1:-1]), float(fields[-1])))
    return rows


class Packs:
    @classmethod
    def make_packs(cls, program, size):
        cls.packs = os.path.join(WORK, "packs")
        shutil.rmtree(cls.packs, ignore_errors=True)
        source = write_source(os.path.join(WORK, "pack-source"), size, 7)
        cls.pack = {}
        for model in ("M3710", "M2410", "VK1200"):
            cls.pack[model] = program.make_pack(model, source, os.path.join(cls.packs, model, PACK))
        damaged = os.path.join(cls.packs, "damaged", PACK)
        os.makedirs(os.path.dirname(damaged))
        cls.pack["damaged"] = damage_manifest(cls.pack["M3710"], damaged)


def require_environment():
    for name, value in (("QUILLON_CLI", CLI), ("QUILLON_PACKTOOL", PACKTOOL), ("QUILLON_WORK", WORK)):
        if not value:
            raise unittest.SkipTest("%s is not set (run through ctest)" % name)
    if not os.path.exists(CLI):
        raise AssertionError("the program %s is not there" % CLI)


class TerminalHosts:
    """Simulated terminals on test hosts of the class's own, started once for
    the class and stopped after it (with the class's program). Listed before
    unittest.TestCase among a test class's bases, so its tearDownClass is
    the one that runs."""

    @classmethod
    def start_terminals(cls, folder, names, switches):
        cls.terminals = sim_netns.Terminals(TAG, folder)
        cls.netns_error = cls.terminals.start_all([(name, address(i)) for i, name in enumerate(names)], switches)

    @classmethod
    def tearDownClass(cls):
        cls.terminals.stop()
        cls.program.close()

    def require_hosts(self):
        if self.netns_error:
            self.fail("cannot make the test hosts: " + self.netns_error)

    def root(self, name):
        return self.terminals.started[name]["root"]

    def address(self, name):
        return self.terminals.started[name]["address"]

    def clear_terminals(self, names):
        """Removes what earlier runs left on the terminals' file systems."""
        for name in names:
            for folder, _, files in os.walk(self.root(name)):
                for f in files:
                    os.remove(os.path.join(folder, f))


class EthernetBatch(Packs, TerminalHosts, unittest.TestCase):
    """Five terminals: three that take the pack, one that refuses the login,
    one whose data connection drops after 64 KiB; and a sixth that stores
    every upload a byte short while saying it succeeded."""

    NAMES = ("good1", "refusing", "good2", "dropping", "good3")
    SHORT = "short"
    # Servers that refuse DELE of the old flag and cannot say by SIZE that
    # it is gone: one without SIZE, one that hangs up at it.
    NO_SIZE, HANG_UP = "nosize", "hangup"

    @classmethod
    def setUpClass(cls):
        require_environment()
        cls.program = Program()
        cls.make_packs(cls.program, 3 << 20)
        switches = {"refusing": ["refuse-login"], "dropping": ["drop-data-after=65536"],
                    cls.SHORT: ["store-short=1"], cls.NO_SIZE: ["refuse-delete", "no-size"],
                    cls.HANG_UP: ["refuse-delete", "hang-up-on=SIZE"]}
        cls.start_terminals(os.path.join(WORK, "terminals-" + TAG), cls.NAMES + (cls.SHORT, cls.NO_SIZE, cls.HANG_UP),
                            switches)

    def setUp(self):
        self.require_hosts()

    # ---- the terminals ------------------------------------------------------------

    def events(self, name, kind):
        return [e for e in self.terminals.journal(name) if e["event"] == kind]

    def uploads(self):
        return {name: len(self.events(name, "upload")) for name in self.NAMES}

    def upgrade(self, model, pack, names, *extra, env=None):
        args = ["upgrade", "--model", model, "--kind", "app", "--pack", self.program.path(pack)]
        for name in names:
            args += ["--address", self.address(name)]
        return self.program.quillon(*(args + list(extra)), extra_env=env)

    def upgrade_counted(self, pack, names):
        """An upgrade that reports what the program held at its start and its
        end: (its result, [handles, threads, handles, threads])."""
        report = os.path.join(WORK, "resources-%s.txt" % TAG)
        if os.path.exists(report):
            os.remove(report)
        done = self.upgrade("M3710", pack, names, env={"QUILLON_RESOURCE_REPORT": self.program.path(report)})
        with open(report) as f:
            counts = [int(word.split("=")[1]) for word in f.read().split() if "=" in word]
        return done, counts

    # ---- cases ------------------------------------------------------------------------

    def test_batch_with_failing_terminals(self):
        self.clear_terminals(self.NAMES)
        pack = self.pack["M3710"]
        done, counts = self.upgrade_counted(pack, self.NAMES)
        output = done.stdout + done.stderr
        self.assertEqual(done.returncode, 1, output)
        expected = {"good1": SUCCESS, "good2": SUCCESS, "good3": SUCCESS,
                    "refusing": CONNECT_FAILED, "dropping": UPLOAD_FAILED}
        rows = final_table(done.stdout)
        self.assertEqual([(r[0], r[1]) for r in rows], [(self.address(n), expected[n]) for n in self.NAMES],
                         done.stdout)
        self.assertTrue(all(r[2] >= 0 for r in rows), rows)
        for name in ("good1", "good2", "good3"):
            card = os.path.join(self.root(name), "Storage Card")
            self.assertEqual(md5(os.path.join(card, PACK)), md5(pack), name)
            with open(os.path.join(card, FLAG), "rb") as f:
                self.assertEqual(f.read(), b"11", name)
        for name in ("refusing", "dropping"):
            self.assertFalse(os.path.exists(os.path.join(self.root(name), "Storage Card", FLAG)), name)
        self.assertEqual(self.events("refusing", "upload"), [])
        logins = self.events("refusing", "login")
        self.assertTrue(logins and not any(e["ok"] for e in logins), logins)
        self.assertTrue(any(not e["ok"] for e in self.events("dropping", "upload")),
                        "the dropping terminal saw its upload cut")

        # The same batch as one JSON document, agreeing with the table.
        self.clear_terminals(self.NAMES)
        done = self.upgrade("M3710", pack, self.NAMES, "--json")
        self.assertEqual(done.returncode, 1, done.stdout + done.stderr)
        document = json.loads(done.stdout)
        self.assertEqual((document["model"], document["kind"], document["pack"]), ("M3710", "app", PACK))
        self.assertTrue(document["check"]["accepted"], document["check"])
        self.assertEqual(document["exit"], 1)
        results = {"good1": "success", "good2": "success", "good3": "success",
                   "refusing": "refused", "dropping": "failure"}
        self.assertEqual([(t["target"], t["result"], t["text"]) for t in document["targets"]],
                         [(self.address(n), results[n], expected[n]) for n in self.NAMES])
        for target in document["targets"]:
            self.assertTrue(target["steps"], target)
            self.assertEqual(target["steps"][-1][1], target["text"], target)
        for name in ("good1", "good2", "good3"):
            self.assertEqual(md5(os.path.join(self.root(name), "Storage Card", PACK)), md5(pack), name)

        # Nothing of a delivery outlives it, failed or not: every thread is
        # gone at the end, and five deliveries leave no more handles open
        # than one does. Under Wine the process ends with two or three handles
        # more than it started with whatever the number of deliveries (one or
        # two unnamed events and the threading runtime's handle to the main
        # thread), so there one more is let pass.
        self.clear_terminals(self.NAMES)
        one, one_counts = self.upgrade_counted(pack, ("good1",))
        self.assertEqual(one.returncode, 0, one.stdout + one.stderr)
        self.assertEqual((counts[3], one_counts[3]), (counts[1], one_counts[1]), "threads at start and end")
        kept, kept_by_one = counts[2] - counts[0], one_counts[2] - one_counts[0]
        self.assertLessEqual(kept, kept_by_one + (1 if WINE else 0),
                             "handles kept by five deliveries %s and by one %s" % (counts, one_counts))
        if not WINE:
            self.assertEqual(kept_by_one, 0, one_counts)

    def test_vk1200_gets_the_start_command(self):
        self.clear_terminals(self.NAMES)
        names = ("good1", "good2")
        starts = {name: len(self.events(name, "start")) for name in names}
        done = self.upgrade("VK1200", self.pack["VK1200"], names)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertEqual([r[1] for r in final_table(done.stdout)], [SUCCESS, SUCCESS], done.stdout)
        for name in names:
            root = self.root(name)
            self.assertEqual(md5(os.path.join(root, PACK)), md5(self.pack["VK1200"]), name)
            self.assertFalse(os.path.exists(os.path.join(root, FLAG)), name)
            self.assertFalse(os.path.exists(os.path.join(root, "Storage Card", FLAG)), name)
            new = self.events(name, "start")[starts[name]:]
            self.assertEqual([e["hex"] for e in new], [START_COMMAND], name)

    def test_failed_delivery_leaves_no_old_flag(self):
        """A terminal still holding an earlier delivery (pack and flag, not
        yet restarted) whose new upload arrives short: the old flag must not
        stay beside what is left."""
        card = os.path.join(self.root(self.SHORT), "Storage Card")
        os.makedirs(card, exist_ok=True)
        with open(os.path.join(card, PACK), "wb") as f:
            f.write(b"an earlier pack")
        with open(os.path.join(card, FLAG), "wb") as f:
            f.write(b"11")
        done = self.upgrade("M3710", self.pack["M3710"], (self.SHORT,))
        self.assertEqual(done.returncode, 1, done.stdout + done.stderr)
        self.assertEqual([r[1] for r in final_table(done.stdout)], [VERIFY_FAILED], done.stdout)
        self.assertFalse(os.path.exists(os.path.join(card, FLAG)), "the old flag stayed")
        self.assertFalse(os.path.exists(os.path.join(card, PACK)), "the short upload stayed")

    def test_old_flag_the_server_will_not_delete_stops_the_upload(self):
        """DELE of the old flag refused, and SIZE gives no answer: the flag
        counts as there, so nothing is uploaded beside it."""
        for name in (self.NO_SIZE, self.HANG_UP):
            card = os.path.join(self.root(name), "Storage Card")
            os.makedirs(card, exist_ok=True)
            with open(os.path.join(card, PACK), "wb") as f:
                f.write(b"an earlier pack")
            with open(os.path.join(card, FLAG), "wb") as f:
                f.write(b"11")
            uploads = len(self.events(name, "upload"))
            done = self.upgrade("M3710", self.pack["M3710"], (name,))
            self.assertEqual(done.returncode, 1, done.stdout + done.stderr)
            self.assertEqual([r[1] for r in final_table(done.stdout)], [OLD_FLAG_STAYS], name + done.stdout)
            with open(os.path.join(card, PACK), "rb") as f:
                self.assertEqual(f.read(), b"an earlier pack", name)
            self.assertEqual(len(self.events(name, "upload")), uploads, name)

    def test_refused_pack_reaches_no_terminal(self):
        before = self.uploads()
        # With a key trusted, a good pack without a signature is refused too.
        key = os.path.join(WORK, "site-key")
        for f in (key + ".key", key + ".pub"):
            if os.path.exists(f):
                os.remove(f)
        made = self.program.run(PACKTOOL, ["keygen", "-o", self.program.path(key)])
        self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
        with open(key + ".pub") as f:
            key_line = f.read().split("\n")[1]
        cases = ((self.pack["M2410"], "升级失败,M2410 与 M3710不能匹配", ()),
                 (self.pack["damaged"], "升级失败，升级包被损坏.", ()),
                 (self.pack["M3710"], "升级失败，升级包没有签名.", ("--trusted-key", key_line)))
        for pack, text, trust in cases:
            done = self.upgrade("M3710", pack, ("good1", "good2"), *trust)
            self.assertEqual(done.returncode, 2, done.stdout + done.stderr)
            self.assertIn(text, done.stdout)
            done = self.upgrade("M3710", pack, ("good1", "good2"), "--json", *trust)
            self.assertEqual(done.returncode, 2, done.stdout + done.stderr)
            document = json.loads(done.stdout)
            self.assertEqual(document["check"], {"accepted": False, "text": text})
            self.assertEqual((document["targets"], document["exit"]), ([], 2))
        self.assertEqual(self.uploads(), before)


class Usage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_environment()
        cls.program = Program()
        cls.pack = os.path.join(WORK, "usage", "M3710", PACK)
        cls.program.make_pack("M3710", write_source(os.path.join(WORK, "usage-source"), 4096, 3), cls.pack)

    @classmethod
    def tearDownClass(cls):
        cls.program.close()

    def test_loopback_address_is_refused(self):
        done = self.program.quillon("upgrade", "--model", "M3710", "--kind", "app",
                                    "--pack", self.program.path(self.pack), "--address", "127.0.0.1")
        self.assertEqual(done.returncode, 2, done.stdout + done.stderr)
        self.assertIn("address 127.0.0.1 cannot be used for a terminal", done.stdout + done.stderr)


class RecordedSysfs:
    """A sysfs tree and mount table as the kernel lays them out, with real
    symlinks: USB disks hang below their mass-storage interface."""

    def __init__(self, folder):
        self.folder = folder
        shutil.rmtree(folder, ignore_errors=True)
        self.root = os.path.join(folder, "sys")
        self.mounts = os.path.join(folder, "mounts")
        os.makedirs(os.path.join(self.root, "block"))
        self.lines = ["sysfs /sys sysfs rw,nosuid,nodev,noexec,relatime 0 0\n", "/dev/sda2 / ext4 rw 0 0\n"]

    @staticmethod
    def write(path, text):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)

    def add_usb_disk(self, port, vendor, product, serial, host, disk, mount_point):
        device = os.path.join(self.root, "devices", "pci0000:00", "0000:00:14.0", "usb1", port)
        self.write(os.path.join(device, "idVendor"), vendor + "\n")
        self.write(os.path.join(device, "idProduct"), product + "\n")
        self.write(os.path.join(device, "serial"), serial + "\n")
        interface = os.path.join(device, port + ":1.0")
        self.write(os.path.join(interface, "bInterfaceClass"), "08\n")
        scsi = "%d:0:0:0" % host
        scsi_folder = os.path.join(interface, "host%d" % host, "target%d:0:0" % host, scsi)
        self.write(os.path.join(scsi_folder, "vendor"), "Terminal\n")
        block = os.path.join(scsi_folder, "block", disk)
        self.write(os.path.join(block, "size"), "2048\n")
        self.write(os.path.join(block, "dev"), "8:0\n")
        self.write(os.path.join(block, disk + "1", "partition"), "1\n")
        os.symlink(os.path.relpath(block, os.path.join(self.root, "block")), os.path.join(self.root, "block", disk))
        os.symlink(os.path.join("..", "..", "..", scsi), os.path.join(block, "device"))
        os.makedirs(mount_point, exist_ok=True)
        escaped = mount_point.replace("\\", "\\134").replace(" ", "\\040")
        self.lines.append("/dev/%s1 %s vfat rw,nosuid,nodev,relatime 0 0\n" % (disk, escaped))
        with open(self.mounts, "w") as f:
            f.writelines(self.lines)


class SwapOnFirstRead:
    """Replaces a file's content the moment a reader first closes it
    (inotify IN_CLOSE_NOWRITE), as another program or a synced folder might."""

    IN_CLOSE_NOWRITE = 0x10

    def __init__(self, path, content):
        import ctypes
        import threading
        libc = ctypes.CDLL("libc.so.6", use_errno=True)
        self.fd = libc.inotify_init1(os.O_CLOEXEC)
        if self.fd < 0 or libc.inotify_add_watch(self.fd, path.encode(), self.IN_CLOSE_NOWRITE) < 0:
            raise OSError(ctypes.get_errno(), "inotify")
        self.path, self.content = path, content
        self.done = threading.Event()
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        import select
        if select.select([self.fd], [], [], 300)[0]:
            os.read(self.fd, 4096)
            with open(self.path, "r+b") as f:
                f.write(self.content)
                f.truncate()
            self.done.set()
        os.close(self.fd)

    def wait(self):
        self.thread.join(310)
        return self.done.is_set()


class UsbFolder(unittest.TestCase):
    def setUp(self):
        require_environment()
        self.program = Program()
        self.addCleanup(self.program.close)

    def fresh_case(self, name, seed, size=50000, pack_name=PACK):
        """A work folder of the case's own with an M2410 pack and an empty
        folder for the terminal's disk: (work, pack, disk)."""
        work = os.path.join(WORK, name)
        shutil.rmtree(work, ignore_errors=True)
        pack = self.program.make_pack("M2410", write_source(os.path.join(work, "source"), size, seed),
                                      os.path.join(work, "packs", pack_name))
        disk = os.path.join(work, "disk")
        os.makedirs(disk)
        return work, pack, disk

    def sign(self, work, pack):
        """A vendor key made for the case, and the pack signed with it: the key's path without extension."""
        key = os.path.join(work, "vendor")
        for args in (["keygen", "-o", self.program.path(key)],
                     ["sign", "--key", self.program.path(key + ".key"), self.program.path(pack)]):
            made = self.program.run(PACKTOOL, args)
            self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
        return key
    def test_copy_bears_the_kinds_pack_name(self):
        """Whatever the pack's file is called on the PC, the terminal finds it
        under the name it looks for, beside its flag."""
        program = self.program
        _, pack, disk = self.fresh_case("usb-name", 3, pack_name="AppPack_v2.zip")
        done = program.quillon("upgrade", "--model", "M2410", "--kind", "app", "--pack", program.path(pack),
                               "--usb", program.path(disk))
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertEqual(sorted(os.listdir(disk)), [FLAG, PACK])
        self.assertEqual(md5(os.path.join(disk, PACK)), md5(pack))
        self.assertEqual(os.path.getsize(os.path.join(disk, FLAG)), 0)

    def test_one_disk_given_twice_is_a_usage_error(self):
        program = self.program
        _, pack, disk = self.fresh_case("usb-twice", 3, size=5000)
        # Spelled with a trailing separator and a "." (which the Wine path
        # translation would not fold away).
        spelled = program.path(disk) + ("\\.\\" if WINE else "/./")
        done = program.quillon("upgrade", "--model", "M2410", "--kind", "app", "--pack", program.path(pack),
                               "--usb", program.path(disk), "--usb", spelled)
        self.assertEqual(done.returncode, 2, done.stdout + done.stderr)
        self.assertIn("one disk is given twice", done.stderr)
        self.assertIn("--usb " + spelled, done.stderr)
        self.assertEqual(os.listdir(disk), [])

    def test_pack_swapped_after_it_was_read_is_never_delivered(self):
        """A signed pack replaced by an unsigned one as soon as the tool has
        read it: the terminal gets the checked pack, and the record its digest."""
        program = self.program
        work, pack, disk = self.fresh_case("usb-swap", 4, size=200000)
        other = program.make_pack("M2410", write_source(os.path.join(work, "other"), 200000, 5),
                                  os.path.join(work, "other-pack", PACK))
        key = self.sign(work, pack)
        checked = md5(pack)
        with open(other, "rb") as f:
            swapped = f.read()
        watcher = SwapOnFirstRead(pack, swapped)
        log = os.path.join(work, "upgrades.jsonl")
        done = program.quillon("upgrade", "--model", "M2410", "--kind", "app", "--pack", program.path(pack),
                               "--usb", program.path(disk), "--trusted-key", program.path(key + ".pub"),
                               extra_env={"QUILLON_UPGRADE_LOG": program.path(log)})
        self.assertTrue(watcher.wait(), "the pack was never read")
        self.assertEqual(md5(pack), hashlib.md5(swapped).hexdigest(), "the swap happened")
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertEqual(md5(os.path.join(disk, PACK)), checked)
        with open(log, encoding="utf-8") as f:
            self.assertEqual(json.loads(f.readline())["pack_md5"], checked)

    def test_signed_pack_names_its_signer(self):
        """With a key trusted, a pack signed by it is delivered and its record
        names the key."""
        program = self.program
        work, pack, disk = self.fresh_case("usb-signed", 4)
        key = self.sign(work, pack)
        with open(key + ".pub") as f:
            key_id = f.readline().split()[-1]
        log = os.path.join(work, "upgrades.jsonl")
        done = program.quillon("upgrade", "--model", "M2410", "--kind", "app", "--pack", program.path(pack),
                               "--usb", program.path(disk), "--trusted-key", program.path(key + ".pub"),
                               extra_env={"QUILLON_UPGRADE_LOG": program.path(log)})
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertEqual(sorted(os.listdir(disk)), [FLAG, PACK])
        with open(log, encoding="utf-8") as f:
            record = json.loads(f.readline())
        self.assertEqual(record["signer"], key_id)
        self.assertTrue(record["trusted_comment"], "the verified trusted comment names the vendor's release")

        # The site's trust file applies without --trusted-key, which only adds keys to it.
        made = program.run(PACKTOOL, ["keygen", "-o", program.path(os.path.join(work, "other"))])
        self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
        with open(os.path.join(work, "other.pub")) as f:
            other_line = f.read().split("\n")[1]
        if WINE:
            # The release zip: Quillon.exe on top, quillon.exe in cli\.
            top = os.path.join(work, "release")
            os.makedirs(os.path.join(top, "cli"))
            open(os.path.join(top, "Quillon.exe"), "wb").close()
            cli, site, env = shutil.copy(CLI, os.path.join(top, "cli", "quillon.exe")), os.path.join(top, "trusted-keys.txt"), {}
        else:
            cli, site = CLI, os.path.join(work, "trusted-keys.txt")
            env = {"QUILLON_TRUST_FILE": site}
        cases = (("# " + other_line + "\n", ("--trusted-key", program.path(key + ".pub")), 2, "升级失败，受信任密钥文件有误."),
                 (other_line + "\n", (), 2, "升级失败，升级包的签名密钥不受信任."),
                 (other_line + "\r", ("--trusted-key", program.path(key + ".pub")), 0, None))
        for site_text, trust, code, text in cases:
            with self.subTest(site=site_text, trust=trust):
                shutil.rmtree(disk)
                os.makedirs(disk)
                with open(site, "w", newline="") as f:
                    f.write(site_text)
                done = program.run(cli, ["upgrade", "--model", "M2410", "--kind", "app", "--pack", program.path(pack),
                                         "--usb", program.path(disk), *trust],
                                   extra_env=dict(env, QUILLON_UPGRADE_LOG=program.path(log)))
                self.assertEqual(done.returncode, code, done.stdout + done.stderr)
                if text:
                    self.assertIn(text, done.stdout)
                    self.assertEqual(os.listdir(disk), [], "a refused pack reaches no disk")


@unittest.skipIf(WINE, "Linux USB disks are found through sysfs in the native build only")
class LinuxUsb(unittest.TestCase):
    def test_usb_disks_of_the_model(self):
        require_environment()
        program = Program()
        usb = os.path.join(WORK, "usb")
        shutil.rmtree(usb, ignore_errors=True)
        pack = program.make_pack("M2410", write_source(os.path.join(WORK, "usb-source"), 100000, 5),
                                 os.path.join(usb, "packs", "M2410", PACK))
        sysfs = RecordedSysfs(os.path.join(usb, "machine"))
        disks = [os.path.join(usb, name) for name in ("terminal-one", "terminal-two", "other-maker")]
        sysfs.add_usb_disk("1-1", "04cc", "1213", "5A6B7C", 6, "sdb", disks[0])
        sysfs.add_usb_disk("1-4", "0781", "5581", "4C530001", 8, "sdd", disks[2])
        sysfs.add_usb_disk("1-2", "04CC", "1213", "7D8E9F", 7, "sdc", disks[1])
        env = {"QUILLON_SYSFS_ROOT": sysfs.root, "QUILLON_MOUNTS": sysfs.mounts}

        listed = program.quillon("disks", "--model", "M2410", extra_env=env)
        self.assertEqual(listed.returncode, 0, listed.stdout + listed.stderr)
        lines = [line for line in listed.stdout.splitlines() if usb in line]
        self.assertEqual(len(lines), 2, listed.stdout)
        self.assertTrue(any(disks[0] in line for line in lines), listed.stdout)
        self.assertTrue(any(disks[1] in line for line in lines), listed.stdout)

        log = os.path.join(usb, "upgrades.jsonl")
        env["QUILLON_UPGRADE_LOG"] = log
        done = program.quillon("upgrade", "--model", "M2410", "--kind", "app", "--pack", pack, "--usb",
                               extra_env=env)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        rows = final_table(done.stdout)
        self.assertEqual(sorted((r[0].rstrip("/"), r[1]) for r in rows),
                         [(disks[0], SUCCESS), (disks[1], SUCCESS)], done.stdout)
        for disk in disks[:2]:
            self.assertEqual(md5(os.path.join(disk, PACK)), md5(pack), disk)
            self.assertEqual(os.path.getsize(os.path.join(disk, FLAG)), 0, disk)
        self.assertEqual(os.listdir(disks[2]), [])
        with open(log, encoding="utf-8") as f:
            ids = sorted(json.loads(line)["disk_id"] for line in f)
        self.assertEqual(ids, ["usb 04CC:1213 5A6B7C", "usb 04CC:1213 7D8E9F"])

        # The rerun knows each terminal by its disk, not by its path: a new
        # disk mounted where the first one was is due, the other is done.
        sysfs = RecordedSysfs(os.path.join(usb, "machine-2"))
        sysfs.add_usb_disk("1-1", "04cc", "1213", "9A0B1C", 6, "sdb", disks[0])
        sysfs.add_usb_disk("1-2", "04CC", "1213", "7D8E9F", 7, "sdc", disks[1])
        env.update({"QUILLON_SYSFS_ROOT": sysfs.root, "QUILLON_MOUNTS": sysfs.mounts})
        done = program.quillon("upgrade", "--model", "M2410", "--kind", "app", "--pack", pack,
                               "--usb", disks[0], "--usb", disks[1], "--skip-done", extra_env=env)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertEqual([r[1] for r in final_table(done.stdout)], [SUCCESS, "already done"], done.stdout)


if __name__ == "__main__":
    unittest.main(verbosity=2)
