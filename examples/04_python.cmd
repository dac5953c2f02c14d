# Scripts drive the host through the Python module "host".
# Run it with:  ./build/apps/shophost/shophost examples/04_python.cmd

cd /shop
add plastic red
set red Cs 1 0 0
set red Kd 0.5
add pointlight key
set key intensity 2.5
python examples/inspect_shaders.py /shop
echo "the shipped library lives in `findfile('assets/shaders.asset')`"
