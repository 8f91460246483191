#!/usr/bin/env python3
"""Start-up of the Windows program under Wine: time from process creation to the program's first
Navigate call (the stand-in runtime notes it), against a bare Win32 window's time from process
creation to its first paint, alternating, in one run. Prints the medians, their ratio and where
the program's time goes.

    windows_startup.py --exe Tessaly.exe --dll EmbeddedBrowserWebView.dll \\
        --bare bare_window_win32.exe --app examples/hello

Both times are taken inside the process, from its creation time to the moment, on the same
clock. Wine's own start of a process (the loader, the connection to wineserver) comes before the
creation time and is left out of both, so the ratio compares what the two programs do rather
than what Wine does for any program; it is printed separately. The rounds share one Wine
prefix, display and running wineserver, as programs on one desktop share a session; one
unmeasured round of each comes first. The app runs with the shipped ("fixed") runtime mode, so
the program finds the stand-in in its webview2 folder.
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import run_scenario  # noqa: E402
from xvfb import Xvfb  # noqa: E402

# The window closes before the page loads, while it is still hidden: a shown window would make
# Wine wait two seconds at its end for a window manager that Xvfb has not got.
SCENARIO = "close-request\n"

# The stand-in's moments, in the order the program reaches them, and what happens before each.
PHASES = [
    ("runtime-loaded", "program start-up until the runtime DLL is loaded"),
    ("create-environment", "runtime DLL loaded to environment creation called"),
    ("environment-completed", "environment creation to its completion delivered"),
    ("create-controller", "environment handler to controller creation called"),
    ("controller-completed", "controller creation to its completion delivered"),
    ("navigate", "controller handler to the first Navigate"),
]


def read_marks(path):
    marks = {}
    with open(path, encoding="ascii") as timing:
        for line in timing:
            name, value = line.split()
            marks[name] = int(value)
    return marks


def timed_run(exe, env, variable, timing, timeout):
    """Runs `exe` to its end; returns its time marks, with `wine-start`: microseconds from the
    launch to the process's creation."""
    if os.path.exists(timing):
        os.unlink(timing)
    env = dict(env)
    env[variable] = run_scenario.windows_path(timing)
    launched = time.time()
    result = subprocess.run(["wine", exe], cwd=os.path.dirname(exe), env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)
    if result.returncode != 0 or not os.path.exists(timing):
        raise RuntimeError("%s ended with exit code %d and %s timing file" % (
            os.path.basename(exe), result.returncode,
            "a" if os.path.exists(timing) else "no"))
    marks = read_marks(timing)
    marks["wine-start"] = marks["created-unix"] - int(launched * 1e6)
    return marks


def lay_out_program(folder, args):
    """The program folder of the app, in fixed runtime mode."""
    exe = run_scenario.lay_out_program(folder, args.exe, args.dll, "x86", args.app)
    package_path = os.path.join(os.path.dirname(exe), "package.json")
    with open(package_path, encoding="utf-8") as package:
        package_json = json.load(package)
    package_json.setdefault("settings", {})["distribution-mode"] = "fixed"
    with open(package_path, "w", encoding="utf-8") as package:
        json.dump(package_json, package, indent=2)
    return exe


def milliseconds(values):
    return statistics.median(values) / 1000


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", required=True, help="the 32-bit Windows program")
    parser.add_argument("--dll", required=True, help="the stand-in EmbeddedBrowserWebView.dll")
    parser.add_argument("--bare", required=True, help="the bare window, bare_window_win32.exe")
    parser.add_argument("--app", required=True, help="the app folder (package.json, www)")
    parser.add_argument("--rounds", type=int, default=15)
    parser.add_argument("--work-dir", help="where the pristine Wine prefix and the runs live")
    parser.add_argument("--timeout", type=float, default=60, help="seconds for one run")
    args = parser.parse_args()
    for path in (args.exe, args.dll, args.bare, os.path.join(args.app, "package.json")):
        if not os.path.isfile(path):
            parser.error("no such file: " + path)

    run_dir, prefix = run_scenario.new_run(args.work_dir, "startup-bench")
    bare = os.path.join(run_dir, "bare", os.path.basename(args.bare))
    os.makedirs(os.path.dirname(bare))
    shutil.copy2(args.bare, bare)
    runs = [("program", lay_out_program(run_dir, args), "TESSALY_STANDIN_TIMING"),
            ("bare", bare, "TESSALY_BENCH_TIMING")]
    scenario = os.path.join(run_dir, "startup.scenario")
    with open(scenario, "w", encoding="utf-8") as out:
        out.write(SCENARIO)
    timing = os.path.join(run_dir, "timing.txt")
    measured = {name: [] for name, _, _ in runs}
    xvfb = Xvfb("1280x800x24")
    env = run_scenario.wine_env(prefix, xvfb.display)
    env["TESSALY_STANDIN_SCENARIO"] = run_scenario.windows_path(scenario)
    try:
        # One wineserver for every round, as one session on a desktop.
        subprocess.run(["wineserver", "-p"], env=env, check=True)
        # One round first, unmeasured: it starts Wine's desktop and services, fills the disk
        # cache and makes the app's data folder. Each round starts with another of the runs.
        for round_number in range(args.rounds + 1):
            for index in range(len(runs)):
                name, exe, variable = runs[(round_number + index) % len(runs)]
                marks = timed_run(exe, env, variable, timing, args.timeout)
                if round_number > 0:
                    measured[name].append(marks)
    except (RuntimeError, subprocess.TimeoutExpired) as error:
        print("windows_startup: %s (run kept in %s)" % (error, run_dir), file=sys.stderr)
        return 1
    finally:
        subprocess.run(["wineserver", "-k"], env=env, check=False)
        xvfb.stop()
    shutil.rmtree(run_dir, ignore_errors=True)

    program, bare_runs = measured["program"], measured["bare"]
    program_ms = milliseconds([run["navigate"] for run in program])
    bare_ms = milliseconds([run["shown"] for run in bare_runs])
    # Runs of one round share the machine's load of the moment; their own ratio shows how much
    # the medians' ratio owes to the load changing between rounds.
    round_ratios = [run["navigate"] / shown["shown"] for run, shown in zip(program, bare_runs)]
    print("Windows program start-up under Wine, %d rounds (medians):" % args.rounds)
    print("  Tessaly.exe, process creation to first Navigate:  %7.1f ms" % program_ms)
    print("  bare window, process creation to first paint:     %7.1f ms" % bare_ms)
    print("  ratio program / bare window:                      %7.2f" % (program_ms / bare_ms))
    print("  (the rounds' own ratios: median %.2f, from %.2f to %.2f)" % (
        statistics.median(round_ratios), min(round_ratios), max(round_ratios)))
    print("Where the program's time goes (medians of each phase):")
    previous = None
    for name, what in PHASES:
        spans = [run[name] - (run[previous] if previous else 0) for run in program]
        print("  %-52s %7.1f ms" % (what + ":", milliseconds(spans)))
        previous = name
    print("Left out of both: Wine's own process start, launch to process creation:")
    print("  Tessaly.exe %.1f ms, bare window %.1f ms" % (
        milliseconds([run["wine-start"] for run in program]),
        milliseconds([run["wine-start"] for run in bare_runs])))
    return 0


if __name__ == "__main__":
    sys.exit(main())
