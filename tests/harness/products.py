"""Installed products with an update agent, for the agent scenarios, the update demo and
the agent benchmarks:
the agent file and its ".original" (laid out as the builder and an engine leave them, or
installed by our launcher and the reference engine), releases made by the publisher, the
update log, and the processes a scenario runs, which end with it whatever happens."""
import contextlib
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time

from harness import setups
from harness.wine import end_processes_naming, lines_of, processes_naming, wait_for, winpath

TOKEN = "sample token"
PROGRAM_NAME = "Sample Product"
# The agent's texts have no defaults: without them its boxes would be empty.
TEXTS = {"s11": "A new version of PROG_NAME is ready.", "s12": "<P>Download and install it?",
         "s13": "<P>Download it?", "s14": "Install the new version of PROG_NAME now?",
         "s16": "PROG_NAME is up to date.", "s17": "<P>Start it again?", "s18": "<P>It is downloaded now.",
         "s19": "<P>It is downloaded now.", "s20": "PROG_NAME is installed now.",
         "s22": "Look for a new version of PROG_NAME?"}


def seconds_now():
    """The agent's clock: seconds since 30 December 1899, local time."""
    return int(time.time() - time.timezone + (3600 if time.localtime().tm_isdst > 0 else 0)) + 25569 * 86400


def ini_value(path, section, key):
    """The value of a key as the agent reads it (sections and keys without regard to
    case); None when the file, the section or the key is missing."""
    current = None
    for line in lines_of(path):
        if line.startswith("["):
            current = line.strip()[1:-1].lower()
        elif current == section.lower() and "=" in line and line.split("=", 1)[0].strip().lower() == key.lower():
            return line.split("=", 1)[1]
    return None


