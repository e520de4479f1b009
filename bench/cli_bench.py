#!/usr/bin/python3
"""The command line against many terminals over links like field links:
one pack (16 MiB by default) to 1, half of N and N simulated terminals (N
is 8 by default) on test hosts in network namespaces (198.51.100.180 on,
made and removed here; needs root), with --jobs 1 and --jobs N (--jobs
sets the parallel rows' number, --parallel-only leaves out --jobs 1). Each
terminal's link is limited to a rate by a token bucket on its veth (20
Mbit/s by default) and the simulator sends every FTP reply late by a
latency (20 ms by default). Printed per row, medians of the rounds: wall
time, the slowest and the median delivery's throughput against the link's
rate (from each terminal's journal: bytes stored between its login and
its last upload), quillon's CPU time and its peak resident memory.

    bench/cli [--rounds N] [--mib N] [--terminals N] [--jobs N] [--parallel-only]
              [--rate TC_RATE] [--latency S] [--queue TC_TIME]
              [--program PATH --packtool PATH] [--wineprefix DIR] [--work DIR]

A --program ending in .exe runs under Wine (in --wineprefix, by default
$QUILLON_BUILD_DIR/wineprefix, with a wineserver kept up for the whole
benchmark); the pack is still made by a native packtool. quillon reports
its open handles (natively file descriptors) and threads at its start and
at its very end (QUILLON_RESOURCE_REPORT); each row shows the round that
left the most behind. "sims CPU s" is the CPU time all the simulators
spent in the run, against quillon's "CPU s": on a small machine the
simulators, not quillon, may be what holds a fleet back.

Without --program it builds quillon and packtool optimised and without
sanitizers in $QUILLON_BUILD_DIR/bench-cli (default build/bench-cli), which
also holds its work folder unless --work names one.
"""
import argparse
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

# Above the addresses the whole-program tests' hosts take (up to .173), so a
# fleet of up to 74 runs beside them.
FIRST_ADDRESS = 180
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


