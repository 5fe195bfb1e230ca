#!/usr/bin/env python3
"""The structure of the launcher drawn from its includes: every module (X.h with X.cpp)
of src/ is a node, every include of another module an arrow. Fails when the arrows run
in a circle, or from a folder to one above it in the layer order of cmake/Layers.cmake
(util < ui < payload < trust, net < agent < launcher).

    imports.py [--dot]    # --dot prints the graph for Graphviz instead of checking it
"""
import os
import re
import sys

LAYERS = ["util", "ui", "payload", "trust", "net", "agent", "launcher"]
SRC = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/([A-Za-z0-9_]+)\.h"', re.M)


def modules():
    """{(folder, stem): set of (folder, stem) it includes}"""
    graph = {}
    for folder in LAYERS:
        for name in sorted(os.listdir(os.path.join(SRC, folder))):
            stem, ext = os.path.splitext(name)
            if ext not in (".h", ".cpp"):
                continue
            with open(os.path.join(SRC, folder, name), encoding="latin-1") as f:
                found = {m for m in INCLUDE.findall(f.read())}
            node = (folder, stem)
            graph.setdefault(node, set()).update(found - {node})
    return graph


def circles(graph):
    """The strongly connected parts with more than one module (Tarjan's method)."""
    index, low, stack, on, found = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on.add(v)
        for w in graph.get(v, ()):
            if w not in graph:
                continue
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            part = []
            while True:
                w = stack.pop()
                on.discard(w)
                part.append(w)
                if w == v:
                    break
            if len(part) > 1:
                found.append(sorted(part))

    sys.setrecursionlimit(10000)
    for v in graph:
        if v not in index:
            visit(v)
    return found


def main():
    graph = modules()
    if "--dot" in sys.argv[1:]:
        print("digraph imports {")
        for (folder, stem), targets in sorted(graph.items()):
            for (tf, ts) in sorted(targets):
                print('  "%s/%s" -> "%s/%s";' % (folder, stem, tf, ts))
        print("}")
        return 0
    faults = []
    for part in circles(graph):
        faults.append("circle: " + " <-> ".join("%s/%s" % m for m in part))
    for (folder, stem), targets in sorted(graph.items()):
        for (tf, ts) in sorted(targets):
            if tf in LAYERS and LAYERS.index(tf) > LAYERS.index(folder):
                faults.append("arrow up: %s/%s -> %s/%s" % (folder, stem, tf, ts))
            elif (tf, ts) not in graph:
                faults.append("no such module: %s/%s -> %s/%s" % (folder, stem, tf, ts))
    for fault in faults:
        print(fault)
    print("%d modules, %d arrows, %s" % (len(graph), sum(len(t) for t in graph.values()),
                                        "no circle and no arrow up" if not faults else "%d faults" % len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
