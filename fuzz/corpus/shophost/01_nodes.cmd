# A first tour of shophost: nodes, parameters, expressions and references.
# Run it with:  ./build/apps/shophost/shophost examples/01_nodes.cmd

echo "== node types"
types

cd /obj
add null mover
add geo panel
echo "== /obj holds"
ls

# Plain values; a vector takes one value per component, or one channel at a time.
set mover t 1 2 3
set panel s 2 2 2
set panel sz 4
echo "panel scale:" `ch("panel/sx")` `ch("panel/sy")` `ch("panel/sz")`

# An expression that reads another node's channel follows the node when it is renamed.
set -e panel scale 'ch("../mover/ty") * 10'
echo "uniform scale reads mover/ty:"
eval panel scale
rename mover lifter
set lifter ty 4.5
echo "after renaming mover to lifter and moving it:"
eval panel scale

# Spare parameters are added per node: colours, vectors, numbers, toggles and text.
spare panel tint color 3 0.1 0.2 0.3
spare panel note string 1 "first draft"
eval panel tint
eval panel note

# Quoting: single quotes keep text as it is, double quotes expand backquotes.
set panel note 'a note with "quotes" and `backquotes`'
eval panel note
echo "two plus two is `2+2`; at time `$T` the frame is `$F`"

errors panel
