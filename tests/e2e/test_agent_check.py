"""The update agent's check end to end: an installed agent (made by the builder) beside its
".original" fetches the ".info" that the publisher made from a server on 127.0.0.1 (or
from a folder in test mode), decides with its six steps and hands a passed release over
to the update cycle or the inform dialog. The update log beside the agent tells what
happened; every agent a scenario starts is ended with it."""
import os
import re
import time
import unittest

import scene  # first: it makes the harness importable
from harness import boxes, products, servers, trace, wait_for, winpath

# The checked product's ".original": version 12, boxes captioned apart from other programs'.
CHECKED = {"OriginalSetup": {"ProbeSecondsInterval": 0, "ReAskSecondsInterval": 0},
           "MsgBox": {"Error": "Check Error", "Attention": "Check Attention", "Confirm": "Check Confirm"}}
# The X_ copy is ended after this many ticks even when a scenario fails before it stops
# the agent itself.
SAFETY_TICKS = 90


def checked_product(test, name, server_url, **original):
    """A product at version 12 laid out in a new scenario folder, the sections original
    over CHECKED in its ".original"; it ends with the test."""
    product = products.Product(scene.wine, scene.wine.scratch(name), server_url, program="Check Product",
                               safety_ticks=SAFETY_TICKS)
    test.addCleanup(product.end)
    product.lay_out(version=12)
    product.set_original(CHECKED)
    product.set_original(original)
    return product


def info_lines(product):
    return [line for line in product.log() if "PerformAutoUpdate" in line or "PerformAutoInform" in line]


