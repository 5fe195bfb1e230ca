"""The update cycle end to end: version 1 of the sample product installed with its agent,
version 2 published on a server on 127.0.0.1, and the agent that finds it, asks as the
release says, stops the product, runs the update setup, records the new version, starts
the product again and restarts itself through the plain agent."""
import contextlib
import os
import shutil
import signal
import unittest

import scene  # first: it makes the harness importable
from harness import boxes, lines_of, products, servers, wait_for, winpath
from harness.wine import end_processes_naming


# The override list with RestartProcess forced on: the release itself does not ask for a
# restart, so a restarted product shows that the list reached the X_ copy.
RESTART_FORCED = "|255|255|255|255|255|1|255|255|"


@contextlib.contextmanager
def on_nginx(name, **options):
    """A scenario folder whose served/ folder nginx serves, with the sample product
    installed there; yields (Product, nginx)."""
    folder = scene.wine.scratch(name)
    os.makedirs(os.path.join(folder, "served"))
    with servers.nginx(os.path.join(folder, "served"), scene.wine.scratch("nginx")) as server, \
            products.sample_product(scene.wine, folder, server.url, **options) as installed:
        yield installed, server


def publish(installed, download_url, engine=None, **update):
    """Publishes version 2 into the scenario's served/ folder: an update whose engine
    records into update.txt (engine: more of its parameters) and installs into the
    product's folder, which it reads from the ".original" file beside the ".info" it is
    given; update: keys of the release's [Update] section. Returns the served folder."""
    parameters = "/Record=" + winpath(os.path.join(installed.folder, "update.txt"))
    if engine:
        parameters += " " + engine
    keys = {"RunningProcess": installed.running_process("/Again"), "ShutDownMethod": "Using WM_CLOSE", **update}
    return installed.publish(os.path.join(installed.folder, "served"), download_url, 2,
                             setup=installed.setup(2, parameters), update=keys)


def update_record(installed):
    """What the update's engine recorded."""
    return lines_of(os.path.join(installed.folder, "update.txt"))


def cycle(installed, *args):
    """Starts the agent (first check on its first tick) and waits for the end of the
    update cycle; its result."""
    installed.run_agent("/DELAY=0", *args)
    [result] = installed.wait_logged("PerformAutoUpdate() - END    Result=")
    return result


def fetched_update(installed):
    return any(m.startswith("Download START: ") and m.endswith(installed.update_file) for m in installed.log())


