#!/usr/bin/env python3
"""End to end: native extensions in the Linux host on the real engine, on a private Xvfb display.

The app in extension_app/ calls the sample extension and the broken ones (their libraries are
copied into its ext/ folder) and says in its title what went wrong. While the sample's `later`
waits 3 s, this harness checks that the window goes on painting; at the end it closes the window
with a call still pending and reads the program's log.

    extension_e2e.py --host tessaly-host --extensions DIR --work DIR
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import time

from host_e2e import check, exit_code, fresh_folder, host_output, on_desktop

HERE = os.path.dirname(os.path.abspath(__file__))


def screenshot(desktop, window):
    result = subprocess.run(["import", "-window", window, "rgb:-"], env=desktop.env,
                            capture_output=True)
    return result.stdout


def run(desktop, host, extensions, work):
    app = os.path.join(work, "app")
    shutil.copytree(os.path.join(HERE, "extension_app"), app)
    shutil.copytree(extensions, os.path.join(app, "ext"))
    process = subprocess.Popen([host, app], env=desktop.env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True)
    try:
        window, _ = desktop.wait_for_window("^ext: ", process, 60)
        desktop.wait_for_title(window, "^ext: waiting", process, 60)
        shots = [screenshot(desktop, window)]
        time.sleep(1)
        shots.append(screenshot(desktop, window))
        check(shots[0] and shots[1] and shots[0] != shots[1],
              "the window paints while an extension's call takes 3 s")
        title = desktop.wait_for_title(window, "^ext: done ", process, 30)
        wrong = json.loads(title[len("ext: done "):])
        check(wrong == [], "the page's calls, events and errors are as expected (wrong: %r)"
              % wrong)
        desktop.tool("xdotool", "windowactivate", "--sync", window, "key", "alt+F4")
        code = exit_code(process, "its window closed with a call pending in an extension")
        check(code == 0, "the host exits with 0 with a call still pending (%d)" % code)
    finally:
        output = host_output(process)
    log = [line for line in output.splitlines() if line.startswith("tessaly-host: extension ")]
    expected = [
        'extension "echo" loaded from ext/libecho.so',
        'extension "absent" is unavailable: cannot load ext/absent.so: ',
        'extension "noexport" is unavailable: ext/missing_export.so does not export '
        'tessaly_extension_unload',
        'extension "refuses" is unavailable: its tessaly_extension_load returned 3',
        'extension "echo" never answered call ',
    ]
    for line in expected:
        check(any(line in logged for logged in log), "the log says: " + line)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--extensions", required=True, help="the built extension libraries")
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    work = fresh_folder(args.work, "extensions")
    return on_desktop(work, lambda desktop: run(desktop, args.host, args.extensions, work))


if __name__ == "__main__":
    sys.exit(main())
