"""Lists the end-to-end scenarios for CTest: one line per test class, as
"SCRIPT:CLASS:desktop" when the class answers message boxes (bench.answering or
bench.answer: it needs the shared display's keyboard to itself) and "SCRIPT:CLASS:"
otherwise.

    scenarios.py SCRIPT..."""
import ast
import os
import sys


def uses_boxes(node):
    return any(isinstance(n, ast.Attribute) and n.attr in ("answering", "answer") for n in ast.walk(node))


def main():
    for script in sys.argv[1:]:
        with open(script) as f:
            tree = ast.parse(f.read(), script)
        name = os.path.splitext(os.path.basename(script))[0]
        for node in tree.body:
            if isinstance(node, ast.ClassDef) and any(
                    isinstance(b, ast.Attribute) and b.attr == "TestCase" for b in node.bases):
                print("%s:%s:%s" % (name, node.name, "desktop" if uses_boxes(node) else ""))


if __name__ == "__main__":
    main()
