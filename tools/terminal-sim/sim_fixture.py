#!/usr/bin/python3
"""Starts and stops a set of terminal simulators for the Windows FTP tests.

  sim_fixture.py start DIR   stops whatever an earlier run left in DIR, starts
                             one simulator per row of TERMINALS on free
                             loopback ports, waits until all listen, and
                             writes DIR/state.ini ("name.key=value" lines)
  sim_fixture.py stop DIR    stops the simulators started from DIR

Each simulator also exits by itself after LIFETIME seconds, so a test run
that is killed before its clean-up leaves nothing behind for long.
"""
import os
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SIMULATOR = os.path.join(HERE, "terminal_sim.py")
LIFETIME = 1800
READY_WAIT = 20

# name -> fault switches
TERMINALS = {
    "normal": [],
    "refuse": ["--refuse-login"],
    "silent": ["--silent"],
    "slow": ["--answer-delay", "7"],
    "drop": ["--drop-data-after", "65536"],
    "quota": ["--quota", "1048576"],
    "short": ["--store-short", "100"],
    "nosize": ["--no-size"],
    "hangup": ["--hang-up-on", "SIZE"],
}


def is_our_simulator(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return SIMULATOR.encode() in f.read()
    except OSError:
        return False


def stop(directory):
    pids = []
    for name in TERMINALS:
        pid_file = os.path.join(directory, name, "pid")
        try:
            with open(pid_file) as f:
                pids.append(int(f.read().strip()))
            os.remove(pid_file)
        except (OSError, ValueError):
            pass
    pids = [p for p in pids if is_our_simulator(p)]
    for pid in pids:
        os.kill(pid, signal.SIGTERM)
    deadline = time.time() + 5
    while time.time() < deadline and any(is_our_simulator(p) for p in pids):
        time.sleep(0.1)
    for pid in pids:
        if is_our_simulator(pid):
            os.kill(pid, signal.SIGKILL)
    return 0


def read_key_values(path):
    values = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("=")
            values[key] = value
    return values


def start(directory):
    stop(directory)
    os.makedirs(directory, exist_ok=True)
    ready_files = {}
    for name, faults in TERMINALS.items():
        folder = os.path.join(directory, name)
        subprocess.run(["rm", "-rf", folder], check=True)
        os.makedirs(folder)
        ready = os.path.join(folder, "ready")
        log = open(os.path.join(folder, "log"), "w")
        proc = subprocess.Popen(
            [sys.executable, SIMULATOR, "--host", "127.0.0.1", "--ftp-port", "0", "--start-port", "0",
             "--root", os.path.join(folder, "root"), "--journal", os.path.join(folder, "journal.jsonl"),
             "--ready-file", ready, "--lifetime", str(LIFETIME)] + faults,
            stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
        with open(os.path.join(folder, "pid"), "w") as f:
            f.write(str(proc.pid))
        ready_files[name] = ready

    deadline = time.time() + READY_WAIT
    while time.time() < deadline and not all(os.path.exists(r) for r in ready_files.values()):
        time.sleep(0.1)
    missing = [n for n, r in ready_files.items() if not os.path.exists(r)]
    if missing:
        print("simulators did not start: %s" % ", ".join(missing), file=sys.stderr)
        stop(directory)
        return 1

    lines = []
    for name, ready in ready_files.items():
        for key, value in read_key_values(ready).items():
            lines.append("%s.%s=%s\n" % (name, key, value))
    state = os.path.join(directory, "state.ini")
    with open(state + ".tmp", "w", encoding="utf-8") as f:
        f.writelines(lines)
    os.replace(state + ".tmp", state)
    print("".join(lines), end="")
    return 0


def main(argv):
    if len(argv) != 3 or argv[1] not in ("start", "stop"):
        print(__doc__, file=sys.stderr)
        return 2
    return start(argv[2]) if argv[1] == "start" else stop(argv[2])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
