"""The payload builder on the real launcher: what the native builder writes reads back the
same through the Windows build under Wine, also after code signing, and the Windows
builder writes the same payloads."""
import os
import random
import shutil
import signal
import subprocess
import time
import unittest

import scene  # first: it makes the harness importable
from harness import winpath


def example():
    return os.path.join(scene.build.source, "examples", "demo", "manifest.ini")


def win_builder():
    return scene.build.windows("tools", "builder", "builder.exe")


def fields(dump_text):
    """The dump as a dict, without the file's own name."""
    pairs = (line.split("=", 1) for line in dump_text.splitlines() if "=" in line)
    return {k: v for k, v in pairs if k != "File"}


def native_dump(path):
    return fields(subprocess.run([scene.build.builder, "--dump", path], check=True, capture_output=True,
                                 text=True, encoding="latin-1").stdout)


def wine_dump(path):
    result = scene.wine.run(win_builder(), "--dump", winpath(path), timeout=60)
    if result.returncode != 0:
        raise AssertionError(result.stderr.decode("latin-1"))
    return fields(result.stdout.decode("latin-1").replace("\r\n", "\n"))


def build(folder, *extra):
    out = os.path.join(folder, "setup.exe")
    result = subprocess.run([scene.build.builder, example(), "-o", out, "--launcher", scene.build.launcher,
                             "--set", "Files/Engine.exe=" + scene.build.launcher, "--set", "Setup/TokenSeed=7",
                             *extra], capture_output=True, text=True)
    if result.returncode != 0:
        raise AssertionError(result.stderr)
    return result.stdout.split()


class Builder(unittest.TestCase):
    def test_payloads_read_back_the_same_under_wine(self):
        folder = scene.wine.scratch("builder")
        kinds = {
            "single": [],
            "spanned": ["--set", "Setup/EntrySize=4096", "--set",
                        "Setup/VolumeSize=%d" % (os.path.getsize(scene.build.launcher) + 26000),
                        "--set", "Setup/StoredEnd=0"],
            "web": ["--set", "Trailer/WebDownload=1", "--set", "Trailer/ConfirmDownload=1",
                    "--set", "Download/Url=http://127.0.0.1:8080/full.exe", "--set", "Download/FileName=full.exe",
                    "--set", "Download/Token=demo token", "--set", "Download/Size=123456"],
        }
        for kind, extra in kinds.items():
            with self.subTest(kind):
                volumes = build(scene.wine.scratch("builder-" + kind), *extra)
                self.assertEqual(len(volumes) > 1, kind == "spanned")
                for volume in volumes:
                    native = native_dump(volume)
                    self.assertEqual(native["HasPayload"], "1")
                    self.assertEqual(native["ChecksumOk"], "1")
                    self.assertNotEqual(native["StoredChecksum"], "1234")
                    self.assertEqual(wine_dump(volume), native)
                first = native_dump(volumes[0])
                self.assertEqual(first["UpdateToken"], "demo token")
                self.assertEqual(first["English.s0"], "Demo Setup")
                if kind == "web":
                    self.assertEqual(first["WebDownload"], "1")
                    self.assertEqual(first["DownloadToken"], "demo token")
                    self.assertEqual(first["DownloadSize"], "123456")
        self.assertTrue(os.path.isdir(folder))

    def test_signed_launcher_keeps_its_payload_and_checksum(self):
        folder = scene.wine.scratch("signing")
        unsigned = build(folder)[0]
        key, cert, signed = (os.path.join(folder, n) for n in ("key.pem", "cert.pem", "signed.exe"))
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                        "-out", cert, "-days", "1", "-subj", "/CN=Payload test"], check=True, capture_output=True)
        subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-in", unsigned, "-out", signed],
                       check=True, capture_output=True)
        self.assertGreater(os.path.getsize(signed), os.path.getsize(unsigned))
        before = native_dump(unsigned)
        for after in (native_dump(signed), wine_dump(signed)):
            self.assertEqual(after["StoredPayloadEnd"], str(os.path.getsize(unsigned)))
            self.assertEqual(after["ChecksumOk"], "1")
            self.assertEqual(after["ComputedChecksum"], before["StoredChecksum"])
            for key_name in ("FileSize", "StoredPayloadEnd"):
                after.pop(key_name)
                before.pop(key_name, None)
            self.assertEqual(after, before)
            before = native_dump(unsigned)

    def test_windows_builder_writes_what_the_native_one_writes(self):
        folder = scene.wine.scratch("winbuild")
        native = build(os.path.join(folder))[0]
        engine = os.path.join(folder, "Engine.exe")
        shutil.copy(scene.build.launcher, engine)
        out = os.path.join(folder, "win-setup.exe")
        result = scene.wine.run(win_builder(), winpath(example()), "-o", winpath(out),
                                "--launcher", winpath(scene.build.launcher), "--set",
                                "Files/Engine.exe=" + winpath(scene.build.launcher), "--set", "Setup/TokenSeed=7",
                                timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr.decode("latin-1"))
        theirs, ours = native_dump(out), native_dump(native)
        for name in ("StoredChecksum", "ComputedChecksum"):  # file dates may differ in time zone
            theirs.pop(name), ours.pop(name)
        self.assertEqual(theirs, ours)

    def test_bad_manifest_is_refused_by_section_and_key(self):
        result = subprocess.run([scene.build.builder, example(), "--set", "Trailer/ShowProgress=2"],
                                capture_output=True, text=True)
        self.assertEqual(result.returncode, 1)
        self.assertIn("[Trailer] ShowProgress: expected 0 or 1", result.stderr)

    def test_dump_of_a_missing_file_fails(self):
        missing = os.path.join(scene.wine.scratch("builder-dump"), "missing.exe")
        result = subprocess.run([scene.build.builder, "--dump", missing], capture_output=True, text=True)
        self.assertEqual(result.returncode, 1)
        self.assertIn("missing.exe cannot be read", result.stderr)


