"""Set-up of a new surface node for the viewport clerk.

Called as: shop_oglsurface.py NODEPATH

The viewport draws a surface with the material its "ogl_" parameters describe. The node gets,
as spare parameters, each of them that it lacks (a node whose own parameters include some keeps
those): colours, roughness, alpha, the lighting and transparent-texture switches, and the
texture layers: a multi-parameter "ogl_numtex" whose count makes the layers, each with its
file, filters and clamping ("ogl_tex1", "ogl_tex_min_filter1", ... for the first).
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
    ("ogl_numtex", "OGL Texture Layers", "multi", 1, "1"),
)

# The instance group of "ogl_numtex", '#' standing for the layer number:
# name, label, type, size, defaults
TEXTURE_LAYER = (
    ("ogl_tex#", "Texture #", "file", 1, "''"),
    ("ogl_tex_min_filter#", "Minification Filter #", "string", 1, "GL_LINEAR_MIPMAP_LINEAR"),
    ("ogl_tex_mag_filter#", "Magnification Filter #", "string", 1, "GL_LINEAR"),
    ("ogl_clamping_mode#", "Clamping #", "int", 1, "0"),
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
if node.parm("ogl_numtex") is None:
    commands += [
        "spare -m ogl_numtex -l '%s' %s %s %s %d %s" % (label, path, name, kind, size, defaults)
        for name, label, kind, size, defaults in TEXTURE_LAYER
    ]
if commands:
    host.cmd("\n".join(commands))
