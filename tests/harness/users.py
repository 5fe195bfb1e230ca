"""A Wine environment of an ordinary Linux user, not root: what a standard user meets on
Windows, where a product installed per machine lies in a folder that only
administrators may write. The user owns the environment's state folder and its prefix
(Wine takes no prefix of another user's); a folder that root owns stays read-only to
every program there.

    with users.environment(build, model, state) as wine: ...

Making a prefix costs half a minute or more, so the user's is made anew for each use
from a running environment's prefix (the model): its Windows folder linked, not copied
(the files stay root's, so the user's programs cannot change the model's), its machine
registry copied; the user's own part (profile folder, user registry) Wine makes at the
first start. It needs root, to make the user and to hand the folders over."""
import contextlib
import os
import pwd
import shutil
import subprocess

from harness.wine import WineEnv

USER = "kstandard"


def ensure_user(name=USER):
    """The user's password entry; the user is made (with a home folder) when missing."""
    try:
        return pwd.getpwnam(name)
    except KeyError:
        # Scenarios started side by side may both make it: the one that comes second is
        # refused, and finds it made.
        subprocess.run(["useradd", "--create-home", "--shell", "/bin/sh", name])
        return pwd.getpwnam(name)


def can_read(path, user=USER):
    """Whether user can read path (and so reach every folder above it)."""
    return subprocess.run(["runuser", "-u", user, "--", "test", "-r", path]).returncode == 0


def link_prefix(model, prefix, user):
    """Makes prefix anew from the prefix model for user (see above)."""
    shutil.rmtree(prefix, ignore_errors=True)
    drive_c = os.path.join(prefix, "drive_c")
    windows = os.path.join(drive_c, "windows")
    os.makedirs(windows)
    # The other top folders start empty, as the temporary folder, where the model's
    # programs make and remove files meanwhile.
    for name in os.listdir(os.path.join(model, "drive_c")):
        if name != "windows":
            os.makedirs(os.path.join(drive_c, name))
    for name in os.listdir(os.path.join(model, "drive_c", "windows")):
        if name.lower() == "temp":
            os.makedirs(os.path.join(windows, name))
        else:
            subprocess.run(["cp", "-al", os.path.join(model, "drive_c", "windows", name), windows], check=True)
    # The same Wine made the model: no update runs at the first start.
    for name in ("system.reg", "userdef.reg", ".update-timestamp"):
        shutil.copyfile(os.path.join(model, name), os.path.join(prefix, name))
    devices = os.path.join(prefix, "dosdevices")
    os.makedirs(devices)
    os.symlink("../drive_c", os.path.join(devices, "c:"))
    os.symlink("/", os.path.join(devices, "z:"))
    entry = pwd.getpwnam(user)
    for folder, _, _ in os.walk(prefix):
        os.chown(folder, entry.pw_uid, entry.pw_gid)
    for name in ("system.reg", "userdef.reg", ".update-timestamp", "dosdevices/c:", "dosdevices/z:"):
        os.lchown(os.path.join(prefix, name), entry.pw_uid, entry.pw_gid)


@contextlib.contextmanager
def environment(build, model, state, user=USER):
    """An environment of build's kind in state whose programs run as user, with a prefix
    made from the environment model (a WineEnv), started for the block and stopped after."""
    ensure_user(user)
    os.makedirs(state, exist_ok=True)
    shutil.chown(state, user, user)
    link_prefix(model.prefix, os.path.join(state, "prefix"), user)
    with WineEnv.started(build, state, scratch_root=model.scratch_root, user=user) as wine:
        yield wine
