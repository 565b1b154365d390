"""scripts/run as README.md tells a user to start it without a display, ended as Ctrl+C ends it.

    /usr/bin/python3 run_headless.py --source .

`QT_QPA_PLATFORM=offscreen bash scripts/run` from the checkout, on the demo's cameras, then
SIGINT: the tool must end by itself with status 0, its files must be in build/run (its
"info.ini" written by this run), and the checkout as it was (`git status`: a developer's
checkout may have changes of its own, so it is compared, not required clean). Then the same
with `ZUNQ_SF_SIMULATION=path/to/scenario.json`, the path relative to the checkout: the tool
runs on that scenario's cameras. A developer's own build/run/info.ini and log.txt are put back
as they were.
Exit status: 0 passed, 1 failed, 77 skipped (with the reason).
"""

import argparse
import json
import os
import signal
import subprocess
import sys
import time

# The build is done before the tests run: the script only finds nothing to build.
Wait_Seconds = 120


class Check_Failed(Exception):
    pass


def Expect(condition, what):
    if not condition:
        raise Check_Failed(what)


def Checkout_State(source):
    """What `git status` says of the checkout, or None when it is no git checkout of its own."""
    top = subprocess.run(["git", "-C", source, "rev-parse", "--show-toplevel"], capture_output=True, text=True)
    if top.returncode != 0 or os.path.realpath(top.stdout.strip()) != os.path.realpath(source):
        return None
    # Without the optional index refresh, so a developer's git at work meanwhile meets no lock.
    return subprocess.run(["git", "-C", source, "--no-optional-locks", "status", "--porcelain"],
                          capture_output=True, check=True).stdout


def Run_Until_Signal(source, scenario=None):
    """Starts the script as a user does, on the demo's cameras or on `scenario` (a path as the
    user gives it), and sends it SIGINT at once. The signal is held blocked from the start:
    bash leaves it pending, it survives the `exec` of the tool, and the tool takes it once its
    handlers are in place, so it never ends the script before."""
    environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    environment.pop("ZUNQ_SF_SIMULATION", None)
    if scenario:
        environment["ZUNQ_SF_SIMULATION"] = scenario
    held = signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGINT})
    try:
        script = subprocess.Popen(["bash", "scripts/run"], cwd=source, env=environment, stdin=subprocess.DEVNULL,
                                  start_new_session=True)
    finally:
        signal.pthread_sigmask(signal.SIG_SETMASK, held)
    script.send_signal(signal.SIGINT)
    try:
        return script.wait(Wait_Seconds)
    except subprocess.TimeoutExpired:
        os.killpg(script.pid, signal.SIGKILL)  # its session: the script and what it started
        script.wait()
        raise Check_Failed("scripts/run did not end within %d s of SIGINT" % Wait_Seconds)


def Run_In_Build_Run(source, scenario=None):
    settings = os.path.join(source, "build", "run", "info.ini")
    started = time.time_ns()
    status = Run_Until_Signal(source, scenario)
    Expect(status == 0, "scripts/run ended with status %d" % status)
    Expect(os.path.isfile(settings) and os.stat(settings).st_mtime_ns >= started,
           "the tool wrote no %s: it did not run in build/run" % settings)


def Run_On_Relative_Scenario(source):
    """One demo camera whose flash is saved when the simulation ends, named by a path relative
    to the checkout, where the user starts the script: the saved flash shows the tool ran on it."""
    folder = os.path.join(source, "build", "run-headless")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(source, "scenarios", "demo.json"), encoding="utf-8") as demo:
        scenario = json.load(demo)
    scenario["cameras"] = scenario["cameras"][1:2]
    scenario["cameras"][0]["flash"]["save_to"] = "flash.bin"
    with open(os.path.join(folder, "scenario.json"), "w", encoding="utf-8") as out:
        json.dump(scenario, out)
    saved = os.path.join(folder, "flash.bin")
    if os.path.exists(saved):
        os.remove(saved)
    Run_In_Build_Run(source, os.path.join("build", "run-headless", "scenario.json"))
    Expect(os.path.isfile(saved), "the tool did not run on the scenario named by a relative path: no %s" % saved)


class Kept_Files:
    """A developer's own files in build/run, put back as they were (or removed, when there were
    none) once the runs are over."""

    def __init__(self, source):
        self.paths = [os.path.join(source, "build", "run", name) for name in ("info.ini", "log.txt")]

    def __enter__(self):
        self.kept = {}
        for path in self.paths:
            if os.path.isfile(path):
                with open(path, "rb") as held:
                    self.kept[path] = held.read()
        return self

    def __exit__(self, *failure):
        for path in self.paths:
            if path in self.kept:
                with open(path, "wb") as restored:
                    restored.write(self.kept[path])
            elif os.path.isfile(path):
                os.remove(path)
        return False


def Check(source):
    before = Checkout_State(source)
    if before is None:
        print("SKIPPED: %s is no git checkout, so nothing tells whether scripts/run left it clean" % source)
        return 77
    with Kept_Files(source):
        Run_In_Build_Run(source)
        Run_On_Relative_Scenario(source)
    after = Checkout_State(source)
    Expect(after == before, "the checkout changed: git status\n%s\nbefore, and now\n%s" %
           (before.decode(errors="replace"), after.decode(errors="replace")))
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    source = os.path.abspath(parser.parse_args().source)
    started = time.monotonic()
    try:
        status = Check(source)
    except Check_Failed as failure:
        print("FAILED: %s" % failure)
        return 1
    if status == 0:
        print("passed in %.1f s" % (time.monotonic() - started))
    return status


if __name__ == "__main__":
    sys.exit(main())
