"""The setup run end to end: the real launcher unpacks a payload made by the builder,
starts the reference engine with the right command line, waits for it and its dialog,
reads the completion atom and ends with the engine's exit code."""
import os
import re
import subprocess
import time
import unittest

import scene  # first: it makes the harness importable
from harness import boxes, setups, trace, winpath


def run(exe, *args, timeout=120):
    return scene.wine.run(exe, *args, timeout=timeout)


class EngineCommandLine(unittest.TestCase):
    def test_parameters_launcher_arguments_token_and_origin(self):
        folder = scene.wine.scratch("cmdline")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder) + " /S")
        result = run(exe, "/X=1", "/Y=a b")
        self.assertEqual(result.returncode, 0, result.stderr)
        [line] = setups.recorded(folder, "COMMANDLINE")
        work = re.match(r"^(\S+)\\Engine\.exe ", line)
        self.assertTrue(work, line)
        self.assertIn("\\SETUP_", work.group(1))
        head, token = line.split(" /TH_ID=_", 1)
        self.assertEqual(head, '%s\\Engine.exe /X=1 "/Y=a b" %s /S' % (work.group(1), setups.engine_args(folder)))
        self.assertRegex(token, r'^\d+ /OriginExe="%s"$' % re.escape(winpath(exe)))
        # The engine found every file of the payload beside itself.
        self.assertEqual(sorted(setups.recorded(folder, "INSTALLED")), ["a.txt", "big.bin"])
        with open(os.path.join(folder, "target", "big.bin"), "rb") as f:
            self.assertEqual(f.read(), bytes(range(256)) * 9000)
        self.assertEqual(setups.recorded(folder, "SHOW"), ["shown"])
        # The work folder is gone afterwards.
        self.assertFalse(os.path.exists(work.group(1).replace("Z:", "").replace("\\", "/")))

    def test_a_setup_in_a_folder_outside_the_code_page_hands_on_its_arguments(self):
        # Kannada letters: no ANSI code page has them. In the folder, and in the file's
        # own name, where only its short form can be spelt.
        for case, name in [("folder", "setup.exe"), ("name", "\u0c87-setup.exe")]:
            with self.subTest(case):
                record = scene.wine.scratch("cmdline-far-record")
                exe = setups.make_setup(scene.build, scene.wine.scratch("cmdline-\u0c85\u0c86"), name=name,
                                        parameters=setups.engine_args(record))
                result = run(exe, "/X=1", "/Y=a b")
                self.assertEqual(result.returncode, 0, result.stderr)
                [line] = setups.recorded(record, "COMMANDLINE")
                self.assertIn('\\Engine.exe /X=1 "/Y=a b" %s /TH_ID=' % setups.engine_args(record), line)

    def test_origin_given_and_span_switches_never_reach_the_engine(self):
        folder = scene.wine.scratch("cmdline-span")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder))
        # Wine quotes the arguments with blanks as a whole, as a shell would.
        result = run(exe, "/A=1", "/SpanCdLvl=3", "/SpanDiskFName1=" + winpath(exe),
                     "/OriginExe=C:\\from here\\setup.exe")
        self.assertEqual(result.returncode, 0, result.stderr)
        [line] = setups.recorded(folder, "COMMANDLINE")
        self.assertNotIn("SpanCdLvl", line)
        self.assertNotIn("SpanDiskFName1", line)
        self.assertEqual(line.count("/OriginExe="), 1, line)
        self.assertIn('/A=1 "/OriginExe=C:\\from here\\setup.exe" /Target=', line)


class EngineResult(unittest.TestCase):
    def test_exit_code_is_passed_through_and_completion_read_from_the_atom(self):
        for engine, code, atom in [({}, 0, ["deleted"]), ({"KeepAtom": None, "ExitCode": "3"}, 3, [])]:
            with self.subTest(engine):
                folder = scene.wine.scratch("result")
                exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder, **engine))
                self.assertEqual(run(exe).returncode, code)
                self.assertEqual(setups.recorded(folder, "ATOM"), atom)

    def test_engine_exit_code_259_ends_the_wait(self):
        folder = scene.wine.scratch("result-259")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder, ExitCode="259"))
        started = time.monotonic()
        result = run(exe, timeout=90)
        # A process status on this side holds only the low byte of the Windows exit code.
        self.assertEqual(result.returncode, 259 & 0xFF)
        self.assertEqual(setups.recorded(folder, "EXIT"), ["259"])
        self.assertLess(time.monotonic() - started, 60)

    def test_dialog_that_outlives_the_engine_keeps_the_launcher_waiting(self):
        folder = scene.wine.scratch("linger")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder, LingerMs="6000"))
        started = time.monotonic()
        self.assertEqual(run(exe).returncode, 0)
        elapsed = time.monotonic() - started
        [ended] = setups.recorded(folder, "EXIT")
        closed = float(setups.recorded(folder, "DIALOGCLOSED")[0])
        self.assertEqual(ended, "0")
        # The launcher ended after the lingering dialog closed, not when the engine did.
        self.assertGreater(time.time(), closed)
        self.assertGreater(elapsed, 6.0)


