#!/usr/bin/env python3
"""End-to-end runs of the Windows program under Wine on a private virtual X display.

Each scenario lays out a program folder, starts the program, answers its message boxes the
way a user would and checks what it shows and how it ends. Message boxes are found with
xdotool by their window name; their text comes from Wine's trace of each box it builds.
The runtime installer is served by a loopback HTTP server started here: the program under
test is built to download from 127.0.0.1, and nothing leaves this machine.

Usage: e2e.py SCENARIO --program EXE --installer EXE --runtime DLL --closer EXE --port N
              --prefix WINEPREFIX --work FOLDER
"""
import argparse
import fcntl
import glob
import http.server
import os
import re
import shutil
import subprocess
import sys
import threading
import time

from wine_prefix import make_prefix
from xvfb import Xvfb

TITLE = "E2E App"
FIXED_CAPTION = "Windows Tessaly"
BOX_PACKAGE_MISSING = ("Failed to load package.json. Check the file is in the same folder as "
                       "the app.")
BOX_PACKAGE_INVALID = ("Failed to parse package.json. Check the file has valid JSON and that "
                       "all parameters are correct.")
BOX_INSTALL_PROMPT = ("This app requires the Microsoft Edge WebView2 runtime. It will be "
                      "downloaded and installed for you now.")
BOX_INSTALL_FAILED = ("Failed to install the Microsoft Edge WebView2 runtime. Check that you "
                      "have permission to install it, and that your Internet connection is "
                      "working. Run the app again to try again.")
BOX_FIXED_MISSING = ('This app is set to "fixed" distribution mode, but the WebView2 control '
                     'failed to initialize. Check there is a valid fixed distribution of '
                     'Microsoft Edge WebView2 runtime in the "webview2" subfolder.')
