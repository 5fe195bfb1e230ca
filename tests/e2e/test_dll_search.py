"""A DLL named like a system DLL, planted beside a downloaded setup, is never loaded by
the launcher. The probe shows first that Wine would load it for a program that loads
by bare name, so the scenario can tell a hardened launcher from a lucky one."""
import os
import shutil
import unittest

import scene  # first: it makes the harness importable
from harness import boxes


def downloads():
    folder = scene.wine.scratch("downloads")
    shutil.copy(scene.build.windows("tests", "win", "planted", "riched32.dll"), os.path.join(folder, "riched32.dll"))
    return folder


def run_there(folder, program, *args, timeout=90):
    """Runs a program from folder with the DLL found there first, as Windows would."""
    return scene.wine.run(program, *args, timeout=timeout, cwd=folder,
                          variables={"WINEDLLOVERRIDES": "mscoree,mshtml=;riched32=n,b"})


class PlantedDll(unittest.TestCase):
    def test_loading_by_name_takes_the_planted_dll_unless_hardened(self):
        for harden, loaded in (([], True), (["--harden"], False)):
            with self.subTest(harden=harden):
                folder = downloads()
                probe = os.path.join(folder, "dllprobe.exe")
                shutil.copy(scene.build.helper("dllprobe"), probe)
                result = run_there(folder, probe, "riched32.dll", *harden)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(os.path.exists(os.path.join(folder, "planted.loaded")), loaded)

    def test_launcher_showing_its_box_loads_the_system_library(self):
        folder = downloads()
        exe = os.path.join(folder, "setup.exe")
        shutil.copy(scene.build.launcher, exe)
        # Without a payload the launcher says so in its message box, which needs the
        # rich-text library.
        with boxes.answering(scene.wine, "Error", "Return") as seen:
            run_there(folder, exe)
        self.assertTrue(seen, "no error box appeared")
        self.assertFalse(os.path.exists(os.path.join(folder, "planted.loaded")))


if __name__ == "__main__":
    scene.main()
