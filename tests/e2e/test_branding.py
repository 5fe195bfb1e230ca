"""A setup that carries its product's name: the builder's [Branding] read back by an
independent reader (icoutils' wrestool) and by Windows itself (GetFileVersionInfo, the
icon it extracts, the manifest resource) under Wine, for the setup, its web launcher and
the agent copy it installs; signed with osslsigncode, it still finds its payload."""
import os
import struct
import subprocess
import unittest

import scene  # first: it makes the harness importable
from harness import setups
from harness.wine import winpath

BRANDING = {
    "ProductName": "Acme Widgets",
    "CompanyName": "Acme Ltd.",
    "FileDescription": "Acme Widgets Setup",
    "ProductVersion": "4.5.6.7",
    "FileVersion": "4.5",
    "LegalCopyright": "\u00a9 2026 Acme Ltd.",
    "ExecutionLevel": "requireAdministrator",
}


def icon_images(rgb):
    """A 32 and a 16 pixel image of one colour, as an .ico holds them (bitmap, mask)."""
    images = []
    for size in (32, 16):
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        pixels = bytes((rgb[2], rgb[1], rgb[0], 255)) * (size * size)
        mask = bytes(((size + 31) // 32) * 4 * size)
        images.append((size, header + pixels + mask))
    return images


def write_icon(path, images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, image in images:
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset + len(data))
        data += image
    with open(path, "wb") as f:
        f.write(directory + data)


def wrestool(path, *args):
    return subprocess.run(["wrestool", *args, path], check=True, capture_output=True).stdout


def properties(path):
    result = scene.wine.run(scene.build.helper("fileprops"), winpath(path), timeout=60)
    lines = result.stdout.decode("utf-8").replace("\r\n", "\n").splitlines()
    return dict(line.split("=", 1) for line in lines if "=" in line)


class Branding(unittest.TestCase):
    def assert_branded(self, path, images, file_name):
        # The independent reader: one icon resource per image, as the file holds it.
        listing = wrestool(path, "-l").decode()
        self.assertIn("--type=14 --name='MAINICON'", listing)
        for number, (_, image) in enumerate(images, 1):
            self.assertEqual(wrestool(path, "-x", "--raw", "--type=3", "--name=%d" % number), image)
        self.assertNotIn("--type=3 --name=%d " % (len(images) + 1), listing)
        version = wrestool(path, "-x", "--raw", "--type=16").decode("utf-16-le", "replace")
        self.assertIn("Acme Widgets Setup", version)
        # Windows' own reading.
        props = properties(path)
        self.assertEqual(props["FileVersion"], "4.5.0.0")
        self.assertEqual(props["ProductVersion"], "4.5.6.7")
        for key in ("ProductName", "CompanyName", "FileDescription", "ProductVersion", "FileVersion",
                    "LegalCopyright"):
            self.assertEqual(props["String." + key], BRANDING[key], key)
        self.assertEqual(props["String.OriginalFilename"], file_name)
        self.assertEqual(props["IconPixel"], "FF0000")
        self.assertIn('level="requireAdministrator"', props["Manifest"])

    def test_setup_web_launcher_and_agent_copy_show_the_product_and_run_signed(self):
        folder = scene.wine.scratch("branding")
        images = icon_images((255, 0, 0))
        write_icon(os.path.join(folder, "product.ico"), images)
        web = os.path.join(folder, "web.exe")
        exe = setups.make_setup(scene.build, folder, name="unsigned.exe", parameters=setups.engine_args(folder),
                                setup={"StoredEnd": 1}, trailer={"WriteUpdateAgent": 1},
                                update={"AgentFile": "Agent.exe"}, download={"Token": "acme"},
                                web={"Output": web, "Url": "http://127.0.0.1:9/setups"},
                                branding=dict(BRANDING, Icon=os.path.join(folder, "product.ico")))
        # The bare launcher is left as it was.
        self.assertEqual(properties(scene.build.launcher)["String.ProductName"], "Kalvex")
        self.assertNotEqual(properties(scene.build.launcher)["IconPixel"], "FF0000")
        self.assert_branded(exe, images, "unsigned.exe")
        self.assert_branded(web, images, "web.exe")

        key, cert = os.path.join(folder, "key.pem"), os.path.join(folder, "cert.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                        "-days", "1", "-subj", "/CN=Branding test"], check=True, capture_output=True)
        signed = os.path.join(folder, "setup.exe")
        subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-in", exe, "-out", signed],
                       check=True, capture_output=True)
        self.assertEqual(subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", signed],
                                        capture_output=True).returncode, 0)
        self.assertEqual(scene.wine.exit_code(signed, "/hide"), 0)
        self.assertEqual(sorted(setups.recorded(folder, "INSTALLED")), ["Agent.exe", "a.txt", "big.bin"])
        # The agent copy the setup left for the engine is the branded image.
        self.assert_branded(os.path.join(folder, "target", "Agent.exe"), images, "unsigned.exe")


if __name__ == "__main__":
    scene.main()
