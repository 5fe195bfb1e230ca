"""Web setups end to end: a web launcher made by the builder downloads its setup file from
a server on 127.0.0.1, checks its token and runs it; every failure shows its message
(traced, so the scenarios can read it) and runs nothing."""
import contextlib
import glob
import os
import shutil
import subprocess
import unittest

import scene  # first: it makes the harness importable
from harness import boxes, servers, setups, trace


TOKEN = "product one"
BAD_HASH = "Bad Setup File!<P>It is not the setup this launcher was made for (its SHA-256 differs)."
# The launcher's exit codes as a Unix parent sees them under Wine: the low 8 bits.
EXIT_DOWNLOAD_FAILED = 1612 & 0xFF
EXIT_USER_CANCELLED = 1602 & 0xFF


def web_setup(folder, url, name, confirm=0, token=TOKEN):
    """Builds folder/www/NAME (the full setup) and folder/web.exe (its web launcher, which
    downloads url + "/" + NAME); returns both paths."""
    os.makedirs(os.path.join(folder, "www"), exist_ok=True)
    web = os.path.join(folder, "web.exe")
    full = setups.make_setup(scene.build, folder, name="www/" + name, parameters=setups.engine_args(folder),
                             download={"Token": token},
                             web={"Output": web, "Url": url, "ConfirmDownload": confirm})
    return full, web


def temp_copies(name):
    """Copies of a downloaded setup left in the Wine prefix's temp folders."""
    return glob.glob(os.path.join(scene.wine.prefix, "drive_c", "users", "*", "**", name), recursive=True)


def unique(folder, stem):
    """A served name of its own for a scenario: the downloaded copies of scenarios that run
    side by side share the prefix's temp folder."""
    return "%s-%s.exe" % (stem, os.path.basename(folder).rsplit("-", 1)[-1])


