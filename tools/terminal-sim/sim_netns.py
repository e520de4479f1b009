#!/usr/bin/python3
"""Simulated terminals on test hosts of their own, for the whole-program
window tests and the demo.

The tool refuses loopback addresses, as it should, so a terminal it can
reach has to live on another host. Each terminal here gets a network
namespace joined to this machine by a veth pair: the PC side is
198.51.100.1, the terminal's address is given (198.51.100.0/24, a range
kept for documentation that this machine does not use). Before any traffic
the route to the terminal is checked to go through that terminal's own
veth, so test traffic never leaves the machine. Needs root (ip netns).

    sim_netns.py up TAG DIR NAME=ADDRESS[,switch...] ...   start terminals
    sim_netns.py down TAG DIR                               stop and remove them

DIR/NAME/ is each terminal's file system, DIR/NAME/journal.jsonl its
journal; switches are the simulator's fault switches without dashes
(refuse-login, latency=0.02). As a module:
Terminals(tag, dir).start(name, address, [...], rate=None, queue="50ms"):
a `rate` (tc units, for example 20mbit) limits what this machine sends to
the terminal with a token bucket on its veth, like a field link, whose
queue holds `queue` (tc time) before it drops.
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SIMULATOR = os.path.join(HERE, "terminal_sim.py")
PC_ADDRESS = "198.51.100.1"
TEST_RANGE = "198.51.100."
LIFETIME = 3600


class NetnsError(Exception):
    pass


def run(*args, check=True):
    result = subprocess.run(list(args), capture_output=True, text=True)
    if check and result.returncode != 0:
        raise NetnsError("%s failed: %s" % (" ".join(args), result.stderr.strip()))
    return result


class Terminals:
    def __init__(self, tag, directory):
        if not tag.isalnum() or len(tag) > 4:
            raise NetnsError("tag must be 1-4 letters or digits")
        self.tag = tag
        self.directory = os.path.abspath(directory)
        self.started = {}

    def _names(self, index):
        return ("quillon-%s%d" % (self.tag, index), "ql%s%dh" % (self.tag, index), "ql%s%dt" % (self.tag, index))

    def start_all(self, hosts, switches):
        """Starts a terminal for every (name, address) of `hosts`, each with
        the switches `switches` gives its name. Returns None, or why the
        test hosts cannot be made; then none is left running."""
        try:
            os.makedirs(self.directory, exist_ok=True)
            self.stop()
            for name, address in hosts:
                self.start(name, address, switches.get(name, []))
        except NetnsError as e:
            self.stop()
            return str(e)
        return None

    def start(self, name, address, switches=(), rate=None, queue="50ms"):
        if not address.startswith(TEST_RANGE) or address == PC_ADDRESS:
            raise NetnsError("terminal address %s is outside the test range %s0/24" % (address, TEST_RANGE))
        if os.geteuid() != 0:
            raise NetnsError("network namespaces need root; cannot make the test host for %s" % address)
        index = len(self.started) + 1
        try:
            self._join(index, address, rate, queue)
        except NetnsError:
            self._remove(index)  # what was made before the failing step goes too
            raise
        netns = self._names(index)[0]

        root = os.path.join(self.directory, name)
        shutil.rmtree(root, ignore_errors=True)
        os.makedirs(root)
        ready = os.path.join(self.directory, name + ".ready")
        journal = os.path.join(self.directory, name + ".journal.jsonl")
        for stale in (ready, journal):
            if os.path.exists(stale):
                os.remove(stale)
        args = ["ip", "netns", "exec", netns, "/usr/bin/python3", SIMULATOR, "--host", address,
                "--ftp-port", "21", "--start-port", "3002", "--root", root,
                "--journal", journal,
                "--ready-file", ready, "--lifetime", str(LIFETIME)]
        args += ["--" + s for s in switches]
        process = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   start_new_session=True)
        deadline = time.time() + 20
        while not os.path.exists(ready):
            if process.poll() is not None or time.time() > deadline:
                process.kill()
                process.wait()
                self._remove(index)
                raise NetnsError("the simulator for %s did not come up" % address)
            time.sleep(0.1)
        with open(os.path.join(self.directory, "pids"), "a") as f:
            f.write("%d %d\n" % (index, process.pid))
        self.started[name] = {"address": address, "root": root, "process": process, "index": index,
                              "journal": journal}
        return self.started[name]

    def _join(self, index, address, rate, queue):
        """The namespace of terminal `index`, its veth pair, the link's rate
        and the route to `address` through that veth, checked."""
        netns, host_if, term_if = self._names(index)
        self._remove(index)
        run("ip", "netns", "add", netns)
        run("ip", "link", "add", host_if, "type", "veth", "peer", "name", term_if)
        run("ip", "link", "set", term_if, "netns", netns)
        run("ip", "addr", "add", PC_ADDRESS + "/32", "dev", host_if)
        run("ip", "link", "set", host_if, "up")
        if rate:
            # Token bucket: the link's rate, a burst of a few packets, and a
            # queue that holds `queue` worth of data at that rate (beyond it
            # packets are dropped, as a link's buffer does).
            run("tc", "qdisc", "add", "dev", host_if, "root", "tbf", "rate", rate, "burst", "16kb",
                "latency", queue)
        run("ip", "route", "add", address + "/32", "dev", host_if, "src", PC_ADDRESS)
        run("ip", "netns", "exec", netns, "ip", "addr", "add", address + "/24", "dev", term_if)
        run("ip", "netns", "exec", netns, "ip", "link", "set", term_if, "up")
        run("ip", "netns", "exec", netns, "ip", "link", "set", "lo", "up")
        route = run("ip", "route", "get", address).stdout
        if ("dev %s " % host_if) not in route + " ":
            raise NetnsError("route to %s does not go through %s: %s" % (address, host_if, route.strip()))

    def journal(self, name):
        try:
            with open(self.started[name]["journal"]) as f:
                return [json.loads(line) for line in f if line.strip()]
        except OSError:
            return []

    def _remove(self, index):
        netns, host_if, _ = self._names(index)
        # Killing every process of the namespace ends its simulator.
        pids = run("ip", "netns", "pids", netns, check=False).stdout.split()
        for pid in pids:
            try:
                os.kill(int(pid), signal.SIGTERM)
            except (OSError, ValueError):
                pass
        run("ip", "link", "del", host_if, check=False)
        run("ip", "netns", "del", netns, check=False)

    def stop(self):
        indexes = set(v["index"] for v in self.started.values())
        try:
            with open(os.path.join(self.directory, "pids")) as f:
                indexes |= set(int(line.split()[0]) for line in f if line.strip())
        except (OSError, ValueError):
            pass
        for index in sorted(indexes or range(1, 9)):
            self._remove(index)
        for info in self.started.values():  # reap the simulators ended above
            try:
                info["process"].wait(5)
            except subprocess.TimeoutExpired:
                info["process"].kill()
                info["process"].wait()
        try:
            os.remove(os.path.join(self.directory, "pids"))
        except OSError:
            pass
        self.started = {}


def main(argv):
    if len(argv) < 3 or argv[0] not in ("up", "down"):
        print(__doc__)
        return 2
    terminals = Terminals(argv[1], argv[2])
    if argv[0] == "down":
        terminals.stop()
        return 0
    os.makedirs(argv[2], exist_ok=True)
    try:
        for terminal in argv[3:]:
            name, rest = terminal.split("=", 1)
            parts = rest.split(",")
            info = terminals.start(name, parts[0], parts[1:])
            print("%s %s %s" % (name, info["address"], info["root"]))
    except NetnsError as e:
        terminals.stop()
        print("sim_netns: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
