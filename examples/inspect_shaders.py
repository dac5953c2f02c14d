# Lists the shader nodes under a network with the parameters that differ from their defaults,
# using the host module.  Run from a command script:  python examples/inspect_shaders.py /shop
import sys
import host

network = sys.argv[1] if len(sys.argv) > 1 else "/shop"
for name in host.cmd("ls " + network).split():
    node = host.node(network + "/" + name)
    changed = [p for p in node.parms() if not p.isAtDefault()]
    print("%s (%s)" % (node.path(), node.type()))
    for parm in changed:
        print("    %s = %s" % (parm.name(), " ".join(str(v) for v in parm.evalAll())))
