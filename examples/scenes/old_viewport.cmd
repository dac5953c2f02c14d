# A scene as an older version wrote it: its surface carried viewport colours and alpha as
# parameters of its own, and texture layers that no longer exist.
add objnet obj
add shopnet shop
cd /shop
add plastic red
set red Cs 1 0 0
set red ogl_diffr 0.8
set red ogl_diffg 0.1
set red ogl_diffb 0.1
set -e red ogl_alpha 'fit($F, 1, 24, 0, 1)'
set red ogl_tex2 old_layer.pic
set red ogl_glow 1
