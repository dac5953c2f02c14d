# Materials and promotion: a material asset with a surface and a displacement inside, their
# parameters promoted to the material, the material driven through them, a parameter that
# shows the surface's shader string, and the history taking it all back and forth.
# Run it with:  ./build/apps/shophost/shophost examples/09_materials.cmd

cd /shop
# A material asset (packed at build time into build/runtime/assets/materials.asset) makes its
# output node itself.
add studiolook look
cd look
add plastic surface1
add bumps disp1
wire surface1 out 1
wire disp1 out 2
cd /shop

# One folder per shader ("Surface", "Displacement"), parameters named <shader>_<parameter>.
shoppromote /shop/*
eval look surface1_Kd
set look surface1_Kd 0.2
set look surface1_Cs 1 0.5 0
shader look -r RIB

# A parameter that shows the surface's shader string, and follows it.
spare look preview string 1
set -e look preview 'shopstring("surface1", "RIB")'
eval look preview
rename look/surface1 base
set look/base Ks 0.75
eval look preview

# Each command is one step: take back the change of Ks and the rename...
undo
undo
eval look preview
# ... the preview (its expression and the parameter), the two sets, and the whole promotion:
# the surface is back at its defaults and the material has no promoted parameters.
undo
undo
undo
undo
undo
shader look -r RIB
# Replay all seven steps.
redo
redo
redo
redo
redo
redo
redo
shader look -r RIB
eval look preview