class UpdateInstalled(unittest.TestCase):
    def test_product_stopped_updated_restarted_and_the_agent_restarted(self):
        for method, asked_to_close in [("Using WM_CLOSE", True), ("Using Terminate Process", False)]:
            with self.subTest(method), on_nginx("update-" + method.split()[-1].lower()) as (installed, server):
                installed.start_product()
                publish(installed, server.url, ShutDownMethod=method)
                installed.run_agent("/DELAY=0", "/TRANSIENT=" + RESTART_FORCED)
                [old_copy] = installed.copies()
                self.assertEqual(installed.wait_logged("PerformAutoUpdate() - END    Result="), ["TRUE"])

                self.assertEqual(installed.version, "2")
                self.assertEqual(installed.installed_version(), b"2")
                record = update_record(installed)
                info = winpath(installed.info_path)
                self.assertIn("ORIGINALINFO " + info, record)
                [command] = [line for line in record if line.startswith("COMMANDLINE ")]
                self.assertIn(' /OriginalInfoFile="%s" ' % info, command)
                self.assertTrue(command.endswith(" /AutoUpdateProg"), command)
                self.assertIn("SHOW shown", record)
                # Into the folder the ".original" file names, the agent among the files.
                self.assertEqual(sorted(line for line in record if line.startswith("INSTALLED ")),
                                 ["INSTALLED " + n for n in sorted(["SampleProduct.exe", "version.txt",
                                                                     installed.agent_name])])
                self.assertFalse(os.path.exists(os.path.join(installed.target, installed.update_file)))

                # Stopped by the method, then started again with its arguments, once.
                self.assertEqual(len(installed.restarted_product()), 2)
                lines = installed.product_record_lines()
                self.assertTrue(lines[1].startswith("close wParam=15 lParam=255 ") if asked_to_close
                                else lines[1].startswith("start "), lines)
                self.assertEqual("end" in lines, asked_to_close, lines)
                self.assertTrue(lines[-1].endswith(" /Record=%s /Again" % winpath(installed.product_record)),
                                lines)
                self.assertTrue(installed.running("SampleProduct.exe"))

                # The plain agent waits for this copy to end, then replaces it; the
                # override list goes along.
                self.assertIn(".. WinExec - %s /_ZZ=99 /WAIT=10 /TRANSIENT=%s" % (winpath(installed.agent),
                                                                                  RESTART_FORCED),
                              installed.log())
                installed.wait_logged("WinMain", count=2, seconds=60)
                plain = installed.log("")
                self.assertIn("Wait 10 SEC", plain)
                self.assertEqual(plain.count("Create X_ File "), 2, plain)
                self.assertIn("WinExec: %s /TRANSIENTx=%s" % (winpath(installed.xcopy), RESTART_FORCED), plain)
                [new_copy] = installed.copies()
                self.assertNotEqual(new_copy, old_copy)
                # The new copy checks once and knows the release by its stamp: no second update.
                self.assertEqual(installed.wait_logged("GetOkToPerformAU = ", count=2)[1], "2 - Too early for retesting")
                self.assertEqual(installed.original("Stamp"), "2")

    def test_background_update_starts_the_setup_hidden(self):
        with on_nginx("update-background") as (installed, server):
            publish(installed, server.url, BackgroundUpdate=1)
            self.assertEqual(cycle(installed), "TRUE")
            self.assertEqual(installed.version, "2")
            self.assertIn("SHOW hidden", update_record(installed))


class UpdateNotCompleted(unittest.TestCase):
    def test_setup_that_keeps_its_completion_atom(self):
        with on_nginx("update-keepatom") as (installed, server):
            installed.start_product()
            # A finish message would hold the cycle before its end line: nobody answers it here.
            publish(installed, server.url, engine="/KeepAtom", InformFinish=1, RestartProcess=1)
            self.assertEqual(cycle(installed), "FALSE")
            record = update_record(installed)
            self.assertIn("EXIT 0", record)
            self.assertNotIn("ATOM deleted", record)
            self.assertEqual(installed.version, "1")
            self.assertFalse(os.path.exists(os.path.join(installed.target, installed.update_file)))
            # The product it stopped runs again, once; the agent goes on as it is.
            self.assertEqual(len(installed.restarted_product()), 2)
            self.assertIn("end", installed.product_record_lines())
            self.assertFalse(any(m.startswith(".. ReStartAutoUpdateExe()") for m in installed.log()))
            self.assertTrue(installed.copies())

    def test_update_file_missing_on_the_server(self):
        with on_nginx("update-missing") as (installed, server):
            installed.start_product()
            served = publish(installed, server.url)
            os.remove(os.path.join(served, installed.update_file))
            installed.run_agent("/DELAY=0")
            # Its size is asked before the cycle: the release does not pass the check.
            installed.wait_logged("GetOkToPerformAU = ")
            messages = installed.log()
            self.assertIn("GetOkToPerformAU = 5 - Download file size error", messages)
            self.assertNotIn("PerformAutoUpdate() - START", messages)
            self.assertEqual(installed.version, "1")
            self.assertEqual(len(installed.product_record_lines()), 1)

    def test_transfer_cut_short(self):
        folder = scene.wine.scratch("update-cut")
        with servers.scripted() as server, \
                products.sample_product(scene.wine, folder, server.url + "/files") as installed:
            installed.start_product()
            # The size check reads the announced length; the transfer then ends early.
            served = publish(installed, server.url + "/cut/5000")
            for name in os.listdir(served):
                with open(os.path.join(served, name), "rb") as f:
                    server.files[name] = f.read()
            self.assertEqual(cycle(installed), "FALSE")
            self.assertTrue(fetched_update(installed))
            self.assertFalse(any(m.startswith("Shut Down Process()") for m in installed.log()))
            self.assertEqual(installed.version, "1")
            self.assertEqual(update_record(installed), [])
            self.assertFalse(os.path.exists(os.path.join(installed.target, installed.update_file)))
            self.assertEqual(len(installed.product_record_lines()), 1)
            self.assertTrue(installed.running("SampleProduct.exe"))


