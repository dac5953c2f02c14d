"""Fails when a folder of shop/ includes a folder above it.

The library's folders are layers. A file includes the headers of its own folder and of the
folders below it, never of one above it or beside it: so the base classes never depend on their
subclasses, and the table builder stays the one place that knows every node type.

Usage: check_layers.py SHOP_FOLDER
"""

import os
import re
import sys

# From the bottom; folders on one line sit side by side and may not include each other.
LAYERS = [
    ["types"],
    ["clerk"],
    ["node"],
    ["operator", "network"],
    ["table"],
]

# A clerk translates the node it is handed, so the translators' sources read the node's
# interface; the clerk headers, which the node layer includes, never do.
SOURCES_MAY_READ = {
    "clerk": {"node/SHOP_Node.h", "node/SHOP_BuildCheck.h"},
}

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')


def rank_of(folder):
    for rank, row in enumerate(LAYERS):
        if folder in row:
            return rank
    return None


def included_area(shop, path, target):
    """The shop/ folder and the header within it that an include names, or (None, None)."""
    if target.startswith("shop/"):
        parts = target.split("/")
    else:
        resolved = os.path.normpath(os.path.join(os.path.dirname(path), target))
        relative = os.path.relpath(resolved, shop)
        if relative.startswith(".."):
            return None, None
        parts = ["shop"] + relative.split(os.sep)
    if len(parts) < 3:
        return None, None
    return parts[1], "/".join(parts[1:])


def check_file(shop, folder, path):
    problems = []
    is_source = not path.endswith(".h")
    allowed = SOURCES_MAY_READ.get(folder, set()) if is_source else set()
    with open(path, encoding="utf-8") as text:
        for number, line in enumerate(text, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            area, header = included_area(shop, path, match.group(1))
            if area is None or area == folder or header in allowed:
                continue
            mine, theirs = rank_of(folder), rank_of(area)
            if theirs is None or theirs >= mine:
                where = os.path.relpath(path, os.path.dirname(shop))
                problems.append(f"{where}:{number}: {folder} includes {match.group(1)}, "
                                f"which is not below it")
    return problems


def main():
    shop = os.path.abspath(sys.argv[1])
    problems = []
    for folder in sorted(os.listdir(shop)):
        if not os.path.isdir(os.path.join(shop, folder)):
            continue
        if rank_of(folder) is None:
            problems.append(f"shop/{folder}: a folder with no place among the layers "
                            f"(add it to {os.path.basename(__file__)})")
            continue
        for root, _, files in os.walk(os.path.join(shop, folder)):
            for name in sorted(files):
                if name.endswith((".h", ".cpp")):
                    problems += check_file(shop, folder, os.path.join(root, name))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