class ScheduledCheck(unittest.TestCase):
    """Background checks against nginx, one agent run per release served."""

    @classmethod
    def setUpClass(cls):
        cls.root = os.path.join(scene.wine.scratch("check-nginx"), "root")
        os.makedirs(cls.root)
        cls.server = cls.enterClassContext(servers.nginx(cls.root, scene.wine.scratch("nginx")))
        cls.update = products.sample_setup(scene.build, scene.wine.scratch("check-update"), 2)


    def product(self, **original):
        return checked_product(self, "check", self.server.url, OriginalSetup=original)

    def requests_for(self, name):
        return [line for line in self.server.access_log() if "/" + name + " " in line]

    def test_no_release_served_ends_at_step_0_and_nothing_else_happens(self):
        product = self.product()
        started = products.seconds_now()
        with trace.viewer(scene.wine, "check-none") as capture:
            product.run_agent("/DELAY=0")
            self.assertEqual(product.wait_logged("GetOkToPerformAU = "), ["0 - Error downloading .INFO file"])
            # A second check would come within two ticks if the schedule allowed one.
            product.wait_ticks(capture, product.ticks(capture) + 2)
            self.assertEqual(product.decisions(), ["0 - Error downloading .INFO file"])
        self.assertEqual(info_lines(product), [])
        self.assertTrue(product.copies())
        requests = self.requests_for(product.info_name)
        self.assertTrue(requests)
        self.assertTrue(all(" 404 " in line for line in requests), requests)
        self.assertGreaterEqual(int(product.original("ProbeSecondsLast")), started - 1)
        self.assertIsNotNone(product.original("__ProbeSecondsLast"))
        self.assertEqual(product.original("VersionOriginal"), "12")
        self.assertIsNone(product.original("Stamp"))

    def test_a_plain_start_checks_on_the_fourth_tick(self):
        product = self.product()
        product.publish(self.root, self.server.url, 12, setup=self.update)
        with trace.viewer(scene.wine, "check-ticks") as capture:
            product.run_agent()
            product.wait_logged("GetOkToPerformAU = ")
            own = product.traced(capture)
        fire = next(i for i, line in enumerate(own) if line.startswith("Fire  "))
        ticks = [line for line in own[:fire] if line.startswith("AutoUpdateTimerCount=")]
        self.assertEqual(ticks, ["AutoUpdateTimerCount=%d" % n for n in (-2, -1, 0, 1)])

    def test_a_release_that_does_not_apply_ends_at_its_step(self):
        def bigger_by(n):
            def edit(text):
                return re.sub(r"SizeOfUpdateFile=(\d+)", lambda m: "SizeOfUpdateFile=%d" % (int(m.group(1)) + n), text)
            return edit

        # (what, .original values, (version, more [Release] keys), change to the served
        # ".info", step reached)
        cases = [
            ("no installed version", {"VersionOriginal": 0}, (13, {}), None,
             "1 - Error reading .ORIGINAL file"),
            ("same stamp, no re-ask", {"Stamp": 13, "ReAskSecondsInterval": 0}, (13, {}), None,
             "2 - Too early for retesting"),
            ("same stamp, re-ask due", {"Stamp": 12, "ReAskSecondsInterval": 60, "ReAskSecondsLast": 1}, (12, {}),
             None, "3 - New version is not higher then old version"),
            ("same version", {}, (12, {}), None, "3 - New version is not higher then old version"),
            ("lower version", {}, (11, {}), None, "3 - New version is not higher then old version"),
            ("not valid for 12", {}, (13, {"ValidVersions": "1,2"}), None,
             '4 - "Valid for version" mismatch'),
            ("valid for 12 among others", {}, (13, {"ValidVersions": "3,12"}), bigger_by(100),
             "5 - Download file size error"),
            ("announced size 100 bytes over", {}, (13, {}), bigger_by(100), "5 - Download file size error"),
            ("announced size 100 bytes under", {}, (13, {}), bigger_by(-100), "5 - Download file size error"),
        ]
        runs = []
        for what, original, release, edit, expected in cases:
            product = self.product(**original)
            version, keys = release
            product.publish(self.root, self.server.url, version, setup=self.update, **keys)
            if edit:
                with open(os.path.join(self.root, product.info_name), "r+", newline="") as f:
                    text = edit(f.read())
                    f.seek(0)
                    f.truncate()
                    f.write(text)
            product.run_agent("/DELAY=0")
            runs.append((what, product, original, expected))
        for what, product, original, expected in runs:
            with self.subTest(what):
                self.assertEqual(product.wait_logged("GetOkToPerformAU = "), [expected])
                self.assertEqual(info_lines(product), [])
                # Only a release that passes is remembered.
                self.assertEqual(product.original("VersionOriginal"), str(original.get("VersionOriginal", 12)))
                self.assertEqual(product.original("Stamp"), original.get("Stamp") and str(original["Stamp"]))
                if expected.startswith("5 "):
                    served = os.path.getsize(os.path.join(self.root, product.update_file))
                    self.assertEqual(product.logged("  HttpSize="), [str(served)])
                    self.assertEqual(product.logged("  URL="),
                                     ["%s/%s" % (self.server.url, product.update_file)])