class UpdateRefused(unittest.TestCase):
    def test_update_file_of_another_product(self):
        with on_nginx("update-foreign") as (installed, server):
            installed.start_product()
            served = publish(installed, server.url)
            other = installed.setup(2, token="other token!")
            shutil.copyfile(other, os.path.join(served, installed.update_file))
            products.write_ini(os.path.join(served, installed.info_name),
                               {"NewSetup": {"SizeOfUpdateFile": os.path.getsize(other)}})
            with boxes.answering(scene.wine, "Error", "Return") as answered:
                self.assertEqual(cycle(installed), "FALSE")
            self.assertTrue(answered, "no error box")
            errors = [m for m in installed.log() if m.startswith("ERROR: ")]
            self.assertEqual(len(errors), 1, errors)
            self.assertIn("Bad Secret Token!", errors[0])
            self.assertFalse(os.path.exists(os.path.join(installed.target, installed.update_file)))
            self.assertEqual(update_record(installed), [])
            self.assertEqual(installed.version, "1")
            self.assertEqual(len(installed.product_record_lines()), 1)


class StartUpShortcuts(unittest.TestCase):
    def test_only_the_start_up_shortcut_named_before_the_update_is_removed(self):
        with on_nginx("update-shortcuts") as (installed, server):
            [user] = [u for u in os.listdir(os.path.join(scene.wine.prefix, "drive_c", "users")) if u != "Public"]
            startup = "C:\\users\\%s\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp" % user
            old, new = ("%s\\%s-%s.lnk" % (startup, installed.stem, which) for which in ("old", "new"))
            # The product's other shortcut lies elsewhere: only start-up shortcuts are removed.
            check = os.path.join(installed.folder, "check.lnk")
            for link in (scene.wine.host_path(old), scene.wine.host_path(new), check):
                os.makedirs(os.path.dirname(link), exist_ok=True)
                with open(link, "w") as f:
                    f.write("link")
                self.addCleanup(lambda path=link: os.path.exists(path) and os.remove(path))
            installed.set_original({"UnInstall": {"StartUpLink": old, "CheckforNewUpdateLink": winpath(check)}})
            # The update's installer makes a new start-up shortcut and records it.
            publish(installed, server.url, engine="/Original=%s \"/StartUpLink=%s\"" % (
                winpath(installed.original_path), new), RemoveStartUpShortcut=1, RemoveCheckForNewUpdateShortcut=1)
            self.assertEqual(cycle(installed), "TRUE")
            self.assertEqual(len([line for line in update_record(installed) if line.startswith("RELINKED ")]), 1)
            self.assertFalse(os.path.exists(scene.wine.host_path(old)))
            self.assertTrue(os.path.exists(scene.wine.host_path(new)))
            self.assertTrue(os.path.exists(check))