class Program:
    """How quillon is started: natively, or a quillon.exe under Wine in its
    prefix (its paths then given as Windows paths, Z: being /)."""

    def __init__(self, path, wineprefix):
        self.path = path
        self.wine = path.lower().endswith(".exe")
        self.env = dict(os.environ)
        if self.wine:
            self.env.update(WINEPREFIX=wineprefix, WINEARCH="win64", WINEDEBUG="-all",
                            WINEDLLOVERRIDES="mscoree,mshtml=")

    def path_arg(self, path):
        return "Z:" + os.path.abspath(path).replace("/", "\\") if self.wine else path

    def command(self, args):
        return (["wine", self.path] if self.wine else [self.path]) + args

    def start_wine(self):
        """A wineserver that stays up while the benchmark runs, and one run to
        warm the prefix, so neither counts in the first measured run."""
        if self.wine:
            # The project's prefix (made once, as for the Windows tests).
            subprocess.run([os.path.join(ROOT, "scripts", "wine-prefix"), self.env["WINEPREFIX"]], check=True)
            subprocess.run(["wineserver", "-p"], env=self.env, check=True)
            # Not through pipes: the Wine services it starts would hold them.
            subprocess.run(self.command(["--version"]), env=self.env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def server_cpu(self):
        """CPU seconds of the prefix's wineserver so far (0 natively): every
        wait on a socket under Wine passes through it. Wine's server works in
        a folder server-DEV-INODE (of the prefix) under /tmp."""
        if not self.wine:
            return 0.0
        st = os.stat(self.env["WINEPREFIX"])
        folder = "/server-%x-%x" % (st.st_dev, st.st_ino)
        for pid in os.listdir("/proc"):
            try:
                if pid.isdigit() and os.readlink("/proc/%s/cwd" % pid).endswith(folder):
                    return process_cpu(int(pid))
            except OSError:
                pass
        return 0.0

    def stop_wine(self):
        if self.wine:
            subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def process_cpu(pid):
    """User and system CPU seconds of a running process (0 once it is gone)."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except OSError:
        return 0.0
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def simulators_cpu(terminals):
    return sum(process_cpu(info["process"].pid) for info in terminals.started.values())


def read_resources(path):
    """What quillon held at its start and its end (its last report line):
    {"start": (handles, threads), "end": (handles, threads)}."""
    try:
        with open(path) as f:
            line = f.read().strip().splitlines()[-1]
    except (OSError, IndexError):
        sys.exit("quillon wrote no resource report to %s" % path)
    m = re.fullmatch(r"start handles=(-?\d+) threads=(-?\d+) end handles=(-?\d+) threads=(-?\d+)", line)
    if not m:
        sys.exit("unreadable resource report: %s" % line)
    v = [int(x) for x in m.groups()]
    return {"start": (v[0], v[1]), "end": (v[2], v[3])}


def run_once(program, pack, addresses, jobs, log, report):
    """One upgrade; wall seconds, the process's peak resident set (KiB), its
    CPU seconds and what it held at its start and end."""
    args = ["upgrade", "--model", "M3710", "--kind", "app", "--pack", program.path_arg(pack), "--jobs", str(jobs)]
    for a in addresses:
        args += ["--address", a]
    if os.path.exists(report):
        os.remove(report)
    env = dict(program.env, QUILLON_RESOURCE_REPORT=program.path_arg(report))
    with open(log, "w") as out:
        start = time.monotonic()
        process = subprocess.Popen(program.command(args), stdout=out, stderr=subprocess.STDOUT, env=env)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.monotonic() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    with open(log, encoding="utf-8", errors="replace") as f:
        text = f.read()
    if process.returncode != 0 or text.count(SUCCESS) < len(addresses):
        sys.exit("the upgrade did not succeed on every terminal (exit %d):\n%s" % (process.returncode, text[-3000:]))
    return wall, usage.ru_maxrss, usage.ru_utime + usage.ru_stime, read_resources(report)


def check_only(program, pack):
    """Peak resident set (KiB) of `quillon pack check` alone: the share of the
    check, which every upgrade command runs once before any delivery."""
    process = subprocess.Popen(program.command(["pack", "check", "--model", "M3710", "--kind", "app",
                                                program.path_arg(pack)]),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=program.env)
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
    p.add_argument("--program", help="quillon, or quillon.exe to run under Wine")
    p.add_argument("--packtool", help="a native packtool (it makes the pack)")
    p.add_argument("--wineprefix", help="Wine prefix for quillon.exe (default $QUILLON_BUILD_DIR/wineprefix)")
    p.add_argument("--terminals", type=int, default=8, help="the most terminals at once (default 8)")
    p.add_argument("--jobs", type=int, help="jobs of the parallel rows (default: --terminals)")
    p.add_argument("--parallel-only", action="store_true", help="leave out the --jobs 1 rows")
    p.add_argument("--work", help="work folder (default: under the build folder)")
    args = p.parse_args()
    if not 1 <= args.terminals <= 254 - FIRST_ADDRESS:
        p.error("--terminals: 1 to %d" % (254 - FIRST_ADDRESS))
    link = rate_bytes_per_second(args.rate)

    build_dir = os.environ.get("QUILLON_BUILD_DIR", os.path.join(ROOT, "build"))
    base = os.path.join(build_dir, "bench-cli")
    if args.program and args.packtool:
        program_path, packtool = args.program, args.packtool
    else:
        program_path, packtool = build(os.path.join(base, "build"))
    program = Program(program_path, args.wineprefix or os.path.join(build_dir, "wineprefix"))
    work = args.work or os.path.join(base, "work")
    os.makedirs(work, exist_ok=True)
    pack = make_pack(packtool, work, args.mib)
    size = os.path.getsize(pack)
    program.start_wine()
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
        report = os.path.join(work, "resources.txt")

        def measure(jobs, targets):
            walls, peaks, cpus, sims, servers, slowest, middle, held = [], [], [], [], [], [], [], []
            for _ in range(args.rounds):
                clear(terminals)
                clear_journals(terminals)
                sims_before, server_before = simulators_cpu(terminals), program.server_cpu()
                wall, peak, cpu, resources = run_once(program, pack, addresses[:targets], jobs, log, report)
                sims.append(simulators_cpu(terminals) - sims_before)
                servers.append(program.server_cpu() - server_before)
                rates = delivery_throughputs(terminals, names[:targets])
                walls.append(wall)
                peaks.append(peak)
                cpus.append(cpu)
                slowest.append(min(rates))
                middle.append(statistics.median(rates))
                held.append(resources)
            return {"wall": statistics.median(walls), "slowest": statistics.median(slowest),
                    "median": statistics.median(middle), "cpu": statistics.median(cpus),
                    "sims": statistics.median(sims),
                    "server": statistics.median(servers), "peak": max(peaks), "walls": walls,
                    # the run that left the most behind
                    "held": max(held, key=lambda h: (h["end"][0] - h["start"][0], h["end"][1] - h["start"][1]))}

        most = args.terminals
        parallel = args.jobs or most
        for jobs in sorted({parallel} if args.parallel_only else {1, parallel}):
            for targets in sorted({1, most // 2, most} - {0}):
                rows.append((jobs, targets, measure(jobs, targets)))
    except sim_netns.NetnsError as e:
        sys.exit("cli_bench: cannot make the test hosts: %s" % e)
    finally:
        terminals.stop()
        shutil.rmtree(terminals.directory, ignore_errors=True)
        program.stop_wine()

    mib = size / (1 << 20)
    print("%s; pack %.1f MiB; links %s (%.2f MB/s, queue %s), replies %g s late; %d rounds, medians" % (
        "quillon.exe under Wine" if program.wine else "quillon", mib, args.rate, link / 1e6, args.queue,
        args.latency, args.rounds))
    print("%-9s %7s %7s %9s %9s %7s %7s %9s %15s" % (
        "run", "targets", "wall s", "slowest/", "median/", "CPU s", "sims", "peak KiB", "handles threads"))
    print("%-9s %7s %7s %9s %9s %7s %7s %9s %15s" % ("", "", "", "link", "link", "", "CPU s", "", "start -> end"))
    walls, peaks = {}, {}
    for jobs, targets, r in rows:
        walls[(jobs, targets)] = r["wall"]
        peaks[(jobs, targets)] = r["peak"]
        (h0, t0), (h1, t1) = r["held"]["start"], r["held"]["end"]
        print("--jobs %-3d %7d %7.2f %9.2f %9.2f %7.2f %7.2f %9d %7s %7s   %srounds %s" % (
            jobs, targets, r["wall"], r["slowest"] / link, r["median"] / link, r["cpu"], r["sims"], r["peak"],
            "%d>%d" % (h0, h1), "%d>%d" % (t0, t1),
            "wineserver CPU %.2f s; " % r["server"] if program.wine else "", " ".join("%.2f" % w for w in r["walls"])))
    print("%-9s %7s %7s %9s %9s %7s %7s %9d" % ("pack check", "-", "-", "-", "-", "-", "-", check_peak))
    print("%d targets with --jobs %d against 1 target: %.2f of the time" % (
        most, parallel, walls[(parallel, most)] / walls[(parallel, 1)]))
    if most > 1:
        print("peak memory per further target: %.0f KiB" % (
            (peaks[(parallel, most)] - peaks[(parallel, 1)]) / (most - 1)))
    os.remove(pack)


if __name__ == "__main__":
    main()
