"""The trees of a build folder (made by scripts/build) and the programs the harness runs
from them: the host tree's tools, and the Windows tree the Windows layers run on (the
shipped 32-bit build where this host can start 32-bit processes, else its 64-bit twin)."""
import os
import subprocess

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINEENV = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wineenv")


def host_bits():
    """32 where this host can start 32-bit processes (so 32-bit Wine runs), else 64;
    K_WIN_ARCH=32 or 64 overrides (asked of the host on each call)."""
    return int(subprocess.run([WINEENV, "arch"], capture_output=True, text=True, check=True).stdout)


class Build:
    """A build folder: folder is the host tree, win the Windows tree of bits (by
    default the one this host runs)."""

    def __init__(self, folder, bits=None):
        self.folder = os.path.abspath(folder)
        self.bits = int(bits) if bits else host_bits()
        self.win = os.path.join(self.folder, "win" if self.bits == 32 else "win64")
        self.source = SOURCE

    def windows(self, *parts):
        """A file of the Windows tree."""
        return os.path.join(self.win, *parts)

    def tool(self, name):
        """A host tool of tools/NAME."""
        return os.path.join(self.folder, "tools", name, name)

    def missing(self, *paths):
        """The paths that are not there (yet): a caller says to build first."""
        return [path for path in paths if not os.path.exists(path)]

    @property
    def launcher(self):
        return self.windows("src", "launcher", "launcher.exe")

    @property
    def engine(self):
        return self.windows("tools", "refengine", "Engine.exe")

    @property
    def viewer(self):
        return self.windows("tools", "kdebugview", "kdebugview.exe")

    @property
    def sample_product(self):
        return self.windows("tools", "sampleproduct", "SampleProduct.exe")

    @property
    def builder(self):
        return self.tool("builder")

    @property
    def publisher(self):
        return self.tool("publisher")

    def helper(self, name):
        """A test helper program of tests/win (answerbox, runexit, httpget ...)."""
        return self.windows("tests", "win", name + ".exe")
