#!/usr/bin/env python3
"""Start-up of the Linux host: time from process start to the start page's DOM being ready
(when the host shows its window), against a bare GTK window's first draw, both on one private
Xvfb display, alternating, in one run. Prints the medians and their ratio.

    linux_host_startup.py --host tessaly-host --bare bare_gtk_window --app examples/hello
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from xvfb import Xvfb  # noqa: E402


def time_until(command, env, marker):
    """Seconds from just before the process starts until it writes a line holding `marker`."""
    start = time.monotonic()
    process = subprocess.Popen(command, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True)
    try:
        for line in process.stdout:
            if marker in line:
                return time.monotonic() - start
        raise RuntimeError("%s ended without %r" % (command[0], marker))
    finally:
        process.terminate()
        process.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--bare", required=True)
    parser.add_argument("--app", required=True)
    parser.add_argument("--rounds", type=int, default=7)
    args = parser.parse_args()
    xvfb = Xvfb("1280x800x24")
    try:
        with tempfile.TemporaryDirectory() as home:
            env = dict(os.environ, DISPLAY=xvfb.display, XDG_DATA_HOME=home + "/data",
                       XDG_CACHE_HOME=home + "/cache", G_MESSAGES_DEBUG="tessaly",
                       NO_AT_BRIDGE="1")
            env.pop("WAYLAND_DISPLAY", None)
            host, bare = [], []
            # One round of each first, unmeasured: it fills the disk cache and the app's storage.
            time_until([args.host, args.app], env, "DOM ready")
            time_until([args.bare], env, "shown")
            for _ in range(args.rounds):
                host.append(time_until([args.host, args.app], env, "DOM ready"))
                bare.append(time_until([args.bare], env, "shown"))
    finally:
        xvfb.stop()
    host_median, bare_median = statistics.median(host), statistics.median(bare)
    print("Linux host start-up, %d rounds (medians):" % args.rounds)
    print("  tessaly-host, process start to DOM ready:  %7.1f ms" % (host_median * 1000))
    print("  bare GTK window, process start to drawn:   %7.1f ms" % (bare_median * 1000))
    print("  ratio host / bare window:                  %7.2f" % (host_median / bare_median))
    return 0


if __name__ == "__main__":
    sys.exit(main())
