#!/usr/bin/python3
"""The whole program, driven as an operator drives it: Quillon.exe under
Wine on the X display, real mouse clicks and key presses, the windows'
state read back by the probe, screenshots under build/screenshots.

USB: the terminal's disk comes from a recorded machine whose disk is a
folder. Ethernet: simulated terminals on test hosts in network namespaces
(198.51.100.0/24), made and removed by the test."""
import hashlib
import json
import os
import shutil
import subprocess
import sys
import time
import unittest

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
RED = (229, 59, 55)          # address mark 234
START_COMMAND = "040000000100000000"

# Main window controls.
MODEL = {"M2410": "213", "M3710": "214", "VK1200": "222"}
USB, ETHERNET, DISK, ADDRESS, LOAD, START, CLOSE = "220", "219", "221", "204", "218", "205", "211"
OK, CANCEL, DASH = "245", "244", "243"


def md5(path):
    with open(path, "rb") as f:
        return hashlib.md5(f.read()).hexdigest()


class ToolSession(unittest.TestCase):
    """One running Quillon.exe per test, with packs on the Desktop and a
    recorded terminal disk."""

    @classmethod
    def setUpClass(cls):
        for name, value in (("QUILLON_EXE", EXE), ("QUILLON_PROBE", PROBE), ("QUILLON_PACKTOOL", PACKTOOL),
                            ("QUILLON_WINEPREFIX", PREFIX), ("QUILLON_WORK", WORK)):
            if not value:
                raise unittest.SkipTest("%s is not set (run through ctest)" % name)
        cls.desk = Desktop(PREFIX, SCREENSHOTS or os.path.join(WORK, "screenshots"))
        cls.program = os.path.join(WORK, "program")      # Quillon.exe, its working folder and flag
        cls.disk = os.path.join(WORK, "terminal-disk")   # the terminal's USB disk
        cls.recording = os.path.join(WORK, "disks.txt")
        cls.packs = os.path.join(cls.desk.user_folder("Desktop"), "QuillonTest")
        for folder in (cls.program, cls.disk, cls.packs):
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
        shutil.copyfile(EXE, os.path.join(cls.program, "Quillon.exe"))
        source = os.path.join(WORK, "pack-source")
        shutil.rmtree(source, ignore_errors=True)
        os.makedirs(os.path.join(source, "bin"))
        with open(os.path.join(source, "bin", "app.bin"), "wb") as f:
            f.write(bytes(range(256)) * 300)
        with open(os.path.join(source, "readme.txt"), "w") as f:
            f.write("terminal software\n")
        for model in ("M2410", "M3710", "VK1200"):
            os.makedirs(os.path.join(cls.packs, model))
            cls.desk.packtool(PACKTOOL, "make", "--model", model, "--kind", "app", "-o",
                              windows_path(os.path.join(cls.packs, model, "AppUpgradePack.zip")), windows_path(source))
        # What the chooser must not offer, or not offer as a pack.
        m2410 = os.path.join(cls.packs, "M2410")
        shutil.copyfile(os.path.join(m2410, "AppUpgradePack.zip"), os.path.join(m2410, "appupgradepack.zip"))
        shutil.copyfile(os.path.join(m2410, "AppUpgradePack.zip"), os.path.join(m2410, "Other.zip"))
        os.makedirs(os.path.join(m2410, "old.zip"))

    def setUp(self):
        for root in ("HKLM", "HKCU"):
            self.desk.wine("reg", "delete", root + "\\Software\\Ystrel", "/f")
        self.plug_disk(True)
        self.log = os.path.join(WORK, "upgrades-%s.jsonl" % self.id().split(".")[-1])
        if os.path.exists(self.log):
            os.remove(self.log)
        self.desk.start_tool(os.path.join(self.program, "Quillon.exe"),
                             {"QUILLON_DISK_RECORDING": windows_path(self.recording),
                              "QUILLON_UPGRADE_LOG": windows_path(self.log)})
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
                f.write("usb 04CC 1213 5A6B7C %s\\\n" % windows_path(self.disk))

    def pixel(self, image, x, y):
        return image.getpixel((x, y))

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

    def reveal(self, text, depth):
        """The tree item, scrolled into view with the mouse wheel if need be."""
        self.desk.wait_for(lambda: self.tree_item(text, depth), 10, what="tree item " + text)
        for _ in range(60):
            chooser = self.chooser()
            tree = chooser["controls"]["246"]["rect"]
            items = chooser["tree"]
            shown = [i for i, it in enumerate(items)
                     if it["rect"][3] > it["rect"][1] and it["rect"][1] >= tree[1] and it["rect"][3] <= tree[3] - 16]
            index = next(i for i, it in enumerate(items) if it["text"] == text and it["depth"] == depth)
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
        """Opens the chooser, unfolds Desktop/QuillonTest/<model> and takes its pack."""
        self.open_chooser()
        self.expand("桌面", 0)
        self.expand("QuillonTest", 1)
        self.expand(model, 2)
        self.desk.click_rect(self.reveal("AppUpgradePack.zip", 3)["rect"])
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
            shot = self.desk.screenshot(shot_name)
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
        self.assertEqual(state["combo"]["items"], [windows_path(self.disk) + "\\"])
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
        self.expand("桌面", 0)
        self.expand("QuillonTest", 1)
        self.expand("M2410", 2)
        children = self.children("M2410", 2)
        self.assertEqual(children, ["old.zip", "AppUpgradePack.zip"])
        self.desk.click_rect(self.reveal("old.zip", 3)["rect"])
        self.assertFalse(self.chooser()["controls"][OK]["enabled"])
        self.desk.click_rect(self.reveal("AppUpgradePack.zip", 3)["rect"])
        self.desk.wait_for(lambda: self.chooser()["controls"][OK]["enabled"], 10, what="确定 enabled")
        self.desk.screenshot("main_chooser")
        self.desk.click_rect(self.chooser()["controls"][OK]["rect"])
        self.desk.wait_for(lambda: not self.chooser()["found"], 10, what="the chooser to close")

        self.desk.wait_for(lambda: self.control(START)["enabled"], 10, what="开始升级 enabled")
        shot = self.desk.screenshot("main_usb")
        self.assertTrue(near(self.start_button_colour(shot), ACCENT), self.start_button_colour(shot))

        # The disk goes and comes back, announced as the system does.
        self.plug_disk(False)
        self.assertTrue(self.desk.ask("devchange removal")["sent"])
        state = self.main()
        self.assertEqual(state["combo"]["items"], [])
        self.assertFalse(state["controls"][START]["enabled"])
        shot = self.desk.screenshot("main_usb_no_disk")
        self.assertTrue(near(self.start_button_colour(shot), DISABLED), self.start_button_colour(shot))
        self.plug_disk(True)
        self.assertTrue(self.desk.ask("devchange arrival")["sent"])
        self.assertEqual(self.main()["combo"]["items"], [windows_path(self.disk) + "\\"])
        self.assertTrue(self.control(START)["enabled"])

        self.start_and_finish("banner_usb")
        pack = os.path.join(self.packs, "M2410", "AppUpgradePack.zip")
        self.assertEqual(md5(os.path.join(self.disk, "AppUpgradePack.zip")), md5(pack))
        self.assertEqual(os.path.getsize(os.path.join(self.disk, "AppUpgradeFlag.cfg")), 0)
        self.assertFalse(os.path.exists(os.path.join(self.program, "temp")))
        with open(self.log, encoding="utf-8") as f:
            records = [json.loads(line) for line in f]
        self.assertEqual([(r["model"], r["connection"], r["target"], r["result"], r["pack_md5"]) for r in records],
                         [("M2410", "usb", windows_path(self.disk) + "\\", "success", md5(pack))])
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
        self.assertIn(self.desk.drive_c_path(pack).lower(), remembered.lower())

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
        self.desk.wait_for(lambda: self.desk.ask("progress").get("visible"), 20, what="the progress window")
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


class EthernetUpgrade(ToolSession):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.terminals = sim_netns.Terminals("g", os.path.join(WORK, "terminals"))
        try:
            os.makedirs(cls.terminals.directory, exist_ok=True)
            cls.normal = cls.terminals.start("normal", "198.51.100.11")
            cls.refusing = cls.terminals.start("refusing", "198.51.100.12", ["refuse-login"])
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
        self.desk.screenshot("main_ethernet")
        self.start_and_finish("banner_ethernet")
        card = os.path.join(self.normal["root"], "Storage Card")
        self.assertEqual(md5(os.path.join(card, "AppUpgradePack.zip")),
                         md5(os.path.join(self.packs, "M3710", "AppUpgradePack.zip")))
        with open(os.path.join(card, "AppUpgradeFlag.cfg"), "rb") as f:
            self.assertEqual(f.read(), b"11")

        # VK1200: the pack to the root, then the start command instead of a flag.
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
