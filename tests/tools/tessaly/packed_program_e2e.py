#!/usr/bin/env python3
"""A program packed by tessaly, read by tools that are not ours and run end to end.

Packs the end-to-end app (with an icon, a version, an author and a copyright, and the stand-in
runtime as its fixed runtime) with `tessaly pack --sign --installer`, using a certificate made
here with openssl, then checks:
- wrestool and icotool find the icon group, and each size matches the icon scaled by ImageMagick;
- Windows (Wine) reads the version strings with GetFileVersionInfoW/VerQueryValueW and the icons
  with ExtractIconExW and LoadIconW(32512);
- osslsigncode verifies the program's and the installer's signatures, and an unsigned pack's PE
  checksum;
- objdump lists the same imports as the program pack started from;
- the packed program runs the start-page scenario;
- with --installer-run: setup.exe /S installs the program, its shortcut and its Uninstall key,
  the installed program runs the scenario, and uninstall.exe /S removes them again.
"""
import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "e2e"))
import run_scenario  # noqa: E402

NAME = "tessaly-e2e"
TITLE = "Tessaly Test"
VERSION = "2.3.4"
AUTHOR = "Ann Example"
COPYRIGHT = "Copyright 2024 Ann Example"
PASSWORD = "s3cret pass"
SIZES = [16, 24, 32, 48, 64, 256]
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall" + "\\" + NAME


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def run(command, **kwargs):
    result = subprocess.run(command, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        raise Failure("%s failed (%d): %s%s" % (" ".join(command), result.returncode,
                                                result.stdout, result.stderr))
    return result.stdout


def make_app(args, work):
    app = os.path.join(work, "app")
    shutil.copytree(args.app, app)
    shutil.copy(args.icon, os.path.join(app, "icon.png"))
    with open(os.path.join(app, "package.json"), encoding="utf-8") as package:
        text = package.read()
    text = text.replace('"title": "Tessaly Test",', '"title": "Tessaly Test", "icon": "icon.png",')
    text = text.replace('"main":', '"version": "%s", "author": "%s <ann@example.com>", '
                        '"copyright": "%s", "main":' % (VERSION, AUTHOR, COPYRIGHT), 1)
    with open(os.path.join(app, "package.json"), "w", encoding="utf-8") as package:
        package.write(text)
    runtime = os.path.join(app, "webview2", "EBWebView", args.arch)
    os.makedirs(runtime)
    shutil.copy(args.dll, os.path.join(runtime, "EmbeddedBrowserWebView.dll"))
    open(os.path.join(app, "webview2", "msedgewebview2.exe"), "wb").close()
    return app


def make_certificate(work):
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "key.pem",
         "-out", "cert.pem", "-days", "2", "-subj", "/CN=Tessaly Test Signer"], cwd=work)
    run(["openssl", "pkcs12", "-export", "-inkey", "key.pem", "-in", "cert.pem", "-out",
         "cert.pfx", "-passout", "pass:" + PASSWORD], cwd=work)
    return os.path.join(work, "cert.pfx"), os.path.join(work, "cert.pem")


def check_icons(exe, source_icon, work):
    listing = run(["wrestool", "-l", exe])
    check("--type=14 --name='MAINICON'" in listing, "no MAINICON icon group:\n" + listing)
    check("--type=14 --name=32512" in listing, "no icon group 32512:\n" + listing)
    ico = os.path.join(work, "extracted.ico")
    run(["wrestool", "-x", "-t14", "-n", "MAINICON", "-o", ico, exe])
    images = os.path.join(work, "icons")
    os.makedirs(images)
    run(["icotool", "-x", "-o", images, ico])
    for size in SIZES:
        found = glob.glob(os.path.join(images, "*_%dx%dx32.png" % (size, size)))
        check(len(found) == 1, "no %d px image in the icon group: %s" % (size, os.listdir(images)))
        reference = os.path.join(work, "reference-%d.png" % size)
        run(["convert", source_icon, "-resize", "%dx%d" % (size, size), reference])
        # Both scaled from one image by different code: they differ only by filter rounding.
        result = subprocess.run(["compare", "-metric", "RMSE", found[0], reference, "null:"],
                                capture_output=True, text=True)
        match = re.search(r"\(([0-9.e-]+)\)", result.stderr)
        check(match, "compare said: " + result.stderr)
        check(float(match.group(1)) < 0.06,
              "the %d px icon differs from ImageMagick's scaling by %s" % (size, match.group(1)))


def wine_env(prefix):
    return run_scenario.wine_env(prefix)


def check_as_windows_reads_it(args, exe, prefix):
    output = run(["wine", args.reader, run_scenario.windows_path(exe)], env=wine_env(prefix))
    values = dict(line.split("=", 1) for line in output.splitlines() if "=" in line and
                  " " not in line.split("=", 1)[0])
    want = {"ProductName": TITLE, "FileDescription": TITLE, "ProductVersion": VERSION,
            "FileVersion": VERSION, "OriginalFilename": NAME + ".exe", "InternalName": NAME,
            "CompanyName": AUTHOR, "LegalCopyright": COPYRIGHT,
            "FixedFileVersion": VERSION + ".0", "icons": "2"}
    for key, value in want.items():
        check(values.get(key) == value, "Windows reads %s=%r, expected %r\n%s"
              % (key, values.get(key), value, output))
    check("large=32 small=16" in output and "fallback=32" in output,
          "Windows' icons of the program:\n" + output)


