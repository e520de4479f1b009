#!/usr/bin/python3
"""How closely `quillon upgrade --max-rate` holds an upload to its rate: one
pack (8 MiB by default) to one simulated terminal on a test host in a
network namespace (198.51.100.91, made and removed here; needs root), at
several rates, natively (libcurl's send-speed limit) and, with --wine, as
quillon.exe under Wine (the chunked upload's pace). The rate is the pack's
size over the time from the terminal's login to the end of the upload, as
the terminal's journal records them (the few commands before the upload
count against the rate, so the figure errs low).

    bench/cli_rate_bench.py --program build/native/bin/quillon --packtool build/native/bin/packtool
    bench/cli_rate_bench.py --wine build/win64/bin/quillon.exe --packtool build/native/bin/packtool

Without --program or --wine it builds quillon and packtool optimised and
without sanitizers in $QUILLON_BUILD_DIR/bench-rate (default build/bench-rate).
"""
import argparse
import os
import random
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools", "terminal-sim"))
import sim_netns  # noqa: E402
from cli_bench import build  # noqa: E402  (the same optimised build of quillon and packtool)

ADDRESS = "198.51.100.91"
PACK = "AppUpgradePack.zip"
RATES = (None, "512K", "1M", "4M")  # None: no limit, for comparison


def rate_bytes(text):
    units = {"K": 1 << 10, "M": 1 << 20, "G": 1 << 30}
    return int(text[:-1]) * units[text[-1]] if text[-1] in units else int(text)


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--mib", type=int, default=8)
    p.add_argument("--program", help="native quillon")
    p.add_argument("--wine", help="quillon.exe, run under Wine in $QUILLON_BUILD_DIR/wineprefix")
    p.add_argument("--packtool")
    args = p.parse_args()

    base = os.path.join(os.environ.get("QUILLON_BUILD_DIR", os.path.join(ROOT, "build")), "bench-rate")
    command, packtool, env = None, args.packtool, dict(os.environ)
    if args.wine:
        command = ["wine", args.wine]
        env.update(WINEPREFIX=os.path.join(os.path.dirname(base), "wineprefix"), WINEDEBUG="-all")
    elif args.program:
        command = [args.program]
    if not command or not packtool:
        program, packtool = build(os.path.join(base, "build"))
        command = command or [program]

    work = os.path.join(base, "work")
    shutil.rmtree(work, ignore_errors=True)
    source = os.path.join(work, "source")
    os.makedirs(source)
    with open(os.path.join(source, "part.bin"), "wb") as f:
        f.write(random.Random(91).randbytes(args.mib << 20))
    pack = os.path.join(work, PACK)
    subprocess.run([packtool, "make", "--model", "M3710", "--kind", "app", "-o", pack, source],
                   check=True, capture_output=True)
    size = os.path.getsize(pack)
    pack_arg = ("Z:" + pack.replace("/", "\\")) if args.wine else pack

    terminals = sim_netns.Terminals("rb", os.path.join(work, "terminals"))
    os.makedirs(terminals.directory, exist_ok=True)
    terminals.stop()
    rows = []
    try:
        terminals.start("t", ADDRESS)
        for rate in RATES:
            seen = len(terminals.journal("t"))
            done = subprocess.run(command + ["upgrade", "--model", "M3710", "--kind", "app", "--pack", pack_arg,
                                             "--address", ADDRESS] + (["--max-rate", rate] if rate else []), env=env,
                                  capture_output=True, timeout=600)
            if done.returncode != 0:
                sys.exit("the upgrade at %s failed:\n%s" % (rate, done.stdout.decode("utf-8", "replace")[-2000:]))
            events = terminals.journal("t")[seen:]
            login = next(e["time"] for e in events if e["event"] == "login" and e["ok"])
            upload = next(e["time"] for e in events if e["event"] == "upload" and e["path"].endswith(PACK))
            measured = size / (upload - login)
            rows.append((rate or "none", rate_bytes(rate) if rate else 0, measured))
    except sim_netns.NetnsError as e:
        sys.exit("cli_rate_bench: cannot make the test host: %s" % e)
    finally:
        terminals.stop()
        shutil.rmtree(work, ignore_errors=True)

    print("%s, pack %.1f MiB, one terminal" % ("quillon.exe under Wine" if args.wine else "quillon", size / (1 << 20)))
    print("%-8s %14s %14s %9s" % ("--max-rate", "limit B/s", "measured B/s", "off"))
    for rate, limit, measured in rows:
        off = "%+8.1f %%" % ((measured - limit) * 100.0 / limit) if limit else ""
        print("%-10s %12s %14.0f %s" % (rate, limit or "-", measured, off))


if __name__ == "__main__":
    main()
