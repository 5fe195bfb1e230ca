"""Shared pieces of the end-to-end scenarios: paths of both build trees and running
Windows programs in the build tree's Wine environment."""
import contextlib
import fcntl
import os
import subprocess
import tempfile
import threading
import time

WINE_ENV = os.environ["K_WINE_ENV"]
WINE_STATE = os.environ["K_WINE_STATE"]
WIN_DIR = os.environ["K_WIN_DIR"]
HOST_DIR = os.environ["K_HOST_DIR"]
SOURCE_DIR = os.environ["K_SOURCE_DIR"]

LAUNCHER = os.path.join(WIN_DIR, "src", "launcher", "launcher.exe")
VIEWER = os.path.join(WIN_DIR, "tools", "kdebugview", "kdebugview.exe")
ANSWERBOX = os.path.join(WIN_DIR, "tests", "win", "answerbox.exe")
RUNEXIT = os.path.join(WIN_DIR, "tests", "win", "runexit.exe")
HTTPGET = os.path.join(WIN_DIR, "tests", "win", "httpget.exe")
TRUSTCERT = os.path.join(WIN_DIR, "tests", "win", "trustcert.exe")


def windows_on_display():
    """The titles of the windows on the Wine display, for a report of a hang."""
    tree = subprocess.run([WINE_ENV, "shell", WINE_STATE, "xwininfo", "-root", "-tree"], capture_output=True,
                          text=True, timeout=30).stdout
    return sorted({line.split('"')[1] for line in tree.splitlines() if line.count('"') >= 2 and
                   "has no name" not in line})


def wine(program, *args, timeout=120, **kwargs):
    """Runs a Windows program under Wine; returns the CompletedProcess. A program that
    does not end in time fails the scenario naming the windows that were open."""
    cmd = [WINE_ENV, "run", WINE_STATE, "-t", str(timeout), program, *args]
    try:
        result = subprocess.run(cmd, capture_output=True, timeout=timeout + 30, **kwargs)
    except subprocess.TimeoutExpired:
        result = None
    # 124: the time limit ended the program.
    if result is None or result.returncode == 124:
        raise AssertionError("%s did not end within %d s; windows open: %s"
                             % (os.path.basename(program), timeout, windows_on_display()))
    return result


def exit_code(program, *args, timeout=120):
    """Runs a Windows program and returns its whole exit code (the process status on
    this side holds only the low byte)."""
    result = wine(RUNEXIT, winpath(program), *args, timeout=timeout)
    out = result.stdout.decode("latin-1")
    if not out.startswith("exit="):
        raise AssertionError("runexit: %r %r" % (out, result.stderr))
    return int(out[5:].split()[0])


def scratch(test_name):
    """A fresh folder for one scenario, inside the build tree."""
    root = os.path.join(HOST_DIR, "e2e")
    os.makedirs(root, exist_ok=True)
    return tempfile.mkdtemp(prefix=test_name + "-", dir=root)


def lines_of(path):
    """The lines of a text file, none when it does not exist (yet)."""
    if not os.path.exists(path):
        return []
    with open(path, encoding="latin-1") as f:
        return f.read().splitlines()


def winpath(path):
    """The Windows name of a host path under Wine (drive Z: is the Unix root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


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


@contextlib.contextmanager
def viewer(test_name="viewer", timeout=300, chunks=False):
    """Runs the debug viewer while the block runs and yields a TraceCapture (with
    chunks=True the viewer also records where each chunk ends).

    Viewers are taken one at a time (a lock in the Wine state folder), since the
    launcher sends to whichever window of the class it finds. The capture may still
    hold lines of other Windows programs that run at the same time: look for the
    lines a scenario expects rather than comparing the whole text."""
    with open(os.path.join(WINE_STATE, "viewer.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        out = os.path.join(scratch(test_name), "trace.txt")
        args = ["-chunks"] if chunks else []
        proc = subprocess.Popen([WINE_ENV, "run", WINE_STATE, "-t", str(timeout), VIEWER, *args, winpath(out)],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            # The viewer creates its output file once its window exists.
            deadline = time.monotonic() + 60
            while not os.path.exists(out):
                if proc.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError("the debug viewer did not start")
                time.sleep(0.05)
            yield TraceCapture(out)
        finally:
            proc.terminate()
            try:
                proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()


def answer(title, key, timeout=60):
    """Waits for a window titled exactly title and answers it with key (as answering
    does), or with "Describe" leaves it open and returns its class and child windows'
    texts as answerbox printed them; fails when no such window came."""
    result = wine(ANSWERBOX, title, key, str(timeout), timeout=timeout + 30)
    if result.returncode != 0:
        raise AssertionError("no window %r was answered with %s; windows open: %s"
                             % (title, key, windows_on_display()))
    return result.stdout.decode("latin-1").replace("\r\n", "\n").splitlines()


@contextlib.contextmanager
def answering(title, key, timeout=60):
    """While the block runs, waits for a window titled exactly title and answers it with
    key (a letter, or "Return"); yields a list that holds True once it was answered."""
    answered = []

    def answer():
        result = wine(ANSWERBOX, title, key, str(timeout), timeout=timeout + 30)
        if result.returncode == 0:
            answered.append(True)

    helper = threading.Thread(target=answer)
    helper.start()
    try:
        yield answered
    finally:
        helper.join()