DOWNLOADING = "Downloading..."
DOWNLOAD_PATH = "/fwlink/p/?LinkId=2124703"
RUNTIME_KEY = r"HKCU\Software\Microsoft\EdgeUpdate"
STABLE_CLIENT_STATE = RUNTIME_KEY + r"\ClientState\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}"
TIMEOUT = 60  # seconds for anything the program should do by itself


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(probe, what, timeout=TIMEOUT):
    """Polls `probe` until it returns something true, and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.1)


class Display:
    """A private X display, with the window look-ups and screenshots the runs need."""

    def __init__(self):
        self.server = Xvfb("1024x768x24")
        self.name = self.server.display

    def xdotool(self, *args):
        result = subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=self.name),
                                capture_output=True, text=True)
        return result.stdout.split() if result.returncode == 0 else []

    def visible_windows(self):
        """{window id: name} of every mapped window."""
        windows = {}
        for window in self.xdotool("search", "--onlyvisible", "--name", ""):
            result = subprocess.run(["xdotool", "getwindowname", window],
                                    env=dict(os.environ, DISPLAY=self.name),
                                    capture_output=True, text=True)
            if result.returncode == 0:
                windows[window] = result.stdout.rstrip("\n")
        return windows

    def window_named(self, name):
        for window, window_name in self.visible_windows().items():
            if window_name == name:
                return window
        return None

    def screenshot_size(self, window, path):
        subprocess.run(["import", "-display", self.name, "-window", window, path], check=True,
                       capture_output=True)
        size = subprocess.run(["identify", "-format", "%wx%h", path], check=True,
                              capture_output=True, text=True).stdout
        return tuple(int(n) for n in size.split("x"))

    def stop(self):
        self.server.stop()


class Wine:
    def __init__(self, prefix, display):
        self.prefix = prefix
        self.env = dict(os.environ, WINEPREFIX=prefix, DISPLAY=display.name,
                        WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        self._make_prefix()

    def _make_prefix(self):
        with open(self.prefix + ".lock", "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            ready = os.path.join(self.prefix, "tessaly-e2e-ready")
            if not os.path.exists(ready):
                make_prefix(self.prefix, self.env)
                # Wine draws each window's frame itself, so a window's X window has the
                # window's whole outer size, as on Windows, even with no window manager.
                subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v",
                                "Decorated", "/d", "N", "/f"], env=self.env, capture_output=True)
                subprocess.run(["wineserver", "--wait"], env=self.env)
                open(ready, "w").close()

    def local_app_data(self):
        users = [u for u in glob.glob(os.path.join(self.prefix, "drive_c", "users", "*"))
                 if os.path.basename(u) != "Public"]
        check(len(users) == 1, "expected one user in the Wine prefix, found %r" % users)
        return os.path.join(users[0], "AppData", "Local")

    def run(self, *args):
        return subprocess.run(["wine", *args], env=self.env, capture_output=True, text=True,
                              timeout=TIMEOUT)

    def registry_value(self, key, value):
        result = self.run("reg", "query", key, "/v", value)
        if result.returncode != 0:
            return None
        match = re.search(re.escape(value) + r"\s+REG_SZ\s+(.*)", result.stdout)
        return match.group(1).strip() if match else None

    def delete_key(self, key):
        self.run("reg", "delete", key, "/f")

    def stop(self):
        # The scenarios run one at a time, so every process of this prefix is one of ours.
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)
        subprocess.run(["wineserver", "--wait"], env=self.env, capture_output=True)


class DownloadServer:
    """Serves the runtime installer, or a 404 page, on the loopback address. The response is
    held back half-way until release() so the progress window stays up to be looked at."""

    def __init__(self, port, body):
        self.body = body  # bytes to serve, or None for 404
        self.requests = []
        self.gate = threading.Event()
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                server.requests.append(self.path)
                if server.body is None:
                    server.gate.wait(TIMEOUT)
                    self.send_error(404, "Not Found")
                    return
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Content-Length", str(len(server.body)))
                self.end_headers()
                half = len(server.body) // 2
                self.wfile.write(server.body[:half])
                self.wfile.flush()
                server.gate.wait(TIMEOUT)
                self.wfile.write(server.body[half:])

            def log_message(self, *args):
                pass

        http.server.ThreadingHTTPServer.allow_reuse_address = True
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
        self.httpd.daemon_threads = True
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def release(self):
        self.gate.set()

    def stop(self):
        self.gate.set()
        self.httpd.shutdown()
        self.httpd.server_close()


def unescape_wine(text):
    return re.sub(r'\\(["\\nrt])', lambda m: {"n": "\n", "r": "\r", "t": "\t"}.get(
        m.group(1), m.group(1)), text)


class Program:
    """One run of the program, with its message boxes as the user sees them."""

    def __init__(self, wine, display, exe, cwd, log_path, standin_log_path):
        self.wine = wine
        self.display = display
        self.log_path = log_path
        self.boxes_seen = 0
        # The stand-in runtime writes down what the program asked of it.
        env = dict(wine.env, WINEDEBUG="-all,trace+msgbox",
                   TESSALY_STANDIN_LOG="Z:" + standin_log_path.replace("/", "\\"))
        self.log = open(log_path, "wb")
        self.process = subprocess.Popen(["wine", exe], env=env, cwd=cwd,
                                        stdout=subprocess.DEVNULL, stderr=self.log)

    def box_texts(self):
        with open(self.log_path, "rb") as log:
            lines = log.read().decode("utf-8", "replace").splitlines()
        return [unescape_wine(m.group(1)) for m in
                (re.search(r'trace:msgbox:MSGBOX_OnInit L"(.*)"$', line) for line in lines) if m]

    def expect_box(self, caption, text):
        """Waits for the next message box, checks it and presses Enter on it."""
        index = self.boxes_seen
        texts = wait_until(lambda: self.box_texts() if len(self.box_texts()) > index else None,
                           "message box %d (%r)" % (index + 1, text))
        window = wait_until(lambda: self.display.window_named(caption),
                            "a message box window named %r" % caption)
        check(texts[index] == text, "message box %d says %r, expected %r"
              % (index + 1, texts[index], text))
        self.boxes_seen += 1
        self.display.xdotool("key", "--window", window, "Return")
        wait_until(lambda: window not in self.display.visible_windows(),
                   "message box %r to close" % caption)

    def expect_exit(self, code):
        try:
            actual = self.process.wait(timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise Failure("the program did not end")
        self.log.close()
        extra = self.box_texts()[self.boxes_seen:]
        check(not extra, "unexpected message boxes: %r" % extra)
        check(actual == code, "exit code %d, expected %d" % (actual, code))

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class Scenario:
    def __init__(self, args):
        self.args = args
        self.name = args.scenario
        self.folder = os.path.join(args.work, self.name)
        shutil.rmtree(self.folder, ignore_errors=True)
        self.program_folder = os.path.join(self.folder, "app")
        os.makedirs(self.program_folder)
        self.exe = os.path.join(self.program_folder, "Tessaly.exe")
        shutil.copy(args.program, self.exe)
        self.display = Display()
        self.wine = Wine(args.prefix, self.display)
        self.package_name = "tessaly-e2e-" + self.name
        self.user_data = os.path.join(self.wine.local_app_data(), self.package_name)
        shutil.rmtree(self.user_data, ignore_errors=True)
        self.server = None
        self.program = None

    def write(self, name, content):
        path = os.path.join(self.program_folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(content if isinstance(content, bytes) else content.encode())

    def package(self, window="", settings=""):
        self.write("package.json", '{"name": "%s", "window": {"title": "%s"%s}%s}'
                   % (self.package_name, TITLE, window, settings))

    def start(self):
        # Started from another folder: the program must find its files beside itself.
        self.program = Program(self.wine, self.display, self.exe, self.folder,
                               os.path.join(self.folder, "program.log"), self.standin_log)
        return self.program

    def serve(self, body):
        self.server = DownloadServer(self.args.port, body)
        return self.server

    def forget_runtime(self):
        self.wine.delete_key(RUNTIME_KEY)
        shutil.rmtree(os.path.join(self.wine.local_app_data(), "TessalyStandInRuntime"),
                      ignore_errors=True)

    def close_host_window(self):
        """Closes the hidden host window as the user would; returns what it looked like."""
        result = self.wine.run(self.args.closer, str(TIMEOUT * 1000))
        check(result.returncode == 0, "no host window: %s" % result.stdout.strip())
        fields, title = result.stdout.strip().split(" title=", 1)
        window = dict(item.split("=", 1) for item in fields.split())
        window["title"] = title
        return window

    def progress_window(self, server):
        """Waits for the progress window while the download is held, and checks its size."""
        window = wait_until(lambda: self.display.window_named(DOWNLOADING), "the progress window")
        size = self.display.screenshot_size(window, os.path.join(self.folder, "progress.png"))
        check(size == (300, 90), "progress window is %dx%d, expected 300x90" % size)
        wait_until(lambda: server.requests, "the download request")
        check(server.requests[0] == DOWNLOAD_PATH, "downloaded %r" % server.requests[0])

    @property
    def standin_log(self):
        return os.path.join(self.folder, "standin.log")

    def environment_record(self):
        """The stand-in runtime's record of the environment the program asked it for."""
        if not os.path.exists(self.standin_log):
            return ""
        with open(self.standin_log) as log:
            return next((line.strip() for line in log if line.startswith("create-environment ")),
                        "")

    def close(self):
        if self.program:
            self.program.kill()
        if self.server:
            self.server.stop()
        if self.name.startswith("evergreen"):
            self.forget_runtime()
        self.wine.stop()
        self.display.stop()