def write_ini(path, sections):
    """Sets the keys of {section: {key: value}} in an INI file, which is made when missing;
    the other lines stay. Written as Windows writes it (CR LF), found as the agent finds it."""
    lines = lines_of(path)
    for section, keys in sections.items():
        header = [i for i, line in enumerate(lines) if line.strip().lower() == "[%s]" % section.lower()]
        if not header:
            lines.append("[%s]" % section)
            header = [len(lines) - 1]
        for key, value in keys.items():
            entry = "%s=%s" % (key, value)
            end = header[0] + 1
            while end < len(lines) and not lines[end].startswith("["):
                end += 1
            found = [i for i in range(header[0] + 1, end)
                     if lines[i].split("=", 1)[0].strip().lower() == key.lower()]
            if found:
                lines[found[0]] = entry
            else:
                lines.insert(end, entry)
    # Letters the code page lacks (a folder in another script) become "?", as in an
    # ANSI program's writing.
    with open(path, "w", encoding="latin-1", errors="replace", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def publish(build, sections, manifest=None):
    """Publishes a release with build's publisher: the keys of {section: {key: value}}
    over those of the release manifest (by default an empty one, written into the
    [Release] Output folder's parent). Returns the folder it published into."""
    if manifest is None:
        manifest = tempfile.mkstemp(prefix="release-", suffix=".ini",
                                    dir=os.path.dirname(os.path.abspath(sections["Release"]["Output"])))[1]
    sets = [arg for section, keys in sections.items() for key, value in keys.items()
            for arg in ("--set", "%s/%s=%s" % (section, key, value))]
    result = subprocess.run([build.publisher, manifest, *sets], capture_output=True, text=True)
    if result.returncode != 0:
        raise AssertionError(result.stderr)
    return sections["Release"]["Output"]


def keygen(build, folder, name):
    """A new key pair for signing releases, made by build's publisher in folder as
    NAME.key and NAME.pub; returns (private key file, public key file, key id)."""
    private, public = (os.path.join(folder, name + ext) for ext in (".key", ".pub"))
    result = subprocess.run([build.publisher, "keygen", private, public], capture_output=True, text=True)
    if result.returncode != 0:
        raise AssertionError(result.stderr)
    return private, public, result.stdout.split()[-1]


def sample_setup(build, folder, version, parameters="", update=None, token=TOKEN, setup=None):
    """folder/sample-VERSION.exe: a setup of the sample product at version (the product
    and version.txt) with the product's update token, whose reference engine runs with
    parameters; update: the [Update] keys of the agent it installs (none without them);
    setup: more [Setup] keys."""
    with open(build.sample_product, "rb") as f:
        files = {"SampleProduct.exe": f.read(), "version.txt": b"%d" % version}
    return setups.make_setup(build, folder, name="sample-%d.exe" % version, parameters=parameters, setup=setup,
                             trailer={"WriteUpdateAgent": 1, "UpdateLog": 1} if update else {},
                             update={**(update or {}), "Token": token}, files=files)


class Product:
    """A product installed in folder/target with its update agent, which looks for
    releases at server_url, run in the Wine environment wine. Nothing is there until
    lay_out or install puts it there. As a context manager it ends the scenario's
    processes at its end, failed or not.

    Agents of one name share one window class on the desktop: scenarios that run side by
    side must not see each other's X_ copy, so each product's agent is named after its
    folder unless agent_name says otherwise. target: the folder it is installed in, when
    not folder/target (one in the prefix's Program Files ...)."""

    def __init__(self, wine, folder, server_url, program=PROGRAM_NAME, agent_name=None, info_name=None,
                 safety_ticks=None, keys=(), target=None):
        self.wine = wine
        self.build = wine.build
        self.folder = folder
        self.server_url = server_url
        self.program = program
        self.stem = "agent-" + os.path.basename(folder).rsplit("-", 1)[-1]
        self.agent_name = agent_name or self.stem + ".exe"
        self.info_name = info_name or self.stem + ".info"
        # A scenario that starts the agent without stopping it gives it a countdown of
        # safety_ticks, so that no X_ copy outlives a scenario that failed half way.
        self.safety_ticks = safety_ticks
        # The public key files its setups carry (up to two): the agent then takes only
        # releases signed by one of them.
        self.keys = keys
        self.target = target or os.path.join(folder, "target")
        self.agent = os.path.join(self.target, self.agent_name)
        self.original_path = os.path.join(self.target, os.path.splitext(self.info_name)[0] + ".original")
        self.use_state(self.target)
        self.update_file = "update-%s.exe" % self.stem
        self.news_file = "news-%s.txt" % self.stem
        self.install_record = os.path.join(folder, "install.txt")
        self.product = os.path.join(self.target, "SampleProduct.exe")
        self.product_record = os.path.join(folder, "product.txt")
        self.processes = []

    def use_state(self, state):
        """Where the agent keeps what it writes: beside itself, or the folder of its own
        that it chose when it could not write there."""
        self.state = state
        self.xcopy = os.path.join(state, "X_" + self.agent_name)
        self.info_path = os.path.join(state, self.info_name)
        self.log_path = os.path.join(state, "X_%s.log" % os.path.splitext(self.agent_name)[0])

    def names(self):
        """The folder and its Windows names, and those of the install and state folders:
        what a command line of the scenario's processes names."""
        return [self.folder, *(self.wine.windows_path(f) for f in (self.target, self.state))]

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.end()

    def update_keys(self, token=TOKEN):
        """The [Update] keys of a setup that installs this product's agent."""
        keys = {"ServerUrl": self.server_url, "InfoFile": self.info_name, "AgentFile": self.agent_name,
                "Token": token}
        keys.update(zip(("PublicKey", "PublicKey2"), self.keys))
        return keys

    def setup(self, version, parameters="", token=TOKEN):
        """A setup of the sample product at version that installs this product's agent."""
        folder = tempfile.mkdtemp(prefix="setup-%d-" % version, dir=self.folder)
        return sample_setup(self.build, folder, version, parameters, update=self.update_keys(token), token=token)

    def lay_out(self, version=1, update=None):
        """The agent as the builder makes it, with the ".original" an engine writes for
        version (the files are not the product's concern here); update: more [Update] keys
        of its setup (PublicKey ...)."""
        made = setups.make_setup(self.build, tempfile.mkdtemp(prefix="agent-", dir=self.folder), name=self.agent_name,
                                 trailer={"IsUpdateAgent": 1, "UpdateLog": 1}, files={},
                                 update={**self.update_keys(), **(update or {})})
        os.makedirs(self.target)
        os.replace(made, self.agent)
        self.set_original({"OriginalSetup": {"VersionOriginal": version, "ProgramName": self.program},
                           "Directories": {"TargetDir": self.wine.windows_path(self.target)}})

    def install(self, setup=None):
        """Installs the product with setup (by default version 1 of the sample product),
        whose engine records into install_record."""
        if setup is None:
            setup = self.setup(1, "/Target=%s /Record=%s /Version=1 \"/ProgramName=%s\"" % (
                self.wine.windows_path(self.target), winpath(self.install_record), self.program))
        result = self.wine.run(setup, timeout=120)
        if result.returncode != 0 or not os.path.exists(self.original_path) or not os.path.exists(self.agent):
            raise AssertionError("the product was not installed with its agent and %s (exit code %d); the "
                                 "engine recorded %r" % (os.path.basename(self.original_path), result.returncode,
                                                         lines_of(self.install_record)))

    def set_original(self, sections):
        write_ini(self.original_path, sections)

    def original(self, key, section="OriginalSetup"):
        return ini_value(self.original_path, section, key)

    @property
    def version(self):
        return self.original("VersionOriginal")

    def installed_version(self):
        with open(os.path.join(self.target, "version.txt"), "rb") as f:
            return f.read()

    def publish(self, output, download_url, version, setup=None, update=None, inform=None, token=TOKEN,
                **release):
        """Publishes a release of the product into output: its ".info", fetched with the
        release's files from download_url; release: more [Release] keys (PrivateKey signs
        it); setup: the update
        setup, served as update_file, update: more [Update] keys; inform: (body, [Inform]
        keys) for an announcement, served as news_file. Returns output."""
        sections = {"Release": {"Output": output, "InfoFile": self.info_name, "Token": token,
                                "DownloadUrl": download_url, "Version": version, "ProgramName": self.program,
                                **release}}
        if setup:
            sections["Update"] = {"Setup": setup, "FileName": self.update_file, **(update or {})}
        if inform is not None:
            body, keys = inform
            news = os.path.join(tempfile.mkdtemp(prefix="news-", dir=self.folder), "news.txt")
            with open(news, "w") as f:
                f.write(body)
            sections["Inform"] = {"File": news, "FileName": self.news_file, **keys}
        return publish(self.build, sections)

    def start(self, program, *args, timeout=300):
        """Starts a Windows program in the background; it is ended with the others."""
        process = self.wine.start(program, *args, timeout=timeout)
        self.processes.append(process)
        return process

    def run_agent(self, *args, timeout=60, unelevated=False):
        """Runs the plain agent until it ends; its exit code. (Its output is not read: the
        X_ copy it starts would hold the pipes open.) unelevated: with a limited token, so
        that the agent and the copies it starts run unelevated."""
        if self.safety_ticks is not None and not any(a.startswith("/STOP=") for a in args):
            args += ("/STOP=%d" % self.safety_ticks,)
        command = (self.build.helper("unelevated"), self.wine.windows_path(self.agent)) if unelevated else (self.agent,)
        with self.wine.start(*command, *args, timeout=timeout) as plain:
            return plain.wait(timeout + 30)

    def start_xcopy(self, *args):
        """Starts the X_ copy directly (a copy of the agent file, as the plain agent makes)."""
        shutil.copyfile(self.agent, self.xcopy)
        return self.start(self.xcopy, *args)

    def running(self, name):
        """Process ids of running programs of this scenario whose command line names name."""
        return [pid for pid, line in processes_naming(*self.names()) if name.lower() in line.lower()]

    def copies(self):
        """Process ids of the agent's running X_ copy."""
        return self.running("X_" + self.agent_name)

    def wait_ended(self, seconds=30):
        wait_for(lambda: not self.copies(), seconds, "end of the X_ copy", self.copies)

    def running_process(self, *args):
        """The installed product's command line as a release names it ([Update]
        RunningProcess), recording into product_record."""
        return " ".join(['"<InstallDir>SampleProduct.exe"', "/Record=" + winpath(self.product_record), *args])

    def start_product(self, *args):
        """Starts the installed product, recording into product_record, and waits until
        it runs (its windows follow its first record line at once)."""
        process = self.start(self.product, "/Record=" + winpath(self.product_record), *args)
        wait_for(lambda: self.product_recorded("start"), 60, "start of the product")
        return process

    def product_record_lines(self):
        return lines_of(self.product_record)

    def product_recorded(self, event):
        """The product's record lines of an event ("start", "close" ...)."""
        return [line for line in self.product_record_lines() if line.startswith(event + " ")]

    def restarted_product(self):
        """The product's start lines once the update cycle has ended and every copy of the
        product it started has recorded its start (the one it stopped has ended by then, so
        a second start, which must not come, shows as a third line)."""
        self.wait_logged("PerformAutoUpdate() - END")
        return wait_for(lambda: len(self.product_recorded("start")) >= 1 + len(self.running("SampleProduct.exe")) and
                        self.product_recorded("start"), 30, "start records of the running products",
                        self.product_record_lines)

    def log_entries(self):
        """The update log as (tag, message): tag "X" for the X_ copy, "" for the plain agent."""
        found = []
        for line in lines_of(self.log_path):
            match = re.match(r"^\S+ \S+ +\d+(   | X )(.*)$", line)
            if match:
                found.append((match.group(1).strip(), match.group(2)))
        return found

    def log(self, tag=None):
        """The update log's messages (of one tag)."""
        return [message for t, message in self.log_entries() if tag is None or t == tag]

    def logged(self, prefix):
        """The rest of each update-log message that begins with prefix."""
        return [message[len(prefix):] for message in self.log() if message.startswith(prefix)]

    def wait_logged(self, prefix, count=1, seconds=90):
        """logged(prefix) once it holds count lines; fails when the time is up first."""
        wait_for(lambda: len(self.logged(prefix)) >= count, seconds,
                 "%d update-log line(s) %r" % (count, prefix), self.log)
        return self.logged(prefix)

    def decisions(self):
        return self.logged("GetOkToPerformAU = ")

    def traced(self, trace):
        """The X_ copy's lines in a trace capture, without their process id (the capture
        holds every program's lines)."""
        lines = trace.text.splitlines()
        start = " ==== STUB START ====> \"%s\"" % self.wine.windows_path(self.xcopy)
        pids = {line.split()[0] for line in lines if start in line}
        return [line.partition(" ")[2] for line in lines if line.split(" ", 1)[0] in pids]

    def ticks(self, trace):
        """How many timer ticks of the X_ copy a trace capture holds."""
        return sum(1 for line in self.traced(trace) if line.startswith("AutoUpdateTimerCount="))

    def wait_ticks(self, trace, count, seconds=60):
        """Waits until the capture holds count ticks of the X_ copy: what the agent did not
        do by then, it did not do on those ticks, however slowly they came."""
        wait_for(lambda: self.ticks(trace) >= count, seconds, "%d ticks of the X_ copy" % count)

    def end(self):
        """Ends every process of the scenario: the agent by a shutdown request, as a user
        would, then what still runs (the product, an update's engine ...) by process id."""
        if self.copies():
            with contextlib.suppress(AssertionError, subprocess.TimeoutExpired):
                self.run_agent("/STOP=0", timeout=30)
                self.wait_ended(10)
        end_processes_naming(*self.names())
        for process in self.processes:
            process.end()


def sample_product(wine, folder, server_url, probe=0, by_setup=True):
    """Version 1 of the sample product in folder with its agent, installed by our launcher
    and the reference engine (or laid out as they leave it), and the texts its installer
    adds to the agent's ".original"; the agent checks every probe seconds."""
    product = Product(wine, folder, server_url)
    if by_setup:
        product.install()
    else:
        product.lay_out()
    product.set_original({"OriginalSetup": {"ProbeSecondsInterval": probe}, "AutoUpdate": TEXTS})
    return product


class NotifyWindow:
    """The notify-window helper running beside a scenario: its handle and message, and
    the (code, value) pairs it has received so far."""

    def __init__(self, wine, seconds=60):
        self.process = wine.start(wine.build.helper("notifywindow"), str(seconds), timeout=seconds, output=True)
        first = self.process.popen.stdout.readline().decode().split()
        if not first or not first[0].startswith("window="):
            self.close()
            raise AssertionError("the notify window did not start")
        self.window, self.message = (int(item.split("=")[1]) for item in first)
        self.pairs = []
        self.reader = threading.Thread(target=self.read, daemon=True)
        self.reader.start()

    def read(self):
        for line in self.process.popen.stdout:
            fields = line.decode().split()
            if len(fields) == 3 and fields[0] == "notify":
                self.pairs.append((int(fields[1]), int(fields[2])))

    def switch(self):
        """The plain agent's switch that registers this window."""
        return "/WM_MSG=%d:%d" % (self.window, self.message)

    def close(self):
        self.process.end()
        self.reader.join()


@contextlib.contextmanager
def notify_window(wine, seconds=60):
    window = NotifyWindow(wine, seconds)
    try:
        yield window
    finally:
        window.close()
