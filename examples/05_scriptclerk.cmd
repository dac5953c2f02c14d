# A renderer supported by a Python module instead of compiled code: the shipped OSL clerk
# (runtime/python/shopclerks/osl.py) writes shader-group text. Add your own clerks as modules in
# <folder>/python/shopclerks/ of a folder on SHOP_HOST_PATH.
# Run it with:  ./build/apps/shophost/shophost examples/05_scriptclerk.cmd

echo "== clerks serving surfaces"
clerks surface

cd /shop
add plastic red
set red Kd 0.5
set red Cs 1 0 0
set red map "maps/red brick.rat"

echo "== OSL"
shader red -r OSL
echo "== OSL, with the diffuse overridden for this build"
shader red -r OSL -o Kd=0.25