def check_signature(exe, certificate):
    output = run(["osslsigncode", "verify", "-CAfile", certificate, exe])
    check("Signature verification: ok" in output or "Succeeded" in output,
          "osslsigncode does not accept %s:\n%s" % (exe, output))


def imports(objdump, exe):
    return re.findall(r"DLL Name: (\S+)|^\s+[0-9a-f]+\s+\d+\s+(\w+)$", run([objdump, "-p", exe]),
                      re.MULTILINE)


def run_start_page(args, run_dir, prefix, exe):
    lines = run_scenario.run_program(args, run_dir, prefix, exe)
    mismatch = run_scenario.compare(run_scenario.read_expected(args.expected), lines)
    check(mismatch is None, "the start page scenario differs at line %s:\n%s"
          % (mismatch, "\n".join(lines)))


def installer_run(args, setup, certificate):
    run_dir, prefix = run_scenario.new_run(args.work_dir, "installer")
    env = wine_env(prefix)
    check_signature(setup, certificate)
    run(["wine", setup, "/S"], env=env)
    run(["wineserver", "-w"], env=env)
    users = [u for u in glob.glob(os.path.join(prefix, "drive_c", "users", "*"))
             if os.path.basename(u) != "Public"]
    folder = os.path.join(users[0], "AppData", "Local", "Programs", NAME)
    exe = os.path.join(folder, NAME + ".exe")
    shortcut = os.path.join(users[0], "AppData", "Roaming", "Microsoft", "Windows",
                            "Start Menu", "Programs", TITLE + ".lnk")
    for path in (exe, os.path.join(folder, "www", "index.html"), os.path.join(folder, "icon.png"),
                 os.path.join(folder, "uninstall.exe"), shortcut):
        check(os.path.exists(path), "not installed: " + path)
    registry = run(["wine", "reg", "query", UNINSTALL_KEY], env=env)
    for value in ("DisplayName    REG_SZ    " + TITLE, "DisplayVersion    REG_SZ    " + VERSION,
                  "Publisher    REG_SZ    " + AUTHOR, "UninstallString", "DisplayIcon"):
        check(value in registry, "the Uninstall key lacks %r:\n%s" % (value, registry))
    run_start_page(args, run_dir, prefix, exe)
    # The program's own data is the user's, and stays.
    data = os.path.join(users[0], "AppData", "Local", NAME)
    os.makedirs(data, exist_ok=True)
    run(["wine", os.path.join(folder, "uninstall.exe"), "/S"], env=env)
    run(["wineserver", "-w"], env=env)
    check(not os.path.exists(folder), "the program folder is still there")
    check(not os.path.exists(shortcut), "the shortcut is still there")
    result = subprocess.run(["wine", "reg", "query", UNINSTALL_KEY], env=env, capture_output=True)
    check(result.returncode != 0, "the Uninstall key is still there")
    check(os.path.isdir(data), "the uninstaller removed the user's data")
    shutil.rmtree(run_dir, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for option in ("tessaly", "program", "dll", "reader", "app", "icon", "scenario", "expected",
                   "work-dir", "objdump"):
        parser.add_argument("--" + option, required=True)
    parser.add_argument("--arch", choices=["x86", "x64"], required=True)
    parser.add_argument("--installer-run", action="store_true")
    parser.add_argument("--timeout", type=float, default=60)
    parser.add_argument("--screen", default="1024x768x24")
    args = parser.parse_args()

    os.makedirs(args.work_dir, exist_ok=True)
    work = tempfile.mkdtemp(prefix="packed-", dir=args.work_dir)
    try:
        app = make_app(args, work)
        pfx, certificate = make_certificate(work)
        out = os.path.join(work, "out", NAME)
        env = dict(os.environ, TESSALY_TEST_PFX_PASSWORD=PASSWORD)
        run([args.tessaly, "pack", app, "-o", out, "--exe", args.program, "--sign", pfx,
             "--sign-password-env", "TESSALY_TEST_PFX_PASSWORD", "--installer"], env=env)
        exe = os.path.join(out, NAME + ".exe")
        unsigned = os.path.join(work, "unsigned", NAME)
        run([args.tessaly, "pack", app, "-o", unsigned, "--exe", args.program])

        check_icons(exe, args.icon, work)
        check_signature(exe, certificate)
        # An unsigned program: osslsigncode finds no signature, but says whether the checksum
        # pack wrote is the one it computes.
        verified = subprocess.run(["osslsigncode", "verify", os.path.join(unsigned, NAME + ".exe")],
                                  capture_output=True, text=True)
        said = verified.stdout + verified.stderr
        check("PE checksum" in said and "invalid PE checksum" not in said,
              "osslsigncode finds the PE checksum wrong:\n" + said)
        check(imports(args.objdump, exe) == imports(args.objdump, args.program),
              "the packed program's imports differ from the program's")

        run_dir, prefix = run_scenario.new_run(args.work_dir, "packed")
        check_as_windows_reads_it(args, exe, prefix)
        run_start_page(args, run_dir, prefix, exe)
        shutil.rmtree(run_dir, ignore_errors=True)

        if args.installer_run:
            installer_run(args, os.path.join(out, NAME + "-setup.exe"), certificate)
    except Failure as failure:
        print("FAILED: %s (kept %s)" % (failure, work))
        return 1
    shutil.rmtree(work, ignore_errors=True)
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
