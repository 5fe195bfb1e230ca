"""The HTTP client under Wine against real servers on 127.0.0.1: nginx for the ordinary
transfers, the scripted server for the misbehaving ones. A small driver program runs one
client call and prints what its caller sees."""
import hashlib
import os
import random
import unittest

import scene  # first: it makes the harness importable
from harness import servers, winpath


def httpget(*args, variables=None):
    """Runs the driver (with Wine's variables, when given); returns its output lines as a
    dict of the key=value lines, and the bar events as a list."""
    result = scene.wine.run(scene.build.helper("httpget"), *args, variables=variables)
    out = result.stdout.decode("latin-1").replace("\r", "").splitlines()
    values = dict(line.split("=", 1) for line in out if "=" in line and not line.startswith(("text ", "name ")))
    events = [line for line in out if line.startswith(("text ", "name ", "steps "))]
    if "error" not in values and "size" not in values:
        raise AssertionError("the driver failed (%s): %r %r" % (result.returncode, out, result.stderr[-2000:]))
    return values, events


def noise(size, seed):
    return random.Random(seed).randbytes(size)


def leftovers(folder, name):
    return sorted(f for f in os.listdir(folder) if f.startswith(name))


class NginxTransfers(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = scene.wine.scratch("http-nginx")
        cls.root = os.path.join(cls.folder, "www")
        os.makedirs(cls.root)
        cls.data = {"five.bin": b"12345", "k200.bin": noise(200000, 1), "m11.bin": noise(11 << 20, 2)}
        for name, data in cls.data.items():
            with open(os.path.join(cls.root, name), "wb") as f:
                f.write(data)
        cls.server = cls.enterClassContext(servers.nginx(cls.root, scene.wine.scratch("nginx")))


    def target(self, name):
        return os.path.join(scene.wine.scratch("http-get"), name)

    def test_a_five_byte_file_in_one_byte_reads(self):
        out = self.target("five.bin")
        values, events = httpget("get", self.server.url + "/five.bin", winpath(out))
        self.assertEqual(values["error"], "")
        self.assertEqual(events[:2], ["steps 1/6", "name five.bin"])
        texts = [e[5:] for e in events[2:]]
        self.assertEqual(texts[:4], ["%d/5 Bytes" % n for n in range(1, 5)])
        # The fifth chunk may bring the first rate.
        self.assertEqual(texts[4].split("   -   ")[0], "5/5 Bytes")
        self.assertEqual(len(texts), 5)
        with open(out, "rb") as f:
            self.assertEqual(f.read(), b"12345")
        # The new file became the file.
        self.assertEqual(leftovers(os.path.dirname(out), "five.bin"), ["five.bin"])

    def test_kilobyte_and_megabyte_texts_and_the_data_arrive_whole(self):
        out = self.target("k200.bin")
        values, events = httpget("get", self.server.url + "/k200.bin", winpath(out))
        self.assertEqual(values["error"], "")
        self.assertEqual(events[0], "steps 1/11")
        texts = [e[5:] for e in events if e.startswith("text ")]
        self.assertEqual(texts[0], "19.5/195.3 KB")
        self.assertTrue(texts[-1].startswith("195.3/195.3 KB"), texts[-1])
        # No rate before the fifth chunk.
        self.assertTrue(all("KB/Sec" not in t for t in texts[:4]), texts)
        with open(out, "rb") as f:
            self.assertEqual(f.read(), self.data["k200.bin"])

        out = self.target("m11.bin")
        values, events = httpget("get", self.server.url + "/m11.bin", winpath(out))
        self.assertEqual(values["error"], "")
        texts = [e[5:] for e in events if e.startswith("text ")]
        # Read in larger pieces, but still at least ten steps, all within the bar's range.
        steps = int(events[0].split("/")[1])
        self.assertGreaterEqual(len(texts), 10)
        self.assertEqual(len(texts), steps - 1)
        self.assertTrue(texts[-1].startswith("11.0/11.0 MB"), texts[-1])
        with open(out, "rb") as f:
            self.assertEqual(hashlib.sha256(f.read()).digest(), hashlib.sha256(self.data["m11.bin"]).digest())
        # No second copy in the system's URL cache.
        cache = os.path.join(scene.wine.prefix, "drive_c", "users")
        self.assertEqual([f for _, _, files in os.walk(cache) for f in files if f.startswith("m11")], [])

    def test_size_query_and_no_content_length(self):
        # The size query asks for one byte: nginx answers 206 and the whole size.
        self.assertEqual(httpget("size", self.server.url + "/k200.bin")[0]["size"], "200000")
        self.assertEqual(httpget("size", self.server.url + "/nolength/k200.bin")[0]["size"], "-1")
        # Into memory every byte arrives, up to the cap the caller gives.
        values, _ = httpget("get", self.server.url + "/nolength/k200.bin", "-", "cap=200000")
        self.assertEqual((values["error"], values["bytes"]), ("", "200000"))
        values, _ = httpget("get", self.server.url + "/nolength/k200.bin", "-", "cap=199999")
        self.assertEqual((values["error"], values["bytes"]),
                         ("k200.bin --- Error downloading file (more than the 199999 bytes it may have)", "0"))
        # Into a file only with the size the caller knows (a signed size), and exactly that.
        out = self.target("k200.bin")
        values, _ = httpget("get", self.server.url + "/nolength/k200.bin", winpath(out))
        self.assertEqual(values["error"], "k200.bin --- Error downloading file (the server gave no length)")
        self.assertEqual(leftovers(os.path.dirname(out), "k200.bin"), [])
        values, _ = httpget("get", self.server.url + "/nolength/k200.bin", winpath(out), "known=199999")
        self.assertEqual(values["error"], "k200.bin --- Error downloading file (more than the 199999 bytes it may have)")
        self.assertEqual(leftovers(os.path.dirname(out), "k200.bin"), [])
        values, _ = httpget("get", self.server.url + "/nolength/k200.bin", winpath(out), "known=200000")
        self.assertEqual(values["error"], "")
        with open(out, "rb") as f:
            self.assertEqual(f.read(), self.data["k200.bin"])
        # A length the server announces may not pass the one the caller knows.
        values, _ = httpget("get", self.server.url + "/k200.bin", "-", "known=199999")
        self.assertEqual(values["error"],
                         "k200.bin --- Error downloading file (200000 bytes, more than the 199999 it may have)")

    def test_a_url_without_scheme_gets_http(self):
        out = self.target("five.bin")
        values, _ = httpget("get", self.server.url[len("http://"):] + "/five.bin", winpath(out))
        self.assertEqual(values["error"], "")
        self.assertTrue(os.path.exists(out))

    def test_a_download_is_new_and_replaces_the_file_only_when_whole(self):
        # Files of similar names are nobody's business of the client's; the file itself is
        # replaced only by a download that arrived whole.
        out = self.target("k200.bin")
        folder = os.path.dirname(out)
        for stale in ("k200.bin.123", "k200.bin.4711", "k200.bin"):
            with open(os.path.join(folder, stale), "wb") as f:
                f.write(b"old")
        values, _ = httpget("get", self.server.url + "/k200.bin", winpath(out), "abort=3")
        self.assertEqual(values["error"], "Download Aborted")
        self.assertEqual(leftovers(folder, "k200.bin"), ["k200.bin", "k200.bin.123", "k200.bin.4711"])
        with open(out, "rb") as f:
            self.assertEqual(f.read(), b"old")
        values, _ = httpget("get", self.server.url + "/k200.bin", winpath(out))
        self.assertEqual(values["error"], "")
        self.assertEqual(leftovers(folder, "k200.bin"), ["k200.bin", "k200.bin.123", "k200.bin.4711"])
        with open(out, "rb") as f:
            self.assertEqual(f.read(), self.data["k200.bin"])

    def test_hashed_as_it_arrives(self):
        out = self.target("m11.bin")
        values, _ = httpget("get", self.server.url + "/m11.bin", winpath(out), "hash", "quiet",
                            "known=%d" % len(self.data["m11.bin"]))
        self.assertEqual(values["error"], "")
        self.assertEqual(values["sha256"], hashlib.sha256(self.data["m11.bin"]).hexdigest().upper())
        # Held while it arrived, removed once dropped.
        self.assertEqual(leftovers(os.path.dirname(out), "m11.bin"), [])

    def test_cancel_through_the_bar_stops_without_a_message(self):
        out = self.target("k200.bin")
        values, events = httpget("get", self.server.url + "/k200.bin", winpath(out), "cancel=2")
        self.assertEqual(values["error"], "")
        self.assertEqual(len([e for e in events if e.startswith("text ")]), 2)
        self.assertFalse(os.path.exists(out))


class MisbehavingServer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = cls.enterClassContext(servers.scripted())
        cls.server.files["k50.bin"] = noise(50000, 3)


    def setUp(self):
        self.folder = scene.wine.scratch("http-bad")
        del self.server.requests[:]
        del self.server.connections[:]

    def test_the_probe_asks_for_one_byte_then_the_download_for_all(self):
        out = os.path.join(self.folder, "k50.bin")
        values, _ = httpget("get", self.server.url + "/files/k50.bin", winpath(out))
        self.assertEqual(values["error"], "")
        self.assertEqual(self.server.requests, [("GET", "/files/k50.bin", "HTTP_Connect_2", "bytes=0-0"),
                                                ("GET", "/files/k50.bin", "HTTP_Connect_3", "")])
        # Each on a connection of its own that ends with it: nothing is kept open after.
        ports, asked = zip(*self.server.connections)
        self.assertEqual(asked, ("close", "close"))
        self.assertEqual(len(set(ports)), 2)

    def test_a_redirect_is_followed(self):
        out = os.path.join(self.folder, "k50.bin")
        values, _ = httpget("get", self.server.url + "/redirect/files/k50.bin", winpath(out))
        self.assertEqual(values["error"], "")
        with open(out, "rb") as f:
            self.assertEqual(f.read(), self.server.files["k50.bin"])
        self.assertIn("/files/k50.bin", self.server.paths())

    def test_only_a_200_answer_is_a_file(self):
        # (path, what the caller is told): a 404 page keeps the message users have always
        # seen for it; any other status is named.
        url = self.server.url
        cases = [
            ("/404/x.exe", "<B>404 File Not Found...</B><P><P>URL:  %s/404/x.exe.<P><P>Please make sure the file "
                           "is available and access is allowed to this file." % url),
            ("/500/x.exe", "%s/500/x.exe --- HTTP 500" % url),
            ("/empty/x.exe", "%s/empty/x.exe --- File Not Found !" % url),
        ]
        for path, told in cases:
            with self.subTest(path):
                for target in (winpath(os.path.join(self.folder, "x.exe")), "-"):
                    values, events = httpget("get", url + path, target)
                    self.assertEqual(values["error"], told)
                    self.assertEqual(events, [])
                self.assertEqual(os.listdir(self.folder), [])

    def test_a_body_cut_short_or_too_large_is_no_file(self):
        out = os.path.join(self.folder, "k50.bin")
        values, _ = httpget("get", self.server.url + "/cut/20000/k50.bin", winpath(out))
        # The transfer ends early, with or without an error from the system.
        self.assertTrue(values["error"].startswith("k50.bin --- Error downloading file ("), values["error"])
        values, _ = httpget("get", self.server.url + "/cut/20000/k50.bin", "-")
        self.assertEqual(values["error"], "k50.bin --- Error downloading file (20000 of 50000 bytes arrived)")
        self.assertEqual(values["bytes"], "0")
        values, _ = httpget("get", self.server.url + "/files/k50.bin", "-", "cap=49999")
        self.assertEqual(values["error"], "k50.bin --- Error downloading file (50000 bytes, more than the 49999 it "
                                          "may have)")
        self.assertEqual(os.listdir(self.folder), [])

    def test_the_size_query_reads_one_byte_of_any_size(self):
        self.assertEqual(httpget("size", self.server.url + "/files/k50.bin")[0]["size"], "50000")
        # 3 GiB, which no 32-bit size holds; its body is never asked for.
        self.assertEqual(httpget("size", self.server.url + "/huge/3221225472/x.bin")[0]["size"], "3221225472")
        self.assertEqual(self.server.requests, [("GET", "/files/k50.bin", "HTTP_Connect_2", "bytes=0-0"),
                                                ("GET", "/huge/3221225472/x.bin", "HTTP_Connect_2", "bytes=0-0")])

    def test_a_server_that_stops_sending(self):
        # A minute without a byte ends the transfer.
        values, _ = httpget("get", self.server.url + "/stall/1000/k50.bin", winpath(os.path.join(self.folder, "x")))
        self.assertEqual(values["error"], "k50.bin --- Error downloading file (nothing arrived for 60 seconds)")
        self.assertGreaterEqual(int(values["ms"]), 60000)
        self.assertLess(int(values["ms"]), 90000)
        self.assertEqual(os.listdir(self.folder), [])

    def test_no_server_and_no_wininet(self):
        url = "http://127.0.0.1:%d/x.exe" % servers.free_port()
        values, _ = httpget("get", url, winpath(os.path.join(self.folder, "x.exe")))
        self.assertEqual(values["error"], "Unable to open Internet Connection: " + url)
        self.assertEqual(httpget("size", url)[0]["size"], "-1")
        # Without the library every call fails as an ordinary failure.
        off = {"WINEDLLOVERRIDES": "mscoree,mshtml,wininet="}
        values, _ = httpget("get", self.server.url + "/files/k50.bin", "-", variables=off)
        self.assertEqual(values["error"], 'Unable to initialize "WinINet.dll"')
        self.assertEqual(httpget("size", self.server.url + "/files/k50.bin", variables=off)[0]["size"], "-1")
        self.assertEqual(self.server.requests, [])


if __name__ == "__main__":
    scene.main()
