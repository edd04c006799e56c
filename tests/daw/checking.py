"""What the tests that drive real programs (Ardour, LMMS, jalv) share: how a check fails, and what a test
does when the programs it needs are missing."""

import os
import shutil
import time

SKIPPED = 77  # ctest's SKIP_RETURN_CODE for these tests


class CheckFailed(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise CheckFailed(message)


class Findings:
    """Collects every failed expectation of a check, so that one run shows them all."""

    def __init__(self):
        self.problems = []

    def expect(self, condition, message):
        if not condition:
            self.problems.append(message)

    def settle(self):
        if self.problems:
            raise CheckFailed("\n    " + "\n    ".join(self.problems))


def waitFor(what, probe, timeout):
    """Calls probe until it answers something true; fails after timeout seconds."""
    end = time.monotonic() + timeout
    while True:
        answer = probe()
        if answer:
            return answer
        if time.monotonic() > end:
            raise CheckFailed("timed out after %g s waiting for %s" % (timeout, what))
        time.sleep(0.1)


def missingPrograms(programs):
    return [program for program in programs if shutil.which(program) is None]


def reportMissing(missing):
    """The exit code for a test that cannot run: a skip, or a failure where the test command requires the
    programs (ZINTRA_DAW_REQUIRED=1)."""
    print("missing: %s (scripts/install-deps.sh installs them)" % ", ".join(missing))
    return 1 if os.environ.get("ZINTRA_DAW_REQUIRED") == "1" else SKIPPED
