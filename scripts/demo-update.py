"""The update part of scripts/demo (scripts/demo --update runs it in its Wine environment):
the whole life of a product that updates itself.

Installs version 1 of the sample product (examples/update/product.ini) with our launcher,
publishes version 2 (examples/update/release.ini) with our publisher on a loopback nginx,
starts the installed product and its plain agent, answers the agent's questions, and
watches the agent find the release, close the product, install version 2, say so (its box
is saved as build/demo/finish.png) and start the product again. Every step has a time
limit; one that does not happen ends the demo with a message saying which, and what the
agent's update log says. Needs the environment of bench.py (K_WINE_ENV ...)."""
import os
import shutil
import subprocess
import sys
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(TOP, "tests", "e2e"))
import bench  # noqa: E402  (reads the environment scripts/demo sets)
import servers  # noqa: E402

EXAMPLE = os.path.join(TOP, "examples", "update")
DEMO = os.path.join(bench.HOST_DIR, "demo")
WORK = os.path.join(DEMO, "update")
TARGET = os.path.join(WORK, "installed")
SERVED = os.path.join(WORK, "served")
RECORD = os.path.join(WORK, "product.txt")
FINISH_PNG = os.path.join(DEMO, "finish.png")

BUILDER = os.path.join(bench.HOST_DIR, "tools", "builder", "builder")
PUBLISHER = os.path.join(bench.HOST_DIR, "tools", "publisher", "publisher")
ENGINE = os.path.join(bench.WIN_DIR, "tools", "refengine", "Engine.exe")
PRODUCT = os.path.join(bench.WIN_DIR, "tools", "sampleproduct", "SampleProduct.exe")

# Names the example manifests give.
AGENT = os.path.join(TARGET, "sample-agent.exe")
ORIGINAL = os.path.join(TARGET, "sample.original")
UPDATE_LOG = os.path.join(TARGET, "X_sample-agent.log")
INSTALLED_PRODUCT = os.path.join(TARGET, "SampleProduct.exe")
BOX_CAPTION = "Sample Product Update"  # texts.ini [MsgBox] Confirm

started = []  # the processes this script started in the background


class StepFailed(Exception):
    pass


def say(text):
    print("demo: " + text, flush=True)


def lines_of(path):
    if not os.path.exists(path):
        return []
    with open(path, encoding="latin-1") as f:
        return f.read().splitlines()


def recorded(event):
    """The product's record lines of an event ("start", "close" ...)."""
    return [line for line in lines_of(RECORD) if line.startswith(event + " ")]


def log_lines(text):
    """The update-log lines that hold text."""
    return [line for line in lines_of(UPDATE_LOG) if text in line]


def wait_for(what, condition, seconds):
    """Waits until condition() gives something true and returns it; fails naming what."""
    deadline = time.monotonic() + seconds
    while True:
        found = condition()
        if found:
            return found
        if time.monotonic() > deadline:
            raise StepFailed("%s did not happen within %d s" % (what, seconds))
        time.sleep(0.2)


def ini_value(path, section, key):
    current = None
    for line in lines_of(path):
        if line.startswith("["):
            current = line.strip()[1:-1].lower()
        elif current == section.lower() and line.split("=", 1)[0].strip().lower() == key.lower():
            return line.split("=", 1)[1]
    return None


def installed_version():
    version_txt = os.path.join(TARGET, "version.txt")
    text = lines_of(version_txt)[0] if os.path.exists(version_txt) else "(none)"
    return "VersionOriginal=%s in sample.original, version.txt says \"%s\"" % (
        ini_value(ORIGINAL, "OriginalSetup", "VersionOriginal"), text)


def run_host(*cmd):
    result = subprocess.run(cmd, capture_output=True, text=True)
    if result.returncode != 0:
        raise StepFailed("%s failed:\n%s" % (os.path.basename(cmd[0]), result.stderr.strip()))


def build_product(version, server_url):
    """The product's setup at version, made by the builder from the example manifest."""
    setup = os.path.join(WORK, "product-%d.exe" % version)
    parameters = "/Version=%d /Texts=texts.ini \"/ProgramName=Sample Product\" /Target=%s /Record=%s" % (
        version, bench.winpath(TARGET), bench.winpath(os.path.join(WORK, "engine-%d.txt" % version)))
    run_host(BUILDER, os.path.join(EXAMPLE, "product.ini"), "-o", setup, "--launcher", bench.LAUNCHER,
             "--set", "Files/Engine.exe=" + ENGINE, "--set", "Files/SampleProduct.exe=" + PRODUCT,
             "--set", "Files/version.txt=version-%d.txt" % version, "--set", "Update/ServerUrl=" + server_url,
             "--set", "Run/Parameters=" + parameters)
    return setup


def run_agent(*args):
    """Runs the plain agent until it ends. Not through bench.wine: the X_ copy it starts
    would inherit the output pipes, and reading them would wait for the X_ copy too."""
    try:
        return subprocess.run([bench.WINE_ENV, "run", bench.WINE_STATE, "-t", "60", AGENT, *args],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=90).returncode
    except subprocess.TimeoutExpired:
        return None


def answer_box(what, seconds=60):
    """Answers the agent's next question with Yes (its key Y)."""
    if bench.wine(bench.ANSWERBOX, BOX_CAPTION, "Y", str(seconds), timeout=seconds + 30).returncode != 0:
        raise StepFailed("the %s was not shown (or not answered) within %d s" % (what, seconds))
    say("answered the %s with Yes" % what)


