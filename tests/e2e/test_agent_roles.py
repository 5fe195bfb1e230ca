"""The installed agent's two processes: the plain agent that makes and starts its X_ copy
and forwards its switches to it as window messages, and the X_ copy that runs the agent.
The agents here never check on their own (ProbeSecondsInterval -1), and their server
refuses connections, so a requested check ends at once with step 0."""
import os
import unittest

import scene  # first: it makes the harness importable
from harness import products, trace, wait_for, winpath
from harness.wine import end_processes_naming


NO_SERVER = "http://127.0.0.1:9/none"
NOT_STARTED = 1619  # the X_ copy could not be started


def agent(name):
    return products.sample_product(scene.wine, scene.wine.scratch(name), NO_SERVER, probe=-1, by_setup=False)


def started_copy(installed):
    """Starts the plain agent (which waits for its copy's window); the copy's process id."""
    installed.run_agent("/DELAY=0")
    [copy] = installed.copies()
    return copy


def alive(pid):
    return os.path.exists("/proc/%d" % pid)


class SecondStart(unittest.TestCase):
    def test_stop_leaves_the_copy_file_alone_and_the_copy_quits(self):
        with agent("roles-stop") as installed:
            started_copy(installed)
            self.assertEqual(installed.run_agent("/STOP=0"), 0)
            installed.wait_ended()
            plain = installed.log("")
            self.assertEqual(plain.count("Create X_ File "), 1, plain)
            self.assertEqual(len([m for m in plain if m.startswith("Wait ")]), 1, plain)
            self.assertIn("PostProcessMessage(wm_ShutDown) to: " + winpath(installed.xcopy), plain)
            # The copy removes its own file at its end.
            wait_for(lambda: not os.path.exists(installed.xcopy), 30, "the X_ file's removal")

    def test_zz_switch_with_a_running_copy(self):
        # "/_ZZ=99" makes a new copy even while one runs: after "/WAIT=" the old one has
        # ended (here by "/STOP=0" meanwhile) and its file is written anew; a copy still
        # running cannot be overwritten, and the new start ends at once beside it. Any
        # other value leaves the running copy alone, without waiting.
        for value, stopped_meanwhile in [("99", True), ("99", False), ("1", False), ("099", False)]:
            with self.subTest(value=value, stopped_meanwhile=stopped_meanwhile), agent("roles-zz") as installed:
                first = started_copy(installed)
                replacing = installed.start(installed.agent, "/_ZZ=" + value, "/WAIT=4", timeout=60)
                if stopped_meanwhile:
                    installed.wait_logged("Wait 4 SEC")
                    installed.run_agent("/STOP=0")
                self.assertEqual(replacing.wait(timeout=60), 0)
                plain = installed.log("")
                waited = value == "99"
                self.assertEqual("Wait 4 SEC" in plain, waited, plain)
                self.assertEqual(plain.count("Create X_ File "), 2 if stopped_meanwhile else 1, plain)
                self.assertEqual(any(m.startswith("Create X_ File failed: ") for m in plain),
                                 waited and not stopped_meanwhile, plain)
                if stopped_meanwhile:
                    installed.wait_logged("WinMain", count=2)
                    [second] = installed.copies()
                    self.assertNotEqual(second, first)
                    self.assertFalse(alive(first))
                else:
                    wait_for(lambda: installed.copies() == [first], 15, "the first copy alone", installed.copies)


