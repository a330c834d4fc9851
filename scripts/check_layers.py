#!/usr/bin/env python3
"""Holds the tree to the layers of layers.txt.

Every product source may include headers of its own layer and of the layers
its line lists, nothing else of the tree. Each folder's CMakeLists.txt builds
only files of that folder. Exit status 0 when the tree keeps to both, 1 with
one line per breach otherwise.

    scripts/check_layers.py [ROOT]       check the tree at ROOT (default: here)
    scripts/check_layers.py --self-test  show that a breach is caught
"""
import os
import re
import shutil
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCE_EXT = (".h", ".hpp", ".cpp", ".cc", ".in")
# CMake lines that reach out of the folder they stand in.
FOREIGN_SOURCE = re.compile(r'(\$\{(?:PROJECT|CMAKE)_SOURCE_DIR\}/(?!\s)[^\s)]*\.(?:cpp|h))|(\.\./[^\s)]*\.(?:cpp|h))')


class Layer:
    def __init__(self, name, patterns, uses):
        self.name = name
        self.patterns = patterns
        self.uses = set(uses) | {name}


def read_layers(root):
    layers = []
    with open(os.path.join(root, "layers.txt"), encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].split()
            if not line:
                continue
            name, rest = line[0], line[1:]
            patterns = [w for w in rest if "/" in w]
            uses = [w for w in rest if "/" not in w and w != "-"]
            layers.append(Layer(name, patterns, uses))
    known = {l.name for l in layers}
    for l in layers:
        for u in l.uses - known:
            raise SystemExit(f"layers.txt: layer {l.name} uses unknown layer {u}")
    return layers


def layer_of(path, layers):
    """The layer whose pattern names the file most closely; None outside them."""
    best, best_len = None, -1
    stem = os.path.splitext(path)[0]
    if stem.endswith(".h"):  # version.h.in
        stem = stem[:-2]
    for l in layers:
        for p in l.patterns:
            hit = path.startswith(p) if p.endswith("/") else stem == p
            if hit and len(p) > best_len:
                best, best_len = l, len(p)
    return best


def product_files(root, layers):
    folders = {p.split("/")[0] for l in layers for p in l.patterns}
    for folder in sorted(folders):
        base = os.path.join(root, folder)
        for dirpath, _, files in os.walk(base):
            for name in sorted(files):
                full = os.path.join(dirpath, name)
                yield os.path.relpath(full, root).replace(os.sep, "/"), full


def check(root):
    layers = read_layers(root)
    breaches = []
    folders = set()
    for rel, full in product_files(root, layers):
        folders.add(rel.split("/")[0])
        if not rel.endswith(SOURCE_EXT):
            continue
        own = layer_of(rel, layers)
        if own is None:
            continue
        with open(full, encoding="utf-8", errors="replace") as f:
            text = f.read()
        for m in INCLUDE.finditer(text):
            inc = m.group(1)
            if "/" not in inc:
                continue  # a file beside it, or a generated one
            target = layer_of(inc, layers)
            line = text.count("\n", 0, m.start()) + 1
            if target is None:
                breaches.append(f"{rel}:{line}: includes {inc}, which belongs to no layer")
            elif target.name not in own.uses:
                breaches.append(f"{rel}:{line}: layer {own.name} may not use {target.name} ({inc})")
    for folder in sorted(folders):
        cmake = os.path.join(root, folder, "CMakeLists.txt")
        if not os.path.exists(cmake):
            continue
        with open(cmake, encoding="utf-8") as f:
            for n, line in enumerate(f, 1):
                if FOREIGN_SOURCE.search(line.split("#", 1)[0]):
                    breaches.append(f"{folder}/CMakeLists.txt:{n}: builds a file of another folder")
    return breaches


def self_test(root):
    """A copy of the tree with one upward include must fail; the tree must pass."""
    work = tempfile.mkdtemp(prefix="korvane-layers.")
    try:
        for name in ["layers.txt"]:
            shutil.copy(os.path.join(root, name), work)
        layers = read_layers(root)
        for rel, full in product_files(root, layers):
            dest = os.path.join(work, rel)
            os.makedirs(os.path.dirname(dest), exist_ok=True)
            shutil.copy(full, dest)
        clean = check(work)
        if clean:
            print("self-test: the unchanged copy already fails:\n  " + "\n  ".join(clean))
            return 1
        cases = [
            ("hid/hid_link.cpp", '#include "protocol/transaction.h"\n', "hid may not use protocol"),
            ("protocol/lamp_frame.cpp", '#include "hid/hid_link.h"\n', "codecs may not use hid"),
            ("operations/system_ops.cpp", '#include "session/host_session.h"\n',
             "operations may not use session"),
            ("common/clock.cpp", '#include "view/korvane_view.h"\n', "common may not use view"),
        ]
        failed = 0
        for rel, line, expect in cases:
            path = os.path.join(work, rel)
            with open(path, encoding="utf-8") as f:
                original = f.read()
            with open(path, "w", encoding="utf-8") as f:
                f.write(line + original)
            found = check(work)
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
            if not any(expect in b for b in found):
                print(f"self-test: {line.strip()} in {rel} was not caught")
                failed = 1
            else:
                print(f"self-test: caught: {[b for b in found if expect in b][0]}")
        cmake = os.path.join(work, "hid", "CMakeLists.txt")
        with open(cmake, "a", encoding="utf-8") as f:
            f.write("target_sources(korvane_hid PRIVATE ${PROJECT_SOURCE_DIR}/protocol/transaction.cpp)\n")
        if not any("builds a file of another folder" in b for b in check(work)):
            print("self-test: a CMakeLists building another folder's file was not caught")
            failed = 1
        else:
            print("self-test: caught: hid/CMakeLists.txt builds a file of another folder")
        return failed
    finally:
        shutil.rmtree(work)


def main(argv):
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    if len(argv) > 1 and argv[1] == "--self-test":
        return self_test(argv[2] if len(argv) > 2 else here)
    root = argv[1] if len(argv) > 1 else here
    breaches = check(root)
    for b in breaches:
        print(b)
    if breaches:
        print(f"check_layers: {len(breaches)} breach(es) of layers.txt")
        return 1
    print("check_layers: every include keeps to layers.txt")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
