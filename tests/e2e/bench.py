"""Shared pieces of the end-to-end scenarios: paths of both build trees and running
Windows programs in the build tree's Wine environment."""
import os
import subprocess
import tempfile

WINE_ENV = os.environ["K_WINE_ENV"]
WINE_STATE = os.environ["K_WINE_STATE"]
WIN_DIR = os.environ["K_WIN_DIR"]
HOST_DIR = os.environ["K_HOST_DIR"]
SOURCE_DIR = os.environ["K_SOURCE_DIR"]

LAUNCHER = os.path.join(WIN_DIR, "src", "launcher", "launcher.exe")


def wine(program, *args, timeout=120, **kwargs):
    """Runs a Windows program under Wine; returns the CompletedProcess."""
    cmd = [WINE_ENV, "run", WINE_STATE, "-t", str(timeout), program, *args]
    return subprocess.run(cmd, capture_output=True, timeout=timeout + 30, **kwargs)


def scratch(test_name):
    """A fresh folder for one scenario, inside the build tree."""
    root = os.path.join(HOST_DIR, "e2e")
    os.makedirs(root, exist_ok=True)
    return tempfile.mkdtemp(prefix=test_name + "-", dir=root)
