"""The debug viewer captures the trace channel of another Windows program."""
import os
import random
import string
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import bench  # noqa: E402


class DebugViewerTest(unittest.TestCase):
    def test_long_line_arrives_whole_and_in_order(self):
        rng = random.Random(7)
        line = "".join(rng.choice(string.ascii_letters) for _ in range(300))
        with bench.viewer("kdebugview") as capture:
            sent = bench.wine(bench.VIEWER, "-send", line, timeout=60)
            self.assertEqual(sent.returncode, 0, sent.stderr)
            short = bench.wine(bench.VIEWER, "-send", "after", timeout=60)
            self.assertEqual(short.returncode, 0, short.stderr)
            text = capture.text
        self.assertIn(line + "\r\n", text)
        self.assertLess(text.index(line), text.index("after\r\n"))

    def test_long_line_arrives_as_three_chunks(self):
        line = "".join(string.ascii_letters[i % 52] for i in range(300))
        with bench.viewer("kdebugview", chunks=True) as capture:
            sent = bench.wine(bench.VIEWER, "-send", line, timeout=60)
            self.assertEqual(sent.returncode, 0, sent.stderr)
            chunks = capture.chunks
        start = chunks.index(line[:128])
        self.assertEqual(chunks[start:start + 3], [line[:128], line[128:256], line[256:] + "\r\n"])

    def test_second_viewer_refuses(self):
        with bench.viewer("kdebugview"):
            second = bench.wine(bench.VIEWER, os.devnull, timeout=60)
        self.assertEqual(second.returncode, 2)


if __name__ == "__main__":
    unittest.main()
