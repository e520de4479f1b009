#!/usr/bin/python3
r"""The whole program, driven as an operator drives it: Quillon.exe under
Wine on the X display, real mouse clicks and key presses, the windows'
state read back by the probe, screenshots under build/screenshots.

The Wine session looks like an operator's PC, since its screenshots are the
pictures of the operator's guide: the packs on drive D: under 升级包\<model>,
the terminal's USB disk as drive E: (a recorded machine names E:\ as the
terminal's disk), nothing of the test on the Desktop.
Ethernet: simulated terminals on test hosts in network namespaces
(198.51.100.0/24), made and removed by the test."""
import hashlib
import json
import os
import random
import shutil
import subprocess
import sys
import time
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tools", "terminal-sim"))

from desktop import Desktop, near, windows_path  # noqa: E402
import sim_netns  # noqa: E402

EXE = os.environ.get("QUILLON_EXE", "")
PROBE = os.environ.get("QUILLON_PROBE", "")
PACKTOOL = os.environ.get("QUILLON_PACKTOOL", "")
PREFIX = os.environ.get("QUILLON_WINEPREFIX", "")
SCREENSHOTS = os.environ.get("QUILLON_SCREENSHOTS", "")
WORK = os.environ.get("QUILLON_WORK", "")

ACCENT = (30, 136, 229)      # an enabled "开始升级"
DISABLED = (190, 197, 209)   # a disabled one
GREEN = (46, 204, 113)       # address mark 233, success tick
RED = (229, 59, 55)          # address mark 234, failure cross
TRACK = (18, 70, 48)         # the progress track where it is not filled
DIALOG_FACE = (240, 240, 240)  # a system message box
START_COMMAND = "040000000100000000"
TERMINAL_DISK = "E:\\"       # the terminal's disk as the disk list shows it
DATA_DRIVE = "D: (数据)"      # the chooser's item of the PC's drive D:, labelled 数据
PACK_FOLDER = "升级包"

# Main window controls.
MODEL = {"M2410": "213", "M3710": "214", "VK1200": "222"}
USB, ETHERNET, DISK, ADDRESS, LOAD, START, CLOSE = "220", "219", "221", "204", "218", "205", "211"
OK, CANCEL, DASH = "245", "244", "243"


def md5(path):
    with open(path, "rb") as f:
        return hashlib.md5(f.read()).hexdigest()


