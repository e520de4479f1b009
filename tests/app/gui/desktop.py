"""Drives Quillon.exe under Wine the way a person does: mouse clicks and
key presses through the X server (xdotool), screenshots of the screen
(ImageMagick), and the windows' state read back by the probe program
(UiProbe), which runs in the same Wine session."""
import json
import os
import select
import shutil
import subprocess
import time

from PIL import Image


def windows_path(unix_path):
    """The Wine path of a Unix path (through drive Z:)."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


class Desktop:
    def __init__(self, prefix, screenshots):
        self.prefix = prefix
        self.screenshots = screenshots
        os.makedirs(screenshots, exist_ok=True)
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEARCH="win64", WINEDEBUG="-all",
                        LANG="zh_CN.UTF-8", LC_ALL="zh_CN.UTF-8", WINEDLLOVERRIDES="mscoree,mshtml=")
        if "DISPLAY" not in self.env:
            raise RuntimeError("no X display: the window tests need DISPLAY")
        self.tool = None
        self.earlier_tools = []
        self.probe = None

    # ---- the Wine session ----------------------------------------------------

    def user_folder(self, name):
        """A shell folder of the Wine user (Desktop, Documents), as a Unix path."""
        users = os.path.join(self.prefix, "drive_c", "users")
        for user in sorted(os.listdir(users)):
            if user != "Public" and os.path.isdir(os.path.join(users, user, name)):
                return os.path.join(users, user, name)
        raise RuntimeError("no %s folder in the Wine prefix" % name)

    def map_drive(self, letter, unix_folder, label=None):
        """Makes drive LETTER: of the Wine session the folder unix_folder, as
        a disk of a PC is (D: for data, E: for a USB disk). Wine reads the
        volume label from .windows-label in the drive's root."""
        link = os.path.join(self.prefix, "dosdevices", letter.lower() + ":")
        if os.path.islink(link) or os.path.exists(link):
            os.remove(link)
        os.symlink(os.path.abspath(unix_folder), link)
        if label:
            with open(os.path.join(unix_folder, ".windows-label"), "w", encoding="utf-8") as f:
                f.write(label + "\n")

    def wine(self, *args, **kwargs):
        # Console programs of the Wine session write the ANSI code page (936).
        return subprocess.run(["wine"] + list(args), env=self.env, capture_output=True, encoding="gbk",
                              errors="replace", **kwargs)

    def packtool(self, exe, *args):
        """Runs packtool.exe, which must succeed. packtool prints a reason for
        every failure, so a failure with no output at all means Wine did not
        run it: that one attempt is repeated once, and anything else is raised
        with its exit status."""
        for attempt in (1, 2):
            done = self.wine(exe, *args)
            if done.returncode == 0:
                return done
            if done.stdout or done.stderr or attempt == 2:
                raise AssertionError("packtool %s: exit %d (attempt %d)\n%s%s" % (
                    " ".join(args), done.returncode, attempt, done.stdout, done.stderr))
            time.sleep(1)

    def start_tool(self, exe, extra_env=None, cwd=None):
        env = dict(self.env, **(extra_env or {}))
        if self.tool:
            self.earlier_tools.append(self.tool)  # a second instance, or one that ended: waited for on close
        self.tool = subprocess.Popen(["wine", exe], env=env, cwd=cwd, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

    def start_probe(self, probe_exe):
        self.probe = subprocess.Popen(["wine", probe_exe], env=self.env, stdin=subprocess.PIPE,
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, encoding="utf-8", bufsize=1)

    def ask(self, command, timeout=30):
        self.probe.stdin.write(command + "\n")
        self.probe.stdin.flush()
        ready, _, _ = select.select([self.probe.stdout], [], [], timeout)
        if not ready:
            raise RuntimeError("the probe did not answer %r within %d s" % (command, timeout))
        line = self.probe.stdout.readline()
        if not line:
            raise RuntimeError("the probe ended")
        return json.loads(line)

    def tool_ended(self, timeout=10):
        try:
            self.tool.wait(timeout)
            return True
        except subprocess.TimeoutExpired:
            return False

    def _end_tool(self):
        for tool in self.earlier_tools + ([self.tool] if self.tool else []):
            if tool.poll() is None:
                tool.kill()
            tool.wait()
        self.earlier_tools = []
        self.tool = None

    def close(self):
        """Ends the probe and the tool, waits for both and closes their pipes."""
        if self.probe:
            try:
                self.probe.stdin.write("quit\n")
                self.probe.stdin.flush()
                self.probe.wait(10)
            except (OSError, subprocess.TimeoutExpired):
                self.probe.kill()
                self.probe.wait()
            for stream in (self.probe.stdin, self.probe.stdout):
                try:
                    stream.close()
                except OSError:
                    pass
            self.probe = None
        self._end_tool()
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)

    # ---- what a person does ----------------------------------------------------

    def click(self, x, y, double=False):
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)], check=True)
        time.sleep(0.15)
        subprocess.run(["xdotool", "click"] + (["--repeat", "2", "--delay", "80"] if double else []) + ["1"],
                       check=True)
        time.sleep(0.3)

    def click_rect(self, rect, double=False, dx=None):
        left, top, right, bottom = rect
        x = left + (dx if dx is not None else (right - left) // 2)
        self.click(x, (top + bottom) // 2, double)

    def wheel(self, rect, down=True):
        left, top, right, bottom = rect
        subprocess.run(["xdotool", "mousemove", "--sync", str((left + right) // 2), str((top + bottom) // 2),
                        "click", "5" if down else "4"], check=True)
        time.sleep(0.2)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "80", text], check=True)
        time.sleep(0.3)

    def key(self, *names):
        subprocess.run(["xdotool", "key", "--delay", "80"] + list(names), check=True)
        time.sleep(0.3)

    def screenshot(self, name):
        path = os.path.join(self.screenshots, name + ".png")
        subprocess.run(["import", "-window", "root", path], check=True, capture_output=True)
        with Image.open(path) as image:
            return image.convert("RGB")

    # ---- waiting -------------------------------------------------------------------

    @staticmethod
    def wait_for(condition, timeout=20, step=0.3, what="condition"):
        deadline = time.time() + timeout
        while True:
            value = condition()
            if value:
                return value
            if time.time() > deadline:
                raise AssertionError("timed out after %d s waiting for %s" % (timeout, what))
            time.sleep(step)


def near(colour, expected, tolerance=30):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def copy_file(source, target):
    os.makedirs(os.path.dirname(target), exist_ok=True)
    shutil.copyfile(source, target)
