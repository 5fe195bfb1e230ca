"""The debug viewer captures the trace channel of another Windows program."""
import os
import random
import string
import unittest

import scene  # first: it makes the harness importable
from harness import trace


class DebugViewerTest(unittest.TestCase):
    def test_long_line_arrives_whole_and_in_order(self):
        rng = random.Random(7)
        line = "".join(rng.choice(string.ascii_letters) for _ in range(300))
        with trace.viewer(scene.wine, "kdebugview") as capture:
            sent = scene.wine.run(scene.build.viewer, "-send", line, timeout=60)
            self.assertEqual(sent.returncode, 0, sent.stderr)
            short = scene.wine.run(scene.build.viewer, "-send", "after", timeout=60)
            self.assertEqual(short.returncode, 0, short.stderr)
            text = capture.text
        self.assertIn(line + "\r\n", text)
        self.assertLess(text.index(line), text.index("after\r\n"))

    def test_long_line_arrives_as_three_chunks(self):
        line = "".join(string.ascii_letters[i % 52] for i in range(300))
        with trace.viewer(scene.wine, "kdebugview", chunks=True) as capture:
            sent = scene.wine.run(scene.build.viewer, "-send", line, timeout=60)
            self.assertEqual(sent.returncode, 0, sent.stderr)
            chunks = capture.chunks
        start = chunks.index(line[:128])
        self.assertEqual(chunks[start:start + 3], [line[:128], line[128:256], line[256:] + "\r\n"])

    def test_second_viewer_refuses(self):
        with trace.viewer(scene.wine, "kdebugview"):
            second = scene.wine.run(scene.build.viewer, os.devnull, timeout=60)
        self.assertEqual(second.returncode, 2)


if __name__ == "__main__":
    scene.main()
