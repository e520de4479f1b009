#!/usr/bin/python3
"""The command line against many terminals over links like field links:
one pack (16 MiB by default) to 1, half of N and N simulated terminals (N
is 8 by default) on test hosts in network namespaces (198.51.100.41 on,
made and removed here; needs root), with --jobs 1 and --jobs N. Each terminal's link is limited to a
rate by a token bucket on its veth (20 Mbit/s by default) and the
simulator sends every FTP reply late by a latency (20 ms by default).
Printed per row, medians of the rounds: wall time, the slowest and the
median delivery's throughput against the link's rate (from each
terminal's journal: bytes stored between its login and its last upload),
quillon's CPU time and its peak resident memory.

    bench/cli [--rounds N] [--mib N] [--terminals N] [--rate TC_RATE] [--latency S]
              [--program PATH --packtool PATH] [--work DIR]

Without --program it builds quillon and packtool optimised and without
sanitizers in $QUILLON_BUILD_DIR/bench-cli (default build/bench-cli), which
also holds its work folder unless --work names one.
"""
import argparse
import json
import os
import re
import random
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools", "terminal-sim"))
import sim_netns  # noqa: E402

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


def rate_bytes_per_second(rate):
    """A tc rate such as 20mbit or 2500kbps, in bytes per second."""
    m = re.fullmatch(r"(\d+(?:\.\d+)?)(k|m|g)?(bit|bps)", rate)
    if not m:
        sys.exit("--rate: say it as tc does, for example 20mbit")
    value = float(m.group(1)) * {None: 1, "k": 1e3, "m": 1e6, "g": 1e9}[m.group(2)]
    return value / 8 if m.group(3) == "bit" else value


def delivery_throughputs(terminals, names):
    """Bytes per second of each terminal's delivery: what its journal says
    was stored, over the time from its first login to its last upload."""
    rates = []
    for name in names:
        events = terminals.journal(name)
        logins = [e["time"] for e in events if e["event"] == "login" and e.get("ok")]
        uploads = [e for e in events if e["event"] == "upload" and e.get("ok")]
        if not logins or not uploads:
            sys.exit("terminal %s journaled no delivery" % name)
        seconds = uploads[-1]["time"] - logins[0]
        rates.append(sum(e["size"] for e in uploads) / max(seconds, 1e-3))
    return rates


def clear_journals(terminals):
    for info in terminals.started.values():
        open(info["journal"], "w").close()


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
    p.add_argument("--mib", type=int, default=16)
    p.add_argument("--rate", default="20mbit", help="each link's rate, in tc's units (default 20mbit)")
    p.add_argument("--latency", type=float, default=0.02, help="seconds each FTP reply waits (default 0.02)")
    p.add_argument("--queue", default="50ms", help="what each link's queue holds, in tc time (default 50ms)")
    p.add_argument("--program")
    p.add_argument("--packtool")
    p.add_argument("--terminals", type=int, default=8, help="the most terminals at once (default 8)")
    p.add_argument("--work", help="work folder (default: under the build folder)")
    args = p.parse_args()
    if not 1 <= args.terminals <= 254 - FIRST_ADDRESS:
        p.error("--terminals: 1 to %d" % (254 - FIRST_ADDRESS))
    link = rate_bytes_per_second(args.rate)

    base = os.path.join(os.environ.get("QUILLON_BUILD_DIR", os.path.join(ROOT, "build")), "bench-cli")
    if args.program and args.packtool:
        program, packtool = args.program, args.packtool
    else:
        program, packtool = build(os.path.join(base, "build"))
    work = args.work or os.path.join(base, "work")
    os.makedirs(work, exist_ok=True)
    pack = make_pack(packtool, work, args.mib)
    size = os.path.getsize(pack)
    check_peak = check_only(program, pack)

    terminals = sim_netns.Terminals("cb", os.path.join(work, "terminals"))
    os.makedirs(terminals.directory, exist_ok=True)
    terminals.stop()
    rows = []
    try:
        addresses, names = [], []
        for i in range(args.terminals):
            address = "198.51.100.%d" % (FIRST_ADDRESS + i)
            names.append("t%d" % (i + 1))
            terminals.start(names[-1], address, ["latency=%g" % args.latency], rate=args.rate, queue=args.queue)
            addresses.append(address)
        log = os.path.join(work, "last-run.txt")

        def measure(jobs, targets):
            walls, peaks, cpus, slowest, middle = [], [], [], [], []
            for _ in range(args.rounds):
                clear(terminals)
                clear_journals(terminals)
                wall, peak, cpu = run_once(program, pack, addresses[:targets], jobs, log)
                rates = delivery_throughputs(terminals, names[:targets])
                walls.append(wall)
                peaks.append(peak)
                cpus.append(cpu)
                slowest.append(min(rates))
                middle.append(statistics.median(rates))
            return (statistics.median(walls), statistics.median(slowest), statistics.median(middle),
                    statistics.median(cpus), max(peaks), walls)

        most = args.terminals
        for jobs in sorted({1, most}):
            for targets in sorted({1, most // 2, most} - {0}):
                rows.append((jobs, targets, measure(jobs, targets)))
    except sim_netns.NetnsError as e:
        sys.exit("cli_bench: cannot make the test hosts: %s" % e)
    finally:
        terminals.stop()
        shutil.rmtree(terminals.directory, ignore_errors=True)

    mib = size / (1 << 20)
    print("pack %.1f MiB; links %s (%.2f MB/s, queue %s), replies %g s late; %d rounds, medians" % (
        mib, args.rate, link / 1e6, args.queue, args.latency, args.rounds))
    print("%-9s %7s %7s %14s %14s %7s %11s" % ("run", "targets", "wall s", "slowest / link",
                                               "median / link", "CPU s", "peak KiB"))
    walls = {}
    for jobs, targets, (wall, slow, mid, cpu, peak, rounds) in rows:
        walls[(jobs, targets)] = wall
        print("--jobs %-3d %7d %7.2f %14.2f %14.2f %7.2f %11d   rounds %s" % (
            jobs, targets, wall, slow / link, mid / link, cpu, peak, " ".join("%.2f" % w for w in rounds)))
    print("%-9s %7s %7s %14s %14s %7s %11d" % ("pack check", "-", "-", "-", "-", "-", check_peak))
    print("%d targets with --jobs %d against 1 target: %.2f of the time" % (
        most, most, walls[(most, most)] / walls[(most, 1)]))
    os.remove(pack)


if __name__ == "__main__":
    main()
