# Shader strings for two renderers from generic shaders, whose strings are typed in per
# renderer. Run it with:  ./build/apps/shophost/shophost examples/02_shaders.cmd

echo "== clerks per shader type"
clerks

cd /shop
add gen_surface chrome
set chrome VKorvit 'metal roughness 0.05 tint 0.9 0.9 1'
set chrome RIB 'Surface "metal" "float roughness" [ 0.05]'
add gen_displace bumps
add gen_light key
set key VKorvit 'pointlight intensity 4'
set key RIB 'LightSource "pointlight" "float intensity" [ 4]'

# A generic node's parameters can be driven like any other: here by a spare parameter.
cd /obj
add null bumps_amp
spare bumps_amp value float 1 0.25
cd /shop
set -e bumps VKorvit '"noise amp " + ch("/obj/bumps_amp/value")'

echo "== VKorvit"
shader chrome
shader bumps -t displace
shader key -t light
echo "== RIB"
shader chrome -r RIB
shader key -t light -r RIB
echo "== any renderer: the first string clerk registered for the type"
shader chrome -r "*"
