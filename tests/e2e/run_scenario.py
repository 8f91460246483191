#!/usr/bin/env python3
"""Runs a Windows browser host under Wine against the stand-in runtime and checks what it did.

Lays out a program folder (the exe, the app's package.json and www/, and the stand-in DLL as a
fixed runtime in webview2/EBWebView/<arch>/), runs the exe in a private Wine prefix on its own
Xvfb display with the scenario, then compares the stand-in's log, followed by the URLs the
program opened with the shell and its exit code, with the expected log. Pages the program opens
with the shell never reach a browser: the prefix's WineBrowser setting points at a script that
only writes them down.

tests/standin_runtime/README.md describes the scenario and log formats.
"""

import argparse
import difflib
import fcntl
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from wine_prefix import make_prefix
from xvfb import Xvfb

WINE_ENV = {
    "WINEDEBUG": "-all",
    # No Mono or Gecko install prompts: nothing here needs them.
    "WINEDLLOVERRIDES": "mscoree,mshtml=",
}


def windows_path(path):
    """The path as a Windows program under Wine sees it: drive Z: is the Linux root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine_env(prefix, display=None):
    env = dict(os.environ)
    # One locale everywhere: Wine takes the user's UI language (app.info().language) from it.
    for name in ("LANGUAGE", "LC_ALL", "LC_MESSAGES"):
        env.pop(name, None)
    env["LANG"] = "C.UTF-8"
    env.update(WINE_ENV)
    env["WINEPREFIX"] = prefix
    if display is None:
        env.pop("DISPLAY", None)
    else:
        env["DISPLAY"] = display
    return env


def pristine_prefix(work_dir):
    """A Wine prefix made once per work folder, under a lock, and then only copied."""
    prefix = os.path.join(work_dir, "wine-pristine")
    os.makedirs(work_dir, exist_ok=True)
    with open(os.path.join(work_dir, "wine-pristine.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        ready = os.path.join(prefix, ".tessaly-ready")
        if not os.path.exists(ready):
            shutil.rmtree(prefix, ignore_errors=True)
            make_prefix(prefix, wine_env(prefix))
            open(ready, "w").close()
    return prefix


def copy_prefix(pristine, target):
    """Hard links for the big, read-only part; real copies of the registry Wine rewrites."""
    subprocess.run(["cp", "-al", pristine, target], check=True)
    for name in os.listdir(target):
        if name.endswith(".reg"):
            path = os.path.join(target, name)
            os.unlink(path)
            shutil.copy2(os.path.join(pristine, name), path)


def send_browser_to(prefix, script):
    """Points winebrowser, which Wine's shell runs for http, https and mailto, at `script`."""
    escaped = script.replace("\\", "\\\\").replace('"', '\\"')
    with open(os.path.join(prefix, "user.reg"), "a", encoding="utf-8") as registry:
        registry.write("\n[Software\\\\Wine\\\\WineBrowser] 1700000000\n")
        registry.write('"Browsers"="%s"\n"Mailers"="%s"\n' % (escaped, escaped))


def write_browser_script(path, log):
    with open(path, "w", encoding="utf-8") as script:
        script.write("#!/bin/sh\n# Stands in for a web browser: writes down what it was asked "
                     "to open.\nprintf '%%s\\n' \"$*\" >> '%s'\n" % log)
    os.chmod(path, 0o755)


def lay_out_program(run_dir, exe, dll, arch, app):
    program = os.path.join(run_dir, "program")
    if app:
        shutil.copytree(app, program)
    else:
        os.makedirs(program)
    shutil.copy2(exe, program)
    runtime = os.path.join(program, "webview2", "EBWebView", arch)
    os.makedirs(runtime)
    shutil.copy2(dll, os.path.join(runtime, "EmbeddedBrowserWebView.dll"))
    return os.path.join(program, os.path.basename(exe))


def quote(text):
    """The stand-in log's quoting, for the lines the runner adds."""
    out = []
    for c in text:
        if c in '\\"':
            out.append("\\" + c)
        elif c == "\n":
            out.append("\\n")
        elif c == "\r":
            out.append("\\r")
        elif c == "\t":
            out.append("\\t")
        elif ord(c) < 0x20 or ord(c) == 0x7F:
            out.append("\\x%02x" % ord(c))
        else:
            out.append(c)
    return '"' + "".join(out) + '"'


