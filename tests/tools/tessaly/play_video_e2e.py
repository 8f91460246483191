#!/usr/bin/env python3
"""Plays the example app's video in headless Chromium from `tessaly serve`, seeks it, and checks
in serve's request log that the video came by range requests, answered with 206 and the exact
span asked for.

Chromium fetches a media file with a first open-ended range request and, when it needs bytes far
from those coming in (the index at the end of a WebM file, for one), with more of them. On
loopback a file this small arrives whole before that happens, so the page's network is slowed
down through DevTools. In a file this small the seek is served by the requests already running
(Chromium waits for their bytes rather than asking again), so the test checks that playback goes
on from the new position, and that every range request for the video got its exact span."""

import argparse
import json
import os
import re
import subprocess
import sys
import tempfile
import time
import urllib.request

import websocket

VIDEO = "/media/clip.webm"
THROUGHPUT = 64 * 1024  # bytes per second

# Shared by the two steps below: waits for a condition on the video, failing on a media error or
# after `ms` milliseconds.
UNTIL = """
const video = document.getElementById("clip");
const until = (done, what, ms) => new Promise((resolve, reject) => {
  const start = performance.now();
  const poll = () => {
    if (done()) resolve();
    else if (video.error) reject(new Error("media error " + video.error.code + " during " + what));
    else if (performance.now() - start > ms) reject(new Error("timed out waiting for " + what));
    else setTimeout(poll, 50);
  };
  poll();
});
"""

# Plays the muted video from the start for half a second.
PLAY = "(async () => {" + UNTIL + """
  video.muted = true;
  await video.play();
  await until(() => video.currentTime > 0.5, "playback", 20000);
  return {duration: video.duration, width: video.videoWidth, height: video.videoHeight};
})()"""

# Seeks to three quarters of the video and plays on from there.
SEEK = "(async () => {" + UNTIL + """
  const target = video.duration * 0.75;
  const seeked = new Promise((resolve) => video.addEventListener("seeked", resolve, {once: true}));
  video.currentTime = target;
  await seeked;
  await until(() => video.currentTime > target + 0.5, "playback after the seek", 20000);
  return {seekedTo: target, currentTime: video.currentTime};
})()"""


class Failure(Exception):
    pass


def wait_for(what, deadline, probe):
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.1)
    raise Failure("timed out waiting for " + what)


class DevTools:
    """A page's DevTools connection: commands in, results out, events skipped."""

    def __init__(self, url, timeout):
        self.socket = websocket.create_connection(url, timeout=timeout)
        self.next_id = 0

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise Failure(f"{method}: {message['error']}")
                return message["result"]

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, awaitPromise=True,
                           returnByValue=True)
        if "exceptionDetails" in result:
            details = result["exceptionDetails"]
            text = details.get("exception", {}).get("description") or details.get("text")
            raise Failure("the page failed: " + str(text))
        return result["result"].get("value")

    def close(self):
        self.socket.close()


def start_serve(tessaly, app, log, deadline):
    serve = subprocess.Popen([tessaly, "serve", app, "--port", "0", "--log", log],
                             stdout=subprocess.PIPE)
    os.set_blocking(serve.stdout.fileno(), False)
    output = ""

    def origin():
        nonlocal output
        output += (serve.stdout.read() or b"").decode()
        if serve.poll() is not None:
            raise Failure(f"tessaly serve ended with {serve.returncode}: {output}")
        for word in output.split():
            if word.startswith("http://127.0.0.1:"):
                return word
        return None

    return serve, wait_for("tessaly serve to listen", deadline, origin)


def start_chromium(chromium, profile, chromium_log, deadline):
    flags = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--autoplay-policy=no-user-gesture-required", "--mute-audio",
             "--remote-debugging-port=0", "--user-data-dir=" + profile, "about:blank"]
    browser = subprocess.Popen([chromium] + flags, stdout=subprocess.DEVNULL, stderr=chromium_log)
    port_file = os.path.join(profile, "DevToolsActivePort")

    def port():
        if browser.poll() is not None:
            raise Failure("chromium ended with " + str(browser.returncode))
        if os.path.exists(port_file):
            lines = open(port_file).read().split()
            return lines[0] if lines else None
        return None

    return browser, wait_for("chromium's DevTools port", deadline, port)


