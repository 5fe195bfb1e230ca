"""Builds small setups for the scenarios: the reference engine as run target, a few
files, and a manifest written per scenario."""
import contextlib
import os
import random
import subprocess
import time

import bench

BUILDER = os.path.join(bench.HOST_DIR, "tools", "builder", "builder")
ENGINE = os.path.join(bench.WIN_DIR, "tools", "refengine", "Engine.exe")


def make_setup(folder, name="setup.exe", parameters="", trailer=None, update=None, files=None, languages=None,
               setup=None, download=None, web=None, engine=ENGINE):
    """Writes a manifest into folder and builds folder/name from it (with engine as the
    run target "Engine.exe"); returns the path. web (the [Web] keys) also makes the web
    launcher of the setup (download gives its [Download] keys, the Token among them)."""
    data = os.path.join(folder, "data")
    os.makedirs(data, exist_ok=True)
    files = files if files is not None else {"a.txt": b"alpha\r\n", "big.bin": bytes(range(256)) * 9000}
    lines = ["[Setup]", "Launcher=" + bench.LAUNCHER, "Output=" + os.path.join(folder, name), "EntrySize=65536"]
    lines += ["%s=%s" % kv for kv in (setup or {}).items()]
    lines += ["[Trailer]"] + ["%s=%s" % kv for kv in (trailer or {}).items()]
    lines += ["[Files]", "Engine.exe=" + engine]
    for rel, content in files.items():
        path = os.path.join(data, rel)
        with open(path, "wb") as f:
            f.write(content)
        lines.append("%s=%s" % (rel, path))
    lines += ["[Run]", "Target=Engine.exe", "Parameters=" + parameters]
    if update:
        lines += ["[Update]"] + ["%s=%s" % kv for kv in update.items()]
    for section, keys in (("Download", download), ("Web", web)):
        if keys:
            lines += ["[%s]" % section] + ["%s=%s" % kv for kv in keys.items()]
    for lang, texts in (languages or {"English": {"s0": "Test Setup"}}).items():
        lines += ["[Language %s]" % lang] + ["%s=%s" % kv for kv in texts.items()]
    manifest = os.path.join(folder, "manifest.ini")
    with open(manifest, "w") as f:
        f.write("\n".join(lines) + "\n")
    result = subprocess.run([BUILDER, manifest], capture_output=True, text=True)
    if result.returncode != 0:
        raise AssertionError(result.stderr)
    # The work folder is named after the launcher's file time: give every setup its own,
    # so that one scenario's clean-up never meets the next one's extraction.
    exe = os.path.join(folder, name)
    stamp = time.time() - 2 * random.randrange(1, 40000)
    os.utime(exe, (stamp, stamp))
    return exe


def engine_args(folder, **extra):
    """The reference engine's parameters: install into folder/target, record into folder/record.txt."""
    args = ["/Target=" + bench.winpath(os.path.join(folder, "target")),
            "/Record=" + bench.winpath(os.path.join(folder, "record.txt"))]
    args += ["/%s=%s" % kv if kv[1] is not None else "/" + kv[0] for kv in extra.items()]
    return " ".join(args)


def record(folder):
    """What the engine recorded, as a list of lines (empty when it never ran)."""
    return bench.lines_of(os.path.join(folder, "record.txt"))


def recorded(folder, tag):
    return [line[len(tag) + 1:] for line in record(folder) if line.startswith(tag + " ")]


def host_path(windows_path):
    """The host path of a path the launcher or engine reported (Z: is the host root, C:
    the prefix's drive_c)."""
    if windows_path[:2].upper() == "C:":
        return os.path.join(bench.WINE_STATE, "prefix", "drive_c", windows_path[3:].replace("\\", "/"))
    return windows_path[2:].replace("\\", "/")


def wait_recorded(folder, tag, seconds=60):
    """What the engine recorded under tag, once there is something or the time is up."""
    deadline = time.monotonic() + seconds
    while not recorded(folder, tag) and time.monotonic() < deadline:
        time.sleep(0.2)
    return recorded(folder, tag)


@contextlib.contextmanager
def engine_running(exe, folder):
    """Starts the setup in the background and enters the block once its engine has
    started; yields the launcher's process, which is ended if the block leaves it running."""
    process = subprocess.Popen([bench.WINE_ENV, "run", bench.WINE_STATE, "-t", "120", exe],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_recorded(folder, "COMMANDLINE")
        yield process
    finally:
        if process.poll() is None:
            process.kill()
