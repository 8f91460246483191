#!/usr/bin/env python3
"""End to end: the Linux host killed while its page writes save files.

The app in kill_app/ writes files that say their own length and checksum, one after another,
without a pause. The harness kills the host with SIGKILL at random moments and starts it again.
After each kill every file must be absent or one whole version; after each start, once the page's
first call is answered, no temporary file of a write may be left.

    save_kill_e2e.py --host tessaly-host --work DIR [--kills 20] [--seed N]
"""

import argparse
import hashlib
import os
import random
import shutil
import signal
import subprocess
import sys
import time

from host_e2e import (HERE, PARTIAL, Failure, check, fresh_folder, on_desktop, tree,
                      without_sanitizer_report)

APP_NAME = "tessaly-kill-e2e"
NAMES = ["a.bin", "b.bin", "deep/c.bin", "deep/er/d.bin"]


def whole(path):
    """Whether the file at `path` is one complete version as the page wrote it."""
    with open(path, "rb") as f:
        header, _, payload = f.read().partition(b"\n")
    fields = header.split()
    return (len(fields) == 3 and fields[1] == str(len(payload)).encode() and
            fields[2] == hashlib.sha256(payload).hexdigest().encode())


def leftovers(saves):
    return sorted(path for path in tree(saves) if os.path.basename(path).startswith(PARTIAL))


def wait_gone(pids, seconds):
    """Whether the processes `pids` have all ended within `seconds`."""
    end = time.monotonic() + seconds
    while any(os.path.exists("/proc/%d" % pid) for pid in pids):
        if time.monotonic() > end:
            return False
        time.sleep(0.05)
    return True


def kill_runs(desktop, host, app, kills, rng, log):
    """Starts the host `kills` times, kills it at a random moment of its writes each time, and
    checks the saves after each kill and at the next start. The host's output goes to `log`."""
    saves = os.path.join(desktop.env["XDG_DATA_HOME"], APP_NAME)
    torn_kills = checked = 0
    for run in range(kills + 1):
        go = os.path.join(saves, "go")
        if os.path.exists(go):
            os.remove(go)
        process = subprocess.Popen([host, app, "run-%d" % run], env=desktop.env, stdout=log,
                                   stderr=subprocess.STDOUT)
        try:
            desktop.wait_for_window("^kill: started run-%d$" % run, process, 60)
            left = leftovers(saves)
            if left:
                raise Failure("run %d: leftovers after the first call's reply: %r"
                              % (run, left))
            if run == kills:
                break
            children = subprocess.run(["pgrep", "-P", str(process.pid)],
                                      capture_output=True, text=True).stdout.split()
            os.makedirs(saves, exist_ok=True)
            open(go, "w").close()
            time.sleep(rng.uniform(0.05, 1.0))
            if rng.random() < 0.5:
                # Half the kills wait for a write under way: the moments the temporary file
                # and the rename are there for.
                end = time.monotonic() + 2
                while not leftovers(saves) and time.monotonic() < end:
                    pass
            os.kill(process.pid, signal.SIGKILL)
            process.wait()
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
        # The engine's processes end with the host; a new run must not meet them.
        if not wait_gone([int(pid) for pid in children], 10):
            raise Failure("run %d: the engine's processes outlived the host" % run)
        found = [name for name in NAMES if os.path.exists(os.path.join(saves, name))]
        broken = [name for name in found if not whole(os.path.join(saves, name))]
        if broken:
            raise Failure("run %d: torn files after the kill: %r" % (run, broken))
        checked += len(found)
        if leftovers(saves):
            torn_kills += 1
    print("ok: %d kills: %d files found whole, none torn; no leftover after any start"
          % (kills, checked))
    check(torn_kills > 0, "%d kills came while a write was under way" % torn_kills)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--kills", type=int, default=20)
    parser.add_argument("--seed", type=int, default=random.randrange(1 << 32))
    args = parser.parse_args()
    print("seed:", args.seed)
    rng = random.Random(args.seed)
    work = fresh_folder(args.work, "save-kill")
    app = os.path.join(work, "app")
    shutil.copytree(os.path.join(HERE, "kill_app"), app)
    log_path = os.path.join(work, "host.log")

    def run(desktop):
        try:
            with open(log_path, "w") as log:
                kill_runs(desktop, args.host, app, args.kills, rng, log)
        finally:
            # A sanitizer's report explains a failure above best.
            with open(log_path) as log:
                without_sanitizer_report(log.read())

    return on_desktop(work, run)


if __name__ == "__main__":
    sys.exit(main())
