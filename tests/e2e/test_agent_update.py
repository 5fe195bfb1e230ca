"""The update cycle end to end: version 1 of the sample product installed with its agent,
version 2 published on a server on 127.0.0.1, and the agent that finds it, asks as the
release says, stops the product, runs the update setup, records the new version, starts
the product again and restarts itself through the plain agent."""
import contextlib
import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import installs as agents  # noqa: E402
import bench  # noqa: E402
import servers  # noqa: E402

# The override list with RestartProcess forced on: the release itself does not ask for a
# restart, so a restarted product shows that the list reached the X_ copy.
RESTART_FORCED = "|255|255|255|255|255|1|255|255|"
UPDATE_FILE = "sample-2.exe"


def cycle(installed, *args):
    """Starts the agent (first check on its first tick) and waits for the end of the
    update cycle; its result line."""
    installed.run_agent("/DELAY=0", *args)
    [end] = installed.wait_log("PerformAutoUpdate() - END")
    return end


def fetched_update(installed):
    return any(m.startswith("Download START: ") and m.endswith(UPDATE_FILE) for m in installed.log_messages())


class UpdateInstalled(unittest.TestCase):
    def test_product_stopped_updated_restarted_and_the_agent_restarted(self):
        for method, asked_to_close in [("Using WM_CLOSE", True), ("Using Terminate Process", False)]:
            with self.subTest(method), agents.on_nginx("update-" + method.split()[-1].lower()) as (installed, server):
                installed.start_product()
                agents.publish(installed, server.url, ShutDownMethod=method)
                installed.run_agent("/DELAY=0", "/TRANSIENT=" + RESTART_FORCED)
                [old_copy] = installed.running("X_" + installed.agent_name)
                self.assertEqual(installed.wait_log("PerformAutoUpdate() - END"),
                                 ["PerformAutoUpdate() - END    Result=TRUE"])

                self.assertEqual(installed.version, "2")
                self.assertEqual(installed.installed_version(), b"2")
                record = agents.update_record(installed)
                info = bench.winpath(installed.info)
                self.assertIn("ORIGINALINFO " + info, record)
                [command] = [line for line in record if line.startswith("COMMANDLINE ")]
                self.assertIn(' /OriginalInfoFile="%s" ' % info, command)
                self.assertTrue(command.endswith(" /AutoUpdateProg"), command)
                self.assertIn("SHOW shown", record)
                # Into the folder the ".original" file names, the agent among the files.
                self.assertEqual(sorted(line for line in record if line.startswith("INSTALLED ")),
                                 ["INSTALLED " + n for n in sorted(["SampleProduct.exe", "version.txt",
                                                                     installed.agent_name])])
                self.assertFalse(os.path.exists(os.path.join(installed.target, UPDATE_FILE)))

                # Stopped by the method, then started again with its arguments, once.
                self.assertEqual(len(installed.restarted_product()), 2)
                lines = installed.product_record_lines()
                self.assertTrue(lines[1].startswith("close wParam=15 lParam=255 ") if asked_to_close
                                else lines[1].startswith("start "), lines)
                self.assertEqual("end" in lines, asked_to_close, lines)
                self.assertTrue(lines[-1].endswith(" /Record=%s /Again" % bench.winpath(installed.product_record)),
                                lines)
                self.assertTrue(installed.running("SampleProduct.exe"))

                # The plain agent waits for this copy to end, then replaces it; the
                # override list goes along.
                self.assertIn(".. WinExec - %s /_ZZ=99 /WAIT=10 /TRANSIENT=%s" % (bench.winpath(installed.agent),
                                                                                  RESTART_FORCED),
                              installed.log_messages())
                installed.wait_log("WinMain", count=2, seconds=60)
                plain = installed.log_messages("")
                self.assertIn("Wait 10 SEC", plain)
                self.assertEqual(plain.count("Create X_ File "), 2, plain)
                self.assertIn("WinExec: %s /TRANSIENTx=%s" % (bench.winpath(installed.xcopy), RESTART_FORCED), plain)
                [new_copy] = installed.running("X_" + installed.agent_name)
                self.assertNotEqual(new_copy, old_copy)
                # The new copy checks once and knows the release by its stamp: no second update.
                self.assertEqual(installed.wait_log("GetOkToPerformAU = ", count=2)[1],
                                 "GetOkToPerformAU = 2 - Too early for retesting")
                self.assertEqual(agents.ini_value(installed.original, "OriginalSetup", "Stamp"), "2")

    def test_background_update_starts_the_setup_hidden(self):
        with agents.on_nginx("update-background") as (installed, server):
            agents.publish(installed, server.url, BackgroundUpdate=1)
            self.assertEqual(cycle(installed), "PerformAutoUpdate() - END    Result=TRUE")
            self.assertEqual(installed.version, "2")
            self.assertIn("SHOW hidden", agents.update_record(installed))


