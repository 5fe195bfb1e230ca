"""A Wine environment of a build (its own prefix, display and wine server, made by the
wineenv script beside this file) and the one way the harness runs, starts, waits for
and ends Windows programs in it.

    wine = WineEnv(Build("build"), "build/wine64")      # started by CTest's fixture
    WineEnv(build, state, user="name")                  # one whose programs run as that user
    with WineEnv.started(build, state) as wine: ...     # or started and stopped here
    wine = WineEnv.open(build, state); ...; wine.close()
    wine.run(program, *args)        # until it ends; fails naming the open windows
    wine.start(program, *args)      # a WineProcess in the background
    wine.exit_code(program, *args)  # its whole Windows exit code
"""
import concurrent.futures
import contextlib
import os
import shutil
import signal
import subprocess
import tempfile
import time

from harness.build import WINEENV


def winpath(path):
    """The Windows name of a host path under Wine (drive Z: is the Unix root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def lines_of(path):
    """The lines of a text file, none when it does not exist (yet)."""
    if not os.path.exists(path):
        return []
    with open(path, encoding="latin-1") as f:
        return f.read().splitlines()


def wait_for(condition, seconds, what, state=None):
    """What condition() gives once it is true; fails naming what (and state(), when given)
    when the time is up first."""
    deadline = time.monotonic() + seconds
    while True:
        found = condition()
        if found:
            return found
        if time.monotonic() > deadline:
            raise AssertionError("no %s within %d s%s" % (what, seconds, ": %r" % (state(),) if state else ""))
        time.sleep(0.1)


def processes_naming(folder, *aliases):
    """(process id, command line) of the running processes whose command line names a
    file under folder, in its host or Windows form, or under one of its aliases (other
    names of the folder, such as a share's)."""
    marks = [os.path.abspath(folder).lower(), winpath(folder).lower(), *(a.lower() for a in aliases)]
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                # Wine names a program by its path in UTF-8 (a folder in any script).
                line = f.read().replace(b"\0", b" ").decode("utf-8", errors="replace")
            with open("/proc/%s/stat" % entry) as f:
                state = f.read().rsplit(")", 1)[1].split()[0]
        except OSError:
            continue
        if state != "Z" and any(mark in line.lower() for mark in marks):
            found.append((int(entry), line))
    return found


def end_processes_naming(folder, *aliases):
    """Ends, by process id, every running process whose command line names a file under
    folder or one of its aliases (what a scenario started there, whoever started it)."""
    for pid, _ in processes_naming(folder, *aliases):
        with contextlib.suppress(ProcessLookupError):
            os.kill(pid, signal.SIGKILL)


class WineProcess:
    """A Windows program running in the background; it ends by itself at its time limit.
    As a context manager it is ended when the block leaves it running."""

    def __init__(self, wine, program, popen):
        self.wine = wine
        self.name = os.path.basename(program)
        self.popen = popen
        self.pid = popen.pid

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.end()

    def poll(self):
        return self.popen.poll()

    def wait(self, timeout):
        """Its exit code (the low byte of the Windows code); fails naming the open
        windows when it runs longer than timeout seconds."""
        try:
            code = self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            code = None
        # 124: its own time limit ended it.
        if code is None or code == 124:
            raise AssertionError("%s did not end within %d s; windows open: %s"
                                 % (self.name, timeout, self.wine.windows_on_display()))
        return code

    def end(self):
        """Ends it if it still runs (asked first, then killed), and reaps it."""
        if self.popen.poll() is None:
            self.popen.terminate()
            try:
                self.popen.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.popen.kill()
        self.popen.wait()
        for stream in (self.popen.stdout, self.popen.stderr):
            if stream:
                stream.close()


class WineEnv:
    """The Wine environment in the state folder state, for the programs of build.
    Scratch folders go under scratch_root (default: the build folder's e2e/). With user,
    everything runs as that Linux user, who owns the state folder and the prefix (Wine
    takes no prefix of another user's), and owns the scratch folders too."""

    def __init__(self, build, state, scratch_root=None, user=None):
        self.build = build
        self.state = os.path.abspath(state)
        self.prefix = os.path.join(self.state, "prefix")
        self.scratch_root = scratch_root or os.path.join(build.folder, "e2e")
        self.user = user

    def wineenv(self, *args):
        """The host command of the wineenv script with args, as the environment's user."""
        command = [WINEENV, *args]
        return ["runuser", "-u", self.user, "--", *command] if self.user else command

    @classmethod
    def open(cls, build, state, scratch_root=None, display=None, fonts=False, user=None):
        """Starts an environment of build's kind in state (a prefix is made when there is
        none); close() stops it. display: a display to use instead of a new Xvfb; fonts:
        give the prefix a Windows desktop's fonts (for pictures)."""
        wine = cls(build, state, scratch_root, user)
        subprocess.run(wine.wineenv("start", wine.state, str(build.bits)), check=True,
                       env=dict(os.environ, WINEENV_DISPLAY=display or ""))
        if fonts:
            try:
                subprocess.run(wine.wineenv("fonts", wine.state), check=True)
            except subprocess.CalledProcessError:
                wine.close()
                raise
        return wine

    def close(self):
        """Stops what open() started (by process id)."""
        subprocess.run(self.wineenv("stop", self.state))

    @classmethod
    @contextlib.contextmanager
    def started(cls, build, state, **options):
        """An environment opened for the block (options as for open)."""
        wine = cls.open(build, state, **options)
        try:
            yield wine
        finally:
            wine.close()

    def command(self, program, args, timeout, variables=None):
        """The host command that runs a Windows program here, ended after timeout seconds;
        variables: {NAME: VALUE} of Wine's own (WINEDLLOVERRIDES ...) for this program."""
        if variables:
            settings = ["%s=%s" % item for item in variables.items()]
            return self.wineenv("shell", self.state, "env", *settings, "timeout", "-k", "5", str(timeout), "wine",
                                program, *args)
        return self.wineenv("run", self.state, "-t", str(timeout), program, *args)

    def run(self, program, *args, timeout=120, variables=None, **kwargs):
        """Runs a Windows program until it ends; returns the CompletedProcess (output
        captured). A program that does not end in time fails naming the open windows.
        kwargs go to subprocess.run (cwd ...)."""
        try:
            result = subprocess.run(self.command(program, args, timeout, variables), capture_output=True,
                                    timeout=timeout + 30, **kwargs)
        except subprocess.TimeoutExpired:
            result = None
        # 124: the time limit ended the program.
        if result is None or result.returncode == 124:
            raise AssertionError("%s did not end within %d s; windows open: %s"
                                 % (os.path.basename(program), timeout, self.windows_on_display()))
        return result

    def start(self, program, *args, timeout=300, output=False):
        """Starts a Windows program in the background (ended by its time limit at the
        latest); with output, its standard output is a pipe to read."""
        popen = subprocess.Popen(self.command(program, args, timeout),
                                 stdout=subprocess.PIPE if output else subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        return WineProcess(self, program, popen)

    def exit_code(self, program, *args, timeout=120, environment=None):
        """Runs a Windows program and returns its whole exit code (the process status on
        this side holds only the low byte); environment: {NAME: VALUE} set for it alone."""
        options = [arg for name, value in (environment or {}).items() for arg in ("/env", "%s=%s" % (name, value))]
        result = self.run(self.build.helper("runexit"), *options, winpath(program), *args, timeout=timeout)
        out = result.stdout.decode("latin-1")
        if not out.startswith("exit="):
            raise AssertionError("runexit: %r %r" % (out, result.stderr))
        return int(out[5:].split()[0])

    def exit_code_later(self, program, *args, **options):
        """exit_code on a thread of its own, for a scenario that acts while the program
        runs: a Future whose result(timeout) is the exit code (or raises what exit_code
        raised)."""
        runner = concurrent.futures.ThreadPoolExecutor(max_workers=1)
        try:
            return runner.submit(self.exit_code, program, *args, **options)
        finally:
            runner.shutdown(wait=False)

    def shell(self, *command, **kwargs):
        """Runs a host command with the environment's variables (DISPLAY, WINEPREFIX ...);
        the CompletedProcess."""
        return subprocess.run(self.wineenv("shell", self.state, *command), **kwargs)

    def registry(self, *args):
        """Runs Wine's reg with args; its exit code."""
        return self.run("reg", *args, timeout=60).returncode

    def windows_on_display(self):
        """The titles of the windows on the environment's display, for a report of a hang."""
        tree = self.shell("xwininfo", "-root", "-tree", capture_output=True, text=True, timeout=30).stdout
        return sorted({line.split('"')[1] for line in tree.splitlines() if line.count('"') >= 2 and
                       "has no name" not in line})

    def windows_path(self, path):
        """The Windows name of a host path in this environment: C: for the prefix's
        drive_c, Z: for the rest."""
        drive_c = os.path.join(self.prefix, "drive_c")
        path = os.path.abspath(path)
        if path == drive_c or path.startswith(drive_c + os.sep):
            inside = os.path.relpath(path, drive_c)
            return "C:\\" + ("" if inside == "." else inside.replace("/", "\\"))
        return winpath(path)

    def host_path(self, windows_path):
        """The host path of a path a Windows program reported (Z: is the host root, C: the
        prefix's drive_c)."""
        if windows_path[:2].upper() == "C:":
            return os.path.join(self.prefix, "drive_c", windows_path[3:].replace("\\", "/"))
        return windows_path[2:].replace("\\", "/")

    def scratch(self, name):
        """A fresh folder for one scenario or run."""
        os.makedirs(self.scratch_root, exist_ok=True)
        folder = tempfile.mkdtemp(prefix=name + "-", dir=self.scratch_root)
        if self.user:
            shutil.chown(folder, self.user, self.user)
        return folder
