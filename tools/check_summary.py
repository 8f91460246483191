#!/usr/bin/env python3
"""Prints the summary of tools/check.sh and exits non-zero when anything failed.

Reads its record, one line per preset: name, seconds, exit status, and the JUnit file that
ctest wrote (none for the fuzzers).
"""
import sys
import xml.etree.ElementTree as ElementTree

WHERE = {
    "native": "natively",
    "native-asan": "natively, with sanitizers",
    "native32": "i686 Linux build, emulated by qemu-i386-static",
    "win64": "under Wine",
    "fuzz": "natively, 30 s per fuzzer",
}


def read_tests(junit):
    """[(name, outcome, first line of output)] from ctest's JUnit file, [] if there is none."""
    try:
        suite = ElementTree.parse(junit).getroot()
    except (OSError, ElementTree.ParseError):
        return []
    tests = []
    for case in suite.iter("testcase"):
        output = (case.findtext("system-out") or "").strip().splitlines()
        note = output[0] if output else ""
        skipped = case.find("skipped")
        if case.get("status") == "run":
            outcome = "passed"
        elif skipped is not None and skipped.get("message", "").startswith("SKIP_"):
            outcome = "skipped"  # the test itself said it could not run here, and why
        else:
            # Failed, or never run (a missing file, a failed fixture): either way, not passed.
            outcome = "failed"
            if skipped is not None:
                note = "not run: %s. %s" % (skipped.get("message"), note)
        tests.append((case.get("name"), outcome, note))
    return tests


def main(record):
    failed_any = False
    totals = {"passed": 0, "failed": 0, "skipped": 0}
    print("\n== summary")
    with open(record, encoding="utf-8") as lines:
        for line in lines:
            preset, seconds, status, junit = line.rstrip("\n").split("\t")
            tests = read_tests(junit) if junit else []
            counts = {o: sum(1 for t in tests if t[1] == o) for o in totals}
            for outcome in totals:
                totals[outcome] += counts[outcome]
            names = {t[0] for t in tests}
            where = WHERE.get(preset, "")
            if preset == "win32":
                where = "in the x86 guest under QEMU" if "x86_guest" in names else "under Wine"
            # A preset whose ctest wrote no results ran no test: that is a failure too.
            failed = status != "0" or counts["failed"] > 0 or bool(junit and not tests)
            failed_any |= failed
            verdict = "FAILED" if failed else "ok"
            if junit:
                detail = "%(passed)d passed, %(failed)d failed, %(skipped)d skipped" % counts
            else:
                detail = "exit status " + status
            print("%-12s %-6s %-40s %s, %d min %02d s" % (
                preset, verdict, detail, where, int(seconds) // 60, int(seconds) % 60))
            for name, outcome, first_line in tests:
                if outcome != "passed":
                    print("    %s %s: %s" % (outcome, name, first_line))
    print("total: %(passed)d passed, %(failed)d failed, %(skipped)d skipped" % totals)
    return 1 if failed_any else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