def page_socket_url(devtools_port, deadline):
    def find():
        with urllib.request.urlopen(f"http://127.0.0.1:{devtools_port}/json/list") as answer:
            pages = [t for t in json.load(answer) if t.get("type") == "page"]
        return pages[0]["webSocketDebuggerUrl"] if pages else None

    return wait_for("a page in chromium", deadline, find)


def read_log(path):
    requests = []
    with open(path) as log:
        for line in log:
            method, target, range_header, status, content_range, length = line.rstrip("\n").split("\t")
            requests.append({"method": method, "target": target, "range": range_header,
                             "status": int(status), "content_range": content_range,
                             "length": length})
    return requests


def check_video_requests(requests, size):
    """Prints the video's requests and checks that each range request got exactly its span: the
    bytes asked for, up to the end of the file for an open-ended range."""
    video = [r for r in requests if r["target"] == VIDEO]
    for r in video:
        print(f"  {r['method']} {r['target']} Range: {r['range']} -> {r['status']} "
              f"Content-Range: {r['content_range']} Content-Length: {r['length']}")
    ranged = [r for r in video if r["range"] != "-"]
    if not ranged:
        raise Failure("no range request for the video")
    for r in ranged:
        match = re.fullmatch(r"bytes=(\d+)-(\d*)", r["range"])
        if not match:
            raise Failure(f"a range the media element does not send: {r['range']}")
        first = int(match.group(1))
        last = int(match.group(2)) if match.group(2) else size - 1
        expected = f"bytes {first}-{last}/{size}"
        if r["status"] != 206 or r["content_range"] != expected or \
                r["length"] != str(last - first + 1):
            raise Failure(f"{r['range']} answered with {r['status']} {r['content_range']} "
                          f"{r['length']}, not 206 {expected} {last - first + 1}")
        r["first"] = first
    return ranged


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--tessaly", required=True)
    parser.add_argument("--app", required=True)
    parser.add_argument("--chromium", default="/usr/bin/chromium")
    parser.add_argument("--timeout", type=float, default=90)
    options = parser.parse_args()
    if not os.access(options.chromium, os.X_OK):
        print(f"FAILED: no Chromium at {options.chromium}: tools/setup.sh installs it")
        return 1
    deadline = time.monotonic() + options.timeout
    size = os.path.getsize(os.path.join(options.app, "www", VIDEO.lstrip("/")))

    with tempfile.TemporaryDirectory(prefix="tessaly-e2e-") as work:
        log = os.path.join(work, "requests.log")
        processes = []
        try:
            serve, origin = start_serve(options.tessaly, options.app, log, deadline)
            processes.append(serve)
            with open(os.path.join(work, "chromium.log"), "w") as chromium_log:
                browser, port = start_chromium(options.chromium, os.path.join(work, "profile"),
                                               chromium_log, deadline)
                processes.append(browser)
                page = DevTools(page_socket_url(port, deadline), max(1, deadline - time.monotonic()))
                # A slow network, so that the seek lands where no byte has come yet.
                page.call("Network.enable")
                page.call("Network.emulateNetworkConditions", offline=False, latency=20,
                          downloadThroughput=THROUGHPUT, uploadThroughput=-1)
                page.call("Page.navigate", url=origin + "index.html")
                wait_for("the page to load", deadline,
                         lambda: page.evaluate("document.readyState") == "complete")
                played = page.evaluate(PLAY)
                print("played:", json.dumps(played))
                before_seek = len(read_log(log))
                seeked = page.evaluate(SEEK)
                print("seeked:", json.dumps(seeked))
                page.close()
        except Failure as failure:
            print("FAILED:", failure)
            chromium_log_path = os.path.join(work, "chromium.log")
            if os.path.exists(chromium_log_path):
                print(open(chromium_log_path).read()[-3000:])
            return 1
        finally:
            for process in reversed(processes):
                process.terminate()
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        requests = read_log(log)

    print(f"the video's requests ({before_seek} requests in all before the seek):")
    try:
        ranged = check_video_requests(requests, size)
        if not any(r["first"] > 0 for r in ranged):
            raise Failure("no range request for the video started past its first byte")
    except Failure as failure:
        print("FAILED:", failure)
        return 1
    print(f"{len(ranged)} range requests for the video, each answered with 206 and its exact span")
    return 0


if __name__ == "__main__":
    sys.exit(main())
