"""Set-up of a new surface node for the OSL clerk.

Called as: osl_surface.py NODEPATH

OSL renderers name the layers of a shader group; the node gets a spare parameter "osl_layer"
holding its name, the layer name a user can change. Being spare, it is not one of the shader's
parameters, so shader strings do not change.
"""
import sys

import host

if len(sys.argv) < 2:
    raise SystemExit("usage: osl_surface.py NODEPATH")
path = sys.argv[1]
node = host.node(path)
if node is None:
    raise SystemExit("osl_surface.py: no node '%s'" % path)
# The name is the parameter's value, not its default: a default of its own would give every
# node a parameter description of its own, where nodes alike share one.
if node.parm("osl_layer") is None:
    host.cmd("spare %s osl_layer string 1 ''\nset %s osl_layer %s" % (path, path, node.name()))
