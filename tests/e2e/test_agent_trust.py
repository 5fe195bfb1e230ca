"""What an update agent trusts, end to end: a product whose setup carries its publisher's
public keys installs only releases signed by one of them, and only the files they
signed; a release that was changed on its way, or a file swapped on the server, is
refused with its log line, and nothing of it runs or is kept. For every product, keyed or
not, a ".info" may not steer the agent onto its own files or out of the web."""
import glob
import hashlib
import os
import re
import shutil
import time
import unittest

import scene  # first: it makes the harness importable
from harness import boxes, lines_of, products, servers, wait_for, winpath

# Captions of the checked products' boxes, apart from other programs'.
CHECKED = {"OriginalSetup": {"ProbeSecondsInterval": 0, "ReAskSecondsInterval": 0},
           "MsgBox": {"Error": "Trust Error", "Attention": "Trust Attention", "Confirm": "Trust Confirm"},
           "AutoUpdate": products.TEXTS}
SAFETY_TICKS = 90
NO_INFO = "0 - Error downloading .INFO file"


def make_keys(*names):
    """Key pairs made by the publisher, by name: (private key file, public key file, id)."""
    folder = scene.wine.scratch("keys")
    return {name: products.keygen(scene.build, folder, name) for name in names}


def laid_out(test, name, server_url, keys=(), version=1):
    """A product at version laid out in a new scenario folder, its agent carrying the
    public key files keys; it ends with the test."""
    product = products.Product(scene.wine, scene.wine.scratch(name), server_url, safety_ticks=SAFETY_TICKS,
                               keys=keys)
    test.addCleanup(product.end)
    product.lay_out(version)
    product.set_original(CHECKED)
    return product


def edit(path, pattern, replacement):
    """Replaces what the regular expression (over bytes) finds in the file; fails when it
    finds nothing."""
    with open(path, "rb") as f:
        data = f.read()
    changed, count = re.subn(pattern, replacement, data)
    if not count:
        raise AssertionError("%r not in %s" % (pattern, path))
    with open(path, "wb") as f:
        f.write(changed)


def fetch_folder(product):
    return os.path.join(product.target, "X_%s.fetch" % os.path.splitext(product.agent_name)[0])


class SignedUpdates(unittest.TestCase):
    """Installed by our launcher, updated by its agent: a keyed product takes what its
    publisher signed, also after a key rotation, and a product without keys takes a signed
    release as it takes any."""

    def test_signed_releases_install(self):
        keys = make_keys("old", "new")
        # (what, public keys the setups carry, key that signs the release)
        for what, carried, signer in [("signed", ["old"], "old"),
                                      ("rotated", ["old", "new"], "new"),
                                      ("unkeyed, signed release", [], "old")]:
            with self.subTest(what):
                folder = scene.wine.scratch("signed")
                served = os.path.join(folder, "served")
                os.makedirs(served)
                with servers.nginx(served, scene.wine.scratch("nginx")) as server, \
                        products.Product(scene.wine, folder, server.url,
                                         keys=[keys[k][1] for k in carried]) as installed:
                    installed.install()
                    installed.set_original(CHECKED)
                    record = os.path.join(folder, "update.txt")
                    installed.publish(served, server.url, 2, PrivateKey=keys[signer][0],
                                      setup=installed.setup(2, "/Record=" + winpath(record)))
                    installed.run_agent("/DELAY=0")
                    self.assertEqual(installed.wait_logged("PerformAutoUpdate() - END    Result="), ["TRUE"])
                    self.assertEqual(installed.version, "2")
                    self.assertEqual(installed.installed_version(), b"2")
                    self.assertIn("EXIT 0", lines_of(record))
                    self.assertEqual(installed.logged("ERROR: "), [])
                    # The description kept for the update's engine is the one that verified,
                    # with its signature beside it (a product without keys fetches none).
                    kept = [installed.info_name] + ([installed.info_name + ".sig"] if carried else [])
                    self.assertEqual(os.path.exists(installed.info_path + ".sig"), bool(carried))
                    for name in kept:
                        with open(os.path.join(served, name), "rb") as a, \
                                open(os.path.join(installed.target, name), "rb") as b:
                            self.assertEqual(a.read(), b.read(), name)
                    self.assertFalse(os.path.exists(fetch_folder(installed)))


