# Shaders from the shipped shader library (runtime/assets), which the host reads at start-up.
# Run it with:  ./build/apps/shophost/shophost examples/03_assets.cmd

cd /shop
add plastic red
set red Kd 0.5
set red Cs 1 0 0
set red uv 0.25 0.75
set red enable 1

echo "== a plastic for each renderer"
shader red
shader red -r RIB
echo "== at three significant digits"
set red Ks 0.333333
shader red -o qelo_precision=3

echo "== a metal brushed along an object's axis"
cd /obj
add null brush
set brush r 0 45 0
cd /shop
add metal brushed
set brushed brushed 1
set brushed orient /obj/brush
shader brushed

echo "== lights, fog and displacement"
add pointlight key
set key intensity 4
set key falloff linear
shader key -t light
shader key -t light -r RIB
add uniformfog haze
set haze density 0.02
shader haze -t fog
add bumps ripple
set ripple amp 0.05
shader ripple -t displace -r RIB

echo "== what the plastic is"
info red