def no_package(s):
    program = s.start()
    program.expect_box(FIXED_CAPTION, BOX_PACKAGE_MISSING)
    program.expect_exit(1)


def malformed_package(s):
    s.write("package.json", '{"name": "x", "window": {')
    program = s.start()
    program.expect_box(FIXED_CAPTION, BOX_PACKAGE_INVALID)
    program.expect_exit(1)


def empty_name(s):
    s.write("package.json", '{"name": "", "window": {"title": "%s"}}' % TITLE)
    program = s.start()
    program.expect_box(FIXED_CAPTION, BOX_PACKAGE_INVALID)
    program.expect_exit(1)


def fixed_mode_without_runtime(s):
    s.package(settings=', "settings": {"distribution-mode": "fixed"}')
    os.makedirs(os.path.join(s.program_folder, "webview2"))
    program = s.start()
    program.expect_box(TITLE, BOX_FIXED_MISSING)
    program.expect_exit(1)
    check(not os.path.exists(os.path.join(s.user_data, "Webview2Setup.exe")),
          "an installer was downloaded in fixed mode")


def fixed_runtime_with_broken_icon(s):
    s.package(window=', "icon": "assets\\\\icon.png", "width": 500, "height": 300, '
                     '"resizable": false',
              settings=', "settings": {"distribution-mode": "fixed"}')
    s.write("assets/icon.png", "this is no image")
    with open(s.args.runtime, "rb") as library:
        s.write("webview2/EBWebView/x86/EmbeddedBrowserWebView.dll", library.read())
    program = s.start()
    window = s.close_host_window()
    check(window["client"] == "500x300", "client area %s, expected 500x300" % window["client"])
    check(window["visible"] == "0", "the host window is shown before its page has loaded")
    check(window["thickframe"] == "0" and window["maximizebox"] == "0",
          "a window that is not resizable has a sizing border or maximize box")
    check(window["title"] == TITLE, "window title %r" % window["title"])
    program.expect_exit(0)
    check(" runtime-type=1 " in s.environment_record(),
          "the shipped runtime was not asked for an environment: %r" % s.environment_record())


