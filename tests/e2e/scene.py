"""What a scenario runs in: the build folder and the Wine environment that CTest names on
its command line, made into the harness's objects when the scenario starts.

    test_x.py --build DIR --bits 32|64 --wine STATE [unittest arguments, e.g. CLASS]

A scenario script imports this module first (it makes the harness importable) and ends
with scene.main(); its tests use scene.wine (the WineEnv) and scene.build."""
import argparse
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import harness  # noqa: E402

wine = None
build = None


def main():
    global wine, build
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--build", required=True)
    parser.add_argument("--bits", type=int, required=True)
    parser.add_argument("--wine", required=True)
    args, rest = parser.parse_known_args()
    build = harness.Build(args.build, args.bits)
    wine = harness.WineEnv(build, args.wine)
    unittest.main(argv=[sys.argv[0], *rest])