class UpdateQuestions(unittest.TestCase):
    def test_declined_questions_leave_everything_as_it_was(self):
        for question, keys in [("download", {"RequestConfirmationBeforeDownload": 1}),
                               ("install", {"RequestConfirmationBeforeInstall": 1})]:
            with self.subTest(question), on_nginx("ask-" + question) as (installed, server):
                installed.start_product()
                publish(installed, server.url, **keys)
                with boxes.answering(scene.wine, "Confirm", "n") as answered:
                    self.assertEqual(cycle(installed), "FALSE")
                self.assertTrue(answered, "no question")
                # Declined before the download, nothing is fetched; after it, the file goes.
                self.assertEqual(fetched_update(installed), question == "install")
                self.assertFalse(os.path.exists(os.path.join(installed.target, installed.update_file)))
                self.assertFalse(any(m.startswith("Shut Down Process()") for m in installed.log()))
                self.assertEqual(update_record(installed), [])
                self.assertEqual(installed.version, "1")
                self.assertEqual(len(installed.product_record_lines()), 1)
                self.assertTrue(installed.running("SampleProduct.exe"))

    def test_forced_questions_only_inform(self):
        for question, keys in [("download", {"RequestConfirmationBeforeDownload": 1,
                                             "RequestConfirmationBeforeDownloadForce": 1}),
                               ("install", {"RequestConfirmationBeforeInstall": 1,
                                            "RequestConfirmationBeforeInstallForce": 1})]:
            with self.subTest(question), on_nginx("force-" + question) as (installed, server):
                installed.start_product()
                publish(installed, server.url, **keys)
                with boxes.answering(scene.wine, "Attention", "Return") as answered:
                    self.assertEqual(cycle(installed), "TRUE")
                self.assertTrue(answered, "no attention box")
                self.assertEqual(installed.version, "2")
                self.assertEqual(installed.installed_version(), b"2")


class RunningProcessForms(unittest.TestCase):
    """RunningProcess as suite authors write it: the program is split from its arguments
    before its folder variables are expanded, and a product stopped for the update starts
    again as the release names it."""

    def test_quoted_with_a_parent_step_a_unc_folder_a_bare_name_and_the_native_program_files(self):
        for form in ("parent", "unc", "bare", "native"):
            with self.subTest(form), on_nginx("form-" + form) as (installed, server):
                record = "/Record=" + winpath(installed.product_record)
                method = "Using WM_CLOSE"
                if form == "parent":
                    running = '"<InstallDir>..\\target\\SampleProduct.exe" %s /Again' % record
                    installed.start_product()
                elif form == "unc":
                    share = self.unc_share(installed)
                    installed.set_original({"Directories": {"TargetDir": share + "\\"}})
                    running = '"<InstallDir>SampleProduct.exe" %s /Again' % record
                    installed.start(share + "\\SampleProduct.exe", record)
                    wait_for(lambda: installed.product_recorded("start"), 60, "start of the product")
                elif form == "native":
                    # The system's own Program Files, where products of its own kind go: a
                    # 64-bit product where the layers run on the 64-bit twin. (The shipped
                    # 32-bit agent finding a 64-bit product there is win_unit.crossarch.)
                    product = self.in_native_program_files(installed)
                    running = '"<NativeProgramFilesDir>%s" %s /Again' % (
                        scene.wine.windows_path(product)[len("C:\\Program Files\\"):], record)
                    installed.start(scene.wine.windows_path(product), record)
                    wait_for(lambda: installed.product_recorded("start"), 60, "start of the product")
                else:
                    # Found running by its name alone (one no other scenario's product
                    # has), and started again where the system's start of that name finds
                    # it: beside the agent. A bare name is never closed by a method that
                    # wants the full path: its user ends it while the agent waits.
                    name = "SampleProduct-%s.exe" % installed.stem
                    shutil.copyfile(installed.product, os.path.join(installed.target, name))
                    running = '"%s" %s /Again' % (name, record)
                    method = ""
                    installed.start(os.path.join(installed.target, name), record)
                    wait_for(lambda: installed.product_recorded("start"), 60, "start of the product")
                publish(installed, server.url, RunningProcess=running, ShutDownMethod=method, RestartProcess=1)
                installed.run_agent("/DELAY=0")
                if form == "bare":
                    installed.wait_logged("Shut Down Process() - START")
                    for pid in installed.running(name):
                        os.kill(pid, signal.SIGKILL)
                self.assertEqual(installed.wait_logged("PerformAutoUpdate() - END    Result="), ["TRUE"])
                self.assertEqual(installed.version, "2")
                starts = wait_for(lambda: len(installed.product_recorded("start")) >= 2 and
                                  installed.product_recorded("start"), 30, "the product's restart",
                                  installed.product_record_lines)
                self.assertTrue(starts[-1].endswith(" %s /Again" % record), starts)
                self.assertEqual(bool(installed.product_recorded("close")), form != "bare",
                                 installed.product_record_lines())

    def in_native_program_files(self, installed):
        """A copy of the product in the prefix's C:\\Program Files, in a folder of the
        scenario's own; it and what runs from it go with the test."""
        folder = os.path.join(scene.wine.prefix, "drive_c", "Program Files", "Sample " + installed.stem)
        os.makedirs(folder)
        self.addCleanup(shutil.rmtree, folder)
        self.addCleanup(end_processes_naming, folder, scene.wine.windows_path(folder))
        product = os.path.join(folder, "SampleProduct.exe")
        shutil.copyfile(installed.product, product)
        return product

    def unc_share(self, installed):
        """The product's folder as a share of the server "kfield", through the prefix's map
        of UNC names; the share and what runs from it go with the test."""
        name = os.path.basename(installed.folder)
        unc = os.path.join(scene.wine.prefix, "dosdevices", "unc", "kfield")
        os.makedirs(unc, exist_ok=True)
        link = os.path.join(unc, name)
        os.symlink(installed.target, link)
        share = "\\\\kfield\\" + name
        self.addCleanup(os.remove, link)
        self.addCleanup(end_processes_naming, installed.folder, share)
        return share


