"""What the whole-program tests take from ctest: settings in the
environment, a scratch folder to start from, and paths as the Windows
programs under Wine see them."""
import os
import shutil
import unittest


def settings(*names):
    """The values of environment variables `names`, "" for each one unset."""
    return tuple(os.environ.get(name, "") for name in names)


def fresh_work(work, **needed):
    """Skips the test class unless `work` and every value of `needed` (named
    by its variable) are set, as they are under ctest; then empties `work`."""
    missing = [name for name, value in dict(needed, QUILLON_WORK=work).items() if not value]
    if missing:
        raise unittest.SkipTest("%s not set (run through ctest)" % ", ".join(missing))
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)


def wine_path(unix_path):
    """`unix_path` on Wine's drive Z:, which maps the whole file system."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


# The pack tool's tests: QUILLON_PACKTOOL is packtool or packtool.exe, which
# QUILLON_PACKTOOL_RUNNER (scripts/wine-run) runs under Wine; QUILLON_WORK is
# the scratch folder.
PACKTOOL, PACKTOOL_RUNNER, WORK = settings("QUILLON_PACKTOOL", "QUILLON_PACKTOOL_RUNNER", "QUILLON_WORK")


def packtool_path(path):
    """`path` as the pack tool under test sees it."""
    return wine_path(path) if PACKTOOL_RUNNER else path