class TestSwitch(unittest.TestCase):
    def test_check_requested_with_or_without_a_running_copy(self):
        # A copy that was not running is started for the request and, for a value above
        # 0, gets a shutdown countdown of 2 ticks; a running copy keeps running.
        for value, was_running, ends in [("0", True, False), ("1", True, False), ("0", False, False),
                                         ("1", False, True)]:
            with self.subTest(value=value, was_running=was_running), agent("roles-test") as installed, \
                    trace.viewer(scene.wine, "roles-test") as capture:
                if was_running:
                    started_copy(installed)
                self.assertEqual(installed.run_agent("/TEST=" + value), 0)
                self.assertIn("PostProcessMessage(wm_AgentMsg) to: %s - AU_PerformUpdateCycle (%s)"
                              % (winpath(installed.xcopy), value), installed.log(""))
                # The request reached the copy: it checked at once.
                installed.wait_logged("GetOkToPerformAU = 0 - Error downloading .INFO file", seconds=30)
                if ends:
                    installed.wait_ended(15)
                else:
                    # A countdown of 2, posted with the request, would end the copy on its
                    # third tick after it: a fourth shows that none came.
                    installed.wait_ticks(capture, installed.ticks(capture) + 4)
                    self.assertEqual(len(installed.copies()), 1)

    def test_a_copy_that_never_starts_is_no_success(self):
        # A folder in the X_ file's place: the copy cannot be written, and no start of that
        # name succeeds on any try. The caller learns it from the exit code, and the
        # request goes to no window.
        with agent("roles-nocopy") as installed:
            os.mkdir(installed.xcopy)
            # The whole code: a process's status through Wine keeps only its low byte.
            self.assertEqual(scene.wine.exit_code(installed.agent, "/TEST=1", timeout=60), NOT_STARTED)
            plain = installed.log("")
            self.assertTrue(any(m.startswith("Create X_ File failed: ") for m in plain), plain)
            self.assertEqual([m[-len("(try 1 of 5)"):] for m in plain if m.startswith("WinExec failed: ")],
                             ["(try %d of 5)" % n for n in range(1, 6)], plain)
            self.assertIn("X_ copy not started: no request forwarded", plain)
            self.assertFalse(any(m.startswith("PostProcessMessage(") for m in plain), plain)
            self.assertIn("ExitCode=%d" % NOT_STARTED, plain)


class FolderOutsideTheCodePage(unittest.TestCase):
    def test_the_agent_is_the_plain_agent_and_its_x_copy_there(self):
        # Kannada letters: no ANSI code page has them, so the folder is spelt by its short
        # form; the agent still knows itself and its copy by their long names.
        with agent("roles-\u0c85\u0c86") as installed:
            installed.run_agent("/DELAY=0")
            installed.wait_logged("WinMain")
            # The copy runs from the short form of the folder: it goes with the test.
            [copy] = [m[len("=== START === "):] for t, m in installed.log_entries()
                      if t == "X" and m.startswith("=== START === ")]
            self.addCleanup(end_processes_naming, installed.folder, copy.rsplit("\\", 2)[0])
            self.assertTrue(copy.endswith("\\target\\" + os.path.basename(installed.xcopy)), copy)
            self.assertIn("ThisIs_Plain_AutoUpdate_Exe=TRUE", installed.log(""))
            self.assertIn("ThisIs_X_AutoUpdate_Exe=TRUE", installed.log("X"))
            self.assertEqual(installed.run_agent("/TEST=0"), 0)
            installed.wait_logged("GetOkToPerformAU = 0 - Error downloading .INFO file", seconds=30)
            self.assertEqual(installed.run_agent("/STOP=0"), 0)
            installed.wait_logged("=== EXIT === " + copy, seconds=30)
            wait_for(lambda: not os.path.exists(installed.xcopy), 30, "the X_ file's removal")


class Arguments(unittest.TestCase):
    def test_only_a_plain_agent_with_arguments_waits_for_its_copy(self):
        for args, waits in [((), False), (("/DELAY=0",), True)]:
            with self.subTest(args=args), agent("roles-args") as installed:
                self.assertEqual(installed.run_agent(*args), 0)
                installed.wait_logged("WinMain")
                entries = installed.log_entries()
                plain_end = entries.index(("", "CreateAndRun_X_Exe() --- End"))
                copy_runs = entries.index(("X", "WinMain"))
                self.assertEqual(copy_runs < plain_end, waits, entries)


if __name__ == "__main__":
    scene.main()
