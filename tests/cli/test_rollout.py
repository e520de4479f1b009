#!/usr/bin/python3
"""Rollouts of `quillon upgrade` over an inventory: eight simulated
terminals on test hosts in network namespaces (198.51.100.0/24, made and
removed here), one that refuses the login and one whose data connection
drops, delivered in waves (--canary, --max-fail), resumed (--skip-done),
tried without writing (--dry-run) and retried (--retries); and inventory
lines that are usage errors.

Run through ctest (cli_rollout_native_test, cli_rollout_wine_test); the
variables are those of test_quillon.py, with QUILLON_ADDRESS_BASE the first
of eight addresses.
"""
import json
import os
import shutil
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import test_quillon as q  # noqa: E402

NOT_STARTED = "not started"
ALREADY_DONE = "already done"


def tree(root):
    """Every file under a terminal's root with its size and modification time."""
    found = {}
    for folder, _, files in os.walk(root):
        for f in files:
            path = os.path.join(folder, f)
            found[os.path.relpath(path, root)] = (os.path.getsize(path), os.stat(path).st_mtime_ns)
    return found


class Rollout(q.TerminalHosts, unittest.TestCase):
    GOOD = ["g%d" % i for i in range(1, 7)]
    NAMES = GOOD + ["refusing", "dropping"]

    @classmethod
    def setUpClass(cls):
        q.require_environment()
        cls.program = q.Program()
        cls.work = os.path.join(q.WORK, "rollout")
        shutil.rmtree(cls.work, ignore_errors=True)
        os.makedirs(cls.work)
        cls.pack = cls.program.make_pack("M3710", q.write_source(os.path.join(cls.work, "source"), 1 << 20, 11),
                                         os.path.join(cls.work, "packs", q.PACK))
        cls.log = os.path.join(cls.work, "upgrades.jsonl")
        cls.start_terminals(os.path.join(cls.work, "terminals"), cls.NAMES,
                            {"refusing": ["refuse-login"], "dropping": ["drop-data-after=65536"]})

    def setUp(self):
        self.require_hosts()
        self.clear_terminals(self.NAMES)  # what earlier cases delivered
        if os.path.exists(self.log):
            os.remove(self.log)

    def count(self, name, kind):
        """Logins, or uploads of the pack (not of its flag)."""
        return len([e for e in self.terminals.journal(name)
                    if e["event"] == kind and (kind != "upload" or e["path"].endswith(q.PACK))])

    def counts(self, kind):
        return {name: self.count(name, kind) for name in self.NAMES}

    def inventory(self, order, file_name):
        """A CSV inventory: a comment, then address, name and site per terminal."""
        path = os.path.join(self.work, file_name)
        with open(path, "w", encoding="utf-8-sig") as f:
            f.write("# address, name, site\n")
            for name in order:
                f.write("%s, %s, \"站 %s\"\n" % (self.address(name), name, name[0]))
        return path

    def upgrade(self, inventory, *extra):
        return self.program.quillon("upgrade", "--model", "M3710", "--kind", "app",
                                    "--pack", self.program.path(self.pack),
                                    "--targets", self.program.path(inventory), *extra,
                                    extra_env={"QUILLON_UPGRADE_LOG": self.program.path(self.log)})

    def records(self):
        with open(self.log, encoding="utf-8") as f:
            return [json.loads(line) for line in f]

    def document(self, done, exit_code):
        self.assertEqual(done.returncode, exit_code, done.stdout + done.stderr)
        document = json.loads(done.stdout)
        self.assertEqual(document["exit"], exit_code)
        return document, {t["name"]: t for t in document["targets"]}

    def assert_delivered(self, name, delivered):
        card = os.path.join(self.terminals.started[name]["root"], "Storage Card")
        self.assertEqual(os.path.exists(os.path.join(card, q.FLAG)), delivered, name)
        if delivered:
            self.assertEqual(q.md5(os.path.join(card, q.PACK)), q.md5(self.pack), name)

    # ---- cases --------------------------------------------------------------------

    def test_failed_canary_stops_the_rollout(self):
        order = ["g1", "refusing"] + self.GOOD[1:] + ["dropping"]
        uploads = self.counts("upload")
        done = self.upgrade(self.inventory(order, "canary.csv"), "--canary", "2", "--jobs", "4")
        self.assertEqual(done.returncode, 1, done.stdout + done.stderr)
        rows = q.final_table(done.stdout)
        expected = [q.SUCCESS, q.CONNECT_FAILED] + [NOT_STARTED] * 6
        self.assertEqual([(r[0], r[1]) for r in rows], [(self.address(n), t) for n, t in zip(order, expected)],
                         done.stdout)
        after = self.counts("upload")
        self.assertEqual({n: after[n] - uploads[n] for n in order}, {n: int(n == "g1") for n in order})
        self.assert_delivered("g1", True)
        # The log names every terminal that still waits for the pack.
        waiting = [r["target"] for r in self.records() if r["result"] == NOT_STARTED]
        self.assertEqual(waiting, [self.address(n) for n in order[2:]])

    def test_failure_budget_stops_in_the_middle_and_a_rerun_skips_what_is_done(self):
        order = ["g1", "g2", "g3", "refusing", "g4", "g5", "dropping", "g6"]
        inventory = self.inventory(order, "budget.csv")
        uploads = self.counts("upload")
        # One at a time: the refusing terminal makes 1 failure of 4 finished, 25 %.
        document, targets = self.document(self.upgrade(inventory, "--max-fail", "25%", "--jobs", "1", "--json"), 1)
        self.assertEqual(document["stopped"], "max-fail")
        self.assertFalse(document["dry_run"])
        results = {"g1": "success", "g2": "success", "g3": "success", "refusing": "refused"}
        for name in order:
            self.assertEqual(targets[name]["result"], results.get(name, NOT_STARTED), name)
            self.assertEqual(targets[name]["site"], "站 " + name[0], name)
        self.assertEqual([t["name"] for t in document["targets"]], order)
        for name in ("g4", "g5", "dropping", "g6"):
            self.assertEqual((targets[name]["text"], targets[name]["steps"], targets[name]["attempts"]),
                             (NOT_STARTED, [], 0), name)
            self.assert_delivered(name, False)
        middle = self.counts("upload")

        # The rerun delivers only to the rest.
        document, targets = self.document(self.upgrade(inventory, "--skip-done", "--json"), 1)
        self.assertEqual(document["stopped"], None)
        results = {"g1": ALREADY_DONE, "g2": ALREADY_DONE, "g3": ALREADY_DONE, "refusing": "refused",
                   "dropping": "failure", "g4": "success", "g5": "success", "g6": "success"}
        self.assertEqual({n: t["result"] for n, t in targets.items()}, results)
        self.assertEqual(targets["g1"]["text"], ALREADY_DONE)
        after = self.counts("upload")
        self.assertEqual({n: after[n] - middle[n] for n in order},
                         {n: int(n in ("g4", "g5", "g6", "dropping")) for n in order})
        self.assertEqual({n: middle[n] - uploads[n] for n in order}, {n: int(n in ("g1", "g2", "g3")) for n in order})
        for name in self.GOOD:
            self.assert_delivered(name, True)

    def test_dry_run_writes_nothing(self):
        order = self.NAMES
        before = {name: tree(self.terminals.started[name]["root"]) for name in order}
        uploads, logins = self.counts("upload"), self.counts("login")
        document, targets = self.document(self.upgrade(self.inventory(order, "dry.csv"), "--dry-run", "--json"), 1)
        self.assertTrue(document["dry_run"])
        for name in order:
            expected = ("refused", q.CONNECT_FAILED) if name == "refusing" else ("would deliver", "would deliver")
            self.assertEqual((targets[name]["result"], targets[name]["text"]), expected, name)
        self.assertEqual({name: tree(self.terminals.started[name]["root"]) for name in order}, before)
        self.assertEqual(self.counts("upload"), uploads)
        after = self.counts("login")
        self.assertTrue(all(after[n] > logins[n] for n in order), (logins, after))  # each one was reached
        self.assertFalse(os.path.exists(self.log), "a dry run wrote upgrade records")

    def test_only_connection_failures_are_retried(self):
        order = ["refusing", "dropping"]
        logins, uploads = self.counts("login"), self.counts("upload")
        document, targets = self.document(self.upgrade(self.inventory(order, "retry.csv"), "--retries", "2",
                                                       "--json"), 1)
        self.assertEqual((targets["refusing"]["attempts"], targets["refusing"]["text"]), (3, q.CONNECT_FAILED))
        self.assertEqual((targets["dropping"]["attempts"], targets["dropping"]["text"]), (1, q.UPLOAD_FAILED))
        self.assertEqual(self.count("dropping", "upload") - uploads["dropping"], 1)
        attempts = [e["time"] for e in self.terminals.journal("refusing") if e["event"] == "login"][logins["refusing"]:]
        self.assertEqual(len(attempts), 3, attempts)
        # The pause grows: at least 1 s, then at least 2 s.
        self.assertGreaterEqual(attempts[1] - attempts[0], 0.9, attempts)
        self.assertGreaterEqual(attempts[2] - attempts[1], 1.9, attempts)


class BadInventory(unittest.TestCase):
    def test_a_bad_line_is_a_usage_error_naming_it(self):
        q.require_environment()
        program = q.Program()
        self.addCleanup(program.close)
        work = os.path.join(q.WORK, "rollout-usage")
        shutil.rmtree(work, ignore_errors=True)
        pack = program.make_pack("M3710", q.write_source(os.path.join(work, "source"), 4096, 3),
                                 os.path.join(work, "packs", q.PACK))
        cases = (("198.51.100.61\n# spare\n198.51.100.62,a,b,c\n", "line 3: more than three fields"),
                 ("198.51.100.61\n127.0.0.1,loop\n", "line 2: address 127.0.0.1 cannot be used for a terminal"),
                 ("198.51.100.61,\"open\n", "line 1: a quoted field is not closed"))
        for text, error in cases:
            inventory = os.path.join(work, "bad.csv")
            with open(inventory, "w", encoding="utf-8") as f:
                f.write(text)
            done = program.quillon("upgrade", "--model", "M3710", "--kind", "app", "--pack", program.path(pack),
                                   "--targets", program.path(inventory))
            self.assertEqual(done.returncode, 2, done.stdout + done.stderr)
            self.assertIn("inventory %s %s" % (program.path(inventory), error), done.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
