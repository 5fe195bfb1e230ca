"""The update agent of a product installed per machine, run by a standard user: the
product's folder in the prefix's Program Files belongs to root and is read-only to the
ordinary Linux user who owns the Wine environment and runs the agent, so every write the
agent tries there fails as it does for a standard user on Windows. The agent keeps what it
writes in a folder of the user's own, and checks, updates and records the new version
there."""
import glob
import ntpath
import os
import re
import unittest

import scene  # first: it makes the harness importable
from harness import lines_of, products, servers, trace, users, wait_for, winpath


def snapshot(folder):
    """{name: (mode, owner, bytes)} of the files in folder."""
    found = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        with open(path, "rb") as f:
            found[name] = (os.stat(path).st_mode, os.stat(path).st_uid, f.read())
    return found


def elevated_start(text, xcopy, ended=0):
    """The agent's start of its update's setup through the consent prompt, as the trace
    shows it: (program, arguments). The agent unpacked nothing and started no engine; the
    process started is the update setup, whose own launcher unpacked (the agent's copy
    too) and started the engine, and which ended with the exit code ended."""
    lines = text.splitlines()
    open("/tmp/wt-setup-trace.txt", "w").write(text)
    agent = {line.split()[0] for line in lines if ' ==== STUB START ====> "%s"' % xcopy in line}
    starts = [re.search(r'^(\d+) ==== the update setup started through the consent prompt >>"([^"]+)" (.*)<<$', line)
              for line in lines]
    [(pid, program, arguments)] = [m.groups() for m in starts if m]
    assert pid in agent, (pid, agent)
    assert "%s ==== the engine needs rights: nothing unpacked here" % pid in lines, text
    assert "%s ==== the update setup ended with %d" % (pid, ended) in lines, text
    setup = {line.split()[0] for line in lines if ' ==== STUB START ====> "%s" ' % program in line}
    engines = {line.split()[0] for line in lines if " ==== WinExec(Engine.exe) >>" in line}
    unpacked = {line.split()[0] for line in lines if " New AU-Agent: " in line}
    assert len(setup) == 1 and engines == setup and unpacked == setup, (setup, engines, unpacked, text)
    return program, arguments


class InProgramFiles:
    """A user's environment of the class's own (classes may run side by side), and a
    product laid out in its Program Files by root."""

    @classmethod
    def setUpClass(cls):
        if os.geteuid() != 0:
            raise unittest.SkipTest("making an ordinary user and handing a prefix over to it needs root")
        users.ensure_user()
        # The user's environment, its scratch folders and the debug viewer lie in the build
        # folder: a build in a folder closed to other users (root's home) cannot be used.
        if not users.can_read(scene.build.viewer):
            raise unittest.SkipTest("%s cannot reach %s" % (users.USER, scene.build.viewer))
        cls.wine = cls.enterClassContext(
            users.environment(scene.build, scene.wine, "%s-user-%s" % (scene.wine.state, cls.__name__.lower())))
        cls.agents = os.path.join(cls.wine.prefix, "drive_c", "users", users.USER, "AppData", "Local", "Kalvex",
                                  "Agents")

    def product(self, name):
        """A product at version 1 laid out in Program Files, whose release nginx serves from
        its folder's served/; (Product, nginx)."""
        folder = self.wine.scratch(name)
        served = os.path.join(folder, "served")
        os.makedirs(served)
        server = self.enterContext(servers.nginx(served, self.wine.scratch("nginx")))
        stem = os.path.basename(folder).rsplit("-", 1)[-1]
        # No countdown for safety: an agent told to end does not restart itself after the
        # update. Whatever a failed scenario leaves running ends with the environment.
        product = products.Product(self.wine, folder, server.url,
                                   target=os.path.join(self.wine.prefix, "drive_c", "Program Files", "Sample " + stem))
        self.addCleanup(product.end)
        # Laid out by root, as an administrator's installation leaves it: the user may read
        # and run everything there and change nothing.
        product.lay_out(version=1)
        return product, server

    def fetches(self, server, product):
        """The agent's fetches of the ".info": each asks for its size first (206), then for
        the file (200)."""
        return [line for line in server.access_log() if "/" + product.info_name + " " in line and " 200 " in line]


