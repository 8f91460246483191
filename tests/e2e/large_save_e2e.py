#!/usr/bin/env python3
"""Large saves of the Windows program, end to end under Wine with the stand-in runtime.

The program is killed while it writes a 12 MiB save over an old one: afterwards the save holds
the old content or the new content whole, never a mix. The next start removes what the killed
write left (and a leftover planted in a subfolder); one it cannot remove (read-only) is never
shown to the page. A save of exactly 16 MiB is written, one byte more is refused as TooLarge.
"""

import argparse
import base64
import glob
import hashlib
import json
import os
import shutil
import sys

sys.dont_write_bytecode = True  # no cache folder in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import run_scenario  # noqa: E402

APP_NAME = "tessaly-e2e"
SOURCE = "https://tessaly.example/index.html"
SAVES = "%APPDATA%\\" + APP_NAME
PARTIAL = ".tessaly-partial-"
LIMIT = 16 * 1024 * 1024


def pattern(size, seed):
    """`size` bytes made from `seed`."""
    block = hashlib.sha256(seed).digest() * 2048  # 64 KiB
    return (block * (size // len(block) + 1))[:size]


def write_call(path, call_id, name, data):
    with open(path, "w", encoding="ascii") as out:
        json.dump({"type": "tessaly-call", "id": call_id, "key": "@KEY@", "method": "files.write",
                   "args": [name, {"base64": base64.b64encode(data).decode("ascii")}]},
                  out, separators=(",", ":"))


def replies(lines):
    """The program's replies, by id."""
    found = {}
    for line in lines:
        if line.startswith('post-web-message json="'):
            reply = json.loads(json.loads(line[len("post-web-message json="):]))
            found[reply["id"]] = reply
    return found


def save_folder(prefix):
    folders = glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Roaming",
                                     APP_NAME))
    return folders[0] if folders else None


def leftovers(folder):
    return sorted(os.path.relpath(os.path.join(root, name), folder)
                  for root, _, names in os.walk(folder) for name in names
                  if name.startswith(PARTIAL))


class Run:
    def __init__(self, args):
        self.args = args
        self.run_dir, self.prefix = run_scenario.new_run(args.work_dir, "large_save")
        self.exe = run_scenario.lay_out_program(self.run_dir, args.exe, args.dll, args.arch,
                                                args.app)
        self.program = os.path.dirname(self.exe)
        self.failures = []

    def start(self, name, steps):
        scenario = os.path.join(self.run_dir, name + ".scenario")
        with open(scenario, "w", encoding="utf-8") as out:
            out.write("\n".join(["start-page"] + steps) + "\n")
        options = argparse.Namespace(scenario=scenario, screen=self.args.screen,
                                     timeout=self.args.timeout)
        lines = run_scenario.run_program(options, self.run_dir, self.prefix, self.exe)
        os.rename(os.path.join(self.run_dir, "standin.log"),
                  os.path.join(self.run_dir, name + ".log"))
        return lines

    def check(self, condition, what):
        if not condition:
            self.failures.append(what)
        return condition


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--dll", required=True)
    parser.add_argument("--arch", required=True, choices=["x86", "x64"])
    parser.add_argument("--app", required=True)
    parser.add_argument("--work-dir")
    parser.add_argument("--timeout", type=float, default=90)
    parser.add_argument("--screen", default="1024x768x24")
    args = parser.parse_args()
    run = Run(args)

    old = b"old-save"
    new = pattern(12 * 1024 * 1024, b"new")
    write_call(os.path.join(run.program, "new.json"), 100, "save.bin", new)
    killed = run.start("killed", [
        'call %s files.write ["save.bin","%s"]' % (SOURCE, old.decode()),
        "message-file %s new.json" % SOURCE,
        "terminate when-file=%s\\%s*" % (SAVES, PARTIAL),
    ])
    run.check(replies(killed).get(1, {}).get("result", "") is None, "the old save was not written")
    seen = [line for line in killed if line.startswith("terminate when-file=")]
    run.check(seen and " size=" in seen[0], "the write was never seen under way: %s" % seen)
    run.check(killed[-1] == "exit-code 9", "the program was not killed: " + killed[-1])
    folder = save_folder(run.prefix)
    with open(os.path.join(folder, "save.bin"), "rb") as save:
        content = save.read()
    outcome = "old" if content == old else "new" if content == new else None
    run.check(outcome, "a mix: the save holds %d bytes, sha256 %s"
              % (len(content), hashlib.sha256(content).hexdigest()))
    left = leftovers(folder)
    print("killed %s; the save holds the %s content; left: %s"
          % (seen[0] if seen else "-", outcome, left or "nothing"))

    os.makedirs(os.path.join(folder, "slot"), exist_ok=True)
    for name in ("slot/" + PARTIAL + "1-1", PARTIAL + "1-2"):
        with open(os.path.join(folder, name), "wb") as planted:
            planted.write(b"planted")
    # Wine deletes no file without a write permission bit, as Windows deletes no read-only file.
    os.chmod(os.path.join(folder, PARTIAL + "1-2"), 0o444)
    write_call(os.path.join(run.program, "limit.json"), 101, "limit.bin", pattern(LIMIT, b"a"))
    write_call(os.path.join(run.program, "over.json"), 102, "over.bin", pattern(LIMIT + 1, b"b"))
    again = run.start("again", [
        'call %s files.list [""]' % SOURCE,
        'call %s files.list ["slot"]' % SOURCE,
        "message-file %s limit.json posts=1" % SOURCE,
        "message-file %s over.json posts=1" % SOURCE,
        "close-request",
    ])
    answers = replies(again)
    listed = [entry["name"] for id in (1, 2) for entry in answers.get(id, {}).get("result", [])]
    run.check(sorted(listed) == ["save.bin", "slot"], "listed: %s" % listed)
    run.check(leftovers(folder) == [PARTIAL + "1-2"],
              "left after the next start: %s" % leftovers(folder))
    with open(os.path.join(folder, "save.bin"), "rb") as save:
        run.check(save.read() == content, "the next start changed the save")
    run.check(answers.get(101, {}).get("result", "") is None, "16 MiB: %s" % answers.get(101))
    with open(os.path.join(folder, "limit.bin"), "rb") as limit:
        run.check(limit.read() == pattern(LIMIT, b"a"), "limit.bin is not what was written")
    run.check(answers.get(102, {}).get("error", {}).get("name") == "TooLarge",
              "16 MiB + 1: %s" % answers.get(102))
    run.check(not os.path.exists(os.path.join(folder, "over.bin")), "over.bin was written")
    run.check(again[-1] == "exit-code 0", "the second start ended with " + again[-1])

    if run.failures:
        print("FAILED (run kept in %s):\n  %s" % (run.run_dir, "\n  ".join(run.failures)))
        return 1
    shutil.rmtree(run.run_dir, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