class BrokenServers(unittest.TestCase):
    """No answer, or an error page for an answer: the check ends at step 0 and the agent
    goes on."""

    def test_nothing_listening(self):
        url = "http://127.0.0.1:%d" % servers.free_port()
        product = checked_product(self, "check-down", url, OriginalSetup={"ProbeSecondsInterval": 2})
        # The X_ copy as the plain agent would start it.
        product.start_xcopy("/SleepX=0")
        # The second check proves that the agent lives on after the first.
        decisions = product.wait_logged("GetOkToPerformAU = ", count=2, seconds=40)
        self.assertEqual(set(decisions), {"0 - Error downloading .INFO file"})
        self.assertTrue(product.copies())
        self.assertEqual(info_lines(product), [])

    def test_an_html_404_page_for_the_info(self):
        with servers.scripted() as server:
            product = checked_product(self, "check-404", server.url + "/404")
            product.run_agent("/DELAY=0")
            self.assertEqual(product.wait_logged("GetOkToPerformAU = "), ["0 - Error downloading .INFO file"])
            self.assertIn("/404/" + product.info_name, server.paths())
        self.assertEqual(info_lines(product), [])

    def test_a_server_that_fails_each_time_in_another_way(self):
        # Its answers in turn: a good one, then ways to fail; the agent checks every second.
        # Each fetch asks twice (a one-byte probe, then the whole), so each answer comes twice.
        schedule = [answer for answer in ["files", "500", "drop", "cut/10", "404", "htmlpage"] for _ in (1, 2)]
        with servers.scripted() as server:
            server.schedule = schedule
            product = checked_product(self, "check-schedule", server.url + "/schedule",
                                      OriginalSetup={"ProbeSecondsInterval": 1})
            root = scene.wine.scratch("check-schedule-root")
            product.publish(root, server.url + "/files", 12,
                            setup=products.sample_setup(scene.build, scene.wine.scratch("check-schedule-update"), 2))
            with open(os.path.join(root, product.info_name), "rb") as f:
                server.files[product.info_name] = f.read()
            product.start_xcopy("/SleepX=0")
            wait_for(lambda: len(server.answers) >= 2 * len(schedule), 90, "two rounds of the schedule",
                     lambda: server.answers)
            # Every check ends with a decision, whatever the server did.
            fetches = product.wait_logged("Download START: ", count=len(schedule) // 2)
            decisions = product.wait_logged("GetOkToPerformAU = ", count=len(fetches))
        # The first good answer is judged; later ones know its stamp.
        self.assertIn("0 - Error downloading .INFO file", decisions)
        self.assertIn("3 - New version is not higher then old version", decisions)
        self.assertLessEqual(set(decisions), {"0 - Error downloading .INFO file", "2 - Too early for retesting",
                                              "3 - New version is not higher then old version"}, decisions)
        self.assertTrue(product.copies())
        self.assertEqual(info_lines(product), [])


class HandOver(unittest.TestCase):
    """A release that applies goes on to the update cycle. Its update file is announced
    with its full size but cut short when fetched, so the cycle stops at the fetch
    (asking nothing): what it does beyond is the cycle's own business."""

    @classmethod
    def setUpClass(cls):
        cls.server = cls.enterClassContext(servers.scripted())
        cls.update = products.sample_setup(scene.build, scene.wine.scratch("handover-update"), 2)


    def served_product(self, version=13, **original):
        """A product whose release (version) the scripted server serves."""
        product = checked_product(self, "handover", self.server.url + "/files", OriginalSetup=original)
        root = scene.wine.scratch("handover-root")
        product.publish(root, self.server.url + "/cut/100", version, setup=self.update,
                        update={"RequestConfirmationBeforeDownload": 0})
        for name in os.listdir(root):
            with open(os.path.join(root, name), "rb") as f:
                data = f.read()
            if name == product.info_name:
                # 99 bytes off still counts as the same file.
                data = re.sub(rb"SizeOfUpdateFile=(\d+)", lambda m: b"SizeOfUpdateFile=%d" % (int(m.group(1)) + 99),
                              data)
            self.server.files[name] = data
        return product

    def test_a_release_that_applies_is_handed_to_the_update_cycle(self):
        product = self.served_product()
        started = products.seconds_now()
        with trace.viewer(scene.wine, "handover-trace") as capture:
            product.run_agent("/DELAY=0")
            self.assertEqual(product.wait_logged("PerformAutoUpdate() - END    Result="), ["FALSE"])

            def traced_milestones():
                return [line for line in product.traced(capture) if line.startswith("==== Perform")]

            # The check's end comes after the cycle's log line: wait for it, then take them all.
            wait_for(lambda: "==== PerformShot-2 ====" in traced_milestones(), 60, "end of the check",
                     traced_milestones)
            milestones = traced_milestones()
        self.assertEqual(product.decisions(), ["6 - OK"])
        # The fetch failed: the cycle ends after it, and the check after the cycle.
        self.assertEqual(milestones, ["==== PerformShot-1 ====", "==== PerformAutoUpdate-4 ====",
                                      "==== PerformAutoUpdate-5 ====", "==== PerformAutoUpdate-6 ====",
                                      "==== PerformAutoUpdate-13 ====", "==== PerformShot-2 ===="])
        update = product.update_file
        self.assertEqual(product.logged("Download START: "), [
            "%s/files\\%s" % (self.server.url, product.info_name),
            "%s/cut/100\\%s" % (self.server.url, update)])
        # The release is remembered as asked for, not as installed.
        self.assertEqual(product.original("Stamp"), "13")
        self.assertGreaterEqual(int(product.original("ReAskSecondsLast")), started - 1)
        self.assertEqual(product.original("VersionOriginal"), "12")
        self.assertFalse(os.path.exists(os.path.join(product.target, update)))

    def test_request_31_checks_before_the_schedule_says_so(self):
        product = self.served_product(version=12, ProbeSecondsInterval=3600,
                                      ProbeSecondsLast=products.seconds_now())
        with trace.viewer(scene.wine, "check-request") as capture:
            product.run_agent("/DELAY=0")
            # With "/DELAY=0" the first tick would check, were one due.
            product.wait_ticks(capture, 2)
            self.assertEqual(product.decisions(), [])
            # A second start of the plain agent forwards the request to the running X_ copy.
            product.run_agent("/TEST=0")
            self.assertEqual(product.wait_logged("GetOkToPerformAU = "),
                             ["3 - New version is not higher then old version"])
            self.assertIn("PostProcessMessage(wm_AgentMsg) to: %s - AU_PerformUpdateCycle (0)"
                          % winpath(product.xcopy), product.log())
            # Value 0 asks for no shutdown: a copy told to end after 2 ticks would quit on the
            # third and never trace a fourth.
            product.wait_ticks(capture, product.ticks(capture) + 4)
            self.assertTrue(product.copies())

    def test_notifications_around_the_fetches(self):
        product = self.served_product()
        with products.notify_window(scene.wine) as window:
            product.run_agent("/DELAY=0", window.switch())
            product.wait_logged("PerformAutoUpdate() - END    Result=")
            product.end()
            wait_for(lambda: (43, 0) in window.pairs, 10, "end notification", lambda: window.pairs)
            pairs = list(window.pairs)
        # The registration is answered with the agent's window and its request message.
        self.assertEqual([code for code, _ in pairs[:2]], [50, 51])
        self.assertNotEqual(pairs[0][1], 0)
        self.assertEqual(pairs[1][1], 0x465)
        steps = [pair for pair in pairs if pair[0] in (40, 41, 42)]
        self.assertEqual(steps, [(40, 1), (40, 2), (41, 1), (41, 2)])
        self.assertEqual(pairs[-1], (43, 0))


class Announcement(unittest.TestCase):
    """A release announced in the inform dialog (it takes the keyboard, and error boxes
    are answered here)."""

    @classmethod
    def setUpClass(cls):
        cls.root = os.path.join(scene.wine.scratch("inform-nginx"), "root")
        os.makedirs(cls.root)
        cls.server = cls.enterClassContext(servers.nginx(cls.root, scene.wine.scratch("nginx")))


    title = "News of Check Product"

    def product(self, token=products.TOKEN, scramble=0):
        product = checked_product(self, "inform", self.server.url, AutoUpdate={"s34": self.title, "s35": "Get it"})
        product.publish(self.root, self.server.url, 13, token=token,
                        inform=("Version 13 of Check Product is out.",
                                {"Url": "http://127.0.0.1:9/download.html", "Scramble": scramble}))
        return product

    def test_the_dialog_shows_the_news_and_the_version_is_recorded_after_it(self):
        # Scrambled as a whole, as a publisher may serve it.
        product = self.product(scramble=1)
        product.run_agent("/DELAY=0")
        described = boxes.answer(scene.wine, self.title, "Describe", 30)
        self.assertEqual(described[0], "class KRichEditBox")
        self.assertIn("child RICHEDIT|Version 13 of Check Product is out.", described)
        self.assertIn("child Button|Get it", described)
        # Recorded once the dialog is closed, not while it shows.
        self.assertEqual(product.original("VersionOriginal"), "12")
        boxes.answer(scene.wine, self.title, "Close", 30)
        self.assertEqual(product.wait_logged("PerformAutoInform() - END "), ["TRUE"])
        self.assertEqual(product.decisions(), ["6 - OK"])
        self.assertEqual(product.original("VersionOriginal"), "13")

    def test_an_inform_file_of_another_product_is_deleted_and_shown_as_an_error(self):
        product = self.product(token="another product")
        inform = os.path.join(product.target, product.news_file)
        product.run_agent("/DELAY=0")
        shown = boxes.answer(scene.wine, "Check Error", "Describe")
        boxes.answer(scene.wine, "Check Error", "Return")
        self.assertEqual(product.wait_logged("PerformAutoInform() - END "), ["FALSE"])
        self.assertIn("Bad Secret Token!", shown)
        self.assertEqual(product.logged("ERROR: "), ["Bad Secret Token!"])
        self.assertFalse(os.path.exists(inform))
        self.assertEqual(product.original("VersionOriginal"), "12")


TEST_MODE_KEY = "HKCU\\Software\\Morbrook\\Kalvex\\AutoUpdate"


class TestMode(unittest.TestCase):
    """Test mode takes releases from a folder named in the registry, which every agent in
    this Wine prefix reads: these scenarios hold the desktop lock (they answer the
    interactive check's boxes), so no other agent scenario runs beside them here."""

    @classmethod
    def setUpClass(cls):
        cls.root = os.path.join(scene.wine.scratch("testmode-nginx"), "root")
        os.makedirs(cls.root)
        cls.server = cls.enterClassContext(servers.nginx(cls.root, scene.wine.scratch("nginx")))
        cls.update = products.sample_setup(scene.build, scene.wine.scratch("testmode-update"), 2)


    def setUp(self):
        self.folder = scene.wine.scratch("testmode-source")
        self.addCleanup(scene.wine.registry, "delete", TEST_MODE_KEY, "/f")
        self.set_test_mode()

    def set_test_mode(self, **changes):
        """Test mode on for today with the folder source, but for changes."""
        values = {"TestMode": "1", "TestModeDate": time.strftime("%d-%b-%Y").upper(),
                  "TestModeURL": winpath(self.folder), **changes}
        for name, value in values.items():
            self.assertEqual(scene.wine.registry("add", TEST_MODE_KEY, "/v", name, "/d", value, "/f"), 0)

    def product(self, **original):
        product = checked_product(self, "testmode", self.server.url, OriginalSetup=original,
                                  AutoUpdate={"s21": "Nothing new for now.", "s22": "Look for news of PROG_NAME?"})
        product.publish(self.folder, "http://127.0.0.1:9", 12, setup=self.update)
        return product

    def test_checks_every_5_seconds_from_the_folder(self):
        product = self.product(ProbeSecondsInterval=3600)
        product.run_agent("/DELAY=0")
        product.wait_logged("GetOkToPerformAU = ")
        first = int(product.original("ProbeSecondsLast"))
        decisions = product.wait_logged("GetOkToPerformAU = ", count=2, seconds=20)
        second = int(product.original("ProbeSecondsLast"))
        self.assertEqual(set(decisions), {"3 - New version is not higher then old version"})
        self.assertGreaterEqual(second - first, 5)
        self.assertIn("TestMode=TRUE", product.log())
        self.assertEqual(self.server.access_log(), [])

    def test_off_with_yesterdays_date_and_no_http_test_source(self):
        yesterday = time.strftime("%d-%b-%Y", time.localtime(time.time() - 86400)).upper()
        http_source = self.server.url + "/test"
        # (what, registry values over those of setUp, test mode on, the source tried):
        # off, the agent asks its own server (which has nothing); on, it takes files only.
        cases = [
            ("yesterday's date", {"TestModeDate": yesterday}, False, self.server.url),
            ("an HTTP test source", {"TestModeURL": http_source}, True, http_source),
        ]
        for what, values, on, source in cases:
            with self.subTest(what):
                self.set_test_mode(**values)
                product = self.product()
                product.run_agent("/DELAY=0")
                self.assertEqual(product.wait_logged("GetOkToPerformAU = "), ["0 - Error downloading .INFO file"])
                self.assertEqual(product.logged("TestMode="), ["TRUE" if on else "FALSE"])
                self.assertEqual(product.logged("Download START: "), ["%s\\%s" % (source, product.info_name)])
                requests = [line for line in self.server.access_log() if product.info_name in line]
                self.assertEqual(bool(requests), not on)

    def test_an_interactive_check_says_so_and_tells_that_nothing_is_new(self):
        product = self.product(ProbeSecondsInterval=-1)
        # No copy runs yet: the plain agent starts one for this check, which ends after it.
        product.run_agent("/TEST=2", "/STOP=-1")
        question = " ".join(boxes.answer(scene.wine, "Check Confirm", "Describe"))
        self.assertIn("Look for news of Check Product?", question)
        self.assertIn("PLEASE NOTE - You are now running in Test Mode!", question)
        boxes.answer(scene.wine, "Check Confirm", "y")
        self.assertIn("child RICHEDIT|Nothing new for now.", boxes.answer(scene.wine, "Check Attention", "Describe"))
        boxes.answer(scene.wine, "Check Attention", "Return")
        self.assertEqual(product.decisions(), ["3 - New version is not higher then old version"])
        product.wait_ended(15)
        self.assertEqual(self.server.access_log(), [])


class InteractiveCheck(unittest.TestCase):
    """A check the user asked for ("/TEST=2"): it asks first and always ends with a
    message (the boxes are answered here)."""

    @classmethod
    def setUpClass(cls):
        cls.server = cls.enterClassContext(servers.scripted())


    def product(self, kind):
        product = checked_product(self, "interactive", self.server.url + "/" + kind,
                                  OriginalSetup={"ProbeSecondsInterval": -1},
                                  AutoUpdate={"s21": "Nothing new for now.", "s22": "Look for news of PROG_NAME?"})
        root = scene.wine.scratch("interactive-root")
        product.publish(root, self.server.url + "/files", 12, setup=self.update())
        with open(os.path.join(root, product.info_name), "rb") as f:
            self.server.files[product.info_name] = f.read()
        return product

    def update(self):
        if not hasattr(self, "_update"):
            type(self)._update = products.sample_setup(scene.build, scene.wine.scratch("interactive-update"), 2)
        return self._update

    def requests_for(self, product):
        return [path for path in self.server.paths() if path.endswith("/" + product.info_name)]

    def test_nothing_new(self):
        product = self.product("files")
        product.run_agent("/TEST=2", "/STOP=-1")
        question = " ".join(boxes.answer(scene.wine, "Check Confirm", "Describe"))
        self.assertNotIn("Test Mode", question)
        boxes.answer(scene.wine, "Check Confirm", "y")
        self.assertIn("child RICHEDIT|Nothing new for now.", boxes.answer(scene.wine, "Check Attention", "Describe"))
        boxes.answer(scene.wine, "Check Attention", "Return")
        # An asked check passes the stamp test even for a release seen before.
        self.assertEqual(product.decisions(), ["3 - New version is not higher then old version"])
        product.wait_ended(15)

    def test_a_fetch_error_is_shown(self):
        product = self.product("404")
        product.run_agent("/TEST=2", "/STOP=-1")
        boxes.answer(scene.wine, "Check Confirm", "y")
        shown = "\n".join(boxes.answer(scene.wine, "Check Error", "Describe"))
        boxes.answer(scene.wine, "Check Error", "Return")
        self.assertIn("404 File Not Found...\n\nURL:  %s/404/%s." % (self.server.url, product.info_name), shown)
        self.assertEqual(product.decisions(), ["0 - Error downloading .INFO file"])
        product.wait_ended(15)

    def test_declined_checks_nothing(self):
        product = self.product("files")
        product.run_agent("/TEST=2", "/STOP=-1")
        boxes.answer(scene.wine, "Check Confirm", "n")
        product.wait_ended(15)
        self.assertEqual(product.decisions(), [])
        self.assertEqual(self.requests_for(product), [])

if __name__ == "__main__":
    scene.main()
