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

# name, then the words of its `spare` command before the node's path and after it. Words, not
# values to format: this runs for every new surface.
VIEWPORT_PARMS = (
    ("ogl_amb", "spare -l 'OGL Ambient' ", " ogl_amb color 3 1 1 1"),
    ("ogl_diff", "spare -l 'OGL Diffuse' ", " ogl_diff color 3 1 1 1"),
    ("ogl_spec", "spare -l 'OGL Specular' ", " ogl_spec color 3 1 1 1"),
    ("ogl_emit", "spare -l 'OGL Emission' ", " ogl_emit color 3 0 0 0"),
    ("ogl_rough", "spare -l 'OGL Roughness' ", " ogl_rough float 1 0.1"),
    ("ogl_alpha", "spare -l 'OGL Alpha' ", " ogl_alpha float 1 1"),
    ("ogl_light", "spare -l 'OGL Use Lighting' ", " ogl_light toggle 1 1"),
    ("ogl_cutout", "spare -l 'OGL Transparent Texture' ", " ogl_cutout toggle 1 1"),
    # The texture layers: a count, first instance numbered 1.
    ("ogl_numtex", "spare -l 'OGL Texture Layers' ", " ogl_numtex multi 1 1"),
)

# The instance group of "ogl_numtex", '#' standing for the layer number: file, filters and
# clamping of each layer.
TEXTURE_LAYER = (
    ("spare -m ogl_numtex -l 'Texture #' ", " 'ogl_tex#' file 1 ''"),
    ("spare -m ogl_numtex -l 'Minification Filter #' ",
     " 'ogl_tex_min_filter#' string 1 GL_LINEAR_MIPMAP_LINEAR"),
    ("spare -m ogl_numtex -l 'Magnification Filter #' ", " 'ogl_tex_mag_filter#' string 1 GL_LINEAR"),
    ("spare -m ogl_numtex -l 'Clamping #' ", " 'ogl_clamping_mode#' int 1 0"),
)

if len(sys.argv) < 2:
    raise SystemExit("usage: shop_oglsurface.py NODEPATH")
path = sys.argv[1]
node = host.node(path)
if node is None:
    raise SystemExit("shop_oglsurface.py: no node '%s'" % path)
# One call for all of them: a scene of many surfaces makes many nodes.
commands = [head + path + tail for name, head, tail in VIEWPORT_PARMS if node.parm(name) is None]
if node.parm("ogl_numtex") is None:
    commands += [head + path + tail for head, tail in TEXTURE_LAYER]
if commands:
    host.cmd("\n".join(commands))
