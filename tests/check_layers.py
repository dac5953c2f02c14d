#!/usr/bin/env python3
"""Fails when a folder of a library includes a folder above it in the library's layer order.

    check_layers.py [--prefix P] [--forbid Q]... [--sources-may-read F=H]... ROOT LAYER...

ROOT holds one folder per LAYER, named lowest first: a file may include headers of its own
folder and of the folders named before it, never of those after it. A LAYER of several folders
joined by commas ("operator,network") puts them side by side: neither includes the other.
Headers of a layer are included as <P LAYER/...> (P is empty for <OP/OP_Node.h>, "shop/" for
<shop/node/...>). The sources (not the headers) of folder F may also include the header H
(named as after P) of a higher layer. An include starting with a forbidden Q (a library above
this one) is refused anywhere, and a folder of ROOT with sources that the order does not name
is an error too, so that every new folder is given its place.
"""

import argparse
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')
SOURCES = {".h", ".cpp"}


def included(path):
    """(line number, included path) of every include of a source file."""
    text = path.read_text(encoding="utf-8", errors="replace")
    for number, line in enumerate(text.splitlines(), 1):
        match = INCLUDE.match(line)
        if match:
            yield number, match.group(1)


def check(root, prefix, forbidden, allowed, layers):
    rank = {folder: index for index, layer in enumerate(layers) for folder in layer.split(",")}
    faults = []
    for folder in sorted(p for p in root.iterdir() if p.is_dir()):
        sources = sorted(p for p in folder.rglob("*") if p.suffix in SOURCES)
        if sources and folder.name not in rank:
            faults.append(f"{folder}: a folder the layer order does not name")
            continue
        for source in sources:
            for number, header in included(source):
                where = f"{source}:{number}"
                if any(header.startswith(q) for q in forbidden):
                    faults.append(f"{where}: includes {header}, from a library above this one")
                    continue
                if not header.startswith(prefix):
                    continue
                named = header[len(prefix):]
                layer = named.split("/", 1)[0]
                if layer == folder.name or layer not in rank or rank[layer] < rank[folder.name]:
                    continue
                if source.suffix == ".cpp" and (folder.name, named) in allowed:
                    continue
                faults.append(f"{where}: {folder.name} includes {header}, of the layer {layer}, "
                              "which is not below it")
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--prefix", default="")
    parser.add_argument("--forbid", action="append", default=[])
    parser.add_argument("--sources-may-read", action="append", default=[])
    parser.add_argument("root", type=pathlib.Path)
    parser.add_argument("layers", nargs="+")
    args = parser.parse_args()
    if not args.root.is_dir():
        print(f"{args.root}: no such folder", file=sys.stderr)
        return 1
    allowed = {tuple(pair.split("=", 1)) for pair in args.sources_may_read}
    faults = check(args.root, args.prefix, args.forbid, allowed, args.layers)
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print("layer order, lowest first: " + " ".join(args.layers), file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
