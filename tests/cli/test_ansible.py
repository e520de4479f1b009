#!/usr/bin/python3
"""The Ansible module quillon_upgrade and the example playbook
(tools/ansible/rollout.yml: waves of 1, 3 and the rest, at most 25 % of a
wave failing) run by ansible-playbook with local connections against six
simulated terminals on test hosts in network namespaces (198.51.100.0/24,
made and removed here), grouped under two jump hosts; the third terminal
refuses every login, so the second wave fails and the third never starts.

Run through ctest (cli_ansible_test): QUILLON_CLI, QUILLON_PACKTOOL,
QUILLON_WORK, QUILLON_NETNS_TAG and QUILLON_ADDRESS_BASE as in test_quillon.py.
"""
import json
import os
import shutil
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import test_quillon as q  # noqa: E402
from test_quillon import sim_netns  # noqa: E402

PLAYBOOK = os.path.join(HERE, "..", "..", "tools", "ansible", "rollout.yml")
# Inventory order: the waves of the playbook are [t1], [t2, t3, t4], [t5, t6].
JUMP_HOSTS = {"jump-a": ["t1", "t2", "t3"], "jump-b": ["t4", "t5", "t6"]}
REFUSING = "t3"


class AnsibleRollout(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        q.require_environment()
        if not shutil.which("ansible-playbook"):
            raise AssertionError("ansible-playbook is not installed (scripts/setup installs Debian's ansible)")
        cls.program = q.Program()
        cls.work = os.path.join(q.WORK, "ansible")
        shutil.rmtree(cls.work, ignore_errors=True)
        os.makedirs(cls.work)
        cls.pack = cls.program.make_pack("M3710", q.write_source(os.path.join(cls.work, "source"), 200000, 13),
                                         os.path.join(cls.work, "packs", q.PACK))
        cls.log = os.path.join(cls.work, "upgrades.jsonl")
        cls.terminals = sim_netns.Terminals(q.TAG, os.path.join(cls.work, "terminals"))
        cls.names = [n for hosts in JUMP_HOSTS.values() for n in hosts]
        error = cls.terminals.start_all([(name, q.address(i)) for i, name in enumerate(cls.names)],
                                        {REFUSING: ["refuse-login"]})
        if error:
            raise AssertionError("cannot make the test hosts: " + error)
        cls.inventory = os.path.join(cls.work, "inventory.json")
        local = {"ansible_connection": "local", "ansible_python_interpreter": "/usr/bin/python3"}
        groups = {}
        for jump, hosts in JUMP_HOSTS.items():
            groups["behind_" + jump.replace("-", "_")] = {
                "vars": {"jump_host": jump},
                "hosts": {n: {"terminal_address": cls.terminals.started[n]["address"]} for n in hosts}}
        inventory = {"all": {"children": {
            "jump_hosts": {"hosts": {jump: dict(local) for jump in JUMP_HOSTS}},
            "terminals": {"vars": {"terminal_model": "M3710"}, "children": groups}}}}
        with open(cls.inventory, "w") as f:
            json.dump(inventory, f)

    @classmethod
    def tearDownClass(cls):
        cls.terminals.stop()
        cls.program.close()

    def playbook(self, *extra):
        """Runs the example playbook; its exit status and each terminal's task result."""
        temp = os.path.join(self.work, "tmp")
        env = dict(os.environ, ANSIBLE_STDOUT_CALLBACK="json", ANSIBLE_LOCAL_TEMP=temp, ANSIBLE_REMOTE_TEMP=temp,
                   ANSIBLE_HOME=os.path.join(self.work, "home"), ANSIBLE_RETRY_FILES_ENABLED="false",
                   ANSIBLE_NOCOLOR="1")
        extra_vars = {"quillon_program": q.CLI, "pack_path": self.pack, "upgrade_log": self.log,
                      "report_dir": os.path.join(self.work, "reports"), **getattr(self, "more_vars", {})}
        done = subprocess.run(["ansible-playbook", "-i", self.inventory, PLAYBOOK, "-e", json.dumps(extra_vars)]
                              + list(extra), env=env, capture_output=True, text=True, timeout=600)
        try:
            report = json.loads(done.stdout)
        except ValueError:
            self.fail("ansible-playbook gave no JSON report:\n" + done.stdout + done.stderr)
        results = {}
        for play in report["plays"]:
            for task in play["tasks"]:
                for host, result in task["hosts"].items():
                    results[host] = result
        return done.returncode, results

    def logins(self, name):
        return len([e for e in self.terminals.journal(name) if e["event"] == "login"])

    def uploads(self, name):
        return len([e for e in self.terminals.journal(name) if e["event"] == "upload" and e["path"].endswith(q.PACK)])

    def test_waves_stop_at_the_failed_wave_and_a_rerun_changes_nothing(self):
        code, results = self.playbook()
        self.assertNotEqual(code, 0)
        self.assertEqual(sorted(results), ["t1", "t2", "t3", "t4"], results)  # the third wave never started
        for name in ("t1", "t2", "t4"):
            self.assertEqual((results[name]["result"], results[name]["text"], results[name]["changed"]),
                             ("success", q.SUCCESS, True), name)
            self.assertEqual(self.uploads(name), 1, name)
        self.assertTrue(results[REFUSING].get("failed"), results[REFUSING])
        self.assertEqual((results[REFUSING]["msg"], results[REFUSING]["attempts"]), (q.CONNECT_FAILED, 3))
        for name in ("t5", "t6"):
            self.assertEqual((self.logins(name), self.uploads(name)), (0, 0), name)

        # Again: what is done reports no change, nothing is sent again.
        code, results = self.playbook("--limit", "t1,t2,t4")
        self.assertEqual(code, 0, results)
        for name in ("t1", "t2", "t4"):
            self.assertEqual((results[name]["result"], results[name]["changed"]), ("already done", False), name)
            self.assertEqual(self.uploads(name), 1, name)

        # Check mode reaches the rest and writes nothing.
        code, results = self.playbook("--check", "--limit", "t5,t6")
        self.assertEqual(code, 0, results)
        for name in ("t5", "t6"):
            self.assertEqual((results[name]["result"], results[name]["changed"]), ("would deliver", True), name)
            self.assertGreater(self.logins(name), 0, name)
            self.assertEqual(self.uploads(name), 0, name)
            self.assertEqual(os.listdir(os.path.join(self.terminals.started[name]["root"], "Storage Card")), [])

        # The report play alone: one page per jump host, fetched here.
        code, results = self.playbook("--tags", "report")
        self.assertEqual(code, 0, results)
        for jump in JUMP_HOSTS:
            with open(os.path.join(self.work, "reports", jump + ".html"), encoding="utf-8") as f:
                self.assertIn("<svg", f.read(), jump)

        # A trusted key passed through: the unsigned pack is refused, nothing is sent.
        key = os.path.join(self.work, "vendor")
        made = self.program.run(q.PACKTOOL, ["keygen", "-o", key])
        self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
        self.more_vars = {"trusted_keys": [key + ".pub"]}
        code, results = self.playbook("--limit", "t5")
        self.assertNotEqual(code, 0)
        self.assertEqual(results["t5"]["msg"], "升级失败，升级包没有签名.", results["t5"])
        self.assertEqual(self.uploads("t5"), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
