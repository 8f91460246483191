#!/usr/bin/env python3
"""End to end: the Linux host on the real engine, on a private Xvfb display.

The test app in app/ checks the host from inside and says where it is in its document title,
which the host mirrors to the window title; this harness reads that with xdotool, measures the
window with xwininfo, and lets the page go on by putting NAME.go files into its www folder.

The api mode runs the app in api_app/, which calls every method of window.tessaly; the harness
checks the window with xwininfo and xprop, and the save folder on disk.

    host_e2e.py run --host tessaly-host --media clip.webm --work DIR
    host_e2e.py startup-failures --host tessaly-host --work DIR
    host_e2e.py api --host tessaly-host --work DIR
"""

import argparse
import json
import os
import platform
import re
import shutil
import stat
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from xvfb import Xvfb  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SCREEN = (1024, 768)
PACKAGE_MISSING = ("Failed to load package.json. Check the file is in the same folder as the "
                   "app.")
PACKAGE_INVALID = ("Failed to parse package.json. Check the file has valid JSON and that all "
                   "parameters are correct.")
START_PAGE_MISSING = "Failed to load the start page."
MiB = 1024 * 1024
PARTIAL = ".tessaly-partial-"
# What AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer write when they find
# something, in the native-asan preset's build of the host.
SANITIZER_REPORTS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:")


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)
    print("ok:", what)


