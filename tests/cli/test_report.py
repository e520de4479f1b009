#!/usr/bin/python3
"""`quillon report` as a whole program: an upgrade log with a rotated part,
a broken line, two packs and a USB record, an inventory with a terminal
never tried; the table, the JSON document, and the page rendered by
headless Chromium (Debian's chromium) to a screenshot whose pixels show
the site bars.

Run through ctest (cli_report_native_test, cli_report_wine_test) or by hand with:
  QUILLON_CLI          the program (quillon or quillon.exe)
  QUILLON_CLI_RUNNER   "" natively, "wine" for quillon.exe (QUILLON_WINEPREFIX)
  QUILLON_WORK         scratch folder
  QUILLON_SCREENSHOTS  where the page's screenshot goes as report_page.png (optional)
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from ctest_env import fresh_work, settings, wine_path  # noqa: E402

CLI, RUNNER, WORK, SCREENSHOTS = settings("QUILLON_CLI", "QUILLON_CLI_RUNNER", "QUILLON_WORK", "QUILLON_SCREENSHOTS")
WINE = RUNNER == "wine"
CHROMIUM = "/usr/bin/chromium"
MD5_APP = "0cc175b9c0f1b6a831c399e269772661"
MD5_SYSTEM = "92eb5ffee6ae2fec3ad71c777531578f"
SUCCESS = "请重启设备完成升级！"
CONNECT_FAILED = "终端连接失败."
GREEN, RED = (0x2E, 0x7D, 0x32), (0xC6, 0x28, 0x28)


def record(time, target, md5, result, text, disk_id=None, pack="AppUpgradePack.zip"):
    line = {"time": time, "version": "V1.0.0.0", "pc": "JUMP-1", "model": "M3710", "variant": "",
            "connection": "usb" if disk_id is not None else "ethernet", "target": target}
    if disk_id is not None:
        line["disk_id"] = disk_id
    line.update({"pack_name": pack, "pack_size": 1024, "pack_md5": md5, "signer": "A1B2C3D4E5F60718",
                 "steps": [{"fraction": 0, "text": "正准备升级..."}], "result": result, "final_text": text,
                 "seconds": 1.5})
    return json.dumps(line, ensure_ascii=False) + "\n"


class ReportTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        fresh_work(WORK, QUILLON_CLI=CLI)
        cls.env = dict(os.environ, LANG="C.UTF-8")
        cls.env.pop("QUILLON_UPGRADE_LOG", None)
        if WINE:
            prefix = os.environ.get("QUILLON_WINEPREFIX", "")
            if not prefix:
                raise unittest.SkipTest("QUILLON_WINEPREFIX is not set (run through ctest)")
            cls.env.update(WINEPREFIX=prefix, WINEARCH="win64", WINEDEBUG="-all",
                           WINEDLLOVERRIDES="mscoree,mshtml=")
        cls.log = os.path.join(WORK, "upgrades.jsonl")
        # Set aside before the log: the first, failed attempt at .21.
        with open(os.path.join(WORK, "upgrades.1.jsonl"), "w", encoding="utf-8") as f:
            f.write(record("2026-12-08T09:00:00Z", "198.51.100.21", MD5_APP, "failure", CONNECT_FAILED))
        with open(cls.log, "w", encoding="utf-8") as f:
            f.write(record("2026-12-08T10:00:00Z", "198.51.100.21", MD5_APP, "success", SUCCESS))
            f.write(record("2026-12-08T10:00:05Z", "198.51.100.22", MD5_APP, "failure", CONNECT_FAILED))
            f.write('{"time":"2026-12-08T10:00:09Z","version":"V1.0.0.0","pc":"JUMP-1","mod\n')
            f.write(record("2026-12-08T10:00:10Z", "198.51.100.24", MD5_APP, "failure", CONNECT_FAILED))
            f.write(record("2026-12-08T10:00:12Z", "198.51.100.25", MD5_APP, "success", SUCCESS))
            f.write(record("2026-12-07T08:00:00Z", "E:\\", MD5_SYSTEM, "success", SUCCESS,
                           disk_id="usb 04CC:1213 5A6B7C", pack="SystemUpgradePack.zip"))
        cls.inventory = os.path.join(WORK, "sites.csv")
        with open(cls.inventory, "w", encoding="utf-8") as f:
            f.write("# address, name, site\n198.51.100.21, 馈线 1, 北站\n198.51.100.22, 馈线 2, 北站\n"
                    "198.51.100.23, 馈线 3, 南站\n198.51.100.24, 馈线 4, 南站\n198.51.100.25, 馈线 5, 南站\n")

    def path(self, unix_path):
        return wine_path(unix_path) if WINE else unix_path

    def quillon(self, *args, extra_env=None):
        command = ([RUNNER] if RUNNER else []) + [CLI, "report"] + list(args)
        result = subprocess.run(command, env=dict(self.env, **(extra_env or {})), cwd=WORK, capture_output=True,
                                timeout=300)
        result.stdout = result.stdout.decode("utf-8", errors="replace").replace("\r\n", "\n")
        result.stderr = result.stderr.decode("utf-8", errors="replace").replace("\r\n", "\n")
        return result

    def test_json_from_the_default_log_and_its_rotated_part(self):
        run = self.quillon("--json", "--targets", self.path(self.inventory),
                           extra_env={"QUILLON_UPGRADE_LOG": self.path(self.log)})
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertIn("upgrades.jsonl line 3: not a JSON record, read past", run.stderr)
        doc = json.loads(run.stdout)
        rows = {(t["target"], t["pack_md5"]): t for t in doc["targets"]}
        first = rows[("198.51.100.21", MD5_APP)]
        self.assertEqual((first["result"], first["text"], first["attempts"], first["name"], first["site"]),
                         ("success", SUCCESS, 2, "馈线 1", "北站"))
        self.assertEqual(first["signer"], "A1B2C3D4E5F60718")
        self.assertEqual(rows[("198.51.100.23", MD5_APP)]["result"], "never tried")
        # The system pack is apart: its USB terminal by its disk's identity.
        self.assertEqual(rows[("usb 04CC:1213 5A6B7C", MD5_SYSTEM)]["result"], "success")
        self.assertEqual(rows[("198.51.100.21", MD5_SYSTEM)]["result"], "never tried")
        self.assertEqual(doc["totals"]["packs"][MD5_APP], {"success": 2, "failure": 2, "never tried": 1})
        self.assertEqual(doc["totals"]["sites"]["南站"], {"success": 1, "failure": 1, "never tried": 4})
        self.assertEqual(doc["totals"]["failures"], [{"text": CONNECT_FAILED, "count": 2}])
        self.assertEqual(len(doc["warnings"]), 1)

    def test_table_since_and_a_log_that_is_missing(self):
        run = self.quillon("--log", self.path(self.log), "--since", "2026-12-08T10:00:10Z")
        self.assertEqual(run.returncode, 0, run.stderr)
        lines = run.stdout.splitlines()
        self.assertEqual(lines[0].split(), ["target", "name", "site", "result", "attempts", "time", "pack", "text"])
        self.assertEqual([line.split()[0] for line in lines[1:3]], ["198.51.100.24", "198.51.100.25"])
        self.assertIn("totals: failure 1, success 1", run.stdout)
        missing = self.quillon("--log", self.path(os.path.join(WORK, "none.jsonl")))
        self.assertEqual(missing.returncode, 2)
        self.assertIn("cannot read upgrade log", missing.stderr)

    def test_page_renders_with_its_bars(self):
        # Relative paths, as an operator types them in the log's folder (and as the page then shows them).
        page = os.path.join(WORK, "report.html")
        run = self.quillon("--log", "upgrades.jsonl", "--targets", "sites.csv", "--html", "report.html")
        self.assertEqual(run.returncode, 0, run.stderr)
        with open(page, encoding="utf-8") as f:
            html = f.read()
        self.assertIn("<svg", html)
        self.assertIn("<h2>失败原因</h2>", html)
        for outside in ("<script", "http:", "https:", "src=", "href=", "url(", "@import", "<link"):
            self.assertNotIn(outside, html.lower())
        self.assertTrue(os.path.exists(CHROMIUM), "Debian's chromium is not installed (scripts/setup installs it)")
        shot = os.path.join(WORK, "report_page.png")
        profile = tempfile.mkdtemp(prefix="chromium-", dir=WORK)
        subprocess.run([CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                        "--no-first-run", "--disable-background-networking", "--disable-component-update",
                        "--disable-sync", "--hide-scrollbars", "--user-data-dir=" + profile,
                        "--window-size=1100,1250", "--screenshot=" + shot, "file://" + page],
                       capture_output=True, timeout=120)
        shutil.rmtree(profile, ignore_errors=True)
        self.assertTrue(os.path.exists(shot), "chromium took no screenshot")
        image = Image.open(shot).convert("RGB")
        colours = image.getcolors(image.width * image.height)
        ink = sum(n for n, c in colours if c != (255, 255, 255))
        self.assertGreater(ink, image.width * image.height // 50, "the page is blank")

        def count(colour):
            return sum(n for n, c in colours if all(abs(a - b) <= 12 for a, b in zip(c, colour)))
        # The bars of the app pack: North 1 done / 1 failed, South 1 / 1 / 1.
        self.assertGreater(count(GREEN), 5000, "no done bars")
        self.assertGreater(count(RED), 5000, "no failed bars")
        if SCREENSHOTS:
            os.makedirs(SCREENSHOTS, exist_ok=True)
            shutil.copyfile(shot, os.path.join(SCREENSHOTS, "report_page.png"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