class UpdateNotCompleted(unittest.TestCase):
    def test_setup_that_keeps_its_completion_atom(self):
        with agents.on_nginx("update-keepatom") as (installed, server):
            installed.start_product()
            # A finish message would hold the cycle before its end line: nobody answers it here.
            agents.publish(installed, server.url, engine="/KeepAtom", InformFinish=1, RestartProcess=1)
            self.assertEqual(cycle(installed), "PerformAutoUpdate() - END    Result=FALSE")
            record = agents.update_record(installed)
            self.assertIn("EXIT 0", record)
            self.assertNotIn("ATOM deleted", record)
            self.assertEqual(installed.version, "1")
            self.assertFalse(os.path.exists(os.path.join(installed.target, UPDATE_FILE)))
            # The product it stopped runs again, once; the agent goes on as it is.
            self.assertEqual(len(installed.restarted_product()), 2)
            self.assertIn("end", installed.product_record_lines())
            self.assertFalse(any(m.startswith(".. ReStartAutoUpdateExe()") for m in installed.log_messages()))
            self.assertTrue(installed.running("X_" + installed.agent_name))

    def test_update_file_missing_on_the_server(self):
        with agents.on_nginx("update-missing") as (installed, server):
            installed.start_product()
            served = agents.publish(installed, server.url)
            os.remove(os.path.join(served, UPDATE_FILE))
            installed.run_agent("/DELAY=0")
            # Its size is asked before the cycle: the release does not pass the check.
            installed.wait_log("GetOkToPerformAU = ")
            messages = installed.log_messages()
            self.assertIn("GetOkToPerformAU = 5 - Download file size error", messages)
            self.assertNotIn("PerformAutoUpdate() - START", messages)
            self.assertEqual(installed.version, "1")
            self.assertEqual(len(installed.product_record_lines()), 1)

    def test_transfer_cut_short(self):
        folder = bench.scratch("update-cut")
        with servers.scripted() as server, agents.Installed(folder, server.url + "/files") as installed:
            installed.start_product()
            # The size check reads the announced length; the transfer then ends early.
            served = agents.publish(installed, server.url + "/cut/5000")
            for name in os.listdir(served):
                with open(os.path.join(served, name), "rb") as f:
                    server.files[name] = f.read()
            self.assertEqual(cycle(installed), "PerformAutoUpdate() - END    Result=FALSE")
            self.assertTrue(fetched_update(installed))
            self.assertFalse(any(m.startswith("Shut Down Process()") for m in installed.log_messages()))
            self.assertEqual(installed.version, "1")
            self.assertEqual(agents.update_record(installed), [])
            self.assertFalse(os.path.exists(os.path.join(installed.target, UPDATE_FILE)))
            self.assertEqual(len(installed.product_record_lines()), 1)
            self.assertTrue(installed.running("SampleProduct.exe"))


class UpdateRefused(unittest.TestCase):
    def test_update_file_of_another_product(self):
        with agents.on_nginx("update-foreign") as (installed, server):
            installed.start_product()
            served = agents.publish(installed, server.url)
            other = agents.product_setup(os.path.join(installed.folder, "other"), installed.agent_name,
                                         installed.server_url, 2, "", token="other token!")
            shutil.copyfile(other, os.path.join(served, UPDATE_FILE))
            agents.set_ini(os.path.join(served, agents.INFO), "NewSetup", "SizeOfUpdateFile", os.path.getsize(other))
            with bench.answering("Error", "Return") as answered:
                self.assertEqual(cycle(installed), "PerformAutoUpdate() - END    Result=FALSE")
            self.assertTrue(answered, "no error box")
            errors = [m for m in installed.log_messages() if m.startswith("ERROR: ")]
            self.assertEqual(len(errors), 1, errors)
            self.assertIn("Bad Secret Token!", errors[0])
            self.assertFalse(os.path.exists(os.path.join(installed.target, UPDATE_FILE)))
            self.assertEqual(agents.update_record(installed), [])
            self.assertEqual(installed.version, "1")
            self.assertEqual(len(installed.product_record_lines()), 1)


