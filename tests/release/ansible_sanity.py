#!/usr/bin/python3
"""Runs `ansible-test sanity` on an installed collection without a network.

ansible-test gives each sanity test that has Python requirements a virtual
environment of its own, which it fills with pip from the Python package
index. Here each such environment is made beforehand, at the path
ansible-test computes for it, on top of Debian's packages (pylint,
pycodestyle, yamllint, voluptuous, ...), and marked as complete, so that
ansible-test uses it as it is. HOME is a fresh folder, so nothing of the
user's own ansible-test cache is used or changed.

usage: ansible_sanity.py COLLECTION-FOLDER [TEST...]
  COLLECTION-FOLDER  .../ansible_collections/NAMESPACE/NAME
  TEST               only these of the tests below (default: all of them)
Prints ansible-test's output; exits with its status.
"""
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, "/usr/lib/python3/dist-packages")
from ansible_test._internal.host_configs import NativePythonConfig  # noqa: E402
from ansible_test._internal.commands.sanity import hash_pip_commands  # noqa: E402
from ansible_test._internal.python_requirements import collect_requirements  # noqa: E402

PYTHON = "%d.%d" % sys.version_info[:2]

# The tests run, and those left out with the reason.
TESTS = ["action-plugin-docs", "ansible-doc", "compile", "empty-init", "ignores", "line-endings",
         "no-assert", "no-get-exception", "no-illegal-filenames", "no-smart-quotes", "pep8", "pylint",
         "replace-urlopen", "runtime-metadata", "shebang", "symlinks", "use-argspec-type-path",
         "use-compat-six", "validate-modules", "yamllint"]
SKIPPED = {
    "import": "imports each module in a virtual environment that it fills with pip from the package index",
    "changelog": "needs antsibull-changelog, which Debian 12 does not package",
    "pslint": "needs PowerShell, which Debian does not package (the collection has no PowerShell)",
    "shellcheck": "the collection has no shell scripts",
}


def seed_environment(home, test):
    commands = collect_requirements(python=NativePythonConfig(version=PYTHON, path=sys.executable),
                                    controller=True, ansible=False, cryptography=False, coverage=False,
                                    virtualenv=False, minimize=False, command=None, sanity=test)
    if not commands:
        return  # ansible-test makes an environment without packages itself
    path = os.path.join(home, ".ansible", "test", "venv", "sanity." + test, PYTHON, hash_pip_commands(commands))
    subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", "--without-pip", path], check=True)
    try:
        import yaml
        libyaml = hasattr(yaml, "CSafeLoader")
    except ImportError:
        libyaml = None
    with open(os.path.join(path, "meta.install.json"), "w") as f:
        json.dump([], f)
    with open(os.path.join(path, "meta.yaml.json"), "w") as f:
        json.dump(libyaml, f)
    open(os.path.join(path, "marker.txt"), "w").close()


def main():
    collection = os.path.abspath(sys.argv[1])
    tests = sys.argv[2:] or TESTS
    with tempfile.TemporaryDirectory(prefix="quillon-sanity-") as home:
        for test in TESTS:
            seed_environment(home, test)
        for test, why in SKIPPED.items():
            print("ansible_sanity: skipping %s: %s" % (test, why))
        env = dict(os.environ, HOME=home, ANSIBLE_HOME=os.path.join(home, ".ansible"))
        args = ["ansible-test", "sanity", "--color", "no", "--python", PYTHON]
        for test in tests:
            args += ["--test", test]
        done = subprocess.run(args, cwd=collection, env=env)
        return done.returncode


if __name__ == "__main__":
    sys.exit(main())
