#!/usr/bin/env python3
"""The include graph of the product's sources, by layer.

Layers, lowest first: core (pure logic), platform (the class layer over
Win32), controls (reusable controls and menus), app (the application).
res/resource.h, the resource ids, belongs to the application. A file may
include from its own layer and the ones below; within a layer, the folders
must not include one another in a circle, nor may files.

    python3 scripts/layers.py            checks; prints what is wrong
    python3 scripts/layers.py --graph    also prints every folder arrow
Ends non-zero when an arrow runs up or a circle exists.
"""
import os
import re
import subprocess
import sys

LAYERS = ["core", "platform", "controls", "app"]
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def layer_of(path):
    if path.startswith("res/"):
        return "app"
    top = path.split("/", 1)[0]
    return top if top in LAYERS else None


def folder_of(path):
    return os.path.dirname(path)


def product_files():
    out = subprocess.check_output(["git", "ls-files", "-co", "--exclude-standard"], cwd=ROOT, text=True)
    return [f for f in out.split("\n") if re.search(r"\.(cpp|h)$", f) and layer_of(f)]


def includes(path):
    with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as f:
        return re.findall(r'^\s*#\s*include\s+"([^"]+)"', f.read(), re.M)


def cycles(edges):
    """Strongly connected components of more than one node (Tarjan)."""
    index, low, stack, on, found, n = {}, {}, [], set(), [], [0]

    def visit(v):
        index[v] = low[v] = n[0]
        n[0] += 1
        stack.append(v)
        on.add(v)
        for w in edges.get(v, ()):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            comp = []
            while True:
                w = stack.pop()
                on.discard(w)
                comp.append(w)
                if w == v:
                    break
            if len(comp) > 1:
                found.append(sorted(comp))

    sys.setrecursionlimit(10000)
    for v in list(edges):
        if v not in index:
            visit(v)
    return found


def main():
    show = "--graph" in sys.argv
    files = product_files()
    known = set(files)
    problems = []
    file_edges, folder_edges = {}, {}
    for f in files:
        for inc in includes(f):
            if inc not in known:
                if os.path.exists(os.path.join(ROOT, inc)):
                    problems.append(f"{f} includes {inc}, which is outside the layers")
                continue
            if LAYERS.index(layer_of(inc)) > LAYERS.index(layer_of(f)):
                problems.append(f"upward: {f} ({layer_of(f)}) includes {inc} ({layer_of(inc)})")
            file_edges.setdefault(f, set()).add(inc)
            a, b = folder_of(f), folder_of(inc)
            if a != b:
                folder_edges.setdefault(a, {}).setdefault(b, []).append(f"{f} -> {inc}")
    # A header and its source are one piece: two pieces that include each
    # other, in either half, are a circle.
    piece = lambda p: os.path.splitext(p)[0]
    piece_edges = {}
    for a, bs in file_edges.items():
        for b in bs:
            if piece(a) != piece(b):
                piece_edges.setdefault(piece(a), set()).add(piece(b))
    for comp in cycles(piece_edges):
        problems.append("files in a circle: " + ", ".join(comp))
    for comp in cycles({a: set(bs) for a, bs in folder_edges.items()}):
        members = set(comp)
        via = [x for a in comp for b, xs in folder_edges[a].items() if b in members for x in xs]
        problems.append("folders in a circle: " + ", ".join(comp) + " (" + "; ".join(via) + ")")
    if show:
        for a in sorted(folder_edges, key=lambda d: (LAYERS.index(layer_of(d + "/x")), d)):
            for b in sorted(folder_edges[a]):
                print(f"{a} -> {b} ({len(folder_edges[a][b])})")
    for p in problems:
        print(p)
    arrows = sum(len(v) for v in file_edges.values())
    print(f"layers: {len(files)} files, {arrows} include arrows, {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