class UpdateQuestions(unittest.TestCase):
    def test_declined_questions_leave_everything_as_it_was(self):
        for question, keys in [("download", {"RequestConfirmationBeforeDownload": 1}),
                               ("install", {"RequestConfirmationBeforeInstall": 1})]:
            with self.subTest(question), agents.on_nginx("ask-" + question) as (installed, server):
                installed.start_product()
                agents.publish(installed, server.url, **keys)
                with bench.answering("Confirm", "n") as answered:
                    self.assertEqual(cycle(installed), "PerformAutoUpdate() - END    Result=FALSE")
                self.assertTrue(answered, "no question")
                # Declined before the download, nothing is fetched; after it, the file goes.
                self.assertEqual(fetched_update(installed), question == "install")
                self.assertFalse(os.path.exists(os.path.join(installed.target, UPDATE_FILE)))
                self.assertFalse(any(m.startswith("Shut Down Process()") for m in installed.log_messages()))
                self.assertEqual(agents.update_record(installed), [])
                self.assertEqual(installed.version, "1")
                self.assertEqual(len(installed.product_record_lines()), 1)
                self.assertTrue(installed.running("SampleProduct.exe"))

    def test_forced_questions_only_inform(self):
        for question, keys in [("download", {"RequestConfirmationBeforeDownload": 1,
                                             "RequestConfirmationBeforeDownloadForce": 1}),
                               ("install", {"RequestConfirmationBeforeInstall": 1,
                                            "RequestConfirmationBeforeInstallForce": 1})]:
            with self.subTest(question), agents.on_nginx("force-" + question) as (installed, server):
                installed.start_product()
                agents.publish(installed, server.url, **keys)
                with bench.answering("Attention", "Return") as answered:
                    self.assertEqual(cycle(installed), "PerformAutoUpdate() - END    Result=TRUE")
                self.assertTrue(answered, "no attention box")
                self.assertEqual(installed.version, "2")
                self.assertEqual(installed.installed_version(), b"2")


class CheckOnRequest(unittest.TestCase):
    def test_test_switch_through_the_plain_agent(self):
        # "/TEST=" n is request 31 with the value n: 2 asks for an interactive check (asked
        # before it starts, then no download or install question, and the finish message
        # always), any other value for a check now as configured. The X_ copy started for
        # it gets a shutdown countdown of 2.
        for value, boxes, version in [("2", [("Confirm", "y"), ("Attention", "Return")], "2"),
                                      ("1", [("Confirm", "n")], "1")]:
            with self.subTest(value), agents.on_nginx("test-" + value, probe=-1) as (installed, server):
                agents.publish(installed, server.url, RequestConfirmationBeforeDownload=1)
                with contextlib.ExitStack() as stack:
                    answered = [stack.enter_context(bench.answering(title, key)) for title, key in boxes]
                    installed.run_agent("/TEST=" + value)
                    installed.wait_log("PerformAutoUpdate() - END")
                self.assertEqual([bool(a) for a in answered], [True] * len(boxes))
                self.assertEqual(installed.version, version)
                self.assertIn("PostProcessMessage(wm_AgentMsg) to: %s - AU_PerformUpdateCycle (%s)"
                              % (bench.winpath(installed.xcopy), value), installed.log_messages(""))
                # It ends by itself soon after and does not start the agent again.
                agents.wait_for(lambda: not installed.running("X_" + installed.agent_name), 30, "the X_ copy's end")
                self.assertFalse(any(m.startswith(".. WinExec - ") for m in installed.log_messages()))


class CountdownAgent(unittest.TestCase):
    def test_agent_with_a_shutdown_countdown_does_not_restart_itself(self):
        with agents.on_nginx("update-countdown") as (installed, server):
            agents.publish(installed, server.url)
            # The countdown arrives before the first tick; the check comes on the second.
            installed.run_agent("/DELAY=1", "/STOP=5")
            self.assertEqual(installed.wait_log("PerformAutoUpdate() - END"),
                             ["PerformAutoUpdate() - END    Result=TRUE"])
            self.assertEqual(installed.version, "2")
            agents.wait_for(lambda: not installed.running("X_" + installed.agent_name), 30, "the X_ copy's end")
            messages = installed.log_messages()
            self.assertIn(".. ReStartAutoUpdateExe() - Start", messages)
            self.assertFalse(any(m.startswith(".. WinExec - ") for m in messages))
            self.assertEqual(messages.count("CreateAndRun_X_Exe() --- Start"), 1)


if __name__ == "__main__":
    unittest.main()