class Downloads(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = scene.wine.scratch("web-nginx")
        cls.root = os.path.join(cls.folder, "root")
        os.makedirs(cls.root)
        cls.server = cls.enterClassContext(servers.nginx(cls.root, scene.wine.scratch("nginx")))


    def served(self, stem, confirm=0):
        folder = scene.wine.scratch(stem)
        name = unique(folder, stem)
        full, web = web_setup(folder, self.server.url, name, confirm)
        os.link(full, os.path.join(self.root, name))
        return folder, name, full, web

    def requests_for(self, name):
        return [line for line in self.server.access_log() if "/" + name + " " in line]

    def test_downloads_checks_the_token_runs_and_removes_the_copy(self):
        folder, name, _, web = self.served("web-ok")
        result = scene.wine.run(web, "/X=1")
        self.assertEqual(result.returncode, 0, result.stderr)
        [line] = setups.recorded(folder, "COMMANDLINE")
        self.assertIn(" /X=1 ", line)
        self.assertEqual(setups.recorded(folder, "INSTALLED"), ["a.txt", "big.bin"])
        self.assertEqual(setups.recorded(folder, "SHOW"), ["shown"])
        # The probe and the download.
        self.assertEqual(len(self.requests_for(name)), 2)
        self.assertEqual(temp_copies(name), [])
        self.assertEqual([f for f in os.listdir(folder) if f.startswith(name)], [])

    def test_hide_asks_nothing_and_runs_the_engine_hidden(self):
        folder, _, _, web = self.served("web-hide", confirm=1)
        # A question would wait for an answer until the time-out.
        result = scene.wine.run(web, "/hide", timeout=90)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(setups.recorded(folder, "SHOW"), ["hidden"])

    def test_a_setup_beside_the_launcher_is_used_and_kept(self):
        folder, name, full, web = self.served("web-local")
        beside = os.path.join(folder, name)
        os.link(full, beside)
        self.assertEqual(scene.wine.run(web).returncode, 0)
        self.assertEqual(setups.recorded(folder, "INSTALLED"), ["a.txt", "big.bin"])
        self.assertEqual(self.requests_for(name), [])
        self.assertTrue(os.path.exists(beside))

    def test_a_planted_file_beside_the_launcher_is_not_run_and_the_setup_is_downloaded(self):
        folder, name, _, web = self.served("web-planted")
        # Same name, same token, another setup: what anybody can leave in a Downloads folder.
        other = scene.wine.scratch("web-planted-other")
        planted = setups.make_setup(scene.build, other, name=name, parameters=setups.engine_args(other),
                                    download={"Token": TOKEN})
        beside = os.path.join(folder, name)
        shutil.copy(planted, beside)
        with trace.viewer(scene.wine, "web-planted-trace") as capture:
            result = scene.wine.run(web)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(setups.record(other), [])
        self.assertEqual(setups.recorded(folder, "INSTALLED"), ["a.txt", "big.bin"])
        self.assertEqual(len(self.requests_for(name)), 2)
        self.assertIn(" SetupTick: not the setup of this launcher (SHA-256 differs): >>", capture.text)
        with open(beside, "rb") as kept, open(planted, "rb") as made:
            self.assertEqual(kept.read(), made.read())

    def test_a_web_launcher_made_without_a_hash_runs_its_download_as_before(self):
        folder = scene.wine.scratch("web-nohash")
        name = unique(folder, "web-nohash")
        os.makedirs(os.path.join(folder, "www"))
        full = setups.make_setup(scene.build, folder, name="www/" + name, parameters=setups.engine_args(folder),
                                 download={"Token": TOKEN})
        web = setups.make_setup(scene.build, folder, name="web.exe", trailer={"WebDownload": 1},
                                download={"Url": self.server.url, "FileName": name, "Token": TOKEN})
        os.link(full, os.path.join(self.root, name))
        result = scene.wine.run(web)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(setups.recorded(folder, "INSTALLED"), ["a.txt", "big.bin"])


    def test_a_signed_web_launcher_gives_its_agent_copy_without_the_signature(self):
        folder = scene.wine.scratch("web-signed")
        name = unique(folder, "web-signed")
        os.makedirs(os.path.join(folder, "www"))
        unsigned = os.path.join(folder, "unsigned.exe")
        full = setups.make_setup(scene.build, folder, name="www/" + name, parameters=setups.engine_args(folder),
                                 download={"Token": TOKEN}, trailer={"WriteUpdateAgent": 1},
                                 update={"InfoFile": "prod.info", "AgentFile": "prod-agent.exe"},
                                 web={"Output": unsigned, "Url": self.server.url})
        os.link(full, os.path.join(self.root, name))
        # A certificate that carries many names, as a chain of a few certificates does:
        # the signature takes ten thousand bytes and more.
        key, cert, web = (os.path.join(folder, n) for n in ("key.pem", "cert.pem", "web.exe"))
        names = ",".join("DNS:host%03d.setup-signing.example" % i for i in range(400))
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                        "-days", "1", "-subj", "/CN=Web signing test", "-addext", "subjectAltName=" + names],
                       check=True, capture_output=True)
        subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-in", unsigned, "-out", web],
                       check=True, capture_output=True)
        self.assertGreaterEqual(os.path.getsize(web) - os.path.getsize(unsigned), 10000)
        result = scene.wine.run(web, "/hide")
        self.assertEqual(result.returncode, 0, result.stderr)
        # The installed agent is the web launcher as built, its trailer's agent byte set
        # (the header's checksum field is the signed file's).
        with open(unsigned, "rb") as f:
            expected = bytearray(f.read())
        expected[-5] = 1
        with open(os.path.join(folder, "target", "prod-agent.exe"), "rb") as f:
            copy = bytearray(f.read())
        checksum = slice(256 + 24 + 64, 256 + 24 + 68)
        copy[checksum] = expected[checksum]
        self.assertTrue(copy == expected, "the agent copy is not the launcher marked as agent")