class StandardUser(InProgramFiles, unittest.TestCase):
    def test_check_update_and_the_recorded_version_beside_a_folder_the_user_cannot_write(self):
        wine = self.wine
        product, server = self.product("standard")
        folder, served = product.folder, os.path.join(product.folder, "served")
        # A check an hour after the last; a release already asked about is asked about
        # again a second later, so that a check on request compares the versions.
        product.set_original({"OriginalSetup": {"ProbeSecondsInterval": 3600, "ReAskSecondsInterval": 1},
                              "AutoUpdate": products.TEXTS})
        os.chmod(product.target, 0o755)
        installed = snapshot(product.target)
        self.assertEqual({owner for _, owner, _ in installed.values()}, {0})
        self.assertNotEqual(wine.shell("touch", product.original_path, os.path.join(product.target, "new"),
                                       capture_output=True).returncode, 0)

        # Version 2 installs its files where the user may write; what matters here is
        # the agent's own state.
        files = wine.scratch("standard-files")
        record = os.path.join(folder, "update.txt")
        product.publish(served, server.url, 2,
                        setup=product.setup(2, "/Target=%s /Record=%s" % (winpath(files), winpath(record))))

        with trace.viewer(wine, "standard-trace") as capture:
            # Unelevated, as a standard user's agent runs: an update it cannot write beside
            # needs rights that it lacks.
            product.run_agent("/DELAY=0", unelevated=True)
            [state] = wait_for(lambda: glob.glob(os.path.join(self.agents, product.stem + "-*")), 60,
                               "the agent's folder of its own under " + self.agents)
            product.use_state(state)
            self.assertEqual(product.wait_logged("PerformAutoUpdate() - END    Result="), ["TRUE"])
            started = elevated_start(capture.text, wine.windows_path(product.xcopy))
            # The agent restarts itself after the update. Its new copy would check on its
            # fourth tick were a check due; the next is an hour away.
            product.wait_logged("WinMain", count=2)
            product.wait_ticks(capture, product.ticks(capture) + 8)
            self.assertEqual(product.decisions(), ["6 - OK"])
            # A check on request finds the installed version to be the release's.
            product.run_agent("/TEST=0")
            self.assertEqual(product.wait_logged("GetOkToPerformAU = ", count=2),
                             ["6 - OK", "3 - New version is not higher then old version"])
            product.wait_ticks(capture, product.ticks(capture) + 4)
            self.assertEqual(len(product.decisions()), 2)
        fetches = self.fetches(server, product)
        self.assertEqual(len(fetches), 2, fetches)

        # Nothing in the product's folder changed; the agent's files are in its own.
        self.assertEqual(snapshot(product.target), installed)
        self.assertTrue(os.path.exists(product.info_path))
        update_record = lines_of(record)
        self.assertIn("ORIGINALINFO " + wine.windows_path(product.info_path), update_record)
        # What ran elevated is the fetched update setup, held by the agent, with the
        # update's arguments; its own launcher unpacked and started the engine, which got
        # them as the agent's own run would have given them, and the agent's copy.
        program, arguments = started
        self.assertEqual(ntpath.dirname(ntpath.dirname(program)).lower(), wine.windows_path(state).lower())
        self.assertTrue(ntpath.dirname(program).lower().endswith(".fetch"), program)
        self.assertIn('/AgentUpdate="%s"' % product.agent_name, arguments)
        [engine_line] = [line for line in update_record if line.startswith("COMMANDLINE ")]
        for part in ('/OriginalInfoFile="%s"' % wine.windows_path(product.info_path),
                     '/OriginExe="%s"' % wine.windows_path(product.xcopy), "/AutoUpdateProg"):
            self.assertIn(part, engine_line)
        self.assertNotIn("/AgentUpdate=", engine_line)
        self.assertIn("INSTALLED " + product.agent_name, update_record)
        with open(os.path.join(files, "version.txt"), "rb") as f:
            self.assertEqual(f.read(), b"2")
        # What it recorded, over the installed description it read.
        recorded = os.path.join(state, "X_" + os.path.basename(product.original_path))
        self.assertEqual(products.ini_value(recorded, "Installed", "VersionOriginal"), "v1")
        self.assertEqual(products.ini_value(recorded, "OriginalSetup", "VersionOriginal"), "2")
        self.assertEqual(products.ini_value(recorded, "OriginalSetup", "Stamp"), "2")
        self.assertIsNotNone(products.ini_value(recorded, "OriginalSetup", "ProbeSecondsLast"))
        self.assertEqual(product.version, "1")
        self.assertFalse(glob.glob(os.path.join(state, "*.fetch", "*")))


