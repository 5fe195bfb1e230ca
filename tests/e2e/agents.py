"""Installed products with an update agent, for the agent scenarios: the agent file made
by the builder (an agent payload with the product's token and update server), its
".original" beside it, releases made by the publisher, and the agent's processes, which
end with the scenario whatever happens.

Every product has an agent name of its own: the X_ copy's window class is named after
it, and windows are found across the whole Wine display."""
import contextlib
import os
import random
import re
import shutil
import signal
import subprocess
import threading
import time

import bench
import setups

PUBLISHER = os.path.join(bench.HOST_DIR, "tools", "publisher", "publisher")
NOTIFYWINDOW = os.path.join(bench.WIN_DIR, "tests", "win", "notifywindow.exe")
TOKEN = "check product"
# The X_ copy is ended after this many ticks even when a scenario fails before it
# stops the agent itself.
SAFETY_TICKS = 90


def seconds_now():
    """The agent's clock: seconds since 30 December 1899, local time."""
    return int(time.time() - time.timezone + (3600 if time.localtime().tm_isdst > 0 else 0)) + 25569 * 86400


def ini(sections):
    """INI text of {section: {key: value}}, with the line ends Windows writes."""
    lines = []
    for section, keys in sections.items():
        lines += ["[%s]" % section] + ["%s=%s" % kv for kv in keys.items()] + [""]
    return "\r\n".join(lines)


def read_ini(path):
    """{section: {key: value}} of an INI file (keys as written)."""
    found, section = {}, None
    with open(path, encoding="latin-1") as f:
        for line in f.read().splitlines():
            line = line.strip()
            if line.startswith("[") and line.endswith("]"):
                section = found.setdefault(line[1:-1], {})
            elif "=" in line and section is not None:
                key, _, value = line.partition("=")
                section[key] = value
    return found


def publish(root, info_name, url, version, token=TOKEN, setup=None, update=None, inform=None, **release):
    """Publishes a release into root with the publisher: its ".info" named info_name,
    update and inform files fetched from url, release: more [Release] keys; setup: the
    update setup (built with the product's token), update: more [Update] keys; inform:
    (body, [Inform] keys) for an announcement. Returns the ".info" as read."""
    folder = bench.scratch("release")
    manifest = {"Release": {"Output": root, "InfoFile": info_name, "Token": token, "DownloadUrl": url,
                            "Version": version, "ProgramName": "Check Product", **release}}
    if setup:
        manifest["Update"] = {"Setup": setup, "FileName": "update-%s.exe" % info_name.split(".")[0], **(update or {})}
    if inform is not None:
        body, keys = inform
        with open(os.path.join(folder, "news.txt"), "w") as f:
            f.write(body)
        manifest["Inform"] = {"File": "news.txt", "FileName": "news-%s.txt" % info_name.split(".")[0], **keys}
    path = os.path.join(folder, "release.ini")
    with open(path, "w") as f:
        f.write(ini(manifest))
    result = subprocess.run([PUBLISHER, path], capture_output=True, text=True)
    if result.returncode != 0:
        raise AssertionError(result.stderr)
    return read_ini(os.path.join(root, info_name))


def update_setup(folder, token=TOKEN):
    """An update setup of the product (the reference engine as its run target)."""
    return setups.make_setup(folder, name="update.exe", parameters=setups.engine_args(folder),
                             update={"Token": token})


def agent_pids(name):
    """Process ids of the running copies of the agent file name (the X_ copy's too)."""
    pids = []
    pattern = re.compile(rb"(^|[\\/])(X_)?" + re.escape(name.encode()) + rb"(\x00|$| )", re.IGNORECASE)
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                cmdline = f.read()
        except OSError:
            continue
        if pattern.search(cmdline):
            pids.append(int(pid))
    return pids


