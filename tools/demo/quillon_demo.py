#!/usr/bin/python3
"""Sets up a machine to try Quillon on and starts it: demo packs for every
model on the Wine Desktop, a recorded USB terminal disk (a folder), and a
simulated Ethernet terminal on a test host of its own. Everything lives
under the build folder; the test host is removed when the tool closes.

    quillon_demo.py BUILD_DIR        (called by scripts/run)
"""
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "terminal-sim"))
import sim_netns  # noqa: E402

MODELS = ["M2410", "M2450", "M3710", "M3750", "VK1200", "HTR940", "M2480"]
TERMINAL_ADDRESS = "198.51.100.11"


def windows_path(unix_path):
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def wine_env(prefix):
    return dict(os.environ, WINEPREFIX=prefix, WINEARCH="win64", WINEDEBUG="-all", LANG="zh_CN.UTF-8",
                LC_ALL="zh_CN.UTF-8", WINEDLLOVERRIDES="mscoree,mshtml=")


def desktop_folder(prefix):
    users = os.path.join(prefix, "drive_c", "users")
    for user in sorted(os.listdir(users)):
        if user != "Public" and os.path.isdir(os.path.join(users, user, "Desktop")):
            return os.path.join(users, user, "Desktop")
    raise SystemExit("demo: no Desktop folder in the Wine prefix")


def make_packs(env, packtool, work, desktop):
    source = os.path.join(work, "pack-source")
    shutil.rmtree(source, ignore_errors=True)
    os.makedirs(os.path.join(source, "bin"))
    with open(os.path.join(source, "bin", "app.bin"), "wb") as f:
        f.write(os.urandom(512 * 1024))
    with open(os.path.join(source, "version.txt"), "w") as f:
        f.write("demo software 2.0\n")
    packs = os.path.join(desktop, "QuillonDemo")
    shutil.rmtree(packs, ignore_errors=True)
    for model in MODELS:
        os.makedirs(os.path.join(packs, model))
        out = os.path.join(packs, model, "AppUpgradePack.zip")
        made = subprocess.run(["wine", packtool, "make", "--model", model, "--kind", "app", "-o",
                               windows_path(out), windows_path(source)], env=env, capture_output=True)
        if made.returncode != 0:
            raise SystemExit("demo: packtool make failed for %s" % model)
    return packs


def main(argv):
    build = os.path.abspath(argv[0])
    prefix = os.path.join(build, "wineprefix")
    env = wine_env(prefix)
    exe = os.path.join(build, "win64", "bin", "Quillon.exe")
    packtool = os.path.join(build, "win64", "bin", "packtool.exe")
    work = os.path.join(build, "demo")
    program = os.path.join(work, "program")
    disk = os.path.join(work, "usb-terminal-disk")
    for folder in (program, disk):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    shutil.copyfile(exe, os.path.join(program, "Quillon.exe"))
    packs = make_packs(env, packtool, work, desktop_folder(prefix))
    recording = os.path.join(work, "disks.txt")
    with open(recording, "w") as f:
        f.write("usb 04CC 1213 DEMO2410 %s\\\n" % windows_path(disk))

    terminals = sim_netns.Terminals("d", os.path.join(work, "terminals"))
    terminal = None
    try:
        os.makedirs(terminals.directory, exist_ok=True)
        terminal = terminals.start("terminal", TERMINAL_ADDRESS)
    except sim_netns.NetnsError as e:
        print("demo: no simulated Ethernet terminal (%s); USB works without it" % e)

    print("Quillon demo")
    print("  Packs:     Desktop\\QuillonDemo\\<model>\\AppUpgradePack.zip (in the chooser: 桌面 > QuillonDemo)")
    print("  USB:       choose M2410, 加载升级包, pick the M2410 pack, 确定, 开始升级, Enter after the banner.")
    print("             The pack and AppUpgradeFlag.cfg land in %s" % disk)
    if terminal:
        print("  Ethernet:  choose M3710 (or M3750, VK1200), type %s, load that model's pack, 开始升级." % TERMINAL_ADDRESS)
        print("             Files land in %s (M3710: \"Storage Card\", M3750: \"HardDisk\");" % terminal["root"])
        print("             the terminal's journal is %s" % terminal["journal"])
    print("  Close the window to end the demo.")
    try:
        subprocess.run(["wine", os.path.join(program, "Quillon.exe")],
                       env=dict(env, QUILLON_DISK_RECORDING=windows_path(recording)))
    finally:
        terminals.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
