#!/usr/bin/env python3
"""The page's calls to the Linux host through window.tessaly, against what the page has without
them, in one run on a private Xvfb display: a 1 MiB save written and read back against the same
bytes put into IndexedDB and got back, and app.info() and a call of the sample native extension
(echo, small params) against a bare message round trip. The app in api_app/ (with the sample put
into its ext/) times each pair in turns and says the medians in its title. Prints them and the
ratios.

    linux_api_bench.py --host tessaly-host --echo libecho.so [--rounds 30]
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from xvfb import Xvfb  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))


def page_report(host, app, rounds, env):
    """The medians the page says in its title."""
    process = subprocess.Popen([host, app, str(rounds)], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        end = time.monotonic() + 60 + rounds * 2
        while time.monotonic() < end and process.poll() is None:
            windows = subprocess.run(["xdotool", "search", "--name", "^bench: (done|failed)"],
                                     env=env, capture_output=True, text=True).stdout.split()
            if windows:
                title = subprocess.run(["xdotool", "getwindowname", windows[0]], env=env,
                                       capture_output=True, text=True).stdout.strip()
                if title.startswith("bench: failed"):
                    raise RuntimeError(title)
                return json.loads(title[len("bench: done "):])
            time.sleep(0.2)
        raise RuntimeError("the page did not finish (host %s)" %
                           ("running" if process.poll() is None else "ended"))
    finally:
        process.terminate()
        process.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--echo", required=True, help="the sample extension, libecho.so")
    parser.add_argument("--rounds", type=int, default=30)
    args = parser.parse_args()
    xvfb = Xvfb("1024x768x24")
    try:
        with tempfile.TemporaryDirectory() as home:
            env = dict(os.environ, DISPLAY=xvfb.display, XDG_DATA_HOME=home + "/data",
                       XDG_CACHE_HOME=home + "/cache", NO_AT_BRIDGE="1")
            env.pop("WAYLAND_DISPLAY", None)
            app = os.path.join(home, "app")
            shutil.copytree(os.path.join(HERE, "api_app"), app)
            os.makedirs(os.path.join(app, "ext"))
            shutil.copy(args.echo, os.path.join(app, "ext", "libecho.so"))
            times = page_report(args.host, app, args.rounds, env)
    finally:
        xvfb.stop()
    print("Linux host page API, %d rounds (medians):" % args.rounds)
    print("  1 MiB files.write + files.readBytes:   %8.3f ms" % times["save"])
    print("  1 MiB IndexedDB put + get:             %8.3f ms" % times["idb"])
    print("  ratio save / IndexedDB:                %8.2f" % (times["save"] / times["idb"]))
    print("  app.info():                            %8.3f ms" % times["info"])
    print("  bare message round trip:               %8.3f ms" % times["message"])
    print("  ratio info / bare message:             %8.2f" % (times["info"] / times["message"]))
    print("  echo extension call:                   %8.3f ms (%.0f calls/s)"
          % (times["echo"], 1000 / times["echo"]))
    print("  bare message round trip:               %8.3f ms (%.0f round trips/s)"
          % (times["echoMessage"], 1000 / times["echoMessage"]))
    print("  ratio echo call / bare message:        %8.2f" % (times["echo"] / times["echoMessage"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
