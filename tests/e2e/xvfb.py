"""A private Xvfb server for the end-to-end runs, shared by their harnesses."""

import os
import subprocess


class Xvfb:
    """An X server of its own on the first free display, as Xvfb itself picks it.

    The server dies with the process that started it, however that ends (an exception before
    stop(), or a test runner's kill at its time limit), so none is ever left behind.
    """

    def __init__(self, screen):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["setpriv", "--pdeathsig", "KILL", "--", "Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip():
            self.stop()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
