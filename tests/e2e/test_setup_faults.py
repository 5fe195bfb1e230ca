"""Faults from outside while a setup runs: a disk that fills during the extraction, a file
of the work folder that another program holds open, a volume taken out between disk
prompts, the engine killed while it works. Each run ends with its documented exit code
and, where someone watches, its message; it never reports success and leaves no work
folder behind. Every run has a temp folder of its own (TEMP and TMP set for it alone),
so that what it leaves there is seen."""
import os
import random
import signal
import subprocess
import unittest

import scene  # first: it makes the harness importable
from harness import boxes, setups, trace, wait_for, winpath
from harness.wine import end_processes_naming, processes_naming

# The launcher's own codes (documented in the README).
CANCELLED, FAILED = 1602, 1603
FILES = {"a.txt": b"alpha\r\n", "big.bin": random.Random(3).randbytes(3 << 20)}


def fault_setup(test, name, engine=None, **options):
    """A scenario folder with its temp folder and a setup of FILES whose engine runs with
    the parameters engine ({NAME: VALUE}) too; (folder, temp, exe). What runs from there
    is ended with the test."""
    folder = scene.wine.scratch(name)
    test.addCleanup(end_processes_naming, folder)
    temp = os.path.join(folder, "temp")
    os.makedirs(temp)
    exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder, **(engine or {})),
                            files=FILES, **options)
    return folder, temp, exe


def own_temp(temp):
    return {"TEMP": winpath(temp), "TMP": winpath(temp)}


class FullDisk(unittest.TestCase):
    """The temp folder on a small disk of its own (a tmpfs mounted for the scenario)."""

    def small_temp(self, name, size, **options):
        if os.geteuid() != 0:
            self.skipTest("mounting a small disk needs root")
        folder, temp, exe = fault_setup(self, name, **options)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=" + size, "tmpfs", temp], check=True)
        self.addCleanup(subprocess.run, ["umount", temp], check=True)
        return folder, temp, exe

    def test_the_failed_write_is_shown_and_nothing_is_started(self):
        # Another program fills the disk while the setup asks whether to go on.
        folder, temp, exe = self.small_temp("fault-full", "16m", trailer={"ShowTempDrive": 1})
        code = scene.wine.exit_code_later(exe, environment=own_temp(temp))
        # The question comes after the space check, before anything is unpacked.
        boxes.answer(scene.wine, "Confirm", "Describe")
        with open(os.path.join(temp, "filler"), "wb") as filler:
            try:
                while True:
                    filler.write(bytes(1 << 16))
                    filler.flush()
            except OSError:
                pass
        boxes.answer(scene.wine, "Confirm", "y")
        shown = "\n".join(boxes.answer(scene.wine, "Error", "Describe"))
        boxes.answer(scene.wine, "Error", "Return")
        self.assertEqual(code.result(timeout=120), FAILED)
        self.assertIn("Unable to save Extracted File!", shown)
        self.assertIn("Bytes Free:", shown, shown)
        self.assertEqual(setups.record(folder), [])
        self.assertEqual(os.listdir(temp), ["filler"])

    def test_silent_run_shows_nothing(self):
        folder, temp, exe = self.small_temp("fault-full-silent", "1m")
        with boxes.answering(scene.wine, "Error", "Return", timeout=10) as seen:
            self.assertEqual(scene.wine.exit_code(exe, "/hide", environment=own_temp(temp)), FAILED)
        self.assertFalse(seen, "a silent run showed a box")
        self.assertEqual(setups.record(folder), [])
        self.assertEqual(os.listdir(temp), [])


