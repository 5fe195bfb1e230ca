"""The debug viewer around a block: what the trace channel of the environment's programs
carried meanwhile."""
import contextlib
import fcntl
import os
import time

from harness.wine import wait_for, winpath


class TraceCapture:
    """What the debug viewer has written so far."""

    def __init__(self, path):
        self.path = path

    @property
    def text(self):
        with open(self.path, "rb") as f:
            return f.read().decode("latin-1")

    @property
    def chunks(self):
        """The chunks one by one, for a viewer started with chunks=True."""
        text, found = self.text, []
        while text:
            length, _, rest = text.partition(":")
            found.append(rest[:int(length)])
            text = rest[int(length) + 1:]
        return found

    def wait_for(self, needle, seconds=60):
        """The text once it holds needle; fails when the time is up first."""
        wait_for(lambda: needle in self.text, seconds, "trace line with %r" % needle)
        return self.text


@contextlib.contextmanager
def viewer(wine, name="viewer", timeout=300, chunks=False):
    """Runs the debug viewer while the block runs and yields a TraceCapture (with
    chunks=True the viewer also records where each chunk ends).

    Viewers are taken one at a time (a lock in the Wine state folder), since a program
    sends to whichever window of the class it finds. The capture may still hold lines of
    other Windows programs that run at the same time: look for the lines a scenario
    expects rather than comparing the whole text."""
    with open(os.path.join(wine.state, "viewer.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        out = os.path.join(wine.scratch(name), "trace.txt")
        args = ["-chunks"] if chunks else []
        with wine.start(wine.build.viewer, *args, winpath(out), timeout=timeout) as process:
            # The viewer creates its output file once its window exists.
            deadline = time.monotonic() + 60
            while not os.path.exists(out):
                if process.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError("the debug viewer did not start")
                time.sleep(0.05)
            yield TraceCapture(out)