class ElevatedUpdateNotCompleted(InProgramFiles, unittest.TestCase):
    def test_an_update_in_the_background_whose_engine_does_not_finish_is_no_success(self):
        wine = self.wine
        product, server = self.product("unfinished")
        product.set_original({"OriginalSetup": {"ProbeSecondsInterval": 3600}, "AutoUpdate": products.TEXTS})
        files = wine.scratch("unfinished-files")
        record = os.path.join(product.folder, "update.txt")
        # The engine ends with 0 and keeps its completion atom, as a killed one may.
        product.publish(os.path.join(product.folder, "served"), server.url, 2,
                        setup=product.setup(2, "/Target=%s /Record=%s /KeepAtom" % (winpath(files), winpath(record))),
                        update={"BackgroundUpdate": 1})
        with trace.viewer(wine, "unfinished-trace") as capture:
            product.run_agent("/DELAY=0", unelevated=True)
            [state] = wait_for(lambda: glob.glob(os.path.join(self.agents, product.stem + "-*")), 60,
                               "the agent's folder of its own under " + self.agents)
            product.use_state(state)
            self.assertEqual(product.wait_logged("PerformAutoUpdate() - END    Result="), ["FALSE"])
            # Its launcher reports the unfinished engine as a failed setup.
            _, arguments = elevated_start(capture.text, wine.windows_path(product.xcopy), ended=1603)
        self.assertTrue(arguments.endswith(" /hide"), arguments)
        update_record = lines_of(record)
        self.assertIn("SHOW hidden", update_record)
        self.assertIn("EXIT 0", update_record)
        [engine_line] = [line for line in update_record if line.startswith("COMMANDLINE ")]
        self.assertTrue(engine_line.endswith(" /AutoUpdateProg"), engine_line)
        self.assertNotIn("/hide", engine_line)
        recorded = os.path.join(state, "X_" + os.path.basename(product.original_path))
        self.assertTrue(os.path.exists(recorded))
        self.assertNotEqual(products.ini_value(recorded, "OriginalSetup", "VersionOriginal"), "2")
        self.assertFalse(glob.glob(os.path.join(state, "*.fetch", "*")))


class RecordsThatCannotBeWritten(InProgramFiles, unittest.TestCase):
    def test_a_check_whose_records_cannot_be_written_is_no_success_and_comes_no_sooner(self):
        product, server = self.product("unwritten")
        product.set_original({"OriginalSetup": {"ProbeSecondsInterval": 3600}, "AutoUpdate": products.TEXTS})
        product.publish(os.path.join(product.folder, "served"), server.url, 2, setup=product.setup(2))
        # A first start makes the agent's own folder and is stopped before it checks.
        product.run_agent("/STOP=0")
        product.wait_ended()
        [state] = glob.glob(os.path.join(self.agents, product.stem + "-*"))
        product.use_state(state)
        # Folders stand where the fetched ".info" and the agent's records would be written.
        recorded = os.path.join(state, "X_" + os.path.basename(product.original_path))
        for path in (product.info_path, recorded):
            os.mkdir(path)
        with trace.viewer(self.wine, "unwritten-trace") as capture:
            product.run_agent("/DELAY=0")
            self.assertEqual(product.wait_logged("GetOkToPerformAU = "), ["0 - Error downloading .INFO file"])
            # Its check time could not be recorded, yet the next check is an hour away.
            product.wait_ticks(capture, product.ticks(capture) + 6)
        self.assertEqual(product.decisions(), ["0 - Error downloading .INFO file"])
        self.assertEqual(len(self.fetches(server, product)), 1)
        self.assertTrue([line for line in product.log() if line.startswith("ERROR: " + self.wine.windows_path(
            product.info_path) + " --- ")], product.log())
        self.assertEqual(product.version, "1")


if __name__ == "__main__":
    scene.main()
