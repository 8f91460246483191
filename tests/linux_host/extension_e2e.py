#!/usr/bin/env python3
"""End to end: native extensions in the Linux host on the real engine, on a private Xvfb display.

The app in extension_app/ calls the sample extension and the broken ones (their libraries are
copied into its ext/ folder) and says in its title what went wrong, with the user's locale
German: numbers in JSON keep their decimal point. While the sample's `later` waits 3 s, this
harness checks that the window goes on painting; at the end it closes the window with a call
still pending and reads the program's log.

A second run floods the program: the flood extension sends events as fast as it can while the
page keeps hundreds of calls in flight, and the harness closes the window in the middle of it.

    extension_e2e.py --host tessaly-host --extensions DIR --work DIR
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import time

from host_e2e import (Failure, check, exit_code, fresh_folder, host_output, on_desktop,
                      without_sanitizer_report)

HERE = os.path.dirname(os.path.abspath(__file__))


def screenshot(desktop, window):
    result = subprocess.run(["import", "-window", window, "rgb:-"], env=desktop.env,
                            capture_output=True)
    return result.stdout


def german(env, work):
    """`env` with the user's locale de_DE.UTF-8, made here: the machine need not have it."""
    locales = os.path.join(work, "locales")
    os.makedirs(locales, exist_ok=True)
    made = subprocess.run(["localedef", "-i", "de_DE", "-f", "UTF-8",
                           os.path.join(locales, "de_DE.UTF-8")], capture_output=True, text=True)
    if not os.path.isdir(os.path.join(locales, "de_DE.UTF-8")):
        raise Failure("localedef could not make de_DE.UTF-8 (exit %d): %s"
                      % (made.returncode, made.stderr.strip()[-300:]))
    return dict(env, LOCPATH=locales, LC_ALL="de_DE.UTF-8")


def checks_run(desktop, host, app, env):
    process = subprocess.Popen([host, app], env=env, stdout=subprocess.PIPE,
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


def flood_run(desktop, host, app):
    # The host's output goes to a file, not a pipe: the flood's log lines would fill a pipe
    # nobody reads until the end, and the host would then wait on its own log.
    log_path = os.path.join(os.path.dirname(app), "flood-host.log")
    with open(log_path, "w") as log:
        process = subprocess.Popen([host, app, "flood"], env=desktop.env, stdout=log,
                                   stderr=subprocess.STDOUT)
    try:
        window, _ = desktop.wait_for_window("^ext: ", process, 60)
        pattern = r"^ext: flooding (\d+) events (\d+) calls$"
        end = time.monotonic() + 60
        while True:
            title = desktop.wait_for_title(window, pattern, process, 60)
            events, calls = map(int, re.match(pattern, title).groups())
            if events >= 1000 and calls >= 1200:
                break
            if time.monotonic() > end:
                raise Failure("the flood did not get going: " + title)
            time.sleep(0.1)
        print("ok: the page sees the flood: " + title)
        shots = [screenshot(desktop, window)]
        time.sleep(1)
        shots.append(screenshot(desktop, window))
        check(shots[0] and shots[1] and shots[0] != shots[1], "the window paints in the flood")
        closed = time.monotonic()
        desktop.tool("xdotool", "windowactivate", "--sync", window, "key", "alt+F4")
        code = exit_code(process, "its window closed in a flood of events and calls")
        took = time.monotonic() - closed
        check(code == 0 and took < 15, "closed in the flood, the host exits with 0 in %.1f s (%d)"
              % (took, code))
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
        with open(log_path) as log:
            output = log.read()
        print("host output, last lines:\n" + "\n".join(output.splitlines()[-20:]))
        without_sanitizer_report(output)


def run(desktop, host, extensions, work):
    app = os.path.join(work, "app")
    shutil.copytree(os.path.join(HERE, "extension_app"), app)
    shutil.copytree(extensions, os.path.join(app, "ext"))
    checks_run(desktop, host, app, german(desktop.env, work))
    flood_run(desktop, host, app)


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
