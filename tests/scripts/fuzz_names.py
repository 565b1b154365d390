"""scripts/fuzz asked for a target by a name that is none: refused at once, before anything is
built, with the list of the targets that `scripts/fuzz --list` gives.

    /usr/bin/python3 fuzz_names.py --source .

Exit status: 0 passed, 1 failed.
"""

import argparse
import os
import signal
import subprocess
import sys

# A refusal reads the fuzz folders' list files only; a script that builds instead takes minutes.
Wait_Seconds = 20


def Fuzz(source, *arguments):
    script = subprocess.Popen(["bash", "scripts/fuzz"] + list(arguments), cwd=source, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, start_new_session=True)
    try:
        out, err = script.communicate(timeout=Wait_Seconds)
    except subprocess.TimeoutExpired:
        os.killpg(script.pid, signal.SIGKILL)  # its session: the script and the build it started
        script.communicate()
        return None, "", ""
    return script.returncode, out, err


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    source = os.path.abspath(parser.parse_args().source)
    status, listed, _ = Fuzz(source, "--list")
    targets = listed.split()
    failures = []
    if status != 0 or "scenario_fuzz" not in targets:
        failures.append("--list ended with status %s and listed %s" % (status, targets))
    for name in ("Scenario_Fuzz", "nosuch"):
        status, _, said = Fuzz(source, "--seconds", "1", name)
        if status is None:
            failures.append("%s was not refused within %d s" % (name, Wait_Seconds))
        elif status == 0 or name not in said or not all(target in said for target in targets):
            failures.append("%s: status %d, and it said %r" % (name, status, said))
    for failure in failures:
        print("FAILED: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