class ProductThatDoesNotEnd(unittest.TestCase):
    def test_the_update_is_put_off_after_the_wait_and_offered_again(self):
        with on_nginx("update-stuck", probe=5) as (installed, server):
            installed.start_product("/Ignore")
            publish(installed, server.url, ShutDownWaitSeconds=3)
            installed.run_agent("/DELAY=0")
            self.assertEqual(installed.wait_logged("PerformAutoUpdate() - END    Result="), ["FALSE"])
            messages = installed.log()
            self.assertIn("Shut Down Process() - still running after 3 s", messages)
            self.assertTrue(any(m.startswith("PerformAutoUpdate() - put off: ") for m in messages), messages)
            # Nothing was installed over it, and it runs on, never asked to start again.
            self.assertEqual(update_record(installed), [])
            self.assertEqual(installed.version, "1")
            self.assertTrue(installed.running("SampleProduct.exe"))
            self.assertEqual(len(installed.product_recorded("start")), 1)
            self.assertFalse(os.path.exists(os.path.join(installed.target, installed.update_file)))
            # Not recorded as asked: the next check offers the release again.
            self.assertIn(installed.original("Stamp"), (None, "0"))
            installed.wait_logged("PerformAutoUpdate() - START", count=2, seconds=60)
            self.assertEqual(installed.decisions()[:2], ["6 - OK", "6 - OK"])


class StopDuringAQuestion(unittest.TestCase):
    """An uninstaller's "/STOP=0" while the agent's X_ copy shows a question ends the copy:
    the request goes to the copy's own window, not to the box, and the box closes as
    declined."""

    def test_stop_while_the_agent_asks(self):
        for question, title in [("check", "Confirm"), ("download", "Confirm"), ("close", "Attention")]:
            with self.subTest(question), on_nginx("stop-" + question) as (installed, server):
                installed.start_product()
                keys = {"download": {"RequestConfirmationBeforeDownload": 1},
                        "close": {"ShutDownMethod": "Issue a Message Box"}}.get(question, {})
                publish(installed, server.url, **keys)
                installed.set_original({"AutoUpdate": {"s15": "Please close PROG_NAME."}})
                ask_first = ("/TRANSIENT=|1|255|255|255|255|255|255|255|",) if question == "check" else ()
                installed.run_agent("/DELAY=0", *ask_first)
                wait_for(lambda: boxes.visible_window(scene.wine, "^%s$" % title), 60, "the %s question" % question)
                self.assertEqual(installed.run_agent("/STOP=0"), 0)
                installed.wait_ended(30)
                wait_for(lambda: not os.path.exists(installed.xcopy), 30, "the X_ file's removal")
                messages = installed.log()
                self.assertIn("PostProcessMessage(wm_ShutDown) to: " + winpath(installed.xcopy), messages)
                # Declined: nothing was checked, fetched, installed or restarted.
                self.assertEqual(any(m.startswith("GetOkToPerformAU") for m in messages), question != "check")
                self.assertEqual(fetched_update(installed), question == "close")
                self.assertFalse(os.path.exists(os.path.join(installed.target, installed.update_file)))
                self.assertEqual(installed.version, "1")
                self.assertEqual(update_record(installed), [])
                self.assertFalse(any(m.startswith(".. WinExec - ") for m in messages))
                self.assertTrue(installed.running("SampleProduct.exe"))