class AgentCopy(unittest.TestCase):
    def test_agent_is_installed_with_its_description_and_the_installer_texts(self):
        folder = scene.wine.scratch("agent-copy")
        # An installer's texts, with a value holding "=" and a key the engine sets itself.
        texts = (b"[OriginalSetup]\r\nProbeSecondsInterval=60\r\nVersionOriginal=9\r\n"
                 b"[AutoUpdate]\r\ns16=<B>PROG_NAME</B> is up to date.\r\ns17=<P>a=b?\r\n"
                 b"[MsgBox]\r\nConfirm=Prod Update\r\n")
        exe = setups.make_setup(scene.build, folder,
                                parameters=setups.engine_args(folder, Version=3, Texts="texts.ini"),
                                trailer={"WriteUpdateAgent": 1}, files={"texts.ini": texts},
                                update={"ServerUrl": "http://127.0.0.1:9/prod", "InfoFile": "prod.info",
                                        "AgentFile": "prod-agent.exe", "Token": "t"})
        self.assertEqual(run(exe).returncode, 0)
        target = os.path.join(folder, "target")
        self.assertIn("prod-agent.exe", setups.recorded(folder, "INSTALLED"))
        dump = subprocess.run([scene.build.builder, "--dump", os.path.join(target, "prod-agent.exe")],
                              capture_output=True, text=True).stdout
        self.assertIn("IsUpdateAgent=1", dump.splitlines())
        with open(os.path.join(target, "prod.original"), encoding="latin-1") as f:
            original, section = {}, None
            for line in f.read().splitlines():
                if line.startswith("["):
                    section = line[1:-1]
                elif "=" in line:
                    original[(section, line.split("=", 1)[0])] = line.split("=", 1)[1]
        for section, key, value in [("OriginalSetup", "VersionOriginal", "3"),
                                    ("OriginalSetup", "ProbeSecondsInterval", "60"),
                                    ("Directories", "TargetDir", winpath(target)),
                                    ("AutoUpdate", "s16", "<B>PROG_NAME</B> is up to date."),
                                    ("AutoUpdate", "s17", "<P>a=b?"),
                                    ("MsgBox", "Confirm", "Prod Update")]:
            self.assertEqual(original.get((section, key)), value, (section, key))


class Confirmation(unittest.TestCase):
    def test_hide_skips_the_question_and_starts_the_engine_hidden(self):
        folder = scene.wine.scratch("hide")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder),
                                trailer={"ShowTempDrive": 1})
        self.assertEqual(run(exe, "/hide").returncode, 0)
        self.assertEqual(setups.recorded(folder, "SHOW"), ["hidden"])
        self.assertEqual(len(setups.recorded(folder, "INSTALLED")), 2)

    def test_declining_extracts_nothing_and_starts_nothing(self):
        folder = scene.wine.scratch("decline")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder),
                                trailer={"ShowTempDrive": 1})
        with boxes.answering(scene.wine, "Confirm", "n") as answered:
            self.assertEqual(scene.wine.exit_code(exe), 1602)
        self.assertTrue(answered, "no confirmation box appeared")
        self.assertEqual(setups.record(folder), [])


class BadChecksum(unittest.TestCase):
    def test_shows_bad_crc_and_starts_nothing(self):
        folder = scene.wine.scratch("badcrc")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder))
        with open(exe, "r+b") as f:
            f.seek(os.path.getsize(exe) - 2000)
            byte = f.read(1)
            f.seek(-1, 1)
            f.write(bytes([byte[0] ^ 0x55]))
        with boxes.answering(scene.wine, "Error", "Return") as seen:
            self.assertEqual(scene.wine.exit_code(exe), 1620)
        self.assertTrue(seen, "no error box appeared")
        self.assertEqual(setups.record(folder), [])


class SingleInstance(unittest.TestCase):
    def test_second_start_while_the_first_runs_does_nothing(self):
        folder = scene.wine.scratch("twice")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder, WorkMs="15000"))
        with setups.engine_running(scene.wine, exe, folder) as first:
            # Another installation in progress, as deployment tools know it.
            self.assertEqual(scene.wine.exit_code(exe, timeout=60), 1618)
            # The second start ended while the first one's engine was still at work.
            self.assertIsNone(first.poll())
            self.assertEqual(setups.recorded(folder, "EXIT"), [])
            self.assertEqual(first.wait(timeout=120), 0)
        self.assertEqual(len(setups.recorded(folder, "COMMANDLINE")), 1)