def new_run(work_dir, name):
    """A run folder with its own Wine prefix, whose browser only writes down what it opens.
    Returns the folder and the prefix."""
    work_dir = os.path.abspath(work_dir or os.path.join(tempfile.gettempdir(),
                                                        "tessaly-scenarios"))
    pristine = pristine_prefix(work_dir)
    os.makedirs(os.path.join(work_dir, "runs"), exist_ok=True)
    run_dir = tempfile.mkdtemp(prefix=name + "-", dir=os.path.join(work_dir, "runs"))
    prefix = os.path.join(run_dir, "prefix")
    copy_prefix(pristine, prefix)
    script = os.path.join(run_dir, "browser.sh")
    write_browser_script(script, os.path.join(run_dir, "browser.log"))
    send_browser_to(prefix, script)
    return run_dir, prefix


def set_dpi(prefix, scenario):
    """The screen's DPI from NAME.dpi beside NAME.scenario, if there is one (else 96)."""
    path = os.path.splitext(scenario)[0] + ".dpi"
    if os.path.exists(path):
        with open(path, encoding="ascii") as dpi, \
                open(os.path.join(prefix, "user.reg"), "a", encoding="utf-8") as registry:
            registry.write('\n[Control Panel\\\\Desktop] 1700000000\n"LogPixels"=dword:%08x\n'
                           % int(dpi.read()))


def run(args):
    name = os.path.splitext(os.path.basename(args.scenario))[0]
    run_dir, prefix = new_run(args.work_dir, name)
    set_dpi(prefix, args.scenario)
    if args.program_folder:
        # A program folder as pack made it, run as it is.
        program = os.path.join(run_dir, "program")
        shutil.copytree(args.program_folder, program)
        exe = os.path.join(program, os.path.basename(args.exe))
    else:
        exe = lay_out_program(run_dir, args.exe, args.dll, args.arch, args.app)
    return run_program(args, run_dir, prefix, exe), run_dir


def program_arguments(scenario):
    """The program's command line: NAME.args beside NAME.scenario, one argument a line (UTF-8),
    or none."""
    path = os.path.splitext(scenario)[0] + ".args"
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as lines:
        return lines.read().splitlines()


def run_program(args, run_dir, prefix, exe):
    """Runs `exe` in the run's prefix with the scenario; returns the lines to compare."""
    browser_log = os.path.join(run_dir, "browser.log")
    standin_log = os.path.join(run_dir, "standin.log")

    xvfb = Xvfb(args.screen)
    try:
        env = wine_env(prefix, xvfb.display)
        env["TESSALY_STANDIN_SCENARIO"] = windows_path(args.scenario)
        env["TESSALY_STANDIN_LOG"] = windows_path(standin_log)
        try:
            result = subprocess.run(["wine", exe] + program_arguments(args.scenario),
                                    cwd=os.path.dirname(exe), env=env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                    timeout=args.timeout)
            exit_line = "exit-code %d" % result.returncode
        except subprocess.TimeoutExpired:
            exit_line = "exit-code timeout"
            subprocess.run(["wineserver", "-k"], env=env, check=False)
        # Let what the program started (winebrowser and the script) finish.
        try:
            subprocess.run(["wineserver", "-w"], env=env, check=False, timeout=30)
        except subprocess.TimeoutExpired:
            subprocess.run(["wineserver", "-k"], env=env, check=False)
    finally:
        xvfb.stop()

    lines = []
    if os.path.exists(standin_log):
        with open(standin_log, encoding="utf-8", errors="replace") as log:
            lines = log.read().splitlines()
    if os.path.exists(browser_log):
        with open(browser_log, encoding="utf-8", errors="replace") as log:
            lines += ["shell-open " + quote(url) for url in log.read().splitlines()]
    lines += program_log_lines(prefix)
    lines.append(exit_line)
    return lines


def program_log_lines(prefix):
    """A `program-log "..."` line for each line of the program's log (tessaly.log in its data
    folder), sorted: what threads log side by side comes in any order."""
    logs = glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Local", "*",
                                  "tessaly.log"))
    lines = []
    for path in logs:
        with open(path, encoding="utf-8", errors="replace") as log:
            lines += ["program-log " + quote(line) for line in log.read().splitlines()]
    return sorted(lines)