class Failures(unittest.TestCase):
    """Each failure shows one error box (answered here) and runs nothing."""

    @classmethod
    def setUpClass(cls):
        cls.server = cls.enterClassContext(servers.scripted())


    def fails_with(self, web, folder, *args):
        """Runs web, answers its error box; returns the traced message."""
        with trace.viewer(scene.wine, "web-fail-trace") as capture:
            with boxes.answering(scene.wine, "Error", "Return") as answered:
                result = scene.wine.run(web, *args)
            self.assertEqual(result.returncode, EXIT_DOWNLOAD_FAILED)
            self.assertTrue(answered)
            lines = [l for l in capture.text.splitlines() if " ==== WebSetupRun: " in l]
        self.assertEqual(setups.record(folder), [])
        self.assertEqual(len(lines), 1, lines)
        return lines[0].split(" ==== WebSetupRun: ", 1)[1]

    def test_declining_the_question_downloads_and_runs_nothing(self):
        folder = scene.wine.scratch("web-decline")
        name = unique(folder, "web-decline")
        _, web = web_setup(folder, self.server.url + "/files", name, confirm=1)
        del self.server.requests[:]
        with boxes.answering(scene.wine, "Confirm", "n") as answered:
            result = scene.wine.run(web)
        self.assertTrue(answered)
        self.assertEqual(result.returncode, EXIT_USER_CANCELLED)
        self.assertEqual(self.server.requests, [])
        self.assertEqual(setups.record(folder), [])

    def test_a_token_from_another_product(self):
        # A launcher made without the setup's hash knows its download by the token alone.
        folder = scene.wine.scratch("web-token")
        name = unique(folder, "web-token")
        web = setups.make_setup(scene.build, folder, name="web.exe", trailer={"WebDownload": 1},
                                download={"Url": self.server.url + "/files", "FileName": name, "Token": TOKEN})
        other, _ = web_setup(scene.wine.scratch("web-other"), self.server.url + "/files", name, token="product two")
        with open(other, "rb") as f:
            self.server.files[name] = f.read()
        self.assertEqual(self.fails_with(web, folder), "Bad Secret Token!")
        self.assertEqual(temp_copies(name), [])

    def test_a_download_with_the_token_but_another_hash_or_size_is_refused(self):
        folder = scene.wine.scratch("web-hash")
        for kind in ("one byte changed", "longer"):
            with self.subTest(kind):
                name = unique(folder, "web-" + kind.split()[0])
                full, web = web_setup(folder, self.server.url + "/files", name)
                with open(full, "rb") as f:
                    made = f.read()
                if kind == "longer":
                    # Not read at all: more than the launcher knows its setup has.
                    self.server.files[name] = made + bytes(10)
                    expected = "%s --- Error downloading file (%d bytes, more than the %d it may have)" % (
                        name, len(made) + 10, len(made))
                else:
                    # The token is intact, the launcher's stub text is not.
                    self.server.files[name] = made.replace(b"DOS mode", b"DOS MODE", 1)
                    self.assertNotEqual(self.server.files[name], made)
                    expected = BAD_HASH
                self.assertEqual(self.fails_with(web, folder), expected)
                self.assertEqual(temp_copies(name), [])

    def test_html_pages_name_the_url_and_non_launchers_are_judged_without_a_crash(self):
        folder = scene.wine.scratch("web-html")
        with open(scene.build.launcher, "rb") as f:
            launcher = f.read()
        not_found = "<B>404 File Not Found...</B><P><P>URL:  %s."
        for kind, path, served, message in [
                ("404", "/404", None, not_found),
                ("htmlpage", "/htmlpage", None, not_found),
                ("truncated", "/files", launcher[:len(launcher) // 2], "Bad Secret Token!"),
                ("garbage", "/files", b"MZ" + bytes(300), "Bad Secret Token!")]:
            with self.subTest(kind):
                name = unique(folder, "web-" + kind)
                url = self.server.url + path
                _, web = web_setup(folder, url, name)
                self.server.files[name] = served
                text = self.fails_with(web, folder)
                expected = message % (url + "/" + name) if "%" in message else message
                self.assertTrue(text.startswith(expected), text)

    def test_transfer_failures(self):
        folder = scene.wine.scratch("web-cut")
        for kind, url, message in [
                ("cut", "/cut/3000", "%s --- Error downloading file ("),
                ("status 500", "/500", "http://127.0.0.1:%d/500/%s --- HTTP 500"),
                ("empty", "/empty", "http://127.0.0.1:%d/empty/%s --- File Not Found !")]:
            with self.subTest(kind):
                name = unique(folder, "web-" + kind.split()[0])
                full, web = web_setup(folder, self.server.url + url, name)
                with open(full, "rb") as f:
                    self.server.files[name] = f.read()
                text = self.fails_with(web, folder)
                if message.startswith("http:"):
                    self.assertEqual(text, message % (self.server.server_address[1], name))
                else:
                    self.assertTrue(text.startswith(message % name), text)
                # Nothing of the failed transfer stays in the temp folder.
                self.assertEqual(temp_copies(name + "*"), [])

    def test_a_setup_without_length_needs_the_size_the_launcher_was_made_with(self):
        # A web launcher made with [Web] knows its setup's size (beside its SHA-256): it
        # takes a body of exactly that size without a length. One made without does not.
        folder = scene.wine.scratch("web-nolength")
        name = unique(folder, "web-nolength")
        full, web = web_setup(folder, self.server.url + "/nolength", name)
        with open(full, "rb") as f:
            self.server.files[name] = f.read()
        self.assertEqual(scene.wine.run(web).returncode, 0)
        self.assertEqual(setups.recorded(folder, "INSTALLED"), ["a.txt", "big.bin"])
        bare = setups.make_setup(scene.build, folder, name="bare.exe", trailer={"WebDownload": 1},
                                 download={"Url": self.server.url + "/nolength", "FileName": name, "Token": TOKEN})
        ran = setups.record(folder)
        text = self.fails_with(bare, scene.wine.scratch("web-nolength-bare"))
        self.assertEqual(text, "%s --- Error downloading file (the server gave no length)" % name)
        self.assertEqual(setups.record(folder), ran)
        self.assertEqual(temp_copies(name + "*"), [])

    def test_a_file_name_that_leads_out_of_the_temp_folder_is_refused(self):
        # A web launcher from a manifest of its own, as a builder user may write it.
        folder = scene.wine.scratch("web-name")
        del self.server.requests[:]
        web = setups.make_setup(scene.build, folder, name="web.exe", trailer={"WebDownload": 1},
                                download={"Url": self.server.url + "/files", "FileName": "..\\evil.exe",
                                          "Token": TOKEN})
        text = self.fails_with(web, folder)
        self.assertEqual(text, "evil.exe --- Error downloading file (refused name)")
        self.assertEqual(self.server.requests, [])

    def test_closing_the_window_ends_the_download(self):
        folder = scene.wine.scratch("web-close")
        name = unique(folder, "web-close")
        full, web = web_setup(folder, self.server.url + "/trickle", name)
        with open(full, "rb") as f:
            self.server.files[name] = f.read()
        with trace.viewer(scene.wine, "web-close-trace") as capture:
            with boxes.answering(scene.wine, "Test Setup", "Close"):
                with boxes.answering(scene.wine, "Error", "Return") as answered:
                    result = scene.wine.run(web)
            self.assertEqual(result.returncode, EXIT_DOWNLOAD_FAILED)
            self.assertTrue(answered)
            self.assertIn(" HTTP_DownloadFile_Incremental: Download Aborted", capture.text)
            self.assertIn(" ==== WebSetupRun: Download Aborted", capture.text)
        self.assertEqual(setups.record(folder), [])


class SilentFailures(unittest.TestCase):
    """With "/hide" nobody is there to click a box away: a failure shows none, and the run
    ends at once with its exit code."""

    def test_a_failed_download_ends_with_its_code_shows_nothing_and_leaves_nothing(self):
        folder = scene.wine.scratch("web-hide")
        with servers.scripted() as server:
            for kind, path in [("cut", "/cut/3000"), ("404", "/404")]:
                with self.subTest(kind):
                    name = unique(folder, "web-hide-" + kind)
                    full, web = web_setup(folder, server.url + path, name, confirm=1)
                    with open(full, "rb") as f:
                        server.files[name] = f.read()
                    with trace.viewer(scene.wine, "web-hide-trace") as capture:
                        self.assertEqual(scene.wine.run(web, "/hide", timeout=60).returncode,
                                         EXIT_DOWNLOAD_FAILED)
                    # It failed (and said so in the trace), without a question before.
                    self.assertIn(" ==== WebSetupRun: ", capture.text)
                    self.assertEqual(setups.record(folder), [])
                    self.assertEqual(temp_copies(name + "*"), [])


class Https(unittest.TestCase):
    """nginx with a certificate from a test issuer that the Wine prefix trusts meanwhile."""

    @classmethod
    def setUpClass(cls):
        cls.folder = scene.wine.scratch("web-https")
        cls.root = os.path.join(cls.folder, "root")
        os.makedirs(cls.root)
        issuer, cert, key = servers.test_issuer(cls.folder, "trusted")
        _, cls.untrusted_cert, cls.untrusted_key = servers.test_issuer(cls.folder, "untrusted")
        cls.stack = contextlib.ExitStack()
        cls.stack.enter_context(servers.trusted(scene.wine, issuer))
        cls.server = cls.stack.enter_context(servers.nginx(cls.root, scene.wine.scratch("nginx"), tls=(cert, key)))

    @classmethod
    def tearDownClass(cls):
        cls.stack.close()

    def test_an_https_web_setup_downloads_and_runs(self):
        folder = scene.wine.scratch("web-https-ok")
        name = unique(folder, "web-https")
        # The scheme in any letter case is kept, never turned into "http://https://".
        url = "HTTPS" + self.server.url[len("https"):]
        full, web = web_setup(folder, url, name)
        os.link(full, os.path.join(self.root, name))
        result = scene.wine.run(web)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(setups.recorded(folder, "INSTALLED"), ["a.txt", "big.bin"])
        self.assertEqual(len([l for l in self.server.access_log() if "/" + name + " " in l]), 2)

    def test_a_server_of_an_untrusted_issuer_is_refused(self):
        with open(os.path.join(self.root, "five.bin"), "wb") as f:
            f.write(b"12345")
        with servers.nginx(self.root, scene.wine.scratch("nginx"),
                           tls=(self.untrusted_cert, self.untrusted_key)) as other:
            result = scene.wine.run(scene.build.helper("httpget"), "get", other.url + "/five.bin", "-")
        self.assertIn("error=Unable to open Internet Connection: %s/five.bin" % other.url,
                      result.stdout.decode("latin-1").splitlines(), (result.returncode, result.stderr[-2000:]))


if __name__ == "__main__":
    scene.main()
