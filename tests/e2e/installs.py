"""The installed product of the agent scenarios: the sample product with its update agent
(installed by our launcher and the reference engine, or laid out directly), the releases
its agent finds on a server, the processes it runs and what its update log says."""
import contextlib
import os
import re
import signal
import subprocess
import time

import bench
import servers
import setups

SAMPLE = os.path.join(bench.WIN_DIR, "tools", "sampleproduct", "SampleProduct.exe")
PUBLISHER = os.path.join(bench.HOST_DIR, "tools", "publisher", "publisher")

TOKEN = "sample token"
INFO = "sample.info"
PROGRAM_NAME = "Sample Product"
# The agent's texts have no defaults: without them its boxes would be empty.
TEXTS = {"s11": "A new version of PROG_NAME is ready.", "s12": "<P>Download and install it?",
         "s13": "<P>Download it?", "s14": "Install the new version of PROG_NAME now?",
         "s16": "PROG_NAME is up to date.", "s17": "<P>Start it again?", "s18": "<P>It is downloaded now.",
         "s19": "<P>It is downloaded now.", "s20": "PROG_NAME is installed now.",
         "s22": "Look for a new version of PROG_NAME?"}


def set_ini(path, section, key, value):
    """Sets one key of an INI file as the agent reads it (CR LF lines, sections and keys
    found without regard to case)."""
    lines = []
    if os.path.exists(path):
        with open(path, encoding="latin-1") as f:
            lines = f.read().splitlines()
    entry = "%s=%s" % (key, value)
    header = [i for i, line in enumerate(lines) if line.strip().lower() == "[%s]" % section.lower()]
    if not header:
        lines += ["[%s]" % section, entry]
    else:
        end = header[0] + 1
        while end < len(lines) and not lines[end].startswith("["):
            end += 1
        found = [i for i in range(header[0] + 1, end) if lines[i].split("=", 1)[0].strip().lower() == key.lower()]
        if found:
            lines[found[0]] = entry
        else:
            lines.insert(end, entry)
    with open(path, "w", encoding="latin-1", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def ini_value(path, section, key):
    """The value of a key, None when the file, the section or the key is missing."""
    if not os.path.exists(path):
        return None
    current = None
    with open(path, encoding="latin-1") as f:
        for line in f.read().splitlines():
            if line.startswith("["):
                current = line.strip()[1:-1].lower()
            elif current == section.lower() and "=" in line and line.split("=", 1)[0].strip().lower() == key.lower():
                return line.split("=", 1)[1]
    return None


def product_files(version):
    with open(SAMPLE, "rb") as f:
        return {"SampleProduct.exe": f.read(), "version.txt": b"%d" % version}


def product_setup(folder, agent_name, server_url, version, parameters, token=TOKEN):
    """A setup of the sample product at version (its files: the product and version.txt),
    whose agent is agent_name and looks for releases at server_url."""
    return setups.make_setup(os.path.join(folder, "v%d" % version), name="sample-%d.exe" % version,
                             parameters=parameters, trailer={"WriteUpdateAgent": 1, "UpdateLog": 1},
                             update={"ServerUrl": server_url, "InfoFile": INFO, "AgentFile": agent_name,
                                     "Token": token},
                             files=product_files(version))


class Installed:
    """Version 1 of the sample product in folder/target with its agent, its ".original"
    file (probe: ProbeSecondsInterval) and the agent's texts. As a context manager it
    ends the scenario's processes at its end, failed or not."""

    def __init__(self, folder, server_url, probe=0, via_setup=True):
        self.folder = folder
        self.server_url = server_url
        self.target = os.path.join(folder, "target")
        # Agents of one name share one window class on the desktop: scenarios that run
        # side by side must not see each other's X_ copy.
        title = "agent-" + os.path.basename(folder).rsplit("-", 1)[-1]
        self.agent_name = title + ".exe"
        self.agent = os.path.join(self.target, self.agent_name)
        self.xcopy = os.path.join(self.target, "X_" + self.agent_name)
        self.original = os.path.join(self.target, "sample.original")
        self.info = os.path.join(self.target, INFO)
        self.log = os.path.join(self.target, "X_%s.log" % title)
        self.product = os.path.join(self.target, "SampleProduct.exe")
        self.product_record = os.path.join(folder, "product.txt")
        self.processes = []
        if via_setup:
            self._install(server_url)
        else:
            self._lay_out(server_url)
        set_ini(self.original, "OriginalSetup", "ProbeSecondsInterval", probe)
        for key, text in TEXTS.items():
            set_ini(self.original, "AutoUpdate", key, text)

    def _install(self, server_url):
        parameters = "/Target=%s /Record=%s /Version=1 \"/ProgramName=%s\"" % (
            bench.winpath(self.target), bench.winpath(os.path.join(self.folder, "install.txt")), PROGRAM_NAME)
        setup = product_setup(self.folder, self.agent_name, server_url, 1, parameters)
        result = bench.wine(setup, timeout=120)
        if result.returncode != 0 or not os.path.exists(self.original):
            raise AssertionError("version 1 was not installed (exit code %d); the engine recorded %r"
                                 % (result.returncode, lines_of(os.path.join(self.folder, "install.txt"))))

    def _lay_out(self, server_url):
        """An agent made by the builder directly, with the ".original" an engine writes."""
        build = os.path.join(self.folder, "agent-build")
        made = setups.make_setup(build, name=self.agent_name, trailer={"IsUpdateAgent": 1, "UpdateLog": 1},
                                 files={}, update={"ServerUrl": server_url, "InfoFile": INFO,
                                                   "AgentFile": self.agent_name, "Token": TOKEN})
        os.makedirs(self.target)
        os.replace(made, self.agent)
        set_ini(self.original, "OriginalSetup", "VersionOriginal", 1)
        set_ini(self.original, "OriginalSetup", "ProgramName", PROGRAM_NAME)
        set_ini(self.original, "Directories", "TargetDir", bench.winpath(self.target))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.end_all()

    @property
    def version(self):
        return ini_value(self.original, "OriginalSetup", "VersionOriginal")

    def installed_version(self):
        with open(os.path.join(self.target, "version.txt"), "rb") as f:
            return f.read()

    def start(self, program, *args, timeout=300):
        """Starts a Windows program in the background; it is ended with the others."""
        process = subprocess.Popen([bench.WINE_ENV, "run", bench.WINE_STATE, "-t", str(timeout), program, *args],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(process)
        return process

    def run_agent(self, *args, timeout=60):
        """Runs the plain agent until it ends; its exit code. (Its output is not read: the
        X_ copy it starts would hold the pipes open.)"""
        result = subprocess.run([bench.WINE_ENV, "run", bench.WINE_STATE, "-t", str(timeout), self.agent, *args],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout + 30)
        if result.returncode == 124:
            raise AssertionError("the plain agent did not end within %d s; windows open: %s"
                                 % (timeout, bench.windows_on_display()))
        return result.returncode

    def start_product(self, *args):
        """Starts the installed product, recording into product_record, and waits until
        it runs (its windows follow its first record line at once)."""
        process = self.start(self.product, "/Record=" + bench.winpath(self.product_record), *args)
        wait_for(lambda: self.product_starts(), 60, "the product's start")
        return process

    def product_record_lines(self):
        return lines_of(self.product_record)

    def restarted_product(self):
        """The product's start lines once it has been started again and a further start
        (which must not come) would have shown too."""
        wait_for(lambda: len(self.product_starts()) >= 2, 30, "the product's restart")
        time.sleep(3)
        return self.product_starts()

    def product_starts(self):
        return [line for line in self.product_record_lines() if line.startswith("start ")]

    def running(self, name):
        """Process ids of running programs of this scenario whose command line names name."""
        return [pid for pid, line in scenario_processes(self.folder) if name.lower() in line.lower()]

    def log_entries(self):
        """The update log as (tag, message): tag "X" for the X_ copy, "" for the plain agent."""
        found = []
        for line in lines_of(self.log):
            match = re.match(r"^\S+ \S+ +\d+(   | X )(.*)$", line)
            if match:
                found.append((match.group(1).strip(), match.group(2)))
        return found

    def log_messages(self, tag=None):
        return [message for t, message in self.log_entries() if tag is None or t == tag]

    def wait_log(self, message, seconds=90, count=1):
        """Waits until count update-log lines begin with message; those lines."""
        def found():
            return [m for m in self.log_messages() if m.startswith(message)]
        wait_for(lambda: len(found()) >= count, seconds, "%d update-log line(s) %r" % (count, message),
                 lambda: self.log_messages())
        return found()

    def end_all(self):
        """Ends every process of the scenario (the agent's copies, the product, an update's
        engine), by process id."""
        for pid, _ in scenario_processes(self.folder):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        for process in self.processes:
            if process.poll() is None:
                process.kill()
            process.wait()


@contextlib.contextmanager
def on_nginx(name, **options):
    """A scenario folder whose served/ folder nginx serves, with the product installed
    there; yields (Installed, nginx)."""
    folder = bench.scratch(name)
    os.makedirs(os.path.join(folder, "served"))
    with servers.nginx(os.path.join(folder, "served")) as server, Installed(folder, server.url, **options) as installed:
        yield installed, server


def publish(installed, download_url, version=2, engine=None, **update):
    """Builds version's update setup and publishes it with the publisher into the
    scenario's served/ folder (the server's root); update holds keys of the release's
    [Update] section, engine more parameters of the update's engine. The setup installs
    into the product's folder, which the engine reads from the ".original" file beside the
    ".info" it is given. Returns the served folder."""
    folder = installed.folder
    parameters = "/Record=" + bench.winpath(os.path.join(folder, "update.txt"))
    if engine:
        parameters += " " + engine
    setup = product_setup(folder, installed.agent_name, installed.server_url, version, parameters)
    served = os.path.join(folder, "served")
    keys = {"Setup": setup, "RunningProcess": '"<InstallDir>SampleProduct.exe" /Record=%s /Again'
            % bench.winpath(installed.product_record), "ShutDownMethod": "Using WM_CLOSE"}
    keys.update(update)
    lines = ["[Release]", "Output=" + served, "InfoFile=" + INFO, "Token=" + TOKEN, "DownloadUrl=" + download_url,
             "Version=%d" % version, "ProgramName=" + PROGRAM_NAME, "[Update]"]
    lines += ["%s=%s" % kv for kv in keys.items()]
    manifest = os.path.join(folder, "release.ini")
    with open(manifest, "w") as f:
        f.write("\n".join(lines) + "\n")
    result = subprocess.run([PUBLISHER, manifest], capture_output=True, text=True)
    if result.returncode != 0:
        raise AssertionError(result.stderr)
    return served


def update_record(installed):
    """What the update's engine recorded."""
    return lines_of(os.path.join(installed.folder, "update.txt"))


def lines_of(path):
    """The lines of a text file, none when it does not exist (yet)."""
    if not os.path.exists(path):
        return []
    with open(path, encoding="latin-1") as f:
        return f.read().splitlines()


def scenario_processes(folder):
    """(process id, command line) of the running processes whose command line names a
    file under folder, in its host or Windows form."""
    marks = [os.path.abspath(folder).lower(), bench.winpath(folder).lower()]
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                line = f.read().replace(b"\0", b" ").decode("latin-1")
            with open("/proc/%s/stat" % entry) as f:
                state = f.read().rsplit(")", 1)[1].split()[0]
        except OSError:
            continue
        if state != "Z" and any(mark in line.lower() for mark in marks):
            found.append((int(entry), line))
    return found


def wait_for(condition, seconds, what, state=None):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError("no %s within %d s%s" % (what, seconds, ": %r" % (state(),) if state else ""))
        time.sleep(0.2)