def picture_of_box(png):
    """Saves the agent's box as png once it shows."""
    def window():
        found = subprocess.run([bench.WINE_ENV, "shell", bench.WINE_STATE, "xdotool", "search", "--onlyvisible",
                                "--name", "^%s$" % BOX_CAPTION], capture_output=True, text=True).stdout.split()
        return found[0] if found else None
    wid = wait_for("the finish message", window, 90)
    time.sleep(1)  # let the box paint itself
    subprocess.run([bench.WINE_ENV, "shell", bench.WINE_STATE, "import", "-frame", "-window", wid, png], check=True)


def installed_processes():
    """(process id, command line) of running processes that name a file of the installed
    product (the product, the agent's copies, an update's engine)."""
    marks = [TARGET.lower(), bench.winpath(TARGET).lower()]
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                line = f.read().replace(b"\0", b" ").decode("latin-1")
        except OSError:
            continue
        if any(mark in line.lower() for mark in marks):
            found.append((int(entry), line))
    return found


def life(server_url):
    say("server: nginx on %s serves %s" % (server_url, SERVED))
    setup = build_product(1, server_url)
    say("installing version 1 with %s" % os.path.relpath(setup, TOP))
    if bench.wine(setup, timeout=120).returncode != 0 or not os.path.exists(ORIGINAL) or not os.path.exists(AGENT):
        raise StepFailed("version 1 was not installed with its agent and sample.original "
                         "(engine record: %s)" % lines_of(os.path.join(WORK, "engine-1.txt")))
    say("installed: " + ", ".join(sorted(os.listdir(TARGET))))
    before = installed_version()
    say("version before: " + before)

    update = build_product(2, server_url)
    run_host(PUBLISHER, os.path.join(EXAMPLE, "release.ini"), "--set", "Release/Output=" + SERVED + "/sample",
             "--set", "Release/DownloadUrl=" + server_url, "--set", "Update/Setup=" + update,
             "--set", "Update/RunningProcess=\"<InstallDir>SampleProduct.exe\" /Record=" + bench.winpath(RECORD))
    say("published version 2: " + ", ".join(sorted(os.listdir(os.path.join(SERVED, "sample")))))

    started.append(subprocess.Popen([bench.WINE_ENV, "run", bench.WINE_STATE, "-t", "300", INSTALLED_PRODUCT,
                                     "/Record=" + bench.winpath(RECORD)],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    wait_for("the product's start", lambda: recorded("start"), 60)
    say("the product runs")
    if run_agent() != 0:
        raise StepFailed("the plain agent did not end well")
    wait_for("the agent's X_ copy's start", lambda: log_lines("WinMain"), 30)
    say("the agent runs (X_sample-agent.exe); it checks about 4 s after its start")

    decision = wait_for("the agent's check", lambda: log_lines("GetOkToPerformAU = "), 60)[0]
    say("the agent decided: " + decision.split("GetOkToPerformAU = ")[1])
    if "GetOkToPerformAU = 6" not in decision:
        raise StepFailed("the agent did not take the release")
    answer_box("download question")
    answer_box("install question")
    wait_for("the product's close", lambda: recorded("close"), 60)
    say("the agent closed the product; the update setup installs version 2")
    picture_of_box(FINISH_PNG)
    say("the finish message shows (picture: %s)" % os.path.relpath(FINISH_PNG, TOP))
    answer_box("finish message (start the product again?)")
    wait_for("the product's second start", lambda: recorded("start")[1:], 60)
    ended = wait_for("the end of the update cycle", lambda: log_lines("PerformAutoUpdate() - END"), 30)[0]
    if "Result=TRUE" not in ended:
        raise StepFailed("the update cycle did not complete")
    say("version before: " + before)
    say("version after:  " + installed_version())
    say("the product recorded:")
    for line in lines_of(RECORD):
        print("  " + line)

    # The agent restarts itself through the plain agent (after 10 s), so that a new agent
    # delivered by the update takes over; its check finds nothing new.
    again = wait_for("the restarted agent's check", lambda: log_lines("GetOkToPerformAU = ")[1:], 60)[0]
    say("the restarted agent decided: " + again.split("GetOkToPerformAU = ")[1])


def stop_all():
    """Ends the agent and the product as a user would, then what this script started and
    anything of the installed product still running, by process id."""
    if os.path.exists(AGENT):
        run_agent("/STOP=0")
    if installed_processes():
        bench.wine(bench.ANSWERBOX, "Sample Product", "Close", "5", timeout=40)
    deadline = time.monotonic() + 20
    while installed_processes() and time.monotonic() < deadline:
        time.sleep(0.2)
    for process in started:
        if process.poll() is None:
            process.kill()
        process.wait()
    for pid, line in installed_processes():
        say("ending %d: %s" % (pid, line))
        try:
            os.kill(pid, 9)
        except ProcessLookupError:
            pass


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(os.path.join(SERVED, "sample"))
    if os.path.exists(FINISH_PNG):
        os.remove(FINISH_PNG)
    try:
        with servers.nginx(SERVED) as server:
            try:
                life(server.url + "/sample")
            finally:
                stop_all()
    except (StepFailed, AssertionError) as failure:  # bench's helpers fail with AssertionError
        say("FAILED: %s" % failure)
        say("the agent's update log (%s):" % UPDATE_LOG)
        for line in lines_of(UPDATE_LOG)[-25:]:
            print("  " + line)
        return 1
    say("done: the product updated itself from version 1 to version 2")
    return 0


if __name__ == "__main__":
    sys.exit(main())
