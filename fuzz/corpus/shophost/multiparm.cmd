cd /shop
add plastic p
add vopsurface v
set p ogl_numtex 3
set p ogl_tex2 stone.png
set p ogl_tex1 wood.png
set p ogl_tex_mag_filter3 GL_NEAREST
spare p note string 1
set -e p note 'chs("ogl_tex1")'
spare -l Decals p decals multi 1 0
spare -m decals -l 'Decal # Tint' p 'tint#' color 3 1 0.5 0.25
set p decals 2
set -e p tint1g 'ch("ogl_numtex") / 4'
set p ogl_numtex 2
set v ogl_numtex 1
set v ogl_tex1 grain.png
spare -m decals p 'pic#' file 1 none.png
undo
set p decals 1
undo
material v
