"""Builds small setups for the scenarios: the reference engine as run target, a few
files, and a manifest written per scenario; and reads what the engine recorded."""
import contextlib
import os
import struct
import subprocess
import time
import zlib

from harness.wine import lines_of, wait_for, winpath


def work_folder_name(exe):
    """The name of the work folder that launchers before the unpredictable names made for
    exe in their temp folder: "SETUP_" and its file's time of day in the packed DOS form."""
    when = time.localtime(os.path.getmtime(exe))
    return "SETUP_%d" % (when.tm_hour << 11 | when.tm_min << 5 | when.tm_sec // 2)


def make_setup(build, folder, name="setup.exe", parameters="", trailer=None, update=None, files=None,
               languages=None, setup=None, download=None, web=None, branding=None, engine=None):
    """Writes a manifest into folder and builds folder/name from it with the programs of
    build (with engine, by default the reference engine, as the run target
    "Engine.exe"); returns the path. web (the [Web] keys) also makes the web launcher of
    the setup (download gives its [Download] keys, the Token among them); branding gives the
    [Branding] keys."""
    data = os.path.join(folder, "data")
    os.makedirs(data, exist_ok=True)
    files = files if files is not None else {"a.txt": b"alpha\r\n", "big.bin": bytes(range(256)) * 9000}
    lines = ["[Setup]", "Launcher=" + build.launcher, "Output=" + os.path.join(folder, name), "EntrySize=65536"]
    lines += ["%s=%s" % kv for kv in (setup or {}).items()]
    lines += ["[Trailer]"] + ["%s=%s" % kv for kv in (trailer or {}).items()]
    lines += ["[Files]", "Engine.exe=" + (engine or build.engine)]
    for rel, content in files.items():
        path = os.path.join(data, rel)
        with open(path, "wb") as f:
            f.write(content)
        lines.append("%s=%s" % (rel, path))
    lines += ["[Run]", "Target=Engine.exe", "Parameters=" + parameters]
    if update:
        lines += ["[Update]"] + ["%s=%s" % kv for kv in update.items()]
    for section, keys in (("Download", download), ("Web", web), ("Branding", branding)):
        if keys:
            lines += ["[%s]" % section] + ["%s=%s" % kv for kv in keys.items()]
    for lang, texts in (languages or {"English": {"s0": "Test Setup"}}).items():
        lines += ["[Language %s]" % lang] + ["%s=%s" % kv for kv in texts.items()]
    manifest = os.path.join(folder, "manifest.ini")
    with open(manifest, "w") as f:
        f.write("\n".join(lines) + "\n")
    result = subprocess.run([build.builder, manifest], capture_output=True, text=True)
    if result.returncode != 0:
        raise AssertionError(result.stderr)
    return os.path.join(folder, name)


# The trailer that ends every payload volume (74 bytes): format byte, header string count,
# payload start, files count, magic, checksum, 8 reserved bytes, the required-space table,
# a reserved byte, flags, the web, confirm, write-agent and is-agent bytes, its length.
TRAILER = struct.Struct("<BBxxiIII8s9IBBBBBBI")
MAGIC, NO_CHECKSUM = 0x4A3B2C1D, 1234


def stored_block(header, content=b""):
    """A file entry as a payload stores it uncompressed: its length (negative), the entry
    header (bytes, a list string), a NUL and the content."""
    entry = header + b"\0" + content
    return struct.pack("<i", -len(entry)) + entry


def compressed_block(header, content=b""):
    """The same entry as a payload compresses it: one zlib stream, its length positive."""
    entry = zlib.compress(header + b"\0" + content, 9)
    return struct.pack("<i", len(entry)) + entry


def insert_blocks(exe, blocks):
    """Puts blocks (stored_block) after the last entry of a one-volume setup that was built
    with Checksum=0 and StoredEnd=0, so that nothing else in it has to change: what a
    hostile payload could hold."""
    with open(exe, "rb") as f:
        data = f.read()
    with open(exe, "wb") as f:
        f.write(data[:-TRAILER.size] + b"".join(blocks) + data[-TRAILER.size:])


def later_volume(blocks):
    """The bytes of a last volume after the first: blocks and a trailer without checksum,
    as anybody can make one."""
    trailer = TRAILER.pack(1, 2, 0, len(blocks), MAGIC, NO_CHECKSUM, bytes(8), *[0] * 9, 0, 0, 0, 0, 0, 0,
                           TRAILER.size)
    return b"".join(blocks) + trailer


def engine_args(folder, **extra):
    """The reference engine's parameters: install into folder/target, record into folder/record.txt."""
    args = ["/Target=" + winpath(os.path.join(folder, "target")),
            "/Record=" + winpath(os.path.join(folder, "record.txt"))]
    args += ["/%s=%s" % kv if kv[1] is not None else "/" + kv[0] for kv in extra.items()]
    return " ".join(args)


def record(folder):
    """What the engine recorded, as a list of lines (empty when it never ran)."""
    return lines_of(os.path.join(folder, "record.txt"))


def recorded(folder, tag):
    return [line[len(tag) + 1:] for line in record(folder) if line.startswith(tag + " ")]


def wait_recorded(folder, tag, seconds=60):
    """What the engine recorded under tag, once there is something; fails when the time is
    up first."""
    return wait_for(lambda: recorded(folder, tag), seconds, "engine record %r" % tag, lambda: record(folder))


@contextlib.contextmanager
def engine_running(wine, exe, folder, *args):
    """Starts the setup (with args) in the background and enters the block once its
    engine has started; yields the launcher's WineProcess, which is ended if the block
    leaves it running."""
    with wine.start(exe, *args, timeout=120) as process:
        wait_recorded(folder, "COMMANDLINE")
        yield process