class RefusedReleases(unittest.TestCase):
    """A keyed product refuses a ".info" that is not exactly what its publisher signed
    before it reads a value of it: the check ends at its first step, nothing more is
    fetched and nothing is kept. The agents run side by side."""

    def test_each_tampering_is_refused_with_its_reason(self):
        keys = make_keys("publisher", "stranger")
        _, public, key_id = keys["publisher"]
        root = os.path.join(scene.wine.scratch("refused-nginx"), "root")
        os.makedirs(root)
        update = products.sample_setup(scene.build, scene.wine.scratch("refused-update"), 2)

        def publish(product, signer="publisher", **release):
            product.publish(root, server.url, 2, setup=update, update={"RequestConfirmationBeforeDownload": 1},
                            PrivateKey=keys[signer][0], **release)
            return os.path.join(root, product.info_name)

        expires = None
        with servers.nginx(root, scene.wine.scratch("nginx")) as server:
            runs = []
            for what in ("expired", "one byte changed", "signature missing", "another key", "signature of another"):
                product = laid_out(self, "refused", server.url, keys=[public])
                if what == "expired":
                    expires = int(time.time()) + 5
                    info = publish(product, Expires=time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(expires)))
                    reason = "the release expired at " + time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(expires))
                elif what == "one byte changed":
                    # The question before the download turned off.
                    info = publish(product)
                    edit(info, rb"RequestConfirmationBeforeDownload=1", b"RequestConfirmationBeforeDownload=0")
                    reason = "the release does not match its signature (key %s)" % key_id
                elif what == "signature missing":
                    info = publish(product)
                    os.remove(info + ".sig")
                    reason = "the release is not signed"
                elif what == "another key":
                    info = publish(product, signer="stranger")
                    reason = "the release is signed by a key this product does not trust (key %s)" % \
                             keys["stranger"][2]
                else:
                    # A signature the publisher made, of an older release.
                    info = publish(product, Version=1)
                    with open(info + ".sig", "rb") as f:
                        older = f.read()
                    publish(product)
                    with open(info + ".sig", "wb") as f:
                        f.write(older)
                    reason = "the release does not match its signature (key %s)" % key_id
                runs.append((what, product, reason))
            wait_for(lambda: time.time() > expires + 1, 30, "the release's expiry")
            for _, product, _ in runs:
                product.run_agent("/DELAY=0")
            for what, product, reason in runs:
                with self.subTest(what):
                    self.assertEqual(product.wait_logged("GetOkToPerformAU = "), [NO_INFO])
                    self.assertEqual(product.logged("ERROR: release refused: "), [reason])
                    self.assertFalse(any(line.startswith("PerformAutoUpdate") for line in product.log()))
                    self.assertEqual([line for line in server.access_log() if product.update_file in line], [])
                    # Neither the description nor its signature was kept.
                    self.assertFalse(os.path.exists(product.info_path))
                    self.assertFalse(os.path.exists(product.info_path + ".sig"))
                    self.assertEqual(product.version, "1")
                    self.assertIsNone(product.original("Stamp"))


class RefusedFiles(unittest.TestCase):
    """A signed release whose file was swapped on the server for another that carries the
    product's token and has the same size: the fetched file is refused on its hash, shown
    as an error, and deleted; nothing runs and nothing is recorded."""

    def test_a_swapped_update_setup_and_a_swapped_inform_file(self):
        private, public, _ = make_keys("publisher")["publisher"]
        root = os.path.join(scene.wine.scratch("swapped-nginx"), "root")
        os.makedirs(root)
        with servers.nginx(root, scene.wine.scratch("nginx")) as server:
            for what in ("update", "inform"):
                with self.subTest(what):
                    product = laid_out(self, "swapped", server.url, keys=[public])
                    record = winpath(os.path.join(product.folder, "update.txt"))
                    scratch = scene.wine.scratch("swapped-other")
                    if what == "update":
                        made = scene.wine.scratch("swapped-update")
                        # One scrambling of the token for both: the same size.
                        seed = {"TokenSeed": 7}
                        product.publish(root, server.url, 2, PrivateKey=private, setup=products.sample_setup(
                            scene.build, made, 2, "/Record=" + record, setup=seed))
                        # Version 3, made with the builder and the same token: what a
                        # server that holds the token can offer.
                        other = products.sample_setup(scene.build, scratch, 3, "/Record=" + record, setup=seed)
                        name, end = product.update_file, "PerformAutoUpdate() - END    Result="
                    else:
                        product.publish(root, server.url, 2, PrivateKey=private, TokenSeed=7,
                                        inform=("Version 2 is out.", {"Url": "http://127.0.0.1:9/"}))
                        product.publish(scratch, server.url, 2, PrivateKey=private, TokenSeed=7,
                                        inform=("Version 9 is out.", {"Url": "http://127.0.0.1:9/"}))
                        other = os.path.join(scratch, product.news_file)
                        name, end = product.news_file, "PerformAutoInform() - END "
                    served = os.path.join(root, name)
                    self.assertEqual(os.path.getsize(other), os.path.getsize(served))
                    shutil.copyfile(other, served)
                    with boxes.answering(scene.wine, "Trust Error", "Return") as answered:
                        product.run_agent("/DELAY=0")
                        self.assertEqual(product.wait_logged(end), ["FALSE"])
                    self.assertTrue(answered, "no error box")
                    self.assertEqual(product.decisions(), ["6 - OK"])
                    self.assertEqual(product.logged("ERROR: "),
                                     ["%s: not the file the release signed (its SHA-256 differs)" % name])
                    self.assertEqual(lines_of(os.path.join(product.folder, "update.txt")), [])
                    self.assertFalse(os.path.exists(os.path.join(product.target, name)))
                    self.assertFalse(os.path.exists(fetch_folder(product)))
                    self.assertEqual(product.version, "1")


# What a hostile server puts where the agent's own files are named.
HOSTILE = b"hostile bytes from the server " * 40


