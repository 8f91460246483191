#!/usr/bin/env python3
"""Runs a game export's needs in headless Chromium against `tessaly serve`: the files of a
compressed build (made here with the standard gzip and brotli tools) arrive decoded, as scripts
and as data, whole and by range; a .mjs module imports; and with "cross-origin-isolation" the page
is cross-origin isolated and a worker writes into a SharedArrayBuffer it was given, while without
the setting neither is there and everything else is the same."""

import argparse
import hashlib
import json
import os
import random
import subprocess
import sys
import tempfile
import time

from play_video_e2e import DevTools, Failure, page_socket_url, start_chromium, start_serve, wait_for

PAGE = """<!doctype html>
<title>game</title>
<script src="Build/game.loader.js"></script>
<script src="Build/game.framework.js.gz"></script>
<script src="Build/other.framework.js.br"></script>
"""

WORKER = """onmessage = (event) => {
  Atomics.store(new Int32Array(event.data), 0, 1234);
  postMessage("written");
};
"""

# What the page sees; `expected` holds the digests of the files before they were compressed.
PROBE = """(async (expected) => {
  const hex = async (buffer) => [...new Uint8Array(await crypto.subtle.digest("SHA-256", buffer))]
      .map((b) => b.toString(16).padStart(2, "0")).join("");
  const result = {loader: window.loaderRan === true,
                  scripts: [await hex(new TextEncoder().encode(window.gameScript)),
                            await hex(new TextEncoder().encode(window.otherScript))]};
  for (const name of ["game.data.br", "other.data.gz"]) {
    const whole = await fetch("Build/" + name);
    const part = await fetch("Build/" + name, {headers: {Range: "bytes=1000-1099"}});
    result[name] = {status: whole.status, type: whole.headers.get("content-type"),
                    length: whole.headers.get("content-length"),
                    encoding: whole.headers.get("content-encoding"),
                    digest: await hex(await whole.arrayBuffer()),
                    partStatus: part.status, partRange: part.headers.get("content-range"),
                    partDigest: await hex(await part.arrayBuffer())};
  }
  const kept = await fetch("level.json.gz");
  result.archive = await hex(await kept.arrayBuffer());
  result.module = (await import("./lib/answer.mjs")).answer;
  const page = await fetch("index.html");
  result.coop = page.headers.get("cross-origin-opener-policy");
  result.coep = page.headers.get("cross-origin-embedder-policy");
  result.isolated = window.crossOriginIsolated;
  result.shared = typeof SharedArrayBuffer;
  if (result.shared === "function") {
    const memory = new SharedArrayBuffer(4);
    const worker = new Worker("worker.js");
    await new Promise((resolve, reject) => {
      worker.onmessage = resolve;
      worker.onerror = (e) => reject(new Error("worker: " + e.message));
      worker.postMessage(memory);
    });
    result.written = new Int32Array(memory)[0];
  }
  return result;
})"""


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def make_app(app):
    """The test app: two compressed builds, an archive the page keeps as it is, a module, a
    worker. Gives the digests the page must see."""
    rng = random.Random(12)
    www = os.path.join(app, "www")
    os.makedirs(os.path.join(www, "Build"))
    os.makedirs(os.path.join(www, "lib"))
    files = {
        "index.html": PAGE.encode(),
        "worker.js": WORKER.encode(),
        "lib/answer.mjs": b"export const answer = 42;\n",
        "Build/game.loader.js": b"window.loaderRan = true;\n",
        "Build/other.loader.js": b"",
    }
    for path, data in files.items():
        with open(os.path.join(www, path), "wb") as out:
            out.write(data)
    words = " ".join(str(rng.randrange(10**6)) for _ in range(40000))
    plain = {
        "Build/game.framework.js": f'window.gameScript = "{words}";\n'.encode(),
        "Build/other.framework.js": f'window.otherScript = "{words[::-1]}";\n'.encode(),
        "Build/game.data": bytes(rng.randrange(256) for _ in range(300000)),
        "Build/other.data": words.encode(),
        "level.json": b'{"level": 1}\n',
    }
    tools = {"Build/game.framework.js": ["gzip", "-9", "-n"], "Build/other.framework.js": ["brotli"],
             "Build/game.data": ["brotli"], "Build/other.data": ["gzip", "-n"],
             "level.json": ["gzip", "-n"]}
    for path, data in plain.items():
        with open(os.path.join(www, path), "wb") as out:
            out.write(data)
        subprocess.run(tools[path] + [os.path.join(www, path)], check=True)  # replaces it
        if os.path.exists(os.path.join(www, path)):
            os.remove(os.path.join(www, path))
    with open(os.path.join(www, "level.json.gz"), "rb") as archive:
        archive_digest = sha256(archive.read())
    return {
        "scripts": [sha256(words.encode()), sha256(words[::-1].encode())],
        "game.data.br": (plain["Build/game.data"], "application/octet-stream"),
        "other.data.gz": (plain["Build/other.data"], "application/octet-stream"),
        "archive": archive_digest,
    }


