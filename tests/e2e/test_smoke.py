"""The bare launcher is a PE32 GUI exe with its header at 256; run without a payload it
says that the setup file is damaged and ends with zero."""
import os
import shutil
import subprocess
import unittest

import bench


class BareLauncher(unittest.TestCase):
    def test_is_a_32_bit_gui_exe_with_header_at_256(self):
        kind = subprocess.run(["file", "-b", bench.LAUNCHER], capture_output=True, text=True).stdout
        self.assertIn("PE32 executable (GUI) Intel 80386", kind)
        with open(bench.LAUNCHER, "rb") as f:
            head = f.read(260)
        self.assertEqual(head[0:2], b"MZ")
        self.assertEqual(head[256:258], b"PE")
        self.assertEqual(int.from_bytes(head[0x3C:0x40], "little"), 256)

    def test_needs_no_library_beyond_those_every_windows_has(self):
        # The toolchain's own DLLs (zlib, the C++ runtime) are on no customer's machine.
        system = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll",
                  "user32.dll", "version.dll"}
        engine = os.path.join(bench.WIN_DIR, "tools", "refengine", "Engine.exe")
        for exe in (bench.LAUNCHER, engine):
            dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", exe], capture_output=True, text=True,
                                  check=True).stdout
            imports = {line.split()[-1].lower() for line in dump.splitlines() if "DLL Name:" in line}
            self.assertIn("kernel32.dll", imports, exe)
            self.assertLessEqual(imports, system, exe)

    def test_without_payload_reports_a_damaged_setup_and_ends_with_zero(self):
        folder = bench.scratch("smoke")
        exe = os.path.join(folder, "setup.exe")
        shutil.copy(bench.LAUNCHER, exe)
        with bench.answering("Error", "Return") as seen:
            result = bench.wine(exe, timeout=90)
        self.assertTrue(seen, "no error box appeared")
        self.assertEqual(result.returncode, 0, result.stderr)


if __name__ == "__main__":
    unittest.main()
