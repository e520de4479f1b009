#!/usr/bin/python3
"""The command line against many terminals: one 64 MiB pack to eight
simulated terminals on test hosts in network namespaces (198.51.100.41-48,
made and removed here; needs root), with --jobs 1 and --jobs 4, three
rounds each; wall-time and CPU-time medians, the wall ratio, and the peak resident
memory of the quillon process for 1, 4 and 8 targets.

    bench/cli [--rounds N] [--mib N] [--program PATH --packtool PATH]

Without --program it builds quillon and packtool optimised and without
sanitizers in $QUILLON_BUILD_DIR/bench-cli (default build/bench-cli).
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools", "terminal-sim"))
import sim_netns  # noqa: E402

TERMINALS = 8
FIRST_ADDRESS = 41
SUCCESS = "请重启设备完成升级！"


def build(tree):
    configure = ["cmake", "-S", ROOT, "-B", tree, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                 "-DQUILLON_SANITIZE=OFF"]
    for command in (configure, ["cmake", "--build", tree, "-j", os.environ.get("QUILLON_JOBS", "2"),
                                "--target", "quillon", "packtool"]):
        result = subprocess.run(command, capture_output=True, text=True)
        if result.returncode != 0:
            sys.exit("%s failed:\n%s%s" % (" ".join(command), result.stdout[-4000:], result.stderr[-4000:]))
    return os.path.join(tree, "bin", "quillon"), os.path.join(tree, "bin", "packtool")


def make_pack(packtool, work, mib):
    """Eight files of random bytes (the pack does not shrink), one pack."""
    source = os.path.join(work, "source")
    shutil.rmtree(source, ignore_errors=True)
    os.makedirs(os.path.join(source, "bin"))
    rng = random.Random(64)
    for i in range(8):
        with open(os.path.join(source, "bin", "part%d.bin" % i), "wb") as f:
            f.write(rng.randbytes(mib * (1 << 20) // 8))
    pack = os.path.join(work, "M3710", "AppUpgradePack.zip")
    os.makedirs(os.path.dirname(pack), exist_ok=True)
    subprocess.run([packtool, "make", "--model", "M3710", "--kind", "app", "-o", pack, source],
                   check=True, capture_output=True)
    shutil.rmtree(source)
    return pack


def clear(terminals):
    for info in terminals.started.values():
        for folder, _, files in os.walk(info["root"]):
            for f in files:
                os.remove(os.path.join(folder, f))


def run_once(program, pack, addresses, jobs, log):
    """One upgrade; wall seconds, the process's peak resident set (KiB) and CPU seconds."""
    args = [program, "upgrade", "--model", "M3710", "--kind", "app", "--pack", pack, "--jobs", str(jobs)]
    for a in addresses:
        args += ["--address", a]
    with open(log, "w") as out:
        start = time.monotonic()
        process = subprocess.Popen(args, stdout=out, stderr=subprocess.STDOUT)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.monotonic() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    with open(log, encoding="utf-8", errors="replace") as f:
        text = f.read()
    if process.returncode != 0 or text.count(SUCCESS) < len(addresses):
        sys.exit("the upgrade did not succeed on every terminal (exit %d):\n%s" % (process.returncode, text[-3000:]))
    return wall, usage.ru_maxrss, usage.ru_utime + usage.ru_stime


def check_only(program, pack):
    """Peak resident set (KiB) of `quillon pack check` alone: the share of the
    check, which every upgrade command runs once before any delivery."""
    process = subprocess.Popen([program, "pack", "check", "--model", "M3710", "--kind", "app", pack],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        sys.exit("quillon pack check refused the benchmark's pack")
    return usage.ru_maxrss


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--rounds", type=int, default=3)
    p.add_argument("--mib", type=int, default=64)
    p.add_argument("--program")
    p.add_argument("--packtool")
    args = p.parse_args()

    base = os.path.join(os.environ.get("QUILLON_BUILD_DIR", os.path.join(ROOT, "build")), "bench-cli")
    if args.program and args.packtool:
        program, packtool = args.program, args.packtool
    else:
        program, packtool = build(os.path.join(base, "build"))
    work = os.path.join(base, "work")
    os.makedirs(work, exist_ok=True)
    pack = make_pack(packtool, work, args.mib)
    size = os.path.getsize(pack)
    check_peak = check_only(program, pack)

    terminals = sim_netns.Terminals("cb", os.path.join(work, "terminals"))
    os.makedirs(terminals.directory, exist_ok=True)
    terminals.stop()
    try:
        addresses = []
        for i in range(TERMINALS):
            address = "198.51.100.%d" % (FIRST_ADDRESS + i)
            terminals.start("t%d" % (i + 1), address)
            addresses.append(address)
        log = os.path.join(work, "last-run.txt")

        def measure(jobs, targets):
            walls, peaks, cpus = [], [], []
            for _ in range(args.rounds):
                clear(terminals)
                wall, peak, cpu = run_once(program, pack, addresses[:targets], jobs, log)
                walls.append(wall)
                peaks.append(peak)
                cpus.append(cpu)
            return statistics.median(walls), max(peaks), walls, statistics.median(cpus)

        serial = measure(1, TERMINALS)
        parallel = measure(4, TERMINALS)
        one = measure(4, 1)
        four = measure(4, 4)
    except sim_netns.NetnsError as e:
        sys.exit("cli_bench: cannot make the test hosts: %s" % e)
    finally:
        terminals.stop()
        shutil.rmtree(terminals.directory, ignore_errors=True)

    mib = size / (1 << 20)
    print("pack %.1f MiB to %d terminals, %d rounds, medians" % (mib, TERMINALS, args.rounds))
    print("%-10s %8s %8s %12s %10s %13s" % ("run", "targets", "wall s", "MiB/s total", "CPU s", "peak RSS KiB"))
    rows = (("--jobs 1", TERMINALS, serial), ("--jobs 4", TERMINALS, parallel),
            ("--jobs 4", 4, four), ("--jobs 4", 1, one))
    for name, targets, (wall, peak, walls, cpu) in rows:
        print("%-10s %8d %8.2f %12.1f %10.2f %13d   rounds %s" % (
            name, targets, wall, mib * targets / wall, cpu, peak, " ".join("%.2f" % w for w in walls)))
    print("%-10s %8s %8s %12s %10s %13d" % ("pack check", "-", "-", "-", "-", check_peak))
    print("ratio --jobs 4 / --jobs 1 (8 targets): %.2f" % (parallel[0] / serial[0]))
    print("peak RSS growth 1 -> 8 targets: %d KiB (%.0f KiB per added target)" % (
        parallel[1] - one[1], (parallel[1] - one[1]) / (TERMINALS - 1)))
    os.remove(pack)


if __name__ == "__main__":
    main()