def folder_state(folder):
    """Every file below folder (relative path) with its SHA-256."""
    state = {}
    for path in glob.glob(os.path.join(folder, "**"), recursive=True):
        if os.path.isfile(path):
            with open(path, "rb") as f:
                state[os.path.relpath(path, folder)] = hashlib.sha256(f.read()).hexdigest()
    return state


class HostileInfo(unittest.TestCase):
    """A product without keys takes its ".info" from whoever answers: a ".info" that names
    one of the agent's own files as the update, or a UNC or file: address to fetch it from,
    is refused, and every file in the product's folder stays as it was (the agent's own
    record of the check aside). The agents run side by side."""

    def test_own_files_and_addresses_outside_the_web_are_refused(self):
        with servers.scripted() as server:
            runs = []
            update = products.sample_setup(scene.build, scene.wine.scratch("hostile-update"), 2)
            for what in ("agent file", "X_ copy", ".original", ".info", "signature", "update log", "UNC", "file:"):
                product = laid_out(self, "hostile", server.url + "/files")
                shutil.copyfile(scene.build.sample_product, os.path.join(product.target, "SampleProduct.exe"))
                with open(os.path.join(product.target, "version.txt"), "wb") as f:
                    f.write(b"1")
                scratch = scene.wine.scratch("hostile-served")
                product.publish(scratch, server.url + "/files", 2, setup=update)
                with open(os.path.join(scratch, product.info_name), "rb") as f:
                    info = f.read()
                own = {"agent file": product.agent_name, "X_ copy": "X_" + product.agent_name,
                       ".original": os.path.basename(product.original_path), ".info": product.info_name,
                       "signature": product.info_name + ".sig",
                       "update log": os.path.basename(product.log_path)}.get(what)
                if own:
                    info = re.sub(rb"NameOfUpdateFile=[^\r\n]*", b"NameOfUpdateFile=" + own.encode(), info)
                    if what == ".info":
                        # The ".info" itself is the file: its size is its own.
                        while int(re.search(rb"SizeOfUpdateFile=(\d+)", info).group(1)) != len(info):
                            info = re.sub(rb"SizeOfUpdateFile=\d+", b"SizeOfUpdateFile=%d" % len(info), info)
                    else:
                        server.files[own] = HOSTILE
                        info = re.sub(rb"SizeOfUpdateFile=\d+", b"SizeOfUpdateFile=%d" % len(HOSTILE), info)
                else:
                    # The update itself, where the address leads: were it used, the
                    # release would pass the size test and be fetched.
                    source = os.path.join(product.folder, "source")
                    os.makedirs(source)
                    shutil.copyfile(update, os.path.join(source, product.update_file))
                    address = (self.unc_share(product, source) if what == "UNC"
                               else "file:///" + winpath(source).replace("\\", "/"))
                    info = re.sub(rb"DownloadURL_UPDATE=[^\r\n]*", lambda _: b"DownloadURL_UPDATE=" + address.encode(),
                                  info)
                server.files[product.info_name] = info
                runs.append((what, own, product, folder_state(product.target)))
            for _, _, product, _ in runs:
                product.run_agent("/DELAY=0")
            for what, own, product, before in runs:
                with self.subTest(what):
                    if own:
                        self.assertEqual(product.wait_logged("PerformAutoUpdate() - END    Result="), ["FALSE"])
                        self.assertEqual(product.logged("ERROR: "),
                                         ["refused: %s is the name of one of the agent's own files" % own])
                    else:
                        self.assertEqual(product.wait_logged("GetOkToPerformAU = "),
                                         ["5 - Download file size error"])
                        self.assertEqual(product.logged("  HttpSize="), ["-1"])
                    self.assertFalse(any(m.startswith("Download START: ") and not m.endswith(product.info_name)
                                         for m in product.log()), product.log())
                    after = folder_state(product.target)
                    # The agent's record of its check: its log, the ".info" it read, the
                    # ".original" it wrote its times into, its X_ copy.
                    record = {os.path.basename(p) for p in (product.log_path, product.info_path,
                                                            product.original_path, product.xcopy)}
                    self.assertEqual({k: v for k, v in after.items() if k not in record},
                                     {k: v for k, v in before.items() if k not in record})
                    self.assertLessEqual(set(after) - set(before), record)
                    for name in after:
                        with open(os.path.join(product.target, name), "rb") as f:
                            self.assertNotIn(HOSTILE[:60], f.read(), name)
                    if "X_" + product.agent_name in after:
                        self.assertEqual(after["X_" + product.agent_name], before[product.agent_name])
                    self.assertEqual(product.version, "1")

    def unc_share(self, product, folder):
        """folder as a share of the server "kfield", through the prefix's map of UNC
        names; the share goes with the test."""
        unc = os.path.join(scene.wine.prefix, "dosdevices", "unc", "kfield")
        os.makedirs(unc, exist_ok=True)
        name = os.path.basename(product.folder)
        os.symlink(folder, os.path.join(unc, name))
        self.addCleanup(os.remove, os.path.join(unc, name))
        return "\\\\kfield\\" + name


if __name__ == "__main__":
    scene.main()