class FolderSource(unittest.TestCase):
    def test_a_read_only_update_file_from_a_folder_leaves_no_copy_behind(self):
        # The product's own update address is the folder: a release may name it.
        folder = scene.wine.scratch("update-folder")
        source = os.path.join(folder, "source")
        os.makedirs(source)
        with products.sample_product(scene.wine, folder, winpath(source)) as installed:
            served = publish(installed, winpath(source))
            for name in (installed.info_name, installed.update_file):
                os.replace(os.path.join(served, name), os.path.join(source, name))
            update = os.path.join(source, installed.update_file)
            os.chmod(update, 0o444)
            self.assertEqual(cycle(installed), "TRUE")
            self.assertEqual(installed.version, "2")
            # The copy was writable: the cycle removed it from the agent's folder.
            self.assertFalse(os.path.exists(os.path.join(installed.target, installed.update_file)))


class CheckOnRequest(unittest.TestCase):
    def test_test_switch_through_the_plain_agent(self):
        # "/TEST=" n is request 31 with the value n: 2 asks for an interactive check (asked
        # before it starts, then no download or install question, and the finish message
        # always), any other value for a check now as configured. The X_ copy started for
        # it gets a shutdown countdown of 2.
        for value, questions, version in [("2", [("Confirm", "y"), ("Attention", "Return")], "2"),
                                          ("1", [("Confirm", "n")], "1")]:
            with self.subTest(value), on_nginx("test-" + value, probe=-1) as (installed, server):
                publish(installed, server.url, RequestConfirmationBeforeDownload=1)
                with contextlib.ExitStack() as stack:
                    answered = [stack.enter_context(boxes.answering(scene.wine, title, key))
                                for title, key in questions]
                    installed.run_agent("/TEST=" + value)
                    installed.wait_logged("PerformAutoUpdate() - END")
                self.assertEqual([bool(a) for a in answered], [True] * len(questions))
                self.assertEqual(installed.version, version)
                self.assertIn("PostProcessMessage(wm_AgentMsg) to: %s - AU_PerformUpdateCycle (%s)"
                              % (winpath(installed.xcopy), value), installed.log(""))
                # It ends by itself soon after and does not start the agent again.
                installed.wait_ended(30)
                self.assertFalse(any(m.startswith(".. WinExec - ") for m in installed.log()))


class CountdownAgent(unittest.TestCase):
    def test_agent_with_a_shutdown_countdown_does_not_restart_itself(self):
        with on_nginx("update-countdown") as (installed, server):
            publish(installed, server.url)
            # The countdown arrives before the first tick; the check comes on the second.
            installed.run_agent("/DELAY=1", "/STOP=5")
            self.assertEqual(installed.wait_logged("PerformAutoUpdate() - END    Result="), ["TRUE"])
            self.assertEqual(installed.version, "2")
            installed.wait_ended(30)
            messages = installed.log()
            self.assertIn(".. ReStartAutoUpdateExe() - Start", messages)
            self.assertFalse(any(m.startswith(".. WinExec - ") for m in messages))
            self.assertEqual(messages.count("CreateAndRun_X_Exe() --- Start"), 1)


if __name__ == "__main__":
    scene.main()
