# A first tour of shophost: nodes, parameters, expressions and references.
# Run it with:  ./build/apps/shophost/shophost examples/01_nodes.cmd

echo "== node types"
types

cd /obj
add null mover
add parmtest panel
echo "== /obj holds"
ls

# Plain values; a colour takes one value per component, or one channel at a time.
set mover t 1 2 3
set panel color 0.2 0.4 0.6
set panel colorb 1
echo "panel colour:" `chs("panel/colorr")` `chs("panel/colorg")` `chs("panel/colorb")`

# An expression that reads another node's channel follows the node when it is renamed.
set -e panel scale 'ch("../mover/ty") * 10'
echo "scale reads mover/ty:"
eval panel scale
rename mover lifter
set lifter ty 4.5
echo "after renaming mover to lifter and moving it:"
eval panel scale

# Menus take their tokens; ranges clamp what is typed in.
set panel quality high
set panel count -5
echo "quality and count:" `ch("panel/quality")` `ch("panel/count")`

# Spare parameters are added per node.
spare panel tint color 3 0.1 0.2 0.3
eval panel tint

# Quoting: single quotes keep text as it is, double quotes expand backquotes.
set panel label 'a label with "quotes" and `backquotes`'
eval panel label
echo "two plus two is `2+2`"

errors panel