class HeldFile(unittest.TestCase):
    """A file of the work folder held open by another program (a scanner, a program the
    engine started from there)."""

    def hold(self, path):
        """Holds path open with tests/win/holdfile.exe (ended with the test) once it does."""
        holder = scene.wine.start(scene.build.helper("holdfile"), winpath(path), "300", output=True)
        self.addCleanup(holder.end)
        self.assertEqual(holder.popen.stdout.readline().strip(), b"held")
        return holder

    def test_shown_run_says_which_file_and_cleans_up_once_it_is_free(self):
        folder, temp, exe = fault_setup(self, "fault-held", trailer={"ShowTempDrive": 1})
        code = scene.wine.exit_code_later(exe, environment=own_temp(temp))
        # While the setup asks whether to go on, its work folder is there, still empty.
        boxes.answer(scene.wine, "Confirm", "Describe")
        [work] = os.listdir(temp)
        holder = self.hold(os.path.join(temp, work, "big.bin"))
        boxes.answer(scene.wine, "Confirm", "y")
        shown = "\n".join(boxes.answer(scene.wine, "Error", "Describe"))
        # The user closes the other program before answering.
        holder.end()
        boxes.answer(scene.wine, "Error", "Return")
        self.assertEqual(code.result(timeout=120), FAILED)
        self.assertIn(winpath(os.path.join(temp, work, "big.bin")) + "\n\nUnable to save Extracted File!", shown)
        self.assertEqual(setups.record(folder), [])
        self.assertEqual(os.listdir(temp), [])

    def test_only_the_held_file_stays_behind(self):
        # The engine's dialog outlives it for a while: meanwhile another program opens a
        # file of the work folder.
        folder, temp, exe = fault_setup(self, "fault-held-silent", engine={"LingerMs": 15000})
        code = scene.wine.exit_code_later(exe, "/hide", environment=own_temp(temp))
        setups.wait_recorded(folder, "EXIT")
        [work] = os.listdir(temp)
        self.hold(os.path.join(temp, work, "a.txt"))
        self.assertEqual(code.result(timeout=120), 0)
        # What another program holds cannot be deleted; everything else is gone.
        self.assertEqual(os.listdir(temp), [work])
        self.assertEqual(os.listdir(os.path.join(temp, work)), ["a.txt"])


class VolumeTakenOut(unittest.TestCase):
    """A setup on two disks, asked for disk by disk (the force-prompt setting): the second
    disk is taken out again while its prompt shows."""

    KEY = "HKCU\\Software\\Morbrook\\Kalvex\\SpanDisk"

    def setUp(self):
        self.assertEqual(scene.wine.registry("add", self.KEY, "/v", "ForcePrompt", "/d", "1", "/f"), 0)
        self.addCleanup(scene.wine.registry, "delete", self.KEY, "/f")

    def test_asked_for_again_then_cancelled_or_put_back(self):
        # (what, the disk put back before the second answer, that answer, exit code)
        for what, put_back, key, expected in [("cancelled", False, "c", CANCELLED), ("put back", True, "o", 0)]:
            with self.subTest(what):
                folder, temp, exe = fault_setup(
                    self, "fault-volume",
                    setup={"VolumeSize": os.path.getsize(scene.build.launcher) + (5 << 19), "Compress": 0})
                volume = exe + ".002"
                self.assertTrue(os.path.exists(volume))
                self.assertFalse(os.path.exists(exe + ".003"))
                code = scene.wine.exit_code_later(exe, environment=own_temp(temp))
                self.assertIn("Please insert DISK #2 and press OK to continue",
                              boxes.answer(scene.wine, "Attention", "Describe"))
                os.rename(volume, volume + ".out")
                boxes.answer(scene.wine, "Attention", "o")
                self.assertIn("Please insert DISK #2 and press OK to continue",
                              boxes.answer(scene.wine, "Attention", "Describe"))
                if put_back:
                    os.rename(volume + ".out", volume)
                boxes.answer(scene.wine, "Attention", key)
                self.assertEqual(code.result(timeout=120), expected)
                self.assertEqual(setups.recorded(folder, "EXIT"), ["0"] if put_back else [])
                if put_back:
                    for name, content in FILES.items():
                        with open(os.path.join(folder, "target", name), "rb") as f:
                            self.assertEqual(f.read(), content, name)
                self.assertEqual(os.listdir(temp), [])


class EngineKilled(unittest.TestCase):
    """The setup engine killed while it works (by process id, so that it never gets to
    say anything): the launcher reports a failure, whatever code the system gave the
    engine, and cleans up."""

    def test_killed_engine_is_no_success(self):
        for args in ([], ["/hide"]):
            with self.subTest(args=args), trace.viewer(scene.wine, "fault-killed") as capture:
                folder, temp, exe = fault_setup(self, "fault-killed", engine={"WorkMs": 60000})
                code = scene.wine.exit_code_later(exe, *args, environment=own_temp(temp))
                setups.wait_recorded(folder, "COMMANDLINE")
                # The engine runs from the work folder in the scenario's temp folder.
                [engine] = wait_for(lambda: [pid for pid, line in processes_naming(temp) if "Engine.exe" in line], 30,
                                    "engine process")
                os.kill(engine, signal.SIGKILL)
                self.assertEqual(code.result(timeout=120), FAILED)
                capture.wait_for(" ==== the engine ended with 0 but did not finish its work")
                self.assertEqual(setups.recorded(folder, "EXIT"), [])
                self.assertEqual(os.listdir(temp), [])


if __name__ == "__main__":
    scene.main()
