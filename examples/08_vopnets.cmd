# Shaders written as networks of VOP nodes: a VEX surface and a RenderMan (RSL) surface built
# from the same few steps. Parameter nodes become parameters of the network, which shader
# strings list like those of any shader; `vopcode` shows the code the network compiles to.
# Run it with:  ./build/apps/shophost/shophost examples/08_vopnets.cmd

cd /shop

# A VEX surface: a texture tinted by a colour, lit by the diffuse light, plus a shine.
add vopsurface brick
cd brick
add parameter tint
set tint parmname tint
set tint parmlabel "Tint"
set tint parmtype color
set tint floatdef 1 0.6 0.4
add parameter mapname
set mapname parmname map
set mapname parmtype string
set mapname stringdef bricks.pic
add parameter shine
set shine parmname shine
set shine floatdef 0.2
add texture tex
wire mapname tex 0
add lighting lit
set lit rough 0.2
add multiply tinted
wire tex tinted 0
wire tint tinted 1
add multiply lighted
wire tinted lighted 0
wire lit lighted 1 0
add multiply gloss
wire lit gloss 0 1
wire shine gloss 1
add add total
wire lighted total 0
wire gloss total 1
add surface_output out
wire total out 0
cd /shop

echo "-- VEX surface, at its defaults and with a red tint"
shader brick
set brick tint 1 0 0
shader brick
vopcode brick

# The same steps for RenderMan: the RSL flavour serves RIB.
add rsl_vopsurface rslbrick
cd rslbrick
add parameter tint
set tint parmname tint
set tint parmtype color
set tint floatdef 1 0.6 0.4
add global g
add lighting lit
wire g lit 0 1
add multiply lighted
wire lit lighted 0
wire tint lighted 1
add surface_output out
wire lighted out 0
cd /shop

echo "-- RSL surface"
set rslbrick tint 0.2 0.4 1
shader rslbrick -r RIB
vopcode rslbrick
# The compile errors of a network are its own: they show in `errors` and `info`.
echo "-- A network with an unwired input"
unwire rslbrick/lighted 1
errors rslbrick
wire rslbrick/tint rslbrick/lighted 1
