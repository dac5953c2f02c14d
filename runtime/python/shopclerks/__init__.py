"""Script clerks: one module per renderer, listed by clerkloader.

Every shopclerks folder on sys.path belongs to this package, so a user adds a clerk by putting a
module in <folder>/python/shopclerks/ of a folder on the host's search path.
"""
from pkgutil import extend_path

__path__ = extend_path(__path__, __name__)
