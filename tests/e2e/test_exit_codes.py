"""A script that runs setups silently tells success from every failure by the exit code
alone: the engine's own codes pass through unchanged, and each way the launcher fails
or is declined ends with its own code."""
import os
import random
import shutil
import unittest

import scene  # first: it makes the harness importable
from harness import boxes, products, setups, trace


# The launcher's own codes (documented in the README).
CANCELLED, FAILED, ALREADY_RUNNING, NOT_STARTED, DAMAGED, FOLDER = 1602, 1603, 1618, 1619, 1620, 1632


def flip_byte(path, offset_from_end):
    with open(path, "r+b") as f:
        f.seek(os.path.getsize(path) - offset_from_end)
        byte = f.read(1)
        f.seek(-1, 1)
        f.write(bytes([byte[0] ^ 0x55]))


class EngineCodes(unittest.TestCase):
    def test_pass_through_unchanged(self):
        for code in (0, 3, 3010):
            with self.subTest(code=code):
                folder = scene.wine.scratch("code-%d" % code)
                exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder, ExitCode=str(code)))
                self.assertEqual(scene.wine.exit_code(exe, "/hide"), code)
                self.assertEqual(setups.recorded(folder, "EXIT"), [str(code)])


class LauncherFailures(unittest.TestCase):
    def test_damaged_payload_and_damaged_later_volume(self):
        files = {"a.bin": bytes(range(256)) * 900, "b.bin": bytes(reversed(range(256))) * 900}
        for name, damaged in (("payload", ""), ("volume", ".002")):
            with self.subTest(name):
                folder = scene.wine.scratch("damaged-" + name)
                exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder), files=files,
                                        setup={"VolumeSize": os.path.getsize(scene.build.launcher) + 90000,
                                               "Compress": 0})
                flip_byte(exe + damaged, 2000)
                with boxes.answering(scene.wine, "Error", "Return") as seen:
                    self.assertEqual(scene.wine.exit_code(exe), DAMAGED)
                self.assertTrue(seen, "no error box appeared")
                self.assertEqual(setups.record(folder), [])

    def test_cancel_at_the_disk_prompt(self):
        folder = scene.wine.scratch("disk-cancel")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder),
                                files={"a.bin": bytes(range(256)) * 900},
                                setup={"VolumeSize": os.path.getsize(scene.build.launcher) + 90000, "Compress": 0})
        os.remove(exe + ".002")
        with boxes.answering(scene.wine, "Attention", "c") as seen:
            self.assertEqual(scene.wine.exit_code(exe), CANCELLED)
        self.assertTrue(seen, "no disk prompt appeared")
        self.assertEqual(setups.record(folder), [])

    def test_engine_that_cannot_start(self):
        folder = scene.wine.scratch("not-started")
        bogus = os.path.join(folder, "bogus.exe")
        with open(bogus, "wb") as f:
            f.write(b"this is no program")
        exe = setups.make_setup(scene.build, folder, engine=bogus)
        with boxes.answering(scene.wine, "Error", "Return") as seen:
            self.assertEqual(scene.wine.exit_code(exe), NOT_STARTED)
        self.assertTrue(seen, "no box said that the engine did not start")
        # Silent runs report through the exit code alone.
        with boxes.answering(scene.wine, "Error", "Return", timeout=10) as seen:
            self.assertEqual(scene.wine.exit_code(exe, "/hide"), NOT_STARTED)
        self.assertFalse(seen, "a silent run showed a box")

    def test_fault_at_start_up(self):
        # An exception that escapes before the run (raised on request in developer mode)
        # ends with the table's code, and the process still writes its end records.
        folder = scene.wine.scratch("start-fault")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder))
        with trace.viewer(scene.wine, "start-fault") as capture:
            code = scene.wine.exit_code(exe, "/hide", "/DVX_FAULT", environment={"DVX": "543"})
            text = capture.text
        self.assertEqual(code, FAILED)
        self.assertIn(" --- DoRunStubWin() --- fault requested at start-up", text)
        self.assertIn(" ==== ExitCode=1603\r\n", text)
        self.assertIn(" ==== STUB END ====> ", text)
        self.assertEqual(setups.record(folder), [])

    def test_memory_exhausted(self):
        # An allocation that fails ends the process on the spot with the table's code: no
        # success, no hang, nothing started. The agent's update log records it too.
        folder = scene.wine.scratch("no-memory")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder))
        with trace.viewer(scene.wine, "no-memory") as capture:
            code = scene.wine.exit_code(exe, "/hide", "/DVX_FAULT=memory", environment={"DVX": "543"})
            text = capture.text
        self.assertEqual(code, FAILED)
        self.assertIn(" ==== FAULT: out of memory\r\n", text)
        self.assertIn(" ==== ExitCode=1603\r\n", text)
        self.assertNotIn(" bytes held", text)
        self.assertEqual(setups.record(folder), [])
        with products.sample_product(scene.wine, scene.wine.scratch("agent-no-memory"), "http://127.0.0.1:9/",
                                     by_setup=False) as installed:
            code = scene.wine.exit_code(installed.agent, "/DVX_FAULT=memory", environment={"DVX": "543"})
            self.assertEqual(code, FAILED)
            self.assertEqual(installed.log()[-2:], ["FAULT: out of memory", "ExitCode=1603"])

    def test_damaged_entry_ends_the_extraction(self):
        folder = scene.wine.scratch("bad-entry")
        # Without a stored checksum only the entry itself can notice the damage.
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder), setup={"Checksum": 0},
                                files={"big.bin": random.Random(300000).randbytes(300000)})
        flip_byte(exe, 150000)
        self.assertEqual(scene.wine.exit_code(exe, "/hide"), FAILED)
        self.assertEqual(setups.record(folder), [])


class Places(unittest.TestCase):
    def test_setup_in_a_folder_named_outside_the_code_page(self):
        folder = scene.wine.scratch("places")
        where = os.path.join(folder, "Установка 安装")
        os.makedirs(where)
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder))
        moved = os.path.join(where, "setup.exe")
        shutil.move(exe, moved)
        # Started by Wine from the host path: no ANSI command line stands in between.
        self.assertEqual(scene.wine.run(moved, "/hide").returncode, 0)
        self.assertEqual(sorted(setups.recorded(folder, "INSTALLED")), ["a.txt", "big.bin"])


if __name__ == "__main__":
    scene.main()
