"""Making a Wine prefix for the end-to-end runs, shared by their harnesses."""

import os
import shutil
import subprocess


def make_prefix(prefix, env):
    """Makes a Wine prefix at `prefix` for Wine run with `env`, or brings one there up to date.

    wineboot takes a minute or more under emulation, so where the machine has a prefix made once
    already (the x86 guest names it in TESSALY_WINE_PREFIX_TEMPLATE), a copy of it replaces
    whatever is at `prefix`.
    """
    template = os.environ.get("TESSALY_WINE_PREFIX_TEMPLATE")
    if template:
        shutil.rmtree(prefix, ignore_errors=True)
        shutil.copytree(template, prefix, symlinks=True)
    else:
        subprocess.run(["wineboot", "--init"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=False)
    subprocess.run(["wineserver", "--wait"], env=env, check=False)
    if not os.path.exists(os.path.join(prefix, "user.reg")):
        raise RuntimeError("wineboot made no prefix in " + prefix)
