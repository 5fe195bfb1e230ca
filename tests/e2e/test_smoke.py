"""The bare launcher is a GUI exe of its build's kind with its header at 256; run without a payload it
says that the setup file is damaged and ends with the damaged-setup code."""
import os
import shutil
import subprocess
import unittest

import scene  # first: it makes the harness importable
from harness import boxes


# Both builds, whichever the scenarios run on: the shipped one and its 64-bit twin.
BUILDS = (
    ("win", "PE32 executable (GUI) Intel 80386", "i686-w64-mingw32-objdump"),
    ("win64", "PE32+ executable (GUI) x86-64", "x86_64-w64-mingw32-objdump"),
)


def built(tree, *parts):
    return os.path.join(scene.build.folder, tree, *parts)


class BareLauncher(unittest.TestCase):
    def test_is_a_gui_exe_of_its_kind_with_header_at_256(self):
        for tree, kind, _ in BUILDS:
            with self.subTest(tree):
                launcher = built(tree, "src", "launcher", "launcher.exe")
                found = subprocess.run(["file", "-b", launcher], capture_output=True, text=True).stdout
                self.assertTrue(found.startswith(kind), found)
                with open(launcher, "rb") as f:
                    head = f.read(260)
                self.assertEqual(head[0:2], b"MZ")
                self.assertEqual(head[256:258], b"PE")
                self.assertEqual(int.from_bytes(head[0x3C:0x40], "little"), 256)

    def test_needs_no_library_beyond_those_every_windows_has(self):
        # The toolchain's own DLLs (zlib, the C++ runtime) are on no customer's machine.
        # The launcher imports only the libraries the system holds ready (its known DLLs):
        # any other import is looked for beside setup.exe first, before the launcher can
        # restrict the search, so a planted copy in a Downloads folder would be loaded.
        known = {"advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll", "user32.dll"}
        system = known | {"comctl32.dll", "version.dll"}
        for tree, _, objdump in BUILDS:
            for exe, allowed in ((built(tree, "src", "launcher", "launcher.exe"), known),
                                 (built(tree, "tools", "refengine", "Engine.exe"), system)):
                with self.subTest(exe):
                    dump = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
                    imports = {line.split()[-1].lower() for line in dump.splitlines() if "DLL Name:" in line}
                    self.assertIn("kernel32.dll", imports)
                    self.assertLessEqual(imports, allowed)

    def test_without_payload_reports_a_damaged_setup(self):
        folder = scene.wine.scratch("smoke")
        exe = os.path.join(folder, "setup.exe")
        shutil.copy(scene.build.launcher, exe)
        with boxes.answering(scene.wine, "Error", "Return") as seen:
            self.assertEqual(scene.wine.exit_code(exe, timeout=90), 1620)
        self.assertTrue(seen, "no error box appeared")


if __name__ == "__main__":
    scene.main()
