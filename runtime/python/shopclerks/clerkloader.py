"""Lists the clerk modules of the shopclerks package."""
import os
import sys

_NOT_CLERKS = ("__init__", "clerkloader")


def getClerkList():
    """The names of the clerk modules in every shopclerks folder on sys.path, sorted."""
    names = set()
    for folder in sys.path:
        package = os.path.join(folder or os.curdir, "shopclerks")
        try:
            entries = os.listdir(package)
        except OSError:
            continue
        for entry in entries:
            name, extension = os.path.splitext(entry)
            if extension == ".py" and name not in _NOT_CLERKS and name.isidentifier():
                names.add(name)
    return sorted(names)