def evergreen_download_fails(s):
    s.forget_runtime()
    s.package()
    # A runnable installer left by an earlier run must not be run in place of the download.
    os.makedirs(s.user_data)
    shutil.copy(s.args.installer, os.path.join(s.user_data, "Webview2Setup.exe"))
    server = s.serve(None)
    program = s.start()
    program.expect_box(TITLE, BOX_INSTALL_PROMPT)
    s.progress_window(server)
    server.release()
    program.expect_box(TITLE, BOX_INSTALL_FAILED)
    program.expect_exit(1)
    check(s.wine.registry_value(STABLE_CLIENT_STATE, "EBWebView") is None,
          "an installer ran although the download failed")
    # Wine's download reports success for a 404 and keeps the error page as the file; that
    # page must not have been started either.
    target = os.path.join(s.user_data, "Webview2Setup.exe")
    if os.path.exists(target):
        with open(target, "rb") as page:
            check(page.read(2) != b"MZ", "the stale installer was left in place")


def evergreen_install(s):
    s.forget_runtime()
    s.package(window=', "width": 640, "height": 480')
    with open(s.args.installer, "rb") as installer:
        server = s.serve(installer.read())
    program = s.start()
    program.expect_box(TITLE, BOX_INSTALL_PROMPT)
    s.progress_window(server)
    server.release()
    window = s.close_host_window()
    check(window["client"] == "640x480", "client area %s, expected 640x480" % window["client"])
    check(window["thickframe"] == "1" and window["maximizebox"] == "1",
          "a resizable window lacks its sizing border or maximize box")
    program.expect_exit(0)
    registered = s.wine.registry_value(STABLE_CLIENT_STATE, "EBWebView")
    check(registered and registered.endswith("\\1.2.3.4"), "registered runtime %r" % registered)
    check(" runtime-type=0 " in s.environment_record(),
          "the installed runtime was not asked for an environment: %r" % s.environment_record())


SCENARIOS = {
    "no-package": no_package,
    "malformed-package": malformed_package,
    "empty-name": empty_name,
    "fixed-mode-without-runtime": fixed_mode_without_runtime,
    "fixed-runtime-with-broken-icon": fixed_runtime_with_broken_icon,
    "evergreen-download-fails": evergreen_download_fails,
    "evergreen-install": evergreen_install,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    for option in ("program", "installer", "runtime", "closer", "prefix", "work"):
        parser.add_argument("--" + option, required=True)
    parser.add_argument("--port", type=int, required=True)
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "wine", "import", "identify"):
        if not shutil.which(tool):
            print("missing tool: " + tool)
            return 1
    scenario = Scenario(args)
    try:
        SCENARIOS[args.scenario](scenario)
    except Failure as failure:
        print("FAILED: %s" % failure)
        return 1
    finally:
        scenario.close()
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