def check(seen, expected, isolated):
    problems = []

    def want(what, got, value):
        if got != value:
            problems.append(f"{what}: {got!r}, not {value!r}")

    want("loader ran", seen["loader"], True)
    want("decoded scripts", seen["scripts"], expected["scripts"])
    for name in ("game.data.br", "other.data.gz"):
        data, content_type = expected[name]
        got = seen[name]
        want(name + " status", got["status"], 200)
        want(name + " type", got["type"], content_type)
        want(name + " length", got["length"], str(len(data)))
        want(name + " encoding", got["encoding"], None)
        want(name + " digest", got["digest"], sha256(data))
        want(name + " range status", got["partStatus"], 206)
        want(name + " range", got["partRange"], f"bytes 1000-1099/{len(data)}")
        want(name + " range digest", got["partDigest"], sha256(data[1000:1100]))
    want("archive kept as it is", seen["archive"], expected["archive"])
    want(".mjs import", seen["module"], 42)
    want("COOP", seen["coop"], "same-origin" if isolated else None)
    want("COEP", seen["coep"], "require-corp" if isolated else None)
    want("crossOriginIsolated", seen["isolated"], isolated)
    want("SharedArrayBuffer", seen["shared"], "function" if isolated else "undefined")
    if isolated:
        want("written by the worker", seen.get("written"), 1234)
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--tessaly", required=True)
    parser.add_argument("--chromium", default="/usr/bin/chromium")
    parser.add_argument("--timeout", type=float, default=90)
    options = parser.parse_args()
    deadline = time.monotonic() + options.timeout
    failed = False
    with tempfile.TemporaryDirectory(prefix="tessaly-games-") as work:
        app = os.path.join(work, "app")
        expected = make_app(app)
        for isolated in (True, False):
            settings = {"cross-origin-isolation": True} if isolated else {}
            with open(os.path.join(app, "package.json"), "w") as package:
                json.dump({"name": "games", "settings": settings}, package)
            processes = []
            try:
                serve, origin = start_serve(options.tessaly, app, os.path.join(work, "log"),
                                            deadline)
                processes.append(serve)
                with open(os.path.join(work, "chromium.log"), "w") as chromium_log:
                    browser, port = start_chromium(
                        options.chromium, os.path.join(work, f"profile-{isolated}"),
                        chromium_log, deadline)
                    processes.append(browser)
                    page = DevTools(page_socket_url(port, deadline),
                                    max(1, deadline - time.monotonic()))
                    page.call("Page.navigate", url=origin + "index.html")
                    wait_for("the page to load", deadline,
                             lambda: page.evaluate("document.readyState") == "complete")
                    seen = page.evaluate(PROBE + "()")
                    page.close()
            except Failure as failure:
                print("FAILED:", failure)
                return 1
            finally:
                for process in reversed(processes):
                    process.terminate()
                    process.wait(timeout=10)
            problems = check(seen, expected, isolated)
            label = "with" if isolated else "without"
            print(f"{label} cross-origin-isolation:",
                  "as expected" if not problems else "; ".join(problems))
            failed = failed or bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