class Volumes(unittest.TestCase):
    FILES = {"a.txt": b"alpha\r\n", "big.bin": bytes(range(256)) * 900, "c.bin": bytes(reversed(range(256))) * 900}

    def spanned(self, folder, trailer=None, **engine):
        size = os.path.getsize(scene.build.launcher) + 90000
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder, **engine), files=self.FILES,
                                trailer=trailer,
                                setup={"VolumeSize": size, "Compress": 0})
        self.assertTrue(os.path.exists(exe + ".002"))
        return exe

    def assert_installed(self, folder):
        for name, content in self.FILES.items():
            with open(os.path.join(folder, "target", name), "rb") as f:
                self.assertEqual(f.read(), content, name)

    def test_spanned_setup_reads_its_next_volume(self):
        folder = scene.wine.scratch("spanned")
        exe = self.spanned(folder)
        self.assertEqual(run(exe).returncode, 0)
        self.assert_installed(folder)

    def test_cd_spanning_relaunches_from_the_work_folder(self):
        folder = scene.wine.scratch("cdspan")
        exe = self.spanned(folder, trailer={"SpanFromDisks": 1})
        def stub_lines(capture):
            return [l for l in capture.text.splitlines() if " ==== STUB " in l and "\\cdspan-" in l]

        with trace.viewer(scene.wine, "cdspan-trace") as capture:
            self.assertEqual(run(exe).returncode, 0)
            setups.wait_recorded(folder, "EXIT", 90)
            # The copy's last line comes after the engine has ended.
            deadline = time.monotonic() + 60
            while len(stub_lines(capture)) < 4 and time.monotonic() < deadline:
                time.sleep(0.2)
            lines = stub_lines(capture)
        self.assertEqual(setups.recorded(folder, "EXIT"), ["0"])
        # The launcher ended before its copy in the work folder started the setup.
        self.assertEqual(len(lines), 4, lines)
        self.assertIn("STUB END ====> \"%s\"<" % winpath(exe), lines[1])
        copy = re.search(r'STUB START ====> "(C:\\.*)\\Y_setup\.exe" /SpanCdLvl=2 /SpanDiskFName1="%s\.001"'
                         % re.escape(winpath(exe)), lines[2])
        self.assertTrue(copy, lines[2])
        self.assert_installed(folder)
        [line] = setups.recorded(folder, "COMMANDLINE")
        engine_folder = line.split("\\Engine.exe", 1)[0]
        # The Y_ copy ran from the work folder and named the original launcher as the origin.
        self.assertIn('/OriginExe="%s"' % winpath(exe), line)
        self.assertNotIn("SpanCdLvl", line)
        self.assertEqual(line.count("/OriginExe="), 1, line)
        # Afterwards the copy's work folder is removed, and the copy deletes itself and its folder.
        for host_folder in (scene.wine.host_path(engine_folder), scene.wine.host_path(copy.group(1))):
            deadline = time.monotonic() + 30
            while os.path.exists(host_folder) and time.monotonic() < deadline:
                time.sleep(0.5)
            self.assertFalse(os.path.exists(host_folder), host_folder)


    def test_second_start_leaves_the_running_copy_and_its_folder_alone(self):
        folder = scene.wine.scratch("cdspan-twice")
        exe = self.spanned(folder, trailer={"SpanFromDisks": 1}, WorkMs="6000")
        with setups.engine_running(scene.wine, exe, folder) as first:
            # The engine is at work on the unpacked files: start the setup from the disk again.
            # Another installation of it is in progress, as deployment tools know it.
            self.assertEqual(scene.wine.exit_code(exe, timeout=60), 1618)
            setups.wait_recorded(folder, "EXIT", 90)
            first.wait(timeout=120)
        self.assertEqual(setups.recorded(folder, "EXIT"), ["0"])
        self.assert_installed(folder)
        self.assertEqual(len(setups.recorded(folder, "COMMANDLINE")), 1)


class CleanUp(unittest.TestCase):
    def test_work_folder_removal_does_not_reach_through_a_link(self):
        folder = scene.wine.scratch("cleanup-link")
        outside = os.path.join(folder, "outside")
        os.makedirs(outside)
        with open(os.path.join(outside, "keep.txt"), "w") as f:
            f.write("keep")
        exe = setups.make_setup(scene.build, folder, parameters=setups.engine_args(folder, WorkMs="3000"))
        link = None
        try:
            with setups.engine_running(scene.wine, exe, folder) as first:
                [line] = setups.recorded(folder, "COMMANDLINE")
                # Something the engine leaves in the work folder: a link to a folder elsewhere.
                link = os.path.join(scene.wine.host_path(line.split("\\Engine.exe", 1)[0].strip('"')), "link")
                os.symlink(outside, link)
                self.assertEqual(first.wait(timeout=120), 0)
        finally:
            if link and os.path.islink(link):
                os.remove(link)
        self.assertEqual(os.listdir(outside), ["keep.txt"])


class SignedLauncher(unittest.TestCase):
    def test_signed_setup_extracts_and_runs(self):
        folder = scene.wine.scratch("signed")
        exe = setups.make_setup(scene.build, folder, name="unsigned.exe", parameters=setups.engine_args(folder),
                                setup={"StoredEnd": 1})
        key, cert = os.path.join(folder, "key.pem"), os.path.join(folder, "cert.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                        "-days", "1", "-subj", "/CN=Setup run test"], check=True, capture_output=True)
        signed = os.path.join(folder, "setup.exe")
        subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-in", exe, "-out", signed],
                       check=True, capture_output=True)
        self.assertEqual(run(signed).returncode, 0)
        self.assertEqual(sorted(setups.recorded(folder, "INSTALLED")), ["a.txt", "big.bin"])


if __name__ == "__main__":
    scene.main()