class Product:
    """An installed product: folder/installed holds the agent file and its ".original"."""

    def __init__(self, folder, server_url, original, token=TOKEN):
        self.folder = folder
        self.stem = "chk%08d" % random.randrange(10 ** 8)
        self.name = self.stem + ".exe"
        self.info_name = self.stem + ".info"
        self.installed = os.path.join(folder, "installed")
        os.makedirs(self.installed, exist_ok=True)
        # The update log shows the milestones; the files are not the product's concern here.
        self.agent = setups.make_setup(folder, name="installed/" + self.name, files={},
                                       trailer={"IsUpdateAgent": 1, "UpdateLog": 1},
                                       update={"ServerUrl": server_url, "InfoFile": self.info_name,
                                               "AgentFile": self.name, "Token": token})
        self.x_copy = os.path.join(self.installed, "X_" + self.name)
        self.original_path = os.path.join(self.installed, self.stem + ".original")
        self.info_path = os.path.join(self.installed, self.info_name)
        self.log_path = os.path.join(self.installed, "X_" + self.stem + ".log")
        sections = {"OriginalSetup": {"ProgramName": "Check Product", "VersionOriginal": 12,
                                      "ProbeSecondsInterval": 0, "ReAskSecondsInterval": 0},
                    "Directories": {"TargetDir": bench.winpath(self.installed)},
                    "MsgBox": {"Error": "Check Error", "Attention": "Check Attention", "Confirm": "Check Confirm"}}
        for section, keys in original.items():
            sections.setdefault(section, {}).update(keys)
        with open(self.original_path, "w", newline="") as f:
            f.write(ini(sections))
        self.processes = []

    def original(self, key, section="OriginalSetup"):
        return read_ini(self.original_path).get(section, {}).get(key)

    def log(self):
        """The update log's lines without their date, time, thread and tag."""
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, encoding="latin-1") as f:
            return [re.sub(r"^\d\d.\d\d.\d\d \d\d.\d\d.\d\d [ \d]{5}...", "", line)
                    for line in f.read().splitlines()]

    def traced(self, trace):
        """The X_ copy's lines in a trace capture, without their process id (the capture
        holds every program's lines)."""
        lines = trace.text.splitlines()
        start = " ==== STUB START ====> \"%s\"" % bench.winpath(self.x_copy)
        pids = {line.split()[0] for line in lines if start in line}
        return [line.partition(" ")[2] for line in lines if line.split(" ", 1)[0] in pids]

    def logged(self, prefix):
        return [line[len(prefix):] for line in self.log() if line.startswith(prefix)]

    def wait_logged(self, prefix, count=1, seconds=30):
        """The lines that begin with prefix (the rest of each), once there are count of
        them; fails when the time is up first."""
        deadline = time.monotonic() + seconds
        while len(self.logged(prefix)) < count:
            if time.monotonic() > deadline:
                raise AssertionError("no %d lines %r in the update log within %d s:\n%s"
                                     % (count, prefix, seconds, "\n".join(self.log())))
            time.sleep(0.2)
        return self.logged(prefix)

    def decisions(self):
        return self.logged("GetOkToPerformAU = ")

    def run_plain(self, *args):
        """Runs the plain agent with args (it starts the X_ copy when none runs and
        forwards its switches) and waits for it to end. Unless args stop the agent, its
        X_ copy ends by itself after SAFETY_TICKS."""
        if not any(a.startswith("/STOP=") for a in args):
            args += ("/STOP=%d" % SAFETY_TICKS,)
        # Its own output stays apart: the X_ copy it starts would keep a pipe open.
        process = subprocess.Popen([bench.WINE_ENV, "run", bench.WINE_STATE, "-t", "60", self.agent, *args],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(process)
        process.wait(timeout=90)

    def start_x_copy(self, *args):
        """Starts the X_ copy directly (a copy of the agent file, as the plain agent makes)."""
        shutil.copyfile(self.agent, self.x_copy)
        process = subprocess.Popen([bench.WINE_ENV, "run", bench.WINE_STATE, "-t", str(SAFETY_TICKS), self.x_copy,
                                    *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(process)
        return process

    def running(self):
        return agent_pids(self.name)

    def wait_ended(self, seconds):
        deadline = time.monotonic() + seconds
        while self.running() and time.monotonic() < deadline:
            time.sleep(0.2)
        return not self.running()

    def stop(self):
        """Ends the agent: a shutdown request through the plain agent (as a user would),
        then, for what still runs after that, its processes by id."""
        if self.running():
            subprocess.run([bench.WINE_ENV, "run", bench.WINE_STATE, "-t", "30", self.agent, "/STOP=0"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
            self.wait_ended(10)
        for pid in self.running():
            with contextlib.suppress(ProcessLookupError):
                os.kill(pid, signal.SIGKILL)
        for process in self.processes:
            if process.poll() is None:
                process.terminate()
            with contextlib.suppress(subprocess.TimeoutExpired):
                process.wait(timeout=10)


class NotifyWindow:
    """The notify-window helper running beside a scenario: its handle and message, and
    the (code, value) pairs it has received so far."""

    def __init__(self, seconds=60):
        self.process = subprocess.Popen([bench.WINE_ENV, "run", bench.WINE_STATE, "-t", str(seconds), NOTIFYWINDOW,
                                         str(seconds)], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        first = self.process.stdout.readline().decode().split()
        if not first or not first[0].startswith("window="):
            self.close()
            raise AssertionError("the notify window did not start")
        self.window, self.message = (int(item.split("=")[1]) for item in first)
        self.pairs = []
        self.reader = threading.Thread(target=self.read, daemon=True)
        self.reader.start()

    def read(self):
        for line in self.process.stdout:
            fields = line.decode().split()
            if len(fields) == 3 and fields[0] == "notify":
                self.pairs.append((int(fields[1]), int(fields[2])))

    def switch(self):
        """The plain agent's switch that registers this window."""
        return "/WM_MSG=%d:%d" % (self.window, self.message)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
        self.process.wait(timeout=15)
        self.process.stdout.close()


@contextlib.contextmanager
def notify_window(seconds=60):
    window = NotifyWindow(seconds)
    try:
        yield window
    finally:
        window.close()
