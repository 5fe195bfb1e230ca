"""A setup turned against the person running it, tried the way an attacker would: an entry
header that names a program outside the work folder, a second run or a link where the work
folder is, description files and a volume planted beside a setup. None of them makes the
real launcher do what the setup was not built to do; each run ends with its documented
exit code. Every run has a temp folder of its own (TEMP and TMP set for it alone), so that
what it leaves there is seen."""
import os
import shutil
import unittest

import scene  # first: it makes the harness importable
from harness import boxes, setups, winpath
from harness.wine import end_processes_naming

# The launcher's own codes (documented in the README).
FAILED, DAMAGED = 1603, 1620


def scenario(test, name):
    """A scenario folder with an empty temp folder; what runs from there is ended with the
    test."""
    folder = scene.wine.scratch(name)
    test.addCleanup(end_processes_naming, folder)
    temp = os.path.join(folder, "temp")
    os.makedirs(temp)
    return folder, temp


def own_temp(temp):
    return {"TEMP": winpath(temp), "TMP": winpath(temp)}


def outside_folder(folder):
    """A folder with a file that no setup may touch."""
    outside = os.path.join(folder, "outside")
    os.makedirs(outside)
    with open(os.path.join(outside, "keep.txt"), "w") as f:
        f.write("keep")
    return outside


class RunTargetEscape(unittest.TestCase):
    def test_a_run_marker_outside_the_name_starts_nothing(self):
        folder, temp = scenario(self, "escape")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder),
                                setup={"Checksum": 0, "StoredEnd": 0})
        escaped = os.path.join(folder, "escaped")
        # The header's first character is its delimiter: the name field is a harmless
        # "readme.txt", the "*" sits in a later field, after a path that climbs out of
        # the work folder (drive Z:, the host's root, here) to the system's command
        # interpreter.
        cmd = os.path.join(scene.wine.prefix, "drive_c", "windows", "system32", "cmd.exe")
        header = (b"\\readme.txt\\0\\" + b"..\\" * 32 + winpath(cmd)[3:].encode() + b"*/c mkdir " +
                  winpath(escaped).encode() + b" & rem \\")
        setups.insert_blocks(exe, [setups.stored_block(header, b"read me")])
        self.assertEqual(scene.wine.exit_code(exe, "/hide", environment=own_temp(temp)), FAILED)
        self.assertFalse(os.path.exists(escaped), "a program outside the work folder was started")
        # A payload that holds such an entry is damaged: not even its own engine starts.
        self.assertEqual(setups.record(folder), [])
        self.assertEqual(os.listdir(temp), [])


class InflatedSize(unittest.TestCase):
    def test_an_entry_larger_than_any_builder_writes_is_refused_as_damaged(self):
        folder, temp = scenario(self, "bomb")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder),
                                setup={"Checksum": 0, "StoredEnd": 0})
        # A few kilobytes that inflate past the largest entry (16 MiB and its header):
        # without a cap the same few kilobytes could ask for any amount of memory.
        bomb = setups.compressed_block(b"|bomb.bin|0|", bytes(17 << 20))
        self.assertLess(len(bomb), 65536)
        setups.insert_blocks(exe, [bomb])
        self.assertEqual(scene.wine.exit_code(exe, "/hide", environment=own_temp(temp)), FAILED)
        self.assertEqual(setups.record(folder), [])
        self.assertEqual(os.listdir(temp), [])


