#!/usr/bin/env python3
"""Large saves of the Windows program, end to end under Wine with the stand-in runtime.

The program is killed while it writes a 12 MiB save over an old one: the save then holds the old
content or the new one whole, never a mix. The next start removes what the write left and a
leftover planted in a subfolder; one it cannot remove (read-only) is never listed. A save of
exactly 16 MiB is written, one byte more is refused as TooLarge.
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

CALL = "call https://tessaly.example/index.html "
FILE = "message-file https://tessaly.example/index.html "
PARTIAL = ".tessaly-partial-"


def data(size, seed):
    return (hashlib.sha256(seed).digest() * (size // 32 + 1))[:size]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for option in ("--exe", "--dll", "--arch", "--app", "--work-dir"):
        parser.add_argument(option, required=option != "--work-dir")
    args = parser.parse_args()
    run_dir, prefix = run_scenario.new_run(args.work_dir, "large_save")
    exe = run_scenario.lay_out_program(run_dir, args.exe, args.dll, args.arch, args.app)

    def start(name, steps, writes):
        """Runs the program with `steps`; `writes` are files.write calls posted from files."""
        for call_id, (path, content) in writes.items():
            with open(os.path.join(run_dir, "program", "%d.json" % call_id), "w") as out:
                json.dump({"type": "tessaly-call", "id": call_id, "key": "@KEY@",
                           "method": "files.write",
                           "args": [path, {"base64": base64.b64encode(content).decode()}]},
                          out, separators=(",", ":"))  # as JSON.stringify writes it
        scenario = os.path.join(run_dir, name + ".scenario")
        with open(scenario, "w", encoding="utf-8") as out:
            out.write("\n".join(["start-page"] + steps) + "\n")
        options = argparse.Namespace(scenario=scenario, screen="1024x768x24", timeout=90)
        lines = run_scenario.run_program(options, run_dir, prefix, exe)
        os.rename(os.path.join(run_dir, "standin.log"), os.path.join(run_dir, name + ".log"))
        return lines, {reply["id"]: reply for reply in (
            json.loads(json.loads(line[len("post-web-message json="):]))
            for line in lines if line.startswith('post-web-message json="'))}

    old, new = b"old-save", data(12 << 20, b"new")
    killed, replies = start("killed", [
        CALL + 'files.write ["save.bin","old-save"]', FILE + "100.json",
        "terminate when-file=%%APPDATA%%\\tessaly-e2e\\%s*" % PARTIAL], {100: ("save.bin", new)})
    folder = glob.glob(os.path.join(prefix, "drive_c/users/*/AppData/Roaming/tessaly-e2e"))[0]
    with open(os.path.join(folder, "save.bin"), "rb") as save:
        content = save.read()
    left = lambda: sorted(os.path.relpath(os.path.join(root, name), folder)
                          for root, _, names in os.walk(folder) for name in names
                          if name.startswith(PARTIAL))
    print("%s; the save holds the %s content; left: %s" % (
        killed[-2], {old: "old", new: "new"}.get(content, "MIXED"), left()))
    failures = [what for what, ok in [
        ("the old save was written", replies.get(1) == {"type": "tessaly-reply", "id": 1,
                                                        "result": None}),
        ("the write was seen under way", " size=" in killed[-2]),
        ("the program was killed", killed[-1] == "exit-code 9"),
        ("the save is old or new, whole", content in (old, new))] if not ok]

    os.makedirs(os.path.join(folder, "slot"))
    for name in ("slot/" + PARTIAL + "1-1", PARTIAL + "1-2"):
        with open(os.path.join(folder, name), "wb") as planted:
            planted.write(b"planted")
    # Wine deletes no file without a write permission bit, as Windows deletes no read-only one.
    os.chmod(os.path.join(folder, PARTIAL + "1-2"), 0o444)
    limit = data(16 << 20, b"limit")
    again, replies = start("again", [
        CALL + 'files.list [""]', CALL + 'files.list ["slot"]', FILE + "101.json posts=1",
        FILE + "102.json posts=1", "close-request"],
        {101: ("limit.bin", limit), 102: ("over.bin", limit + b"!")})
    listed = sorted(entry["name"] for id in (1, 2) for entry in replies[id]["result"])
    with open(os.path.join(folder, "limit.bin"), "rb") as written:
        failures += [what for what, ok in [
            ("only saves are listed: %s" % listed, listed == ["save.bin", "slot"]),
            ("only the read-only leftover is left: %s" % left(), left() == [PARTIAL + "1-2"]),
            ("16 MiB are written", replies[101].get("result", 1) is None
             and written.read() == limit),
            ("16 MiB and a byte are TooLarge", replies[102].get("error", {}).get("name")
             == "TooLarge" and not os.path.exists(os.path.join(folder, "over.bin"))),
            ("the second start ends well", again[-1] == "exit-code 0")] if not ok]
    if failures:
        print("FAILED (run kept in %s):\n  %s" % (run_dir, "\n  ".join(failures)))
        return 1
    shutil.rmtree(run_dir, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
