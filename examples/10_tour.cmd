# A tour, from an empty scene to shader strings for two renderers, a promoted material, a VOP
# network and a material preview picture. README "A tour" walks through it.
# Run it with:  ./build/apps/shophost/shophost examples/10_tour.cmd

# 1. A shader node, and its shader string for two renderers.
cd /shop
add plastic red
set red Kd 0.5
set red Cs 1 0 0
shader red
shader red -r RIB

# 2. A material holding a surface, its parameters promoted to the material, driven from there.
add studiolook look
cd look
add plastic surface1
set surface1 Cs 0.8 0.1 0.1
set surface1 ogl_diff 0.8 0.1 0.1
wire surface1 out 1
cd /shop
shoppromote look
set look surface1_Kd 0.25
shader look -r RIB
# One step back: Kd is the surface's own again.
undo
eval look/surface1 Kd

# 3. A surface written as a VOP network: its parameter node becomes the network's parameter.
add vopsurface glow
cd glow
add parameter tint
set tint parmname tint
set tint parmtype color
set tint floatdef 1 0.8 0.2
add lighting lit
add multiply lighted
wire lit lighted 0
wire tint lighted 1
add surface_output out
wire lighted out 0
cd /shop
set glow tint 0.2 0.6 1
set glow ogl_diff 0.2 0.6 1
shader glow
vopcode glow

# 4. The viewport material of each (`material glow -p glow.png` draws it into a picture).
material look
material glow