class ToolSession(unittest.TestCase):
    """One running Quillon.exe per test, with packs on drive D: and a
    recorded terminal disk as drive E:."""

    SHOT_SUFFIX = ""  # added to the name of every screenshot of the flow

    @classmethod
    def setUpClass(cls):
        for name, value in (("QUILLON_EXE", EXE), ("QUILLON_PROBE", PROBE), ("QUILLON_PACKTOOL", PACKTOOL),
                            ("QUILLON_WINEPREFIX", PREFIX), ("QUILLON_WORK", WORK)):
            if not value:
                raise unittest.SkipTest("%s is not set (run through ctest)" % name)
        cls.desk = Desktop(PREFIX, SCREENSHOTS or os.path.join(WORK, "screenshots"))
        cls.disk = os.path.join(WORK, "terminal-disk")   # the terminal's USB disk, drive E:
        cls.drive_d = os.path.join(WORK, "drive-d")        # the PC's data disk
        cls.program = os.path.join(cls.drive_d, "Quillon")  # Quillon.exe, its working folder and flag
        cls.recording = os.path.join(WORK, "disks.txt")
        cls.packs = os.path.join(cls.drive_d, PACK_FOLDER)
        # Packs of earlier runs were put on the Desktop: none stays there.
        shutil.rmtree(os.path.join(cls.desk.user_folder("Desktop"), "QuillonTest"), ignore_errors=True)
        for folder in (cls.disk, cls.drive_d):
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
        os.makedirs(cls.program)
        os.makedirs(cls.packs)
        cls.desk.map_drive("D", cls.drive_d, "数据")
        cls.desk.map_drive("E", cls.disk)
        shutil.copyfile(EXE, os.path.join(cls.program, "Quillon.exe"))
        source = os.path.join(WORK, "pack-source")
        shutil.rmtree(source, ignore_errors=True)
        os.makedirs(os.path.join(source, "bin"))
        with open(os.path.join(source, "bin", "app.bin"), "wb") as f:
            f.write(bytes(range(256)) * 300)
        with open(os.path.join(source, "readme.txt"), "w") as f:
            f.write("terminal software\n")
        # Data that does not compress: the upload to a slow link lasts long
        # enough to be seen.
        with open(os.path.join(source, "bin", "data.bin"), "wb") as f:
            f.write(random.Random(7).randbytes(768 * 1024))
        for model in ("M2410", "M3710", "VK1200"):
            os.makedirs(os.path.join(cls.packs, model))
            cls.desk.packtool(PACKTOOL, "make", "--model", model, "--kind", "app", "-o",
                              windows_path(os.path.join(cls.packs, model, "AppUpgradePack.zip")), windows_path(source))
        # What the chooser must not offer, or not offer as a pack; the folder
        # named like a pack sits beside the M3710 pack, away from the
        # pictures of the M2410 flow.
        m2410 = os.path.join(cls.packs, "M2410")
        shutil.copyfile(os.path.join(m2410, "AppUpgradePack.zip"), os.path.join(m2410, "appupgradepack.zip"))
        shutil.copyfile(os.path.join(m2410, "AppUpgradePack.zip"), os.path.join(m2410, "Other.zip"))
        os.makedirs(os.path.join(cls.packs, "M3710", "old.zip"))

    def setUp(self):
        for root in ("HKLM", "HKCU"):
            self.desk.wine("reg", "delete", root + "\\Software\\Ystrel", "/f")
        self.plug_disk(True)
        self.log = os.path.join(WORK, "upgrades-%s.jsonl" % self.id().split(".")[-1])
        if os.path.exists(self.log):
            os.remove(self.log)
        # Started in its own folder, as a double click in Explorer starts it.
        self.desk.start_tool(os.path.join(self.program, "Quillon.exe"),
                             {"QUILLON_DISK_RECORDING": windows_path(self.recording),
                              "QUILLON_UPGRADE_LOG": windows_path(self.log)}, cwd=self.program)
        self.desk.start_probe(PROBE)
        self.desk.wait_for(lambda: self.main().get("visible"), 60, what="the main window")
        time.sleep(1)

    def tearDown(self):
        self.desk.close()

    # ---- reading the windows ---------------------------------------------------

    def main(self):
        return self.desk.ask("main")

    def control(self, cid):
        return self.main()["controls"][cid]

    def chooser(self):
        return self.desk.ask("chooser")

    def plug_disk(self, plugged):
        with open(self.recording, "w") as f:
            f.write("# a USB stick of another maker, always there\n")
            f.write("usb 0781 5567 OTHERSTICK %s\\\n" % windows_path(os.path.join(WORK, "other-stick")))
            if plugged:
                f.write("usb 04CC 1213 5A6B7C %s\n" % TERMINAL_DISK)

    def pixel(self, image, x, y):
        return image.getpixel((x, y))

    def shot(self, name):
        return self.desk.screenshot(name + self.SHOT_SUFFIX)

    def bright_pixels(self, image, box):
        """How many pixels of box (left, top, right, bottom) are light text
        on the dark progress window."""
        return sum(1 for v in image.crop(box).convert("L").getdata() if v > 180)

    def progress_shot(self, name, filled=None, empty=None, icon=None, timeout=30):
        """Screenshots the screen until the progress window shows a step, its
        track filled at the fraction `filled`, not yet at `empty`, and a line
        of text under it; or, with `icon`, the result banner: the icon of
        that colour and its text. Returns the screenshot."""
        found = []

        def ready():
            progress = self.desk.ask("progress")
            if not progress.get("visible"):
                return False
            left, top = progress["rect"][:2]
            image = self.shot(name)

            def track(fraction):
                return self.pixel(image, left + 115 + int(396 * fraction), top + 134)
            if icon:
                shown = near(self.pixel(image, left + 251, top + 123), icon, 40) and \
                    self.bright_pixels(image, (left + 275, top + 110, left + 520, top + 150)) > 30
            else:
                shown = near(track(filled), GREEN, 40) and near(track(empty), TRACK, 20) and \
                    self.bright_pixels(image, (left + 100, top + 150, left + 520, top + 168)) > 30
            if shown:
                found.append(image)
            return shown
        self.desk.wait_for(ready, timeout, step=0.5, what="the progress window of " + name)
        return found[0]

    def start_button_colour(self, shot):
        left, top, _, bottom = self.control(START)["rect"]
        return self.pixel(shot, left + 5, (top + bottom) // 2)

    # ---- what the operator does ------------------------------------------------

    def click(self, cid, **kw):
        self.desk.click_rect(self.control(cid)["rect"], **kw)

    def tree_item(self, text, depth=None):
        for item in self.chooser().get("tree", []):
            if item["text"] == text and (depth is None or item["depth"] == depth):
                return item
        return None

    def open_chooser(self):
        self.click(LOAD)
        return self.desk.wait_for(lambda: self.chooser().get("visible") and self.chooser(), 20,
                                  what="the pack chooser")

    def children(self, text, depth):
        items = self.chooser()["tree"]
        start = next(i for i, it in enumerate(items) if it["text"] == text and it["depth"] == depth)
        found = []
        for item in items[start + 1:]:
            if item["depth"] <= depth:
                break
            if item["depth"] == depth + 1:
                found.append(item["text"])
        return found

    @staticmethod
    def item_index(items, text, depth, parent=None):
        """The index of the first item with text at depth; with parent, the
        first whose folder one level up is named parent."""
        folder = None
        for i, item in enumerate(items):
            if item["depth"] == depth - 1:
                folder = item["text"]
            if item["text"] == text and item["depth"] == depth and (parent is None or folder == parent):
                return i
        return None

    def reveal(self, text, depth, parent=None):
        """The tree item, scrolled into view with the mouse wheel if need be."""
        self.desk.wait_for(lambda: self.item_index(self.chooser().get("tree", []), text, depth, parent) is not None,
                           10, what="tree item " + text)
        for _ in range(60):
            chooser = self.chooser()
            tree = chooser["controls"]["246"]["rect"]
            items = chooser["tree"]
            shown = [i for i, it in enumerate(items)
                     if it["rect"][3] > it["rect"][1] and it["rect"][1] >= tree[1] and it["rect"][3] <= tree[3] - 16]
            index = self.item_index(items, text, depth, parent)
            if index in shown:
                return items[index]
            self.desk.wheel(tree, down=not shown or index > shown[-1])
        raise AssertionError("tree item %s cannot be scrolled into view" % text)

    def expand(self, text, depth):
        item = self.reveal(text, depth)
        if not item["expanded"]:
            self.desk.click_rect(item["rect"], double=True)
            self.desk.wait_for(lambda: self.tree_item(text, depth)["expanded"], 10, what="%s expanded" % text)

    def choose_pack(self, model):
        """Opens the chooser, unfolds D:/升级包/<model> and takes its pack."""
        self.open_chooser()
        self.expand(DATA_DRIVE, 0)
        self.expand(PACK_FOLDER, 1)
        self.expand(model, 2)
        self.desk.click_rect(self.reveal("AppUpgradePack.zip", 3, model)["rect"])
        self.desk.wait_for(lambda: self.chooser()["controls"][OK]["enabled"], 10, what="确定 enabled")
        self.desk.click_rect(self.chooser()["controls"][OK]["rect"])
        self.desk.wait_for(lambda: not self.chooser()["found"], 10, what="the chooser to close")

    def type_address_after_click(self, address):
        """Clicks the middle of the empty box (a dot, in no field) and types
        the whole address with its dots."""
        left, top, right, bottom = self.control(ADDRESS)["rect"]
        self.desk.click((left + right) // 2, (top + bottom) // 2)
        self.desk.type(address)
        self.assertEqual(self.control(ADDRESS)["text"], address)

    def start_and_finish(self, shot_name):
        """Presses 开始升级, waits for the success banner and presses Enter."""
        self.click(START)
        progress = self.desk.wait_for(lambda: self.desk.ask("progress").get("visible") and self.desk.ask("progress"),
                                      20, what="the progress window")
        left, top = progress["rect"][0], progress["rect"][1]

        def banner():
            shot = self.shot(shot_name)
            return near(self.pixel(shot, left + 236 + 15, top + 120 + 3), GREEN, 40)
        self.desk.wait_for(banner, 60, step=1, what="the success banner")
        self.desk.key("Return")
        self.desk.wait_for(lambda: not self.desk.ask("progress")["found"], 10, what="the banner to close on Enter")
        self.desk.wait_for(lambda: self.control(START)["enabled"], 10, what="开始升级 enabled again")


class UsbUpgrade(ToolSession):
    def test_usb_upgrade_from_the_window(self):
        state = self.main()
        self.assertEqual(state["text"], "电能质量终端升级工具")
        c = state["controls"]
        self.assertEqual(c["213"]["checked"], 1)
        self.assertTrue(c[USB]["checked"] and c[USB]["enabled"])
        self.assertFalse(c[ETHERNET]["enabled"])
        self.assertTrue(c[DISK]["visible"])
        self.assertFalse(c[ADDRESS]["visible"])
        self.assertNotIn("234", c, "no verify button")
        self.assertEqual(state["combo"]["items"], [TERMINAL_DISK])
        self.assertFalse(c[START]["enabled"], "no pack yet")

        # An Ethernet model and back: the connection follows the model.
        self.click(MODEL["M3710"])
        c = self.main()["controls"]
        self.assertTrue(c[ETHERNET]["checked"] and c[ETHERNET]["enabled"])
        self.assertFalse(c[USB]["enabled"])
        self.assertTrue(c[ADDRESS]["visible"])
        self.assertFalse(c[DISK]["visible"])
        self.click(MODEL["M2410"])
        c = self.main()["controls"]
        self.assertTrue(c[USB]["checked"] and c[DISK]["visible"] and not c[ADDRESS]["visible"])

        # The chooser: only the exact pack names, folders first; a folder
        # named like a pack does not enable 确定.
        self.open_chooser()
        self.expand(DATA_DRIVE, 0)
        self.expand(PACK_FOLDER, 1)
        self.expand("M3710", 2)
        self.assertEqual(self.children("M3710", 2), ["old.zip", "AppUpgradePack.zip"])
        self.desk.click_rect(self.reveal("old.zip", 3)["rect"])
        self.assertFalse(self.chooser()["controls"][OK]["enabled"])
        self.desk.click_rect(self.reveal("M3710", 2)["rect"], double=True)
        self.desk.wait_for(lambda: not self.tree_item("M3710", 2)["expanded"], 10, what="M3710 folded")
        self.expand("M2410", 2)
        self.assertEqual(self.children("M2410", 2), ["AppUpgradePack.zip"])
        self.desk.click_rect(self.reveal("AppUpgradePack.zip", 3)["rect"])
        self.desk.wait_for(lambda: self.chooser()["controls"][OK]["enabled"], 10, what="确定 enabled")
        shot = self.shot("main_chooser")
        left, top, _, bottom = self.chooser()["controls"][OK]["rect"]
        self.assertTrue(near(self.pixel(shot, left + 5, (top + bottom) // 2), ACCENT), "确定 drawn enabled")
        self.desk.click_rect(self.chooser()["controls"][OK]["rect"])
        self.desk.wait_for(lambda: not self.chooser()["found"], 10, what="the chooser to close")

        self.desk.wait_for(lambda: self.control(START)["enabled"], 10, what="开始升级 enabled")
        shot = self.shot("main_usb")
        self.assertTrue(near(self.start_button_colour(shot), ACCENT), self.start_button_colour(shot))

        # The disk list dropped down: the terminal's disk, drawn over what was
        # under it, and taken with a click.
        self.click(DISK)
        self.desk.wait_for(lambda: self.main()["combo"]["dropped"], 10, what="the disk list to drop down")
        listed = self.shot("main_disk_list")
        left, _, right, bottom = self.control(DISK)["rect"]
        row = (left + 2, bottom + 2, right - 2, bottom + 14)
        before, after = (image.crop(row).convert("L").getdata() for image in (shot, listed))
        self.assertGreater(sum(abs(a - b) for a, b in zip(before, after)), 20 * 255, "the list is drawn under the box")
        self.desk.click(left + 30, bottom + 8)
        self.desk.wait_for(lambda: not self.main()["combo"]["dropped"], 10, what="the disk list to close")
        self.assertEqual(self.main()["combo"]["selected"], 0)

        # The disk goes and comes back, announced as the system does.
        self.plug_disk(False)
        self.assertTrue(self.desk.ask("devchange removal")["sent"])
        state = self.main()
        self.assertEqual(state["combo"]["items"], [])
        self.assertFalse(state["controls"][START]["enabled"])
        shot = self.shot("main_usb_no_disk")
        self.assertTrue(near(self.start_button_colour(shot), DISABLED), self.start_button_colour(shot))
        self.plug_disk(True)
        self.assertTrue(self.desk.ask("devchange arrival")["sent"])
        self.assertEqual(self.main()["combo"]["items"], [TERMINAL_DISK])
        self.assertTrue(self.control(START)["enabled"])

        self.start_and_finish("banner_usb")
        pack = os.path.join(self.packs, "M2410", "AppUpgradePack.zip")
        self.assertEqual(md5(os.path.join(self.disk, "AppUpgradePack.zip")), md5(pack))
        self.assertEqual(os.path.getsize(os.path.join(self.disk, "AppUpgradeFlag.cfg")), 0)
        self.assertFalse(os.path.exists(os.path.join(self.program, "temp")))
        with open(self.log, encoding="utf-8") as f:
            records = [json.loads(line) for line in f]
        self.assertEqual([(r["model"], r["connection"], r["target"], r["result"], r["pack_md5"]) for r in records],
                         [("M2410", "usb", TERMINAL_DISK, "success", md5(pack))])
        self.assertIn([0.85, "正在校验升级包..."], [[s["fraction"], s["text"]] for s in records[0]["steps"]])

        # The reopened chooser unfolds to the remembered pack; 取消 and "-"
        # keep it, 确定 returns it at once.
        for button in (CANCEL, DASH, OK):
            chooser = self.open_chooser()
            selected = [i for i in chooser["tree"] if i["selected"]]
            self.assertEqual([i["text"] for i in selected], ["AppUpgradePack.zip"])
            self.assertTrue(chooser["controls"][OK]["enabled"])
            self.desk.click_rect(chooser["controls"][button]["rect"])
            self.desk.wait_for(lambda: not self.chooser()["found"], 10, what="the chooser to close")
            self.assertTrue(self.control(START)["enabled"], "the pack stays after %s" % button)
        remembered = self.desk.wine("reg", "query", "HKCU\\Software\\Ystrel", "/v", "SelectedPath").stdout
        self.assertIn("D:\\升级包\\M2410\\AppUpgradePack.zip".lower(), remembered.lower())

        # Enter and Escape do nothing; the close button ends the program.
        self.desk.click(state["rect"][0] + 300, state["rect"][1] + 250)
        self.desk.key("Return", "Escape")
        time.sleep(1)
        self.assertTrue(self.main()["found"])
        self.assertFalse(self.desk.tool_ended(1))
        self.click(CLOSE)
        self.assertTrue(self.desk.tool_ended(15), "the close button ends the program")


class UsbUpgradeAt144Dpi(UsbUpgrade):
    """The whole USB upgrade again on a screen of 144 DPI (150 %), which Wine
    reports to the program without stretching it: every click of the flow
    above must still land, and the windows keep their pixel sizes."""

    SHOT_SUFFIX = "_144dpi"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.set_dpi(144)

    @classmethod
    def tearDownClass(cls):
        cls.set_dpi(96)
        super().tearDownClass()

    @classmethod
    def set_dpi(cls, dpi):
        cls.desk.wine("reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                      "/d", str(dpi), "/f")
        subprocess.run(["wineserver", "-w"], env=cls.desk.env, timeout=60)

    def test_windows_keep_their_pixel_size(self):
        def size(rect):
            return rect[2] - rect[0], rect[3] - rect[1]

        def inside(inner, outer):
            return outer[0] <= inner[0] and outer[1] <= inner[1] and inner[2] <= outer[2] and inner[3] <= outer[3]

        state = self.main()
        self.assertEqual(size(state["rect"]), (624, 369))
        # The disk combo box at its 96-DPI size, inside its panel.
        self.assertEqual(size(state["controls"][DISK]["rect"]), (138, 21))
        # The address takes a whole address typed after a click.
        self.click(MODEL["M3710"])
        self.type_address_after_click("198.51.100.11")
        self.desk.screenshot("main_ethernet_144dpi")
        # The address box keeps its 96-DPI size, inside its panel and clear
        # of the validity mark.
        self.assertEqual(size(self.control(ADDRESS)["rect"]), (125, 25))
        self.click(MODEL["M2410"])
        chooser = self.open_chooser()
        self.desk.screenshot("chooser_144dpi")
        self.assertLessEqual(size(chooser["rect"])[0], 400)
        for cid in (OK, CANCEL, DASH):
            self.assertTrue(inside(chooser["controls"][cid]["rect"], chooser["rect"]), cid)
        self.desk.click_rect(chooser["controls"][CANCEL]["rect"])
        self.desk.wait_for(lambda: not self.chooser()["found"], 10, what="the chooser to close")


class SignedPacks(ToolSession):
    """A site that trusts a key ("trusted-keys.txt" beside Quillon.exe):
    the unsigned pack is refused at the check's first step, the window
    closing by itself; signed, the same pack goes through, and the record
    names the key."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # The key pair and the signature are made before any window runs, as
        # the packs are; the signature waits beside the pack under another
        # name until the test puts it in place.
        cls.pack = os.path.join(cls.packs, "M2410", "AppUpgradePack.zip")
        key = os.path.join(WORK, "site-key")
        cls.held_signature = os.path.join(WORK, "AppUpgradePack.zip.minisig.held")
        for f in (key + ".key", key + ".pub", cls.held_signature, cls.pack + ".minisig"):
            if os.path.exists(f):
                os.remove(f)
        cls.desk.packtool(PACKTOOL, "keygen", "-o", windows_path(key))
        cls.desk.packtool(PACKTOOL, "sign", "--key", windows_path(key + ".key"), windows_path(cls.pack))
        os.replace(cls.pack + ".minisig", cls.held_signature)
        with open(key + ".pub") as f:
            cls.key_id = f.readline().split()[-1]
            cls.key_line = f.readline()

    def test_trusted_key_beside_the_program(self):
        pack, key_id = self.pack, self.key_id
        trust = os.path.join(self.program, "trusted-keys.txt")
        self.addCleanup(lambda: os.path.exists(trust) and os.remove(trust))
        self.addCleanup(lambda: os.path.exists(pack + ".minisig") and os.remove(pack + ".minisig"))
        with open(trust, "w") as f:
            f.write("# the vendor's key\n" + self.key_line)

        self.choose_pack("M2410")
        self.desk.wait_for(lambda: self.control(START)["enabled"], 10, what="开始升级 enabled")
        self.click(START)
        # Refused at the signature check, the first step of the check.
        self.progress_shot("run_refusal_unsigned", 0.1, 0.25)
        self.desk.wait_for(lambda: not self.desk.ask("progress")["found"], 20, what="the refusal to close by itself")
        self.assertEqual(os.listdir(self.disk), [], "nothing reaches the terminal")

        shutil.copyfile(self.held_signature, pack + ".minisig")
        self.desk.wait_for(lambda: self.control(START)["enabled"], 10, what="开始升级 enabled again")
        self.start_and_finish("banner_usb_signed")
        self.assertEqual(md5(os.path.join(self.disk, "AppUpgradePack.zip")), md5(pack))
        with open(self.log, encoding="utf-8") as f:
            records = [json.loads(line) for line in f]
        self.assertEqual([(r["result"], r["final_text"], r.get("signer")) for r in records],
                         [("refused", "升级失败，升级包没有签名.", None), ("success", "请重启设备完成升级！", key_id)])
        self.assertEqual(records[1]["steps"][1], {"fraction": 0.15, "text": ""})


class RefusedPacks(ToolSession):
    """Packs the check refuses before anything reaches the terminal: one
    damaged after it was made (a file no longer matches its MD5), and one
    whose verify record is cut short, which the program also tells in
    message boxes."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # No window manager runs on the test's X display, so nothing would
        # draw the message box's title bar; undecorated, Wine draws it
        # itself, as the system does on a PC.
        cls.x11_decorated("N")

    @classmethod
    def tearDownClass(cls):
        cls.x11_decorated(None)
        super().tearDownClass()

    @classmethod
    def x11_decorated(cls, value):
        key = "HKCU\\Software\\Wine\\X11 Driver"
        if value:
            cls.desk.wine("reg", "add", key, "/v", "Decorated", "/t", "REG_SZ", "/d", value, "/f")
        else:
            cls.desk.wine("reg", "delete", key, "/v", "Decorated", "/f")

    def replace_pack(self, change):
        """Puts in place of the M2410 pack a copy of the pack as made whose
        entries went through change(name, data); the pack as made comes back
        after the test."""
        pack = os.path.join(self.packs, "M2410", "AppUpgradePack.zip")
        kept = os.path.join(WORK, "pack-as-made.zip")
        if not os.path.exists(kept):
            shutil.copyfile(pack, kept)
            self.addCleanup(os.replace, kept, pack)
        with zipfile.ZipFile(kept) as made, zipfile.ZipFile(pack, "w") as changed:
            for info in made.infolist():
                changed.writestr(info, change(info.filename, made.read(info)))

    def alert(self, text):
        """Waits for the message box with `text` and returns its state."""
        def shown():
            box = self.desk.ask("alert")
            return box.get("visible") and box["controls"].get("65535", {}).get("text") == text and box
        return self.desk.wait_for(shown, 20, what="the message box " + text)

    def test_refused_packs_leave_the_terminal_untouched(self):
        def damaged(name, data):
            return bytes([data[0] ^ 0xFF]) + data[1:] if name.endswith("app.bin") else data

        def verify_cut_short(name, data):
            return data[:8] if name.endswith("UpgradePack.verify") else data

        self.replace_pack(damaged)
        self.choose_pack("M2410")
        self.desk.wait_for(lambda: self.control(START)["enabled"], 10, what="开始升级 enabled")
        self.click(START)
        # Refused at the MD5 check, after the pack was extracted.
        self.progress_shot("run_refusal_damaged", 0.55, 0.65)
        self.desk.wait_for(lambda: not self.desk.ask("progress")["found"], 20, what="the refusal to close by itself")

        self.replace_pack(verify_cut_short)
        self.desk.wait_for(lambda: self.control(START)["enabled"], 10, what="开始升级 enabled again")
        self.click(START)
        box = self.alert("读取升级包验证文件异常!")
        shot = self.shot("run_alert")
        left, top, right, bottom = box["rect"]
        self.assertTrue(near(self.pixel(shot, (left + right) // 2, bottom - 8), DIALOG_FACE, 20), "the message box")
        self.desk.click_rect(box["controls"][str(1)]["rect"])
        box = self.alert("该设备未写入设备信息!")
        self.desk.click_rect(box["controls"][str(1)]["rect"])
        self.desk.wait_for(lambda: not self.desk.ask("progress")["found"], 20, what="the refusal to close by itself")

        self.assertEqual(os.listdir(self.disk), [], "nothing reaches the terminal")
        with open(self.log, encoding="utf-8") as f:
            records = [json.loads(line) for line in f]
        self.assertEqual([r["result"] for r in records], ["refused", "refused"])
        self.assertEqual([r["final_text"] for r in records], ["升级失败，升级包被损坏.", "升级失败, 与 M2410不能匹配"])


class EthernetUpgrade(ToolSession):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.terminals = sim_netns.Terminals("g", os.path.join(WORK, "terminals"))
        try:
            os.makedirs(cls.terminals.directory, exist_ok=True)
            cls.normal = cls.terminals.start("normal", "198.51.100.11")
            cls.refusing = cls.terminals.start("refusing", "198.51.100.12", ["refuse-login"])
            # A field link slow enough to watch the upload, and a terminal
            # whose disk is full.
            cls.terminals.start("slow", "198.51.100.13", rate="800kbit")
            cls.terminals.start("full", "198.51.100.14", ["quota=4096"])
        except sim_netns.NetnsError as e:
            cls.terminals.stop()
            cls.netns_error = str(e)
        else:
            cls.netns_error = None

    @classmethod
    def tearDownClass(cls):
        cls.terminals.stop()

    def type_address(self, address):
        """Types each octet into its field, replacing what was there."""
        left, top, right, bottom = self.control(ADDRESS)["rect"]
        quarter = (right - left) // 4
        for i, octet in enumerate(address.split(".")):
            self.desk.click(left + i * quarter + quarter // 2, (top + bottom) // 2)
            self.desk.key("End", "shift+Home")
            self.desk.type(octet)
        self.assertEqual(self.control(ADDRESS)["text"], address)

    def mark_colour(self):
        shot = self.desk.screenshot("main_ethernet_mark")
        left, top = self.main()["rect"][:2]
        return self.pixel(shot, left + 502 + 8, top + 167 + 3)

    def test_ethernet_upgrades_from_the_window(self):
        if self.netns_error:
            self.fail("cannot make the test hosts for the Ethernet cases: " + self.netns_error)

        self.click(MODEL["M3710"])
        self.assertTrue(self.control(ADDRESS)["visible"])
        self.type_address_after_click("198.51.100.11")
        self.assertTrue(near(self.mark_colour(), GREEN), "valid address mark")
        self.assertFalse(self.control(START)["enabled"], "no pack yet")
        self.choose_pack("M3710")
        self.desk.wait_for(lambda: self.control(START)["enabled"], 10, what="开始升级 enabled")
        shot = self.shot("main_ethernet")
        self.assertTrue(near(self.start_button_colour(shot), ACCENT), self.start_button_colour(shot))
        self.start_and_finish("banner_ethernet")
        card = os.path.join(self.normal["root"], "Storage Card")
        self.assertEqual(md5(os.path.join(card, "AppUpgradePack.zip")),
                         md5(os.path.join(self.packs, "M3710", "AppUpgradePack.zip")))
        with open(os.path.join(card, "AppUpgradeFlag.cfg"), "rb") as f:
            self.assertEqual(f.read(), b"11")

        # On the slow link the window shows the run at its upload step.
        self.type_address("198.51.100.13")
        self.click(START)
        self.progress_shot("run_upload", 0.45, 0.7)
        self.progress_shot("run_success", icon=GREEN, timeout=90)
        self.desk.key("Return")
        self.desk.wait_for(lambda: not self.desk.ask("progress")["found"], 10, what="the banner to close on Enter")

        # A full terminal disk: the upload fails, the banner says so.
        self.type_address("198.51.100.14")
        self.desk.wait_for(lambda: self.control(START)["enabled"], 10, what="开始升级 enabled again")
        self.click(START)
        self.progress_shot("run_failure", icon=RED)
        self.desk.key("Return")
        self.desk.wait_for(lambda: not self.desk.ask("progress")["found"], 10, what="the banner to close on Enter")
        self.assertFalse(os.path.exists(os.path.join(self.terminals.started["full"]["root"], "Storage Card",
                                                     "AppUpgradeFlag.cfg")))

        # VK1200: the pack to the root, then the start command instead of a flag.
        self.type_address("198.51.100.11")
        self.click(MODEL["VK1200"])
        self.assertTrue(self.control(ETHERNET)["checked"])
        self.choose_pack("VK1200")
        self.start_and_finish("banner_vk1200")
        self.assertEqual(md5(os.path.join(self.normal["root"], "AppUpgradePack.zip")),
                         md5(os.path.join(self.packs, "VK1200", "AppUpgradePack.zip")))
        self.assertFalse(os.path.exists(os.path.join(self.normal["root"], "AppUpgradeFlag.cfg")))
        starts = [e for e in self.terminals.journal("normal") if e["event"] == "start"]
        self.assertEqual([e["hex"] for e in starts], [START_COMMAND])

        # A terminal that refuses the login: the window closes by itself.
        self.type_address("198.51.100.12")
        self.assertTrue(self.control(START)["enabled"])
        self.click(START)
        self.desk.wait_for(lambda: self.desk.ask("progress").get("visible"), 20, what="the progress window")
        self.desk.wait_for(lambda: not self.desk.ask("progress")["found"], 30,
                           what="the progress window to close by itself")
        logins = [e for e in self.terminals.journal("refusing") if e["event"] == "login"]
        self.assertTrue(logins and not any(e["ok"] for e in logins), logins)
        self.assertEqual([e for e in self.terminals.journal("refusing") if e["event"] == "upload"], [])

        # Loopback and the PC's own address are refused.
        own = self.desk.ask("localaddress")["address"]
        for address in ("127.0.0.1", own):
            self.type_address(address)
            self.assertFalse(self.control(START)["enabled"], address)
            self.assertTrue(near(self.mark_colour(), RED), "invalid mark for " + address)


if __name__ == "__main__":
    unittest.main(verbosity=2)