PLACEHOLDER = re.compile(r"<<(\*|[A-Za-z0-9_-]+)>>")


def line_pattern(expected, captures):
    """A regular expression for one expected line: <<*>> is any text, <<name>> any text the
    first time and the same text every later time."""
    parts = []
    new_names = set()
    position = 0
    for match in PLACEHOLDER.finditer(expected):
        parts.append(re.escape(expected[position:match.start()]))
        name = match.group(1)
        if name == "*":
            parts.append(".*?")
        elif name in captures:
            parts.append(re.escape(captures[name]))
        elif name in new_names:
            parts.append("(?P=%s)" % name.replace("-", "_"))
        else:
            new_names.add(name)
            parts.append("(?P<%s>.*?)" % name.replace("-", "_"))
        position = match.end()
    parts.append(re.escape(expected[position:]))
    return re.compile("".join(parts)), new_names


def read_expected(path):
    with open(path, encoding="utf-8") as expected:
        return [line for line in expected.read().splitlines()
                if line.strip() and not line.startswith("#")]


def compare(expected, actual, known=None):
    """None when every line matches, else the number (1-based) of the first that does not.
    `known` gives named placeholders their text from the start."""
    captures = dict(known or {})
    for index, want in enumerate(expected):
        if index >= len(actual):
            return index + 1
        pattern, new_names = line_pattern(want, captures)
        match = pattern.fullmatch(actual[index])
        if not match:
            return index + 1
        for name in new_names:
            captures[name] = match.group(name.replace("-", "_"))
    if len(actual) != len(expected):
        return len(expected) + 1
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", required=True, help="the Windows program under test")
    parser.add_argument("--program-folder",
                        help="a whole program folder, run as it is; --exe names the program in it")
    parser.add_argument("--dll", help="the stand-in EmbeddedBrowserWebView.dll")
    parser.add_argument("--arch", choices=["x86", "x64"],
                        help="the program's architecture: which runtime folder it looks in")
    parser.add_argument("--app", help="folder copied as the program folder (package.json, www)")
    parser.add_argument("--scenario", required=True)
    parser.add_argument("--expected", required=True, help="the expected log")
    parser.add_argument("--work-dir", help="where the pristine Wine prefix and the runs live")
    parser.add_argument("--timeout", type=float, default=60, help="seconds for the program")
    parser.add_argument("--screen", default="1024x768x24", help="Xvfb screen: WxHxDEPTH")
    parser.add_argument("--keep", action="store_true", help="keep the run folder on success")
    parser.add_argument("--write-actual", help="also write the actual log to this file")
    args = parser.parse_args()
    if not args.program_folder and not (args.dll and args.arch):
        parser.error("--dll and --arch are needed to lay out the program folder")

    started = time.monotonic()
    actual, run_dir = run(args)
    if args.write_actual:
        with open(args.write_actual, "w", encoding="utf-8") as out:
            out.write("\n".join(actual) + "\n")
    # What the stand-in measured varies from run to run, so the expected log cannot hold it:
    # say it here, and keep it beside the runs for whoever quotes it.
    measured = [line for line in actual if line.startswith("memory ")]
    if measured:
        print("\n".join(measured))
        name = os.path.splitext(os.path.basename(args.scenario))[0]
        work_dir = os.path.dirname(os.path.dirname(run_dir))
        with open(os.path.join(work_dir, name + ".memory"), "w", encoding="utf-8") as out:
            out.write("\n".join(measured) + "\n")
    expected = read_expected(args.expected)
    mismatch = compare(expected, actual, {"arch": args.arch} if args.arch else None)
    seconds = time.monotonic() - started
    if mismatch is None:
        print("%s: log as expected (%d lines, %.1f s)" % (args.scenario, len(actual), seconds))
        if not args.keep:
            shutil.rmtree(run_dir, ignore_errors=True)
        return 0
    print("%s: log differs from %s at line %d (run kept in %s)"
          % (args.scenario, args.expected, mismatch, run_dir))
    sys.stdout.writelines(difflib.unified_diff(
        [line + "\n" for line in expected], [line + "\n" for line in actual],
        "expected", "actual", n=3))
    return 1


if __name__ == "__main__":
    sys.exit(main())
