#!/usr/bin/env python3
"""The include graph of the product's sources, by layer.

Layers, lowest first: core (pure logic), platform (the class layer over
Win32), controls (reusable controls and menus), app (the application).
res/resource.h, the resource ids, belongs to the application. A file may
include from its own layer and the ones below; within a layer, the folders
must not include one another in a circle, nor may files. A class's member
functions are defined in one file, its own: the source beside the header
that declares it, or the source that declares it for itself.

    python3 scripts/layers.py            checks; prints what is wrong
    python3 scripts/layers.py --graph    also prints every folder arrow
Ends non-zero when an arrow runs up, a circle exists or a class is spread.
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


# A member defined outside its class's body: at the start of a line, an
# optional result type, then Class::[Nested::]name( (a destructor too).
MEMBER_DEFINITION = re.compile(
    r"^(?!\s)(?:[\w:<>,*&\s]+?[\s*&])?((?:[A-Z]\w*(?:<[^<>()]*>)?::)+)~?\w+\s*\(", re.M)


def declares(path, name):
    if not os.path.exists(os.path.join(ROOT, path)):
        return False
    with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as f:
        return re.search(r"\b(?:class|struct)\s+" + name + r"\b(?!\s*;)", f.read()) is not None


def spread_classes(files):
    """Classes whose members are defined in more than one file or away from
    their own, as problem texts."""
    defined_in = {}
    for f in files:
        if not f.endswith(".cpp"):
            continue
        with open(os.path.join(ROOT, f), encoding="utf-8", errors="replace") as src:
            for m in MEMBER_DEFINITION.finditer(src.read()):
                outer = re.sub(r"<[^<>]*>", "", m.group(1)).split("::")[0]
                defined_in.setdefault(outer, set()).add(f)
    problems = []
    for name, where in sorted(defined_in.items()):
        if len(where) > 1:
            problems.append(f"members of {name} defined in {len(where)} files: " + ", ".join(sorted(where)))
            continue
        (f,) = where
        if not declares(os.path.splitext(f)[0] + ".h", name) and not declares(f, name):
            problems.append(f"members of {name} defined in {f}, which is not its own file")
    return problems


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
    problems += spread_classes(files)
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
