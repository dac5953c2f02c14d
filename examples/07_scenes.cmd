# Scenes in files: "save" writes the scene as a command script that rebuilds it, "load"
# replaces the scene by one. Run it with:  ./build/apps/shophost/shophost examples/07_scenes.cmd

cd /shop
add plastic red
set red Cs 1 0 0
set -e red Kd 'clamp($F / 24, 0, 1)'
spare -l "Look Notes" red notes string 1 "approved, 'final'"
save /tmp/shophost_demo_scene.cmd
echo "== saved; now delete the shader and read the file back"
rm /shop/red
load /tmp/shophost_demo_scene.cmd
shader /shop/red -f 0.5
eval /shop/red notes

echo "== a file of an older version: its viewport values become spare parameters"
echo "   (its obsolete texture layer and an unknown value are warned about and not loaded)"
load examples/scenes/old_viewport.cmd
eval /shop/red ogl_diff
eval /shop/red ogl_alpha
shader /shop/red