class Desktop:
    """The display with a window manager, as on a desktop (full screen is the window manager's
    to grant), and the desktop's default handler: a script that logs what it is given."""

    def __init__(self, work):
        self.xvfb = Xvfb("%dx%dx24" % SCREEN)
        self.window_manager = None
        self.opened_log = os.path.join(work, "opened.log")
        home = os.path.join(work, "home")
        for sub in ("data/applications", "config", "cache"):
            os.makedirs(os.path.join(home, sub), exist_ok=True)
        logger = os.path.join(home, "log-opened.sh")
        with open(logger, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n' % self.opened_log)
        os.chmod(logger, 0o755)
        types = "x-scheme-handler/https;x-scheme-handler/http;text/plain;"
        with open(os.path.join(home, "data/applications/e2e-opened.desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Log\nExec=%s %%u\nMimeType=%s\n"
                    % (logger, types))
        with open(os.path.join(home, "config/mimeapps.list"), "w") as f:
            f.write("[Default Applications]\n")
            for kind in types.strip(";").split(";"):
                f.write("%s=e2e-opened.desktop\n" % kind)
        self.env = dict(os.environ, DISPLAY=self.xvfb.display, HOME=home,
                        XDG_DATA_HOME=os.path.join(home, "data"),
                        XDG_CONFIG_HOME=os.path.join(home, "config"),
                        XDG_CACHE_HOME=os.path.join(home, "cache"),
                        XDG_DATA_DIRS="/usr/share", NO_AT_BRIDGE="1")
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        self.window_manager = None
        self.window_manager_log = os.path.join(work, "openbox.log")
        # Under a loaded machine the window manager can take its time, or lose a race with the
        # new X server and end: then it gets a second start.
        for attempt in range(2):
            with open(self.window_manager_log, "a") as log:
                self.window_manager = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                                       stdout=log, stderr=log)
            end = time.monotonic() + 30
            while "_NET_SUPPORTING_WM_CHECK" not in self.tool("xprop", "-root"):
                if time.monotonic() > end or self.window_manager.poll() is not None:
                    break
                time.sleep(0.1)
            else:
                return
            if self.window_manager.poll() is None:
                self.window_manager.terminate()
                self.window_manager.wait()
        self.stop()
        raise Failure("the window manager did not start (exit %s): %s" % (
            self.window_manager.poll(), open(self.window_manager_log).read()[-500:]))

    def tool(self, *args):
        result = subprocess.run(args, env=self.env, capture_output=True, text=True)
        return result.stdout

    def windows(self, pattern):
        """(id, title) of each visible window whose title matches `pattern`."""
        ids = self.tool("xdotool", "search", "--onlyvisible", "--name", pattern).split()
        return [(i, self.tool("xdotool", "getwindowname", i).strip()) for i in ids]

    def wait_for_window(self, pattern, process, seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            found = self.windows(pattern)
            if found:
                return found[0]
            if process.poll() is not None:
                raise Failure("the host ended (exit code %d) before a window matched %r"
                              % (process.returncode, pattern))
            time.sleep(0.1)
        titles = [t for _, t in self.windows(".")]
        raise Failure("no window matched %r within %d s; windows: %r" % (pattern, seconds, titles))

    def wait_for_title(self, window, pattern, process, seconds=30):
        """The title of `window`, shown or not, once it matches `pattern`."""
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            title = self.tool("xdotool", "getwindowname", window).strip()
            if re.search(pattern, title):
                return title
            if process.poll() is not None or " failed " in title:
                raise Failure("waiting for %r: the title is %r, the host %s" % (
                    pattern, title, "runs" if process.poll() is None else "ended"))
            time.sleep(0.1)
        raise Failure("the title did not match %r within %d s" % (pattern, seconds))

    def wait_for_state(self, window, atom, present):
        """Whether `atom` came to be in the window's _NET_WM_STATE (or left it) within 5 s."""
        end = time.monotonic() + 5
        while (atom in self.tool("xprop", "-id", window, "_NET_WM_STATE")) != present:
            if time.monotonic() > end:
                return False
            time.sleep(0.1)
        return True

    def geometry(self, window):
        info = self.tool("xwininfo", "-id", window)
        value = lambda name: int(re.search(name + r":\s+(-?\d+)", info).group(1))
        return (value("Absolute upper-left X"), value("Absolute upper-left Y"),
                value("Width"), value("Height"))

    def frame(self, window):
        """The window manager's frame around `window`: left, right, top and bottom."""
        extents = self.tool("xprop", "-id", window, "_NET_FRAME_EXTENTS").split("=")[-1]
        return tuple(map(int, re.findall(r"\d+", extents)))

    def stop(self):
        if self.window_manager:
            self.window_manager.terminate()
            self.window_manager.wait()
        self.xvfb.stop()


def fresh_folder(parent, name):
    """The empty folder `name` in `parent`, as an absolute path."""
    work = os.path.abspath(os.path.join(parent, name))
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    return work


def on_desktop(work, run):
    """Runs `run(desktop)` on a desktop of its own; the exit code, 1 after a Failure."""
    try:
        desktop = Desktop(work)
    except Failure as failure:
        print("FAILED:", failure)
        return 1
    try:
        run(desktop)
    except Failure as failure:
        print("FAILED:", failure)
        return 1
    finally:
        desktop.stop()
    return 0


def exit_code(process, after):
    """The host's exit code once it has ended; a Failure when it runs on for 30 s `after`."""
    try:
        return process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        raise Failure("the host did not end after " + after)


def without_sanitizer_report(output):
    """The host's `output`; a Failure when a sanitizer reported in it."""
    found = [report for report in SANITIZER_REPORTS if report in output]
    if found:
        raise Failure("the host's output has a sanitizer report (%s)" % ", ".join(found))
    return output


def host_output(process):
    """What the host wrote, printed; the host is killed first if it still runs."""
    if process.poll() is None:
        process.kill()
    output = process.communicate()[0]
    if output.strip():
        print("host output:\n" + output)
    return without_sanitizer_report(output)


def make_app(work, media):
    app = os.path.join(work, "app")
    shutil.rmtree(app, ignore_errors=True)
    shutil.copytree(os.path.join(HERE, "app"), app)
    os.makedirs(os.path.join(app, "www", "media"))
    shutil.copy(media, os.path.join(app, "www", "media", "clip.webm"))
    local = os.path.join(work, "local.txt")
    with open(local, "w") as f:
        f.write("a local file the page must not get opened\n")
    with open(os.path.join(app, "www", "config.json"), "w") as f:
        json.dump({"fileUri": "file://" + local}, f)
    return app


def go(app, name):
    open(os.path.join(app, "www", name + ".go"), "w").close()


def run_once(desktop, host, app, earlier_runs, close_by_page):
    for name in os.listdir(os.path.join(app, "www")):
        if name.endswith(".go"):
            os.remove(os.path.join(app, "www", name))
    if os.path.exists(desktop.opened_log):
        os.remove(desktop.opened_log)
    process = subprocess.Popen([host, app], env=desktop.env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True)
    try:
        window, _ = desktop.wait_for_window("^e2e: windowed$", process, 60)
        x, y, width, height = desktop.geometry(window)
        check((width, height) == (640, 480),
              "the window shows the configured 640x480 client area (%dx%d)" % (width, height))
        go(app, "windowed")

        desktop.wait_for_window("^e2e: fullscreen$", process, 15)
        full = desktop.geometry(window)
        check(full == (0, 0) + SCREEN, "a set-fullscreen message makes the window cover the "
              "screen %r (%r)" % ((0, 0) + SCREEN, full))
        go(app, "fullscreen")

        desktop.wait_for_window("^e2e: restored$", process, 15)
        back = desktop.geometry(window)
        check(back[2:] == (640, 480), "a second message restores the window (%r)" % (back,))
        go(app, "restored")

        desktop.wait_for_window("^e2e: click$", process, 15)
        desktop.tool("xdotool", "mousemove", "--window", window, "100", "100", "click", "1")
        desktop.wait_for_window("^e2e: api-fullscreen$", process, 15)
        full = desktop.geometry(window)
        check(full == (0, 0) + SCREEN, "the Fullscreen API makes the window cover the screen "
              "(%r)" % (full,))
        go(app, "api-fullscreen")
        desktop.wait_for_window("^e2e: api-restored$", process, 15)
        back = desktop.geometry(window)
        check(back[2:] == (640, 480), "a message leaves the full screen the API entered (%r)"
              % (back,))
        go(app, "api-restored")

        desktop.wait_for_window("^e2e: opened$", process, 15)
        end = time.monotonic() + 10
        while time.monotonic() < end and not os.path.exists(desktop.opened_log):
            time.sleep(0.1)
        time.sleep(1)  # room for a second, wrong, hand-over
        opened = open(desktop.opened_log).read().split() if os.path.exists(
            desktop.opened_log) else []
        check(opened == ["https://example.com/opened-by-e2e"],
              "window.open gives the https address, and only it, to the default handler "
              "(%r)" % opened)
        go(app, "opened")

        _, title = desktop.wait_for_window("^e2e: done ", process, 15)
        results = json.loads(title[len("e2e: done "):])
        print("page results:", json.dumps(results))
        check(results["script"], "the start page and its script with ?v=2 load")
        check(results["secure"], "window.isSecureContext is true")
        check(results["utf8"], "a UTF-8 file name loads")
        check(results["traversal"] == 404, "a traversal attempt gets 404 as fetch sees it")
        check(results["range"] == "206 \u00fc", "a fetch Range header gets its 206 span")
        check(results["permission"] == "granted", "the app's permission request is granted")
        check(results["video"] is True, "the WebM video plays, seeks to the middle and keeps "
              "playing (%s)" % results["video"])
        check(results["stayed"], "a navigation off the app's origin is cancelled")
        expected = {"localStorage": earlier_runs, "indexedDB": earlier_runs}
        check(results["storage"] == expected, "local storage and IndexedDB hold the "
              "%d earlier run(s) (%r)" % (earlier_runs, results["storage"]))
        if close_by_page:
            how = "the page's window.close()"
            go(app, "done")
        else:
            how = "the window manager's close (Alt+F4)"
            desktop.tool("xdotool", "windowactivate", "--sync", window, "key", "alt+F4")
        code = exit_code(process, how)
        check(code == 0, "%s closes the window and the host exits with 0 (%d)" % (how, code))
    finally:
        host_output(process)


def startup_failures(desktop, host, work):
    app = os.path.join(work, "broken")
    cases = [
        ("no package.json", None, PACKAGE_MISSING),
        ("malformed package.json", '{"name": "x",', PACKAGE_INVALID),
        ("empty name", '{"name": "", "main": "index.html"}', PACKAGE_INVALID),
        ("missing start page", '{"name": "x", "main": "absent.html"}', START_PAGE_MISSING),
    ]
    for what, package, text in cases:
        shutil.rmtree(app, ignore_errors=True)
        os.makedirs(os.path.join(app, "www"))
        if package is not None:
            with open(os.path.join(app, "package.json"), "w") as f:
                f.write(package)
        process = subprocess.Popen([host, app], env=desktop.env, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True)
        try:
            dialog, _ = desktop.wait_for_window("^Windows Tessaly$", process, 20)
            desktop.tool("xdotool", "windowfocus", "--sync", dialog)
            desktop.tool("xdotool", "key", "--clearmodifiers", "Return")
            code = process.wait(timeout=10)
        finally:
            if process.poll() is None:
                process.kill()
        stderr = without_sanitizer_report(process.communicate()[1])
        check(code == 1 and text in stderr,
              "%s: a message, dismissed, then exit code 1 (%d, %r)" % (what, code, stderr))


def engine_stops(desktop, host, app):
    """The browser engine's process ends under the page: a message, then exit code 1."""
    process = subprocess.Popen([host, app], env=desktop.env, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True)
    try:
        desktop.wait_for_window("^e2e: windowed$", process, 60)
        children = subprocess.run(["pgrep", "-P", str(process.pid), "WebKitWebProces"],
                                  capture_output=True, text=True).stdout.split()
        check(len(children) == 1, "the host has one web process (%r)" % children)
        os.kill(int(children[0]), 9)
        dialog, _ = desktop.wait_for_window("^e2e: starting$", process, 20)
        desktop.tool("xdotool", "windowactivate", "--sync", dialog, "key", "Return")
        code = process.wait(timeout=10)
    finally:
        if process.poll() is None:
            process.kill()
    stderr = without_sanitizer_report(process.communicate()[1])
    check(code == 1 and "browser engine stopped" in stderr,
          "a stopped engine: a message titled as the app, then exit code 1 (%d)" % code)


API_APP_NAME = "tessaly-api-e2e"
BIG_MTIME_NS = 1600000000123456789
ACCEPTED_PATHS = ["x" * 255, "\u00fc" * 127 + "x", "d/" * 30 + "f", "COM0", "com10.txt",
                  "CONSOLE", "LPT", ".hidden", "..x", "x .txt", "\u65e5\u672c\u8a9e.txt"]


def plant_saves(saves, outside):
    """Before the start: leftovers of interrupted writes, a file over the size limit and links
    out of the save folder."""
    os.makedirs(os.path.join(saves, "sub"))
    os.makedirs(outside)
    with open(os.path.join(outside, "secret.txt"), "w") as f:
        f.write("outside\n")
    for leftover in (PARTIAL + "x", "sub/" + PARTIAL + "y"):
        open(os.path.join(saves, leftover), "w").close()
    big = os.path.join(saves, "big.bin")
    with open(big, "wb") as f:
        f.truncate(16 * MiB + 1)
    os.utime(big, ns=(BIG_MTIME_NS, BIG_MTIME_NS))
    os.symlink(os.path.join(outside, "secret.txt"), os.path.join(saves, "outside-link"))
    os.symlink(outside, os.path.join(saves, "linkdir"))


def tree(folder):
    """Every path under `folder`, links not followed."""
    found = set()
    for root, folders, names in os.walk(folder):
        found.update(os.path.relpath(os.path.join(root, name), folder) for name in folders + names)
    return found


def listing(folder):
    """What files.list must say of `folder`: its files and folders, without links and leftovers,
    by name."""
    entries = []
    for name in sorted(os.listdir(folder)):
        info = os.lstat(os.path.join(folder, name))
        if name.startswith(PARTIAL) or not (stat.S_ISREG(info.st_mode) or
                                            stat.S_ISDIR(info.st_mode)):
            continue
        is_folder = stat.S_ISDIR(info.st_mode)
        entries.append({"name": name, "kind": "folder" if is_folder else "file",
                        "size": 0 if is_folder else info.st_size,
                        "modified": info.st_mtime_ns // 1000000})
    return entries


def by_name(entries):
    return sorted(entries, key=lambda entry: entry["name"])


def report(title, opening):
    """The JSON text after `opening` in a title."""
    try:
        return json.loads(title[len(opening):])
    except ValueError:
        raise Failure("the page's report is not JSON (%d characters): %r" % (len(title), title))


def read(path):
    with open(path, "rb") as f:
        return f.read()


def api_run(desktop, host, work):
    app = os.path.join(work, "app")
    shutil.copytree(os.path.join(HERE, "api_app"), app)
    saves = os.path.join(desktop.env["XDG_DATA_HOME"], API_APP_NAME)
    outside = os.path.join(work, "outside")
    plant_saves(saves, outside)
    # LANGUAGE comes first; LANG alone would say "en".
    env = dict(desktop.env, LANGUAGE="sr_RS.UTF-8@latin:de", LANG="C.UTF-8")
    env.pop("LC_ALL", None)
    env.pop("LC_MESSAGES", None)
    process = subprocess.Popen([host, app, "\u00e4rg 1", "--x", b"caf\xe9"], env=env,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    try:
        window, title = desktop.wait_for_window("^api: started ", process, 60)
        left = [path for path in tree(saves) if os.path.basename(path).startswith(PARTIAL)]
        check(left == [], "the leftovers of interrupted writes are gone once the first call is "
              "answered (%r)" % left)
        started = report(title, "api: started ")
        first = by_name(started["list"])
        check(first == listing(saves) and [entry["name"] for entry in first] == ["big.bin", "sub"]
              and first[0]["modified"] == BIG_MTIME_NS // 1000000,
              "list() shows the files and folders with sizes and times, no links (%r)" % first)
        arch = {"x86_64": "x64", "aarch64": "arm64"}.get(platform.machine(), "x86")
        expected = {"name": API_APP_NAME, "version": "1.2.3", "platform": "linux", "arch": arch,
                    "args": ["\u00e4rg 1", "--x", "caf\ufffd"], "language": "sr-Latn-RS",
                    "filesFolder": saves + "/"}
        check(started["info"] == expected, "info() tells the app, the arguments after APP and "
              "the language of LANGUAGE")
        go(app, "started")

        desktop.wait_for_title(window, "^api: plant$", process, 60)
        for leftover in (PARTIAL + "late", "sub/" + PARTIAL + "late"):
            open(os.path.join(saves, leftover), "w").close()
        go(app, "plant")
        title = desktop.wait_for_title(window, "^api: listed ", process)
        listed = report(title, "api: listed ")
        for entries, folder in zip(listed, ("", "sub", "notes")):
            expected = [[e["name"], e["kind"], e["size"], e["modified"]]
                        for e in listing(os.path.join(saves, folder))]
            check(sorted(entries) == expected, "list(%r) matches the disk, without the "
                  "leftovers planted meanwhile (%r)" % (folder, entries))
        go(app, "listed")

        # The text setTitle gives is the window's title, until the page's own title changes.
        desktop.wait_for_title(window, "^api: set by setTitle \u2713$", process)
        go(app, "titled")
        title = desktop.wait_for_title(window, "^api: sized ", process)
        bounds = report(title, "api: sized ")
        x, y, width, height = desktop.geometry(window)
        # The position is the frame's, the window manager's border and title bar included.
        left, right, top, bottom = desktop.frame(window)
        check((width, height) == (500, 400) and bounds == {"x": x - left, "y": y - top,
                                                           "width": width, "height": height},
              "setSize(500, 400) sizes the content area, getBounds tells where it is "
              "(%r, xwininfo %r, frame %d, %d)" % (bounds, (x, y, width, height), left, top))
        go(app, "sized")
        desktop.wait_for_title(window, "^api: clamped$", process)
        x, y, width, height = desktop.geometry(window)
        outer = (x - left, y - top, x + width + right, y + height + bottom)
        check(min(outer[:2]) >= 0 and outer[2] <= SCREEN[0] and outer[3] <= SCREEN[1] and
              (width + left + right, height + top + bottom) == SCREEN,
              "setSize(100000, 100000) stops where the window, frame and all, fills the screen "
              "(content %dx%d at %d, %d)" % (width, height, x, y))
        go(app, "clamped")
        desktop.wait_for_title(window, "^api: fullscreen$", process)
        full = desktop.geometry(window)
        check(full == (0, 0) + SCREEN, "setFullscreen(true) covers the screen (%r)" % (full,))
        go(app, "fullscreen")
        desktop.wait_for_title(window, "^api: click$", process)
        desktop.tool("xdotool", "mousemove", "--window", window, "100", "100", "click", "1")
        desktop.wait_for_title(window, "^api: restored$", process)
        back = desktop.geometry(window)
        check(back[2:] == (640, 480), "leaving full screen gives back 640x480 (%r)" % (back,))
        go(app, "restored")
        desktop.wait_for_title(window, "^api: above$", process)
        check(desktop.wait_for_state(window, "_NET_WM_STATE_ABOVE", True),
              "setAlwaysOnTop(true) keeps the window above the others")
        go(app, "above")
        desktop.wait_for_title(window, "^api: not-above$", process)
        check(desktop.wait_for_state(window, "_NET_WM_STATE_ABOVE", False),
              "setAlwaysOnTop(false) lets it go")
        go(app, "not-above")
        desktop.wait_for_title(window, "^api: minimized$", process)
        check(desktop.wait_for_state(window, "_NET_WM_STATE_HIDDEN", True),
              "minimize() minimizes the window")
        go(app, "minimized")

        title = desktop.wait_for_title(window, "^api: done ", process)
        results = report(title, "api: done ")
        print("page results:", json.dumps(results, ensure_ascii=False))
        check(results["wrongRefusals"] == [], "every refused path, missing file, link, size "
              "and argument is refused with its error")
        check(results["wrongAccepted"] == [], "names near the rules are written and read back")
        check(results["text"] == "Hallo W\u00f6rld \u2713" and results["replaced"] == "k\u00fcrzer",
              "readText gives what write wrote, also after a shorter write")
        check(results["bytes"] and results["notUtf8"], "readBytes gives all 256 byte values "
              "back; readText turns bytes that are not UTF-8 into U+FFFD")
        check(results["max"] == 16 * MiB, "a file of 16 MiB exactly is written and read")
        check(results["escaped"], "a 5 MiB text that JSON escapes sixfold is written and read")
        check(results["exists"] == [True, True, False, False, False, False, False, False],
              "exists() sees files and folders, not removed ones, links or paths through them")
        check(results["sizeInFullscreen"] == "NotAllowed", "setSize in full screen: NotAllowed")
        check(results["fullscreen"] == [False, True, False, True, False, True, False],
              "isFullscreen follows the method, the message and the Fullscreen API")
        expected_tree = {"big.bin", "sub", "outside-link", "linkdir", "bytes.bin", "view.bin",
                         "buffer.bin", "u16.bin", "lone.txt", "notes", "notes/gr\u00fc\u00dfe "
                         "\u2713.txt", "max.bin", PARTIAL + "late", "sub/" + PARTIAL + "late"}
        expected_tree.update("near/" + path for path in ACCEPTED_PATHS)
        expected_tree.update("near/" + "d/" * n + "d" for n in range(30))
        expected_tree.add("near")
        found = tree(saves)
        check(found == expected_tree, "the save folder holds what was written, nothing of the "
              "refused calls (extra %r, missing %r)" % (found - expected_tree,
                                                        expected_tree - found))
        contents = {"bytes.bin": bytes(range(256)), "view.bin": bytes(range(16, 48)),
                    "buffer.bin": bytes(range(250, 256)), "u16.bin": b"\x02\x01\xfe\xff",
                    "lone.txt": b"a\xef\xbf\xbdb", "notes/gr\u00fc\u00dfe \u2713.txt":
                    "k\u00fcrzer".encode()}
        wrong = [name for name, content in contents.items()
                 if read(os.path.join(saves, name)) != content]
        check(wrong == [], "typed arrays, views, ArrayBuffers and strings are on disk as "
              "written (wrong: %r)" % wrong)
        check(os.path.getsize(os.path.join(saves, "big.bin")) == 16 * MiB + 1 and
              os.listdir(outside) == ["secret.txt"] and
              read(os.path.join(outside, "secret.txt")) == b"outside\n",
              "the file over the limit and the folder behind the links are untouched")
        go(app, "done")
        code = exit_code(process, "quit(7)")
        check(code == 7, "quit(7) ends the host with exit code 7 (%d)" % code)
    finally:
        host_output(process)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", choices=["run", "startup-failures", "api"])
    parser.add_argument("--host", required=True)
    parser.add_argument("--media")
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    work = fresh_folder(args.work, args.mode)

    def run(desktop):
        if args.mode == "run":
            app = make_app(work, args.media)
            # Twice: the second run finds what the first one stored, and is closed as a user
            # closes a window.
            run_once(desktop, args.host, app, 0, close_by_page=True)
            run_once(desktop, args.host, app, 1, close_by_page=False)
        elif args.mode == "api":
            api_run(desktop, args.host, work)
        else:
            startup_failures(desktop, args.host, work)
            engine_stops(desktop, args.host, make_app(work, args.media))
    return on_desktop(work, run)


if __name__ == "__main__":
    sys.exit(main())