class BuilderTraps(unittest.TestCase):
    def test_refusals_exit_non_zero_and_leave_nothing(self):
        folder = scene.wine.scratch("traps")
        text = os.path.join(folder, "notes.txt")
        with open(text, "w") as f:
            f.write("not a launcher at all\n" * 40)
        cases = {
            "a text file as launcher": (["--launcher", text], "is not a bare launcher"),
            "an unknown section": (["--set", "Nosuch/Key=1"], "--set Nosuch/Key=1: [Nosuch] is not a known section"),
        }
        for name, (extra, message) in cases.items():
            with self.subTest(name):
                out = os.path.join(folder, "new", "setup.exe")
                result = subprocess.run([scene.build.builder, example(), "-o", out, *extra], capture_output=True,
                                        text=True)
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(message, result.stderr)
                self.assertFalse(os.path.exists(os.path.dirname(out)))

    def test_interrupted_build_leaves_no_partial_file(self):
        folder = scene.wine.scratch("interrupted")
        data = os.path.join(folder, "big.bin")
        rng = random.Random(64)
        with open(data, "wb") as f:
            for _ in range(64):
                f.write(rng.randbytes(1 << 20))
        out = os.path.join(folder, "out", "setup.exe")
        build = subprocess.Popen([scene.build.builder, example(), "-o", out, "--launcher", scene.build.launcher,
                                  "--set", "Files/Engine.exe=" + scene.build.launcher,
                                  "--set", "Files/big.bin=" + data],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 60
        while not os.path.exists(out + ".part") and build.poll() is None and time.monotonic() < deadline:
            time.sleep(0.01)
        self.assertIsNone(build.poll(), "the build ended before it could be interrupted")
        build.send_signal(signal.SIGINT)
        build.communicate(timeout=60)
        self.assertNotEqual(build.returncode, 0)
        self.assertEqual(os.listdir(os.path.dirname(out)), [])


if __name__ == "__main__":
    scene.main()
