# Shader networks: a material whose output node takes a switch between two surfaces, a select
# of displacements, a properties node and a co-shader merge; what a renderer gets for each
# shader type, and why.
# Run it with:  ./build/apps/shophost/shophost examples/06_networks.cmd

cd /shop
add material look
cd look
add suboutput out

# Surface: a switch between a red plastic and a chrome metal.
add plastic red
set red Cs 1 0 0
add metal chrome
add switch pick
wire red pick 0
wire chrome pick 1
set pick input 1
# Dropped on any input, a node lands on the input of its own type (here: surface, input 1).
wire pick out 0

# Displacement: a select whose first input is switched off.
add bumps fine
set fine freq 8
add bumps coarse
set coarse amp 0.3
add select sel
wire fine sel 0
wire coarse sel 1
set sel activate1 0
wire sel out 0

# Properties: render settings the material answers for, and the light it names by path.
add pointlight key
add properties props
spare props shading_quality float 1 2
spare props shop_lightpath string 1 ../key
wire props out 0

# Co-shaders: two noise layers merged for RenderMan.
add noisecoshader grain
add noisecoshader veins
set veins pattern worley
add mergecoshader layers
wire grain layers 0
wire veins layers 1
wire layers out 0

cd /shop
echo "== surface: the switch picks the chrome"
shader look --explain
shader look -r RIB
set look/pick input 0
echo "== ... and now the red plastic; an index past the inputs is clamped"
shader look
set look/pick input 5
shader look --explain
errors look/pick

echo "== displacement: the select skips its disabled input"
shader look -t displace --explain
shader look -t displace -r RIB

echo "== co-shaders (RenderMan only)"
shader look -t coshader -r RIB --explain

echo "== properties: the material answers for its properties node"
eval look shading_quality
shader look/props -t light --explain