class WorkFolder(unittest.TestCase):
    def test_two_copies_of_one_setup_run_at_the_same_time_both_complete(self):
        folder, temp = scenario(self, "copies")
        exe = setups.make_setup(scene.build, folder, parameters="/WorkMs=6000")
        copies = []
        for name in ("one", "two"):
            os.makedirs(os.path.join(folder, name))
            copies.append(os.path.join(folder, name, "setup.exe"))
            # The same file, its date included: what a second download or a network share holds.
            shutil.copy2(exe, copies[-1])

        def args(name):
            return ("/hide", "/Target=" + winpath(os.path.join(folder, name, "target")),
                    "/Record=" + winpath(os.path.join(folder, name, "record.txt")))

        first = scene.wine.exit_code_later(copies[0], *args("one"), environment=own_temp(temp))
        setups.wait_recorded(os.path.join(folder, "one"), "COMMANDLINE")
        # The second starts while the first one's engine is at work on its files.
        self.assertEqual(scene.wine.exit_code(copies[1], *args("two"), environment=own_temp(temp)), 0)
        self.assertEqual(first.result(timeout=120), 0)
        for name in ("one", "two"):
            self.assertEqual(sorted(setups.recorded(os.path.join(folder, name), "INSTALLED")), ["a.txt", "big.bin"])
            with open(os.path.join(folder, name, "target", "big.bin"), "rb") as f:
                self.assertEqual(f.read(), bytes(range(256)) * 9000, name)
        self.assertEqual(os.listdir(temp), [])

    def test_a_link_where_the_work_folder_was_named_leaves_its_target_untouched(self):
        folder, temp = scenario(self, "planted-link")
        outside = outside_folder(folder)
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder))
        # The name that launchers before this one took from the file's time of day: another
        # user could make it first, as a link to a folder of the victim's.
        link = os.path.join(temp, setups.work_folder_name(exe))
        os.symlink(outside, link)
        self.assertEqual(scene.wine.exit_code(exe, "/hide", environment=own_temp(temp)), 0)
        self.assertEqual(os.listdir(outside), ["keep.txt"])
        self.assertEqual(sorted(setups.recorded(folder, "INSTALLED")), ["a.txt", "big.bin"])
        self.assertEqual(os.listdir(temp), [os.path.basename(link)])

    def test_a_link_put_in_place_of_the_work_folder_leaves_its_target_untouched(self):
        folder, temp = scenario(self, "swapped-link")
        outside = outside_folder(folder)
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder, WorkMs="4000"))
        code = scene.wine.exit_code_later(exe, "/hide", environment=own_temp(temp))
        [line] = setups.wait_recorded(folder, "COMMANDLINE")
        work = scene.wine.host_path(line.split("\\Engine.exe", 1)[0])
        # While the engine works, the work folder is moved away and a link takes its place:
        # the launcher removes "its" folder at the end.
        moved = os.path.join(folder, "moved")
        os.rename(work, moved)
        os.symlink(outside, work)
        # The engine's own end is of no concern here (it may not find its files).
        code.result(timeout=120)
        self.assertEqual(os.listdir(outside), ["keep.txt"])


class PlantedDescriptions(unittest.TestCase):
    def test_planted_original_and_info_beside_a_setup_delete_nothing(self):
        folder, temp = scenario(self, "planted-info")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder),
                                update={"InfoFile": "prod.info", "AgentFile": "prod-agent.exe"})
        # Two files dropped into the folder the setup was downloaded to name files of the
        # user's as the shortcuts an update removes.
        victims = [os.path.join(folder, "thesis.docx"), os.path.join(folder, "notes.lnk")]
        for victim in victims:
            with open(victim, "w") as f:
                f.write("mine")
        with open(os.path.join(folder, "prod.original"), "w") as f:
            f.write("[UnInstall]\r\nStartUpLink=%s\r\nCheckforNewUpdateLink=%s\r\n" % tuple(map(winpath, victims)))
        with open(os.path.join(folder, "prod.info"), "w") as f:
            f.write("[NewSetup]\r\nRemoveStartUpShortcut=1\r\nRemoveCheckForNewUpdateShortcut=1\r\n")
        self.assertEqual(scene.wine.exit_code(exe, "/hide", environment=own_temp(temp)), 0)
        self.assertIn("deleted", setups.recorded(folder, "ATOM"))
        for victim in victims:
            self.assertTrue(os.path.exists(victim), victim)


class PlantedVolume(unittest.TestCase):
    FILES = {"a.txt": b"alpha\r\n", "big.bin": bytes(range(256)) * 900, "c.bin": bytes(reversed(range(256))) * 900}

    def spanned(self, folder, **setup):
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder), files=self.FILES,
                                setup={"VolumeSize": os.path.getsize(scene.build.launcher) + 90000, "Compress": 0,
                                       **setup})
        self.assertTrue(os.path.exists(exe + ".002"))
        return exe

    def test_a_planted_later_volume_is_refused(self):
        folder, temp = scenario(self, "planted-volume")
        exe = self.spanned(folder)
        planted = os.path.join(folder, "planted")
        os.makedirs(planted)
        # A second volume of the attacker's: it passes its own checksum (it has none) and
        # marks a program of its own as the one to start.
        with open(scene.build.engine, "rb") as f:
            engine = f.read()
        header = b"|other.exe*/Record=%s|0|" % winpath(os.path.join(planted, "record.txt")).encode()
        with open(exe + ".002", "wb") as f:
            f.write(setups.later_volume([setups.stored_block(header, engine)]))
        code = scene.wine.exit_code_later(exe, environment=own_temp(temp))
        shown = boxes.answer(scene.wine, "Error", "Describe")
        boxes.answer(scene.wine, "Error", "Return")
        self.assertEqual(code.result(timeout=120), DAMAGED)
        self.assertIn("Bad CRC!", "\n".join(shown))
        self.assertEqual(setups.record(planted), [], "the planted volume's program was started")
        self.assertEqual(setups.record(folder), [])
        self.assertEqual(os.listdir(temp), [])


if __name__ == "__main__":
    scene.main()
