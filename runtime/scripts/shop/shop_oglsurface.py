"""Set-up of a new surface node for the viewport clerk.

Called as: shop_oglsurface.py NODEPATH

The viewport draws a surface with the material its "ogl_" parameters describe. The node gets,
as spare parameters, each of them that it lacks (a node whose own parameters include some keeps
those): colours, roughness, alpha, the lighting and transparent-texture switches, and the number
of texture layers (each layer's "ogl_tex#" and filter parameters are added with the layer).
Being spare, they are not shader parameters, so shader strings do not change.
"""
import sys

import host

# name, label, type, size, defaults
VIEWPORT_PARMS = (
    ("ogl_amb", "OGL Ambient", "color", 3, "1 1 1"),
    ("ogl_diff", "OGL Diffuse", "color", 3, "1 1 1"),
    ("ogl_spec", "OGL Specular", "color", 3, "1 1 1"),
    ("ogl_emit", "OGL Emission", "color", 3, "0 0 0"),
    ("ogl_rough", "OGL Roughness", "float", 1, "0.1"),
    ("ogl_alpha", "OGL Alpha", "float", 1, "1"),
    ("ogl_light", "OGL Use Lighting", "toggle", 1, "1"),
    ("ogl_cutout", "OGL Transparent Texture", "toggle", 1, "1"),
    ("ogl_numtex", "OGL Texture Layers", "int", 1, "0"),
)

if len(sys.argv) < 2:
    raise SystemExit("usage: shop_oglsurface.py NODEPATH")
path = sys.argv[1]
node = host.node(path)
if node is None:
    raise SystemExit("shop_oglsurface.py: no node '%s'" % path)
# One call for all of them: a scene of many surfaces makes many nodes.
commands = [
    "spare -l '%s' %s %s %s %d %s" % (label, path, name, kind, size, defaults)
    for name, label, kind, size, defaults in VIEWPORT_PARMS
    if node.parm(name) is None
]
if commands:
    host.cmd("\n".join(commands))
